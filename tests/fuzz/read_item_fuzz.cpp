// An answer line of any bytes through the item reader and the integer parse: items stay
// within their buffer, the parse saturates like a wide reference.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "runtime/line_input.h"

namespace {

// Leading blanks, a sign, digits; clamped to 32 bits.
int64_t reference(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value < 10000000000 ? value * 10 + (text[i] - '0') : value;
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int32_t max_length = data[0] % 64;  // the first byte picks the item buffer's length
    std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
    qx::InputLineContext* context = qx::input_line_context();
    context->line.data = line.data();
    context->line.length = static_cast<int32_t>(line.size());
    context->read_position = 0;
    for (int round = 0; round < 8; ++round) {
        char buffer[80];
        std::memset(buffer, 0x55, sizeof buffer);
        int32_t length = qx::read_item(buffer, max_length, round % 2);
        FUZZ_CHECK(length >= 0 && length <= max_length);
        FUZZ_CHECK(buffer[length] == '\0');
        FUZZ_CHECK(buffer[max_length + 1] == 0x55);  // nothing written beyond the item
        FUZZ_CHECK(context->read_position >= 0 && context->read_position <= context->line.length);
    }
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (text.find('\0') == std::string::npos) {
        FUZZ_CHECK(qx::parse_int_saturating(text.c_str()) == reference(text));
    }
    context->read_position = 0;
    int32_t answer = 0;
    qx::input_int(&answer);
    context->line = qx::Rtstring{};
    return 0;
}
