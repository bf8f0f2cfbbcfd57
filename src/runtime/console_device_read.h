// Reading bytes from the console device: the key texts, two bytes at most per key.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

struct DeviceRecord;

struct ConsoleReadBuffer {
    unsigned char bytes[16];
    int32_t count;  // bytes waiting, from the start of bytes
};

// Delivers up to *count bytes; when no key is waiting the rest is zero-filled and the read
// ends. *count becomes the number of key bytes delivered.
int32_t console_read_bytes(DeviceRecord* record, unsigned char* buffer, size_t* count);

}  // namespace qx
