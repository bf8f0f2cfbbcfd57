// The items of an input line: cut one at a time from the stored line and converted.
#include "runtime/line_input.h"
#include "runtime/runtime.h"

namespace qx {

namespace {

constexpr int END_OF_LINE = -1;

bool is_blank(int c) {
    return c == ' ' || c == '\t';
}

// Reads the stored line byte by byte; the end of the line is a marker of its own.
struct LineReader {
    InputLineContext* context;

    int next() {
        Rtstring& line = context->line;
        if (context->read_position < 0 || context->read_position >= line.length) {
            return END_OF_LINE;
        }
        return static_cast<unsigned char>(line.data[context->read_position++]);
    }
    void put_back(int c) {
        if (c != END_OF_LINE) --context->read_position;
    }
};

// After a closing quote in string mode: skip blanks, eat one comma or line end.
void finish_quoted_item(LineReader& reader) {
    int c = reader.next();
    while (is_blank(c))
        c = reader.next();
    if (c == ',' || c == '\n' || c == END_OF_LINE) return;
    if (c == '\r') {
        int after = reader.next();
        if (after != '\n') reader.put_back(after);
        return;
    }
    reader.put_back(c);
}

}  // namespace

InputLineContext* input_line_context() {
    static InputLineContext context{};
    return &context;
}

int32_t parse_int_saturating(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t value = 0;
    constexpr int64_t LIMIT = int64_t{INT32_MAX} + 1;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > LIMIT) value = LIMIT;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t read_item(char* buffer, int32_t max_length, int32_t string_mode) {
    if (max_length < 0) max_length = 0;
    LineReader reader{input_line_context()};
    int c = reader.next();
    while (is_blank(c) || c == '\r' || c == '\n')
        c = reader.next();
    int32_t count = 0;
    bool quoted = false;
    while (count < max_length && c != END_OF_LINE) {
        bool store = false;
        if (is_blank(c)) {
            if (count > 0) {
                if (!quoted && !string_mode) break;
                store = true;
            } else {
                store = string_mode && quoted;
            }
        } else if (c == '"') {
            if (!quoted && count == 0) {
                quoted = true;
            } else if (!quoted) {
                store = true;
            } else {
                quoted = false;
                if (string_mode) {
                    finish_quoted_item(reader);
                    break;
                }
            }
        } else if (c == ',') {
            if (!quoted) break;
            store = true;
        } else if (c == '\r') {
            int after = reader.next();
            if (after != '\n') reader.put_back(after);
            break;
        } else if (c == '\n') {
            break;
        } else {
            store = true;
        }
        if (store) buffer[count++] = static_cast<char>(c);
        if (count < max_length) c = reader.next();
    }
    if (max_length == 0) reader.put_back(c);  // nothing taken: the byte stays for later
    buffer[count] = '\0';
    return count;
}

void input_int(int32_t* destination) {
    char buffer[INTEGER_ITEM_LENGTH + 1];
    read_item(buffer, INTEGER_ITEM_LENGTH, 0);
    if (destination != nullptr) *destination = parse_int_saturating(buffer);
    set_runtime_error(0);
}

}  // namespace qx
