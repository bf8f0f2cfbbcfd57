// The fixed part of every drawing call, inline: colour to pixel, target, user point to device
// point, the lock bracket and the dirty-row mark. A point or a short span then costs little
// more than its store. Each does exactly what its out-of-line namesake does (convert_color,
// prepare_target, map_point, begin_draw / end_draw, mark_rows_dirty), which call these.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// v as an int when it is a whole number; out of range and NaN give false or INT32_MIN, which
// no view holds.
inline bool whole_number(float v, int32_t& out) {
#if defined(__SSE2__)
    out = _mm_cvttss_si32(_mm_set_ss(v));
#else
    if (!(std::fabs(v) < 0x1p30f)) return false;
    out = static_cast<int32_t>(v);
#endif
    return static_cast<float>(out) == v;
}

// whole_number of three values at once.
inline bool whole_numbers(float a, float b, float c, int32_t& ia, int32_t& ib, int32_t& ic) {
#if defined(__SSE2__)
    const __m128 user = _mm_setr_ps(a, b, c, c);
    const __m128i whole = _mm_cvttps_epi32(user);
    if (_mm_movemask_ps(_mm_cmpneq_ps(_mm_cvtepi32_ps(whole), user)) != 0) return false;
    ia = _mm_cvtsi128_si32(whole);
    ib = _mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 1));
    ic = _mm_cvtsi128_si32(_mm_shuffle_epi32(whole, 2));
    return true;
#else
    return whole_number(a, ia) && whole_number(b, ib) && whole_number(c, ic);
#endif
}

// The common call's shortcut: a user point of whole numbers (well inside the device bound)
// inside the view. Then rounding and offset are exact integer work and nothing needs clipping;
// false sends the caller down the general path, which gives the same pixels for these points.
inline bool whole_point_in_view(const ScreenContext* s, float x, float y, int32_t& xi,
                                int32_t& yi) {
#if defined(__SSE2__)
    // The conversion is defined for any float (out of range gives INT32_MIN, never whole).
    const int32_t tx = _mm_cvttss_si32(_mm_set_ss(x)), ty = _mm_cvttss_si32(_mm_set_ss(y));
    if (static_cast<float>(tx) != x || static_cast<float>(ty) != y || tx == INT32_MIN ||
        ty == INT32_MIN)
        return false;
#else
    if (!(std::fabs(x) < 0x1p30f && std::fabs(y) < 0x1p30f)) return false;
    const auto tx = static_cast<int32_t>(x), ty = static_cast<int32_t>(y);
    if (static_cast<float>(tx) != x || static_cast<float>(ty) != y) return false;
#endif
    int64_t dx = tx, dy = ty;
    if (!(s->screen_flags & SCREEN_VIEW_ABSOLUTE)) {
        dx += s->view_x;
        dy += s->view_y;
    }
    if (static_cast<uint64_t>(dx - s->view_x) >= static_cast<uint64_t>(s->view_w) ||
        static_cast<uint64_t>(dy - s->view_y) >= static_cast<uint64_t>(s->view_h))
        return false;
    xi = static_cast<int32_t>(dx);
    yi = static_cast<int32_t>(dy);
    return true;
}

// whole_point_in_view for both ends of a line, the four conversions at once.
inline bool whole_line_in_view(const ScreenContext* s, float x1, float y1, float x2, float y2,
                               int32_t& ix1, int32_t& iy1, int32_t& ix2, int32_t& iy2) {
#if defined(__SSE2__)
    const __m128 user = _mm_setr_ps(x1, y1, x2, y2);
    const __m128i whole = _mm_cvttps_epi32(user);
    if (_mm_movemask_ps(_mm_cmpneq_ps(_mm_cvtepi32_ps(whole), user)) != 0 ||
        _mm_movemask_epi8(_mm_cmpeq_epi32(whole, _mm_set1_epi32(INT32_MIN))) != 0)
        return false;
    alignas(16) int32_t p[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(p), whole);
    int64_t dx1 = p[0], dy1 = p[1], dx2 = p[2], dy2 = p[3];
    if (!(s->screen_flags & SCREEN_VIEW_ABSOLUTE)) {
        dx1 += s->view_x;
        dx2 += s->view_x;
        dy1 += s->view_y;
        dy2 += s->view_y;
    }
    const auto w = static_cast<uint64_t>(s->view_w), h = static_cast<uint64_t>(s->view_h);
    if (static_cast<uint64_t>(dx1 - s->view_x) >= w ||
        static_cast<uint64_t>(dx2 - s->view_x) >= w ||
        static_cast<uint64_t>(dy1 - s->view_y) >= h || static_cast<uint64_t>(dy2 - s->view_y) >= h)
        return false;
    ix1 = static_cast<int32_t>(dx1);
    iy1 = static_cast<int32_t>(dy1);
    ix2 = static_cast<int32_t>(dx2);
    iy2 = static_cast<int32_t>(dy2);
    return true;
#else
    return whole_point_in_view(s, x1, y1, ix1, iy1) && whole_point_in_view(s, x2, y2, ix2, iy2);
#endif
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

// One row known to be on the target.
inline void mark_row_dirty(ScreenContext* s, int32_t y) {
    if (s->line_table[0] == s->visible_page) s->dirty_lines[y] = 1;
}

// Rows first..last (clamped) when the target is the shown page.
inline void mark_dirty(ScreenContext* s, int32_t first, int32_t last) {
    if (s->line_table[0] != s->visible_page) return;
    if (first < 0) first = 0;
    if (last > s->height - 1) last = s->height - 1;
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
