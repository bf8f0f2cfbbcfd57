#include "runtime/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qx {

namespace {

constexpr size_t LOG_LINE_CAPACITY = 512;
constexpr char CUT_MARK[] = "...";

bool continuation_byte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

size_t vformat_text(char* out, size_t capacity, const char* format, va_list arguments) {
    if (capacity == 0) return 0;
    const int wanted = std::vsnprintf(out, capacity, format, arguments);
    if (wanted < 0) {
        out[0] = '\0';
        return 0;
    }
    if (static_cast<size_t>(wanted) < capacity) return static_cast<size_t>(wanted);
    // The mark and its terminator, or the terminator alone where the mark has no room.
    const size_t tail = capacity >= sizeof CUT_MARK ? sizeof CUT_MARK : 1;
    size_t end = capacity - tail;
    while (end > 0 && continuation_byte(out[end]))
        --end;
    std::memcpy(out + end, CUT_MARK + sizeof CUT_MARK - tail, tail);
    return end + tail - 1;
}

size_t format_text(char* out, size_t capacity, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const size_t length = vformat_text(out, capacity, format, arguments);
    va_end(arguments);
    return length;
}

bool log_enabled() {
    const char* value = std::getenv("QXLOG");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void log_line(const char* format, ...) {
    if (!log_enabled()) return;
    char line[LOG_LINE_CAPACITY] = "qx: ";
    constexpr size_t PREFIX = 4;
    va_list arguments;
    va_start(arguments, format);
    size_t length =
        PREFIX + vformat_text(line + PREFIX, sizeof line - PREFIX - 1, format, arguments);
    va_end(arguments);
    line[length++] = '\n';
    std::fwrite(line, 1, length, stderr);
}

}  // namespace qx
