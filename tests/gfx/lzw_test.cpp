#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gfx/lzw.h"
#include "tools/lzw_packer.h"

namespace qx {
namespace {

// Packs codes by hand, two to three bytes, an odd last code in two bytes.
std::vector<uint8_t> stream(const std::vector<int32_t>& codes) {
    std::vector<uint8_t> out;
    lzw_packer_detail::put_codes(codes, &out);
    return out;
}

// Unpacks with the given capacity; returns the result code and fills *out with what came out.
int32_t unpack(const std::vector<uint8_t>& packed, size_t capacity, std::string* out) {
    std::vector<uint8_t> buffer(capacity);  // exact size, so a sanitizer sees any overrun
    size_t size = capacity;
    const int32_t result = lzw_unpack(packed.data(), packed.size(), buffer.data(), &size);
    EXPECT_LE(size, capacity);
    out->assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(size));
    return result;
}

std::vector<uint8_t> pack(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> packed;
    EXPECT_EQ(lzw_pack(data.data(), data.size(), &packed), 0);
    return packed;
}

void expect_round_trip(const std::vector<uint8_t>& data) {
    std::string out;
    ASSERT_EQ(unpack(pack(data), data.size(), &out), 0);
    EXPECT_EQ(out, std::string(data.begin(), data.end()));
}

TEST(LzwUnpack, DecodesLiteralsLearntCodesAndTheCodeBeingDefined) {
    std::string out;
    // 256 = "AB", 257 = "BA"; 258 is not yet defined when read: "AB" + "A".
    EXPECT_EQ(unpack(stream({'A', 'B', 256, 258, LZW_END_CODE}), 16, &out), 0);
    EXPECT_EQ(out, "ABABABA");
    // The very first learnt code read at once: previous "A" + "A".
    EXPECT_EQ(unpack(stream({'A', 256, LZW_END_CODE}), 16, &out), 0);
    EXPECT_EQ(out, "AAA");
    // Odd code count: the end code sits in a two-byte tail.
    EXPECT_EQ(unpack(stream({'x', 'y', LZW_END_CODE}), 16, &out), 0);
    EXPECT_EQ(out, "xy");
    EXPECT_EQ(stream({'x', 'y', LZW_END_CODE}).size(), 5u);
    // Bytes after the end code are not read.
    std::vector<uint8_t> trailing = stream({'Q', LZW_END_CODE});
    trailing.insert(trailing.end(), {0xAB, 0xCD, 0xEF});
    EXPECT_EQ(unpack(trailing, 16, &out), 0);
    EXPECT_EQ(out, "Q");
}

TEST(LzwUnpack, RoundTripsThroughThePacker) {
    expect_round_trip({42});
    expect_round_trip(std::vector<uint8_t>(10000, 0x55));  // long runs of the KwKwK case
    std::vector<uint8_t> all_bytes;
    for (int k = 0; k < 3 * 256; ++k)
        all_bytes.push_back(static_cast<uint8_t>(k * 7));
    expect_round_trip(all_bytes);

    // Enough input to fill the table: the codes after it stay fixed and still decode.
    std::mt19937 random(7);
    std::vector<uint8_t> noisy(60000), skewed(60000);
    for (uint8_t& byte : noisy)
        byte = static_cast<uint8_t>(random());
    for (uint8_t& byte : skewed)
        byte = static_cast<uint8_t>(random() % 4 == 0 ? random() % 8 : 0);
    expect_round_trip(noisy);
    expect_round_trip(skewed);
}

TEST(LzwUnpack, RefusesCodesThatAreNotDefined) {
    std::string out;
    EXPECT_EQ(unpack(stream({'A', 257, LZW_END_CODE}), 64, &out), -1);
    EXPECT_EQ(unpack(stream({'A', 'B', 4000, LZW_END_CODE}), 64, &out), -1);
    EXPECT_EQ(out, "AB");  // what came before the bad code is reported
    // Nothing is learnt before the first code, so it must be a literal.
    EXPECT_EQ(unpack(stream({256, LZW_END_CODE}), 64, &out), -1);
    EXPECT_EQ(unpack(stream({LZW_END_CODE}), 64, &out), -1);
    EXPECT_EQ(out, "");
}

TEST(LzwUnpack, RefusesTruncatedInput) {
    std::vector<uint8_t> data(3000);
    for (size_t k = 0; k < data.size(); ++k)
        data[k] = static_cast<uint8_t>(k * k % 251);
    const std::vector<uint8_t> packed = pack(data);
    for (size_t length = 0; length < packed.size(); ++length) {
        const std::vector<uint8_t> cut(packed.begin(),
                                       packed.begin() + static_cast<std::ptrdiff_t>(length));
        std::string out;
        ASSERT_EQ(unpack(cut, data.size(), &out), -1) << "length " << length;
        EXPECT_EQ(
            out, std::string(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(out.size())));
    }
    size_t size = 16;
    uint8_t buffer[16];
    EXPECT_EQ(lzw_unpack(nullptr, 0, buffer, &size), -1);
    EXPECT_EQ(size, 0u);
}

TEST(LzwUnpack, RefusesOutputBeyondTheCapacity) {
    const std::vector<uint8_t> data(500, 'z');
    const std::vector<uint8_t> packed = pack(data);
    std::string out;
    EXPECT_EQ(unpack(packed, 0, &out), -1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(unpack(packed, data.size() - 1, &out), -1);
    EXPECT_EQ(unpack(packed, data.size(), &out), 0);
    EXPECT_EQ(out.size(), data.size());

    size_t size = 0;
    EXPECT_EQ(lzw_unpack(packed.data(), packed.size(), nullptr, &size), -1);
}

TEST(LzwUnpack, SurvivesRandomBytes) {
    std::mt19937 random(12345);
    int successes = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> junk;
        if (round % 2 == 0) {
            junk.resize(random() % 700);
            for (uint8_t& byte : junk)
                byte = static_cast<uint8_t>(random());
        } else {
            // Mostly well-formed codes (literals and codes learnt so far), now and then a wild
            // one, so that both the success and the refusal paths are reached.
            std::vector<int32_t> codes{static_cast<int32_t>(random() % 256)};
            const size_t count = random() % 400;
            for (size_t k = 1; k < count; ++k) {
                const int32_t defined = LZW_FIRST_CODE + static_cast<int32_t>(k) - 1;
                codes.push_back(random() % 50 == 0
                                    ? static_cast<int32_t>(random() % 4096)
                                    : static_cast<int32_t>(random() % (defined + 1)));
            }
            if (random() % 4 != 0) codes.push_back(LZW_END_CODE);
            junk = stream(codes);
        }
        std::string out;
        const int32_t result = unpack(junk, random() % 20000, &out);
        ASSERT_TRUE(result == 0 || result == -1);
        successes += result == 0;
    }
    EXPECT_GT(successes, 0);
}

TEST(LzwPack, RefusesEmptyInput) {
    std::vector<uint8_t> packed{1, 2, 3};
    EXPECT_EQ(lzw_pack(nullptr, 0, &packed), -1);
    EXPECT_TRUE(packed.empty());
}

}  // namespace
}  // namespace qx
