// Packed data of any shape through the unpacker: it never writes past the capacity it is
// given, and the size it reports is what it wrote.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "gfx/lzw.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes declare the capacity; an exact-size buffer lets ASan see overruns.
    size_t capacity = static_cast<size_t>(data[0]) << 8 | data[1];
    std::vector<uint8_t> out(capacity);
    size_t produced = capacity;
    int32_t result = qx::lzw_unpack(data + 2, size - 2, out.data(), &produced);
    FUZZ_CHECK(result == 0 || result == -1);
    FUZZ_CHECK(produced <= capacity);
    // The same input with room to spare unpacks to the same bytes, or fails the same way.
    std::vector<uint8_t> roomy(capacity + 64);
    size_t again = roomy.size();
    int32_t second = qx::lzw_unpack(data + 2, size - 2, roomy.data(), &again);
    if (result == 0) {
        FUZZ_CHECK(second == 0 && again == produced);
        FUZZ_CHECK(produced == 0 || std::memcmp(out.data(), roomy.data(), produced) == 0);
    }
    return 0;
}
