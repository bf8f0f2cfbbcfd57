#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/line_input.h"
#include "runtime/runtime.h"

namespace qx {
namespace {

// Stores line as the typed line of an input statement, read from its start.
void store_line(const std::string& line) {
    InputLineContext* context = input_line_context();
    std::free(context->line.data);
    context->line.data = static_cast<char*>(std::malloc(line.size() + 1));
    std::memcpy(context->line.data, line.data(), line.size());
    context->line.length = static_cast<int32_t>(line.size());
    context->read_position = 0;
}

std::vector<std::string> items(const std::string& line, int count, int32_t max_length = 11,
                               int32_t string_mode = 0) {
    store_line(line);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) {
        std::vector<char> buffer(static_cast<size_t>(max_length < 0 ? 0 : max_length) + 1, 'X');
        int32_t length = read_item(buffer.data(), max_length, string_mode);
        EXPECT_EQ(std::strlen(buffer.data()), static_cast<size_t>(length));
        result.emplace_back(buffer.data());
    }
    return result;
}

std::vector<int32_t> integers(const std::string& line, int count) {
    store_line(line);
    std::vector<int32_t> result;
    for (int i = 0; i < count; ++i) {
        int32_t value = -12345;
        set_runtime_error(9);
        input_int(&value);
        EXPECT_EQ(runtime_error(), 0);
        result.push_back(value);
    }
    return result;
}

using Items = std::vector<std::string>;
using Ints = std::vector<int32_t>;

TEST(ReadItem, CommasQuotesAndBlanks) {
    EXPECT_EQ(items("1,2", 3), (Items{"1", "2", ""}));
    EXPECT_EQ(items("\"1,2\"", 1), (Items{"1,2"}));
    EXPECT_EQ(items("  12 34", 2), (Items{"12", "34"}));
    EXPECT_EQ(items("\t7\t,8", 2), (Items{"7", ""}));  // the blank ends 7, the comma an empty item
    EXPECT_EQ(items("\" 1 2\"x,y", 2), (Items{"1 2x", "y"}));  // leading blank skipped in quotes
    EXPECT_EQ(items("ab\"cd", 1), (Items{"ab\"cd"}));          // a quote inside is a character
    EXPECT_EQ(items("\"\"\"5\"", 1), (Items{"5"}));            // empty quotes, then another
    EXPECT_EQ(items("\"open ended", 1), (Items{"open ended"}));
}

TEST(ReadItem, LineEnds) {
    EXPECT_EQ(items("1\r\n2", 2), (Items{"1", "2"}));
    EXPECT_EQ(items("1\r2", 2), (Items{"1", "2"}));
    EXPECT_EQ(items("1\n\n\n2", 2), (Items{"1", "2"}));    // leading line ends are skipped
    EXPECT_EQ(items("\"a\rb\"", 2), (Items{"a", "b\""}));  // CR ends even inside quotes
    EXPECT_EQ(items("", 2), (Items{"", ""}));
    EXPECT_EQ(items("   ", 1), (Items{""}));
}

TEST(ReadItem, CutAfterMaximumLength) {
    EXPECT_EQ(items("123456789012345", 2), (Items{"12345678901", "2345"}));
    EXPECT_EQ(items("12345678901,5", 3), (Items{"12345678901", "", "5"}));
    EXPECT_EQ(items("abc", 2, 0), (Items{"", ""}));  // nothing taken, nothing lost
    EXPECT_EQ(items("abc", 1, -4), (Items{""}));
}

TEST(ReadItem, StringModeKeepsBlanksAndEatsTheSeparator) {
    EXPECT_EQ(items("hello world,x", 2, 40, 1), (Items{"hello world", "x"}));
    EXPECT_EQ(items("\"  a, b \"  ,next", 2, 40, 1), (Items{"  a, b ", "next"}));
    EXPECT_EQ(items("\"q\"\r\nr", 2, 40, 1), (Items{"q", "r"}));
    EXPECT_EQ(items("\"q\"\rr", 2, 40, 1), (Items{"q", "r"}));
    EXPECT_EQ(items("\"q\"z", 2, 40, 1), (Items{"q", "z"}));  // any other byte is put back
}

TEST(InputInt, ConversionOfItems) {
    EXPECT_EQ(integers("1,2", 1), (Ints{1}));
    EXPECT_EQ(integers("\"1,2\"", 1), (Ints{1}));
    EXPECT_EQ(integers("", 1), (Ints{0}));
    EXPECT_EQ(integers("  -42  ", 1), (Ints{-42}));
    EXPECT_EQ(integers("7abc", 1), (Ints{7}));
    EXPECT_EQ(integers("abc", 1), (Ints{0}));
    EXPECT_EQ(integers("+15", 1), (Ints{15}));
    EXPECT_EQ(integers("480,640,9", 2), (Ints{480, 640}));
    EXPECT_EQ(integers("5", 3), (Ints{5, 0, 0}));  // too few items read as 0
    EXPECT_EQ(integers("12345678901234", 2), (Ints{INT32_MAX, 234}));
}

TEST(InputInt, SaturatesToThe32BitRange) {
    EXPECT_EQ(parse_int_saturating("2147483647"), INT32_MAX);
    EXPECT_EQ(parse_int_saturating("2147483648"), INT32_MAX);
    EXPECT_EQ(parse_int_saturating("-2147483648"), INT32_MIN);
    EXPECT_EQ(parse_int_saturating("-2147483649"), INT32_MIN);
    EXPECT_EQ(parse_int_saturating("-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(parse_int_saturating("\v\f 12"), 12);
    EXPECT_EQ(parse_int_saturating("- 3"), 0);
    EXPECT_EQ(parse_int_saturating("--3"), 0);
    EXPECT_EQ(parse_int_saturating(""), 0);
}

}  // namespace
}  // namespace qx
