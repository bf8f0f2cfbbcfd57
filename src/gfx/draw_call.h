// The fixed part of every drawing call, inline: colour to pixel, target, user point to device
// point, the lock bracket and the dirty-row mark. A point or a short span then costs little
// more than its store. Each does exactly what its out-of-line namesake does (convert_color,
// prepare_target, map_point, begin_draw / end_draw, mark_rows_dirty), which call these.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "gfx/coordinates.h"
#include "gfx/driver/display_driver.h"
#include "gfx/screen.h"

namespace qx {

// Device coordinates are kept within +-DEVICE_BOUND: far outside any screen, with room to add.
constexpr int32_t DEVICE_BOUND = 1 << 30;

inline uint32_t pixel_value(const ScreenContext* s, uint32_t color) {
    if (s->bytes_per_pixel == 2) {
        color = (color >> 8 & 0xF800) | (color >> 5 & 0x07E0) | (color >> 3 & 0x1F);
    }
    return color & s->color_mask;
}

// Only a change of target has work to do.
inline void use_target(const ScreenContext* s, const void* target) {
    if (target != s->target) prepare_target(target);
}

// Relative points made absolute; the last point becomes the second point, or the first.
inline void step_points(ScreenContext* s, int32_t coord_type, float* x1, float* y1, float* x2,
                        float* y2) {
    const bool pair = x2 && y2;
    if (coord_type == 0) {
        s->last_x = pair ? *x2 : *x1;
        s->last_y = pair ? *y2 : *y1;
        return;
    }
    if (coord_type == 2 || coord_type == 3 || coord_type == 5) {
        *x1 += s->last_x;
        *y1 += s->last_y;
    }
    if ((coord_type == 1 || coord_type == 3) && x2 && y2) {
        *x2 += *x1;
        *y2 += *y1;
    }
    if (x2 && y2) {
        s->last_x = *x2;
        s->last_y = *y2;
    } else {
        s->last_x = *x1;
        s->last_y = *y1;
    }
}

// Rounded half away from zero, saturated at the bound (NaN gives 0). Below the bound the
// sum is exact in double and cannot saturate, so the common case skips the checks.
// (Zero of either sign rounds to 0 with either half.)
[[gnu::cold]] int32_t round_far_coordinate(float v);
inline int32_t round_coordinate(float v) {
    const double d = v;
    if (std::fabs(v) < 0x1p30f) [[likely]]
        return static_cast<int32_t>(d + std::copysign(0.5, d));
    return round_far_coordinate(v);
}

// A device coordinate moved by the view offset, saturated at the bound.
inline int32_t offset_coordinate(int32_t v, int32_t offset) {
    const int64_t moved = int64_t{v} + offset;
    return moved > DEVICE_BOUND    ? DEVICE_BOUND
           : moved < -DEVICE_BOUND ? -DEVICE_BOUND
                                   : static_cast<int32_t>(moved);
}

inline void to_device(const ScreenContext* s, float x, float y, int32_t& xi, int32_t& yi) {
    xi = round_coordinate(x);
    yi = round_coordinate(y);
    if (!(s->screen_flags & SCREEN_VIEW_ABSOLUTE) && (s->view_x | s->view_y) != 0) {
        xi = offset_coordinate(xi, s->view_x);
        yi = offset_coordinate(yi, s->view_y);
    }
}

inline bool in_view(const ScreenContext* s, int32_t x, int32_t y) {
    return static_cast<uint64_t>(int64_t{x} - s->view_x) < static_cast<uint64_t>(s->view_w) &&
           static_cast<uint64_t>(int64_t{y} - s->view_y) < static_cast<uint64_t>(s->view_h);
}

// Nested brackets call the driver once; a lock an outer caller holds is kept.
inline void lock_screen(ScreenContext* s) {
    if (s->screen_flags & (SCREEN_LOCKED | SCREEN_LOCK_OWNED)) return;
    if (s->driver && s->driver->lock) s->driver->lock();
    s->screen_flags |= SCREEN_LOCKED | SCREEN_LOCK_OWNED;
}

inline void unlock_screen(ScreenContext* s) {
    if (!(s->screen_flags & SCREEN_LOCK_OWNED)) return;
    // The flags change while the lock is still held: the update thread reads them under it.
    s->screen_flags &= ~(SCREEN_LOCKED | SCREEN_LOCK_OWNED);
    if (s->driver && s->driver->unlock) s->driver->unlock();
}

// Rows first..last (clamped) when the target is the shown page.
inline void mark_dirty(ScreenContext* s, int32_t first, int32_t last) {
    if (s->line_table[0] != s->visible_page) return;
    if (first < 0) first = 0;
    if (last > s->height - 1) last = s->height - 1;
    if (first == last) {
        s->dirty_lines[first] = 1;
        return;
    }
    if (first > last) return;
    if (last - first < 16) {
        // A point or a small shape: a few stores instead of a library call.
        for (int32_t y = first; y <= last; ++y)
            s->dirty_lines[y] = 1;
        return;
    }
    std::memset(s->dirty_lines + first, 1, static_cast<size_t>(last - first + 1));
}

}  // namespace qx
