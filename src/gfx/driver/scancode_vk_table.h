// Which Windows virtual keys stand for each scan code that key_states reports: the window
// drivers of every platform fill key_states through it.
#pragma once

#include <cstdint>

namespace qx {

// 86 rows of (scan code, virtual key, second virtual key or 0), ended by a row of zeros.
struct ScanCodeVk {
    uint8_t scan_code, virtual_key, second_virtual_key;
};
extern const ScanCodeVk SCANCODE_VK_TABLE[87];

}  // namespace qx
