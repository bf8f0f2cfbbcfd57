#include "runtime/posix/cursor_reply.h"

#include <cstring>

namespace qx {

namespace {

constexpr int32_t MAX_COORDINATE = 99999;

// Reads the digits at bytes[*at]; false when there are none or too many.
bool read_number(const unsigned char* bytes, size_t length, size_t* at, int32_t* value) {
    size_t start = *at;
    int32_t number = 0;
    while (*at < length && bytes[*at] >= '0' && bytes[*at] <= '9') {
        number = number * 10 + (bytes[*at] - '0');
        if (number > MAX_COORDINATE) return false;
        ++*at;
    }
    *value = number;
    return *at > start;
}

}  // namespace

bool take_cursor_reply(unsigned char* bytes, size_t* length, int32_t* row, int32_t* column) {
    for (size_t start = 0; start + 1 < *length; ++start) {
        if (bytes[start] != 0x1B || bytes[start + 1] != '[') continue;
        size_t at = start + 2;
        int32_t y, x;
        if (!read_number(bytes, *length, &at, &y) || at >= *length || bytes[at] != ';') continue;
        ++at;
        if (!read_number(bytes, *length, &at, &x) || at >= *length || bytes[at] != 'R') continue;
        ++at;
        std::memmove(bytes + start, bytes + at, *length - at);
        *length -= at - start;
        *row = y;
        *column = x;
        return true;
    }
    return false;
}

}  // namespace qx
