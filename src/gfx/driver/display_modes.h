// Full-screen display modes: the search that fits a screen into the modes a display offers,
// and the mode listing of fetch_modes. Pure functions over a mode list, so the window drivers
// and the tests share them.
#pragma once

#include <cstdint>

namespace qx {

// One mode a display offers. A size offered at several refresh rates appears once per rate.
struct DisplayMode {
    int32_t width, height;  // pixels
    int32_t depth;          // 8, 15, 16, 24 or 32 bits per pixel
    int32_t refresh_rate;   // Hz, 0 = unknown
};

// One attempt of the search, in the order the attempts are made.
struct ModeRequest {
    int32_t width, height, depth;
    int32_t refresh_rate;  // 0 = any
    int32_t standard_vga;  // 1 for the classic 320 x 200 x 8 request
};

// What the search settled on.
struct ModeChoice {
    ModeRequest mode;
    int32_t y_offset;  // rows between the top of the mode and the first screen row
};

// Tries one mode: 0 when it could be set, anything else when refused.
using ModeAttempt = int32_t (*)(void* context, const ModeRequest& request);

// Heights are raised 240, 480, 600, 768, 1024; above 1023 there is nothing taller to try.
// Returns the next height to try, or -1.
int32_t next_mode_height(int32_t height);

// 16 and 15 are twins, as are 32 and 24; any other depth has none (returns 0).
int32_t twin_depth(int32_t depth);

// Runs the search: the requested size, then its twin depth, then ever taller modes of the
// same width. Returns 0 and fills *choice, or -1 when every attempt was refused.
int32_t search_display_mode(int32_t width, int32_t height, int32_t depth, int32_t refresh_rate,
                            ModeAttempt attempt, void* context, ModeChoice* choice);

// The attempt used over a list: accepts a request when `modes` (a const DisplayModeList*)
// holds its size and depth, at the requested refresh rate unless that is 0.
struct DisplayModeList {
    const DisplayMode* modes;
    int32_t count;
};
int32_t attempt_listed_mode(void* modes, const ModeRequest& request);

// fetch_modes over a list: a malloc'd array of (width << 16) | height for each mode of that
// depth, once per listed refresh rate; *count gets the entries. None (null, count 0) when
// nothing matches or memory runs out.
int32_t* list_display_modes(const DisplayModeList& list, int32_t depth, int32_t* count);

}  // namespace qx
