// The graphics window's key ring: 16 slots, at most 15 pending, oldest dropped when full.
#pragma once

#include <cstdint>

namespace qx {

// Called by the window's event handling with the driver lock held.
void graphics_key_post(int32_t code);

}  // namespace qx
