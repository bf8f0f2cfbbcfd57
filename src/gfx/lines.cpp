#include "gfx/lines.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "gfx/coordinates.h"
#include "gfx/draw_call.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

constexpr int32_t OUT_LEFT = 1, OUT_RIGHT = 2, OUT_BELOW = 4, OUT_ABOVE = 8;
// Rounding can keep a point just outside after a move; a line still outside after this many
// moves misses the clip rectangle.
constexpr int32_t MAX_CLIP_MOVES = 8;

int32_t outcode(int32_t x, int32_t y) {
    const ScreenContext* s = screen;
    int32_t code = 0;
    if (x < s->view_x) code |= OUT_LEFT;
    if (x >= s->view_x + s->view_w) code |= OUT_RIGHT;
    if (y < s->view_y) code |= OUT_ABOVE;
    if (y >= s->view_y + s->view_h) code |= OUT_BELOW;
    return code;
}

// Cohen-Sutherland on device points; false when nothing of the line is inside.
bool clip_line(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    const ScreenContext* s = screen;
    for (int32_t moves = 0;; ++moves) {
        int32_t code1 = outcode(x1, y1), code2 = outcode(x2, y2);
        if ((code1 | code2) == 0) return true;
        if ((code1 & code2) != 0 || moves == MAX_CLIP_MOVES) return false;
        if (code1 == 0) {
            std::swap(x1, x2);
            std::swap(y1, y2);
            std::swap(code1, code2);
        }
        // Differences of saturated coordinates need more than 32 bits.
        const long double lx1 = x1, ly1 = y1;
        long double m = x1 == x2 ? 1.0L : (static_cast<long double>(y2) - ly1) / (x2 - lx1);
        if (code1 & OUT_LEFT) {
            y1 = device_int(static_cast<double>(ly1 + (s->view_x - lx1) * m));
            x1 = s->view_x;
        } else if (code1 & OUT_RIGHT) {
            y1 = device_int(static_cast<double>(ly1 + (s->view_x + s->view_w - 1 - lx1) * m));
            x1 = s->view_x + s->view_w - 1;
        } else if (code1 & OUT_ABOVE) {
            if (x1 != x2) x1 = device_int(static_cast<double>(lx1 + (s->view_y - ly1) / m));
            y1 = s->view_y;
        } else {
            if (x1 != x2) {
                x1 = device_int(static_cast<double>(lx1 + (s->view_y + s->view_h - 1 - ly1) / m));
            }
            y1 = s->view_y + s->view_h - 1;
        }
    }
}

// The style bit walks from 0x8000 down and wraps, one step per pixel.
struct StyleWalk {
    uint32_t style;
    uint32_t bit;
    bool take() {
        bool set = (style & bit) != 0;
        bit >>= 1;
        if (bit == 0) bit = 0x8000;
        return set;
    }
};

void draw_vertical(int32_t x, int32_t y1, int32_t y2, uint32_t color, uint16_t style) {
    uint8_t* const* rows = screen->line_table;
    const int32_t bytes = screen->bytes_per_pixel;
    StyleWalk walk{style, 0x8000};
    if (y2 < y1) {
        std::swap(y1, y2);
        walk = {reverse_style(style), 1u << ((y2 - y1) & 15)};
    }
    for (int32_t y = y1; y <= y2; ++y) {
        if (walk.take()) store_pixel(rows, bytes, x, y, color);
    }
}

void draw_horizontal(int32_t x1, int32_t x2, int32_t y, uint32_t color, uint16_t style) {
    StyleWalk walk{style, 0x8000};
    if (x2 < x1) {
        std::swap(x1, x2);
        walk = {reverse_style(style), 1u << ((x2 - x1) & 15)};
    }
    if (style == 0xFFFF) {
        fill_pixels(screen->line_table[y] + static_cast<ptrdiff_t>(x1) * screen->bytes_per_pixel,
                    screen->bytes_per_pixel, color, static_cast<size_t>(x2 - x1 + 1));
        return;
    }
    uint8_t* const* rows = screen->line_table;
    const int32_t bytes = screen->bytes_per_pixel;
    for (int32_t x = x1; x <= x2; ++x) {
        if (walk.take()) store_pixel(rows, bytes, x, y, color);
    }
}

void draw_bresenham(int32_t x, int32_t y, int32_t x2, int32_t y2, uint32_t color, uint16_t style) {
    uint8_t* const* rows = screen->line_table;
    const int32_t bytes = screen->bytes_per_pixel;
    StyleWalk walk{style, 0x8000};
    int64_t dx = std::llabs(static_cast<int64_t>(x2) - x),
            dy = std::llabs(static_cast<int64_t>(y2) - y);
    int32_t sx = x2 >= x ? 1 : -1, sy = y2 >= y ? 1 : -1;
    if (dx >= dy) {
        int64_t e = -dx;
        for (int64_t i = 0; i <= dx; ++i) {
            e += 2 * dy;
            if (walk.take()) store_pixel(rows, bytes, x, y, color);
            if (e >= 0) {
                y += sy;
                e -= 2 * dx;
            }
            x += sx;
        }
    } else {
        int64_t e = 2 * dx - dy;
        for (int64_t i = 0; i <= dy; ++i) {
            if (walk.take()) store_pixel(rows, bytes, x, y, color);
            if (e >= 0) {
                x += sx;
                e -= 2 * dy;
            }
            e += 2 * dx;
            y += sy;
        }
    }
}

}  // namespace

uint16_t reverse_style(uint16_t style) {
    uint16_t reversed = 0;
    for (int i = 0; i < 16; ++i) {
        if (style & (1u << i)) reversed |= static_cast<uint16_t>(1u << (15 - i));
    }
    return reversed;
}

void draw_box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t filled) {
    ScreenContext* s = screen;
    int32_t view_right = s->view_x + s->view_w, view_bottom = s->view_y + s->view_h;
    if (x2 < s->view_x || y2 < s->view_y || x1 >= view_right || y1 >= view_bottom) return;
    if (s->view_w <= 0 || s->view_h <= 0 || x2 < x1 || y2 < y1) return;  // callers sort
    int32_t cx1 = x1 > s->view_x ? x1 : s->view_x, cy1 = y1 > s->view_y ? y1 : s->view_y;
    int32_t cx2 = x2 < view_right - 1 ? x2 : view_right - 1;
    int32_t cy2 = y2 < view_bottom - 1 ? y2 : view_bottom - 1;
    size_t run = static_cast<size_t>(cx2 - cx1 + 1);
    const int32_t bytes = s->bytes_per_pixel;
    uint8_t* const* rows = s->line_table;
    ptrdiff_t offset = static_cast<ptrdiff_t>(cx1) * bytes;
    lock_screen(s);
    if (filled) {
        for (int32_t y = cy1; y <= cy2; ++y)
            fill_pixels(rows[y] + offset, bytes, color, run);
    } else {
        // Both sides in one pass over the rows; bytes first, the common screen.
        const bool left = x1 >= s->view_x, right = x2 < view_right;
        if (bytes == 1 && left && right) {
            for (int32_t y = cy1; y <= cy2; ++y) {
                rows[y][x1] = static_cast<uint8_t>(color);
                rows[y][x2] = static_cast<uint8_t>(color);
            }
        } else {
            for (int32_t y = cy1; y <= cy2; ++y) {
                if (left) store_pixel(rows, bytes, x1, y, color);
                if (right) store_pixel(rows, bytes, x2, y, color);
            }
        }
        if (y1 >= s->view_y) fill_pixels(rows[y1] + offset, bytes, color, run);
        if (y2 < view_bottom) fill_pixels(rows[y2] + offset, bytes, color, run);
    }
    mark_dirty(s, cy1, cy2);
    unlock_screen(s);
}

namespace {

// Everything else: relative points, boxes, styles, slanted lines, clipping, rounding.
[[gnu::noinline]] void draw_line_general(ScreenContext* s, const void* target, float x1, float y1,
                                         float x2, float y2, uint32_t pixel, int32_t box_type,
                                         int32_t style, int32_t coord_type) {
    int32_t ix1, iy1, ix2, iy2;
    auto pattern = static_cast<uint16_t>(style & 0xFFFF);
    use_target(s, target);
    step_points(s, coord_type, &x1, &y1, &x2, &y2);
    to_device(s, x1, y1, ix1, iy1);
    to_device(s, x2, y2, ix2, iy2);
    if (box_type != 0) {
        sort_corners(&ix1, &iy1, &ix2, &iy2);
        draw_box(ix1, iy1, ix2, iy2, pixel, box_type == 2);
        return;
    }
    if (!(in_view(s, ix1, iy1) && in_view(s, ix2, iy2)) && !clip_line(ix1, iy1, ix2, iy2)) return;
    lock_screen(s);
    if (ix1 == ix2) {
        draw_vertical(ix1, iy1, iy2, pixel, pattern);
    } else if (iy1 == iy2) {
        draw_horizontal(ix1, ix2, iy1, pixel, pattern);
    } else {
        draw_bresenham(ix1, iy1, ix2, iy2, pixel, pattern);
    }
    mark_dirty(s, iy1 < iy2 ? iy1 : iy2, iy1 < iy2 ? iy2 : iy1);
    unlock_screen(s);
}

}  // namespace

namespace {

// The rest of the calls, out of line so that the solid row below stays small: the vertical
// short path, then the general one.
[[gnu::noinline]] void draw_line_other(ScreenContext* s, const void* target, float x1, float y1,
                                       float x2, float y2, uint32_t pixel, int32_t box_type,
                                       int32_t style, int32_t coord_type) {
    int32_t ix1, iy1, ix2, iy2;
    // A box between whole-number corners inside the view, absolute, on the current target:
    // nothing to round or clip.
    if (box_type != 0 && coord_type == 0 && target == s->target &&
        whole_line_in_view(s, x1, y1, x2, y2, ix1, iy1, ix2, iy2)) {
        s->last_x = x2;
        s->last_y = y2;
        sort_corners(&ix1, &iy1, &ix2, &iy2);
        draw_box(ix1, iy1, ix2, iy2, pixel, box_type == 2);
        return;
    }
    // A solid vertical line between whole-number points inside the view, absolute, on the
    // current target.
    if (box_type == 0 && coord_type == 0 && target == s->target && (style & 0xFFFF) == 0xFFFF &&
        whole_line_in_view(s, x1, y1, x2, y2, ix1, iy1, ix2, iy2) && ix1 == ix2) {
        s->last_x = x2;
        s->last_y = y2;
        lock_screen(s);
        const int32_t top = iy1 < iy2 ? iy1 : iy2, bottom = iy1 < iy2 ? iy2 : iy1;
        for (int32_t y = top; y <= bottom; ++y)
            store_pixel(s->line_table, s->bytes_per_pixel, ix1, y, pixel);
        mark_dirty(s, top, bottom);
        unlock_screen(s);
        return;
    }
    draw_line_general(s, target, x1, y1, x2, y2, pixel, box_type, style, coord_type);
}

// The row of the short path below inside the driver's lock bracket, out of line: the short
// path itself then needs no registers kept across calls.
[[gnu::noinline]] void fill_row_locked(ScreenContext* s, uint8_t* start, uint32_t pixel,
                                       size_t count, int32_t y) {
    lock_screen(s);
    fill_pixels(start, s->bytes_per_pixel, pixel, count);
    mark_row_dirty(s, y);
    unlock_screen(s);
}

}  // namespace

void draw_line(const void* target, float x1, float y1, float x2, float y2, uint32_t color,
               int32_t box_type, int32_t style, int32_t coord_type) {
    ScreenContext* s = screen;
    if (!s) return;
    uint32_t pixel = color == DEFAULT_COLOR ? s->fg_color : pixel_value(s, color);
    // The commonest call: a solid row between whole-number points inside the view, on the
    // current target, with points relative to the view. Anything else goes on, to the same
    // pixels.
    int32_t ux1, ux2, uy;
    const uint32_t flags = s->screen_flags;
    if (y1 == y2 && box_type == 0 && coord_type == 0 && (style & 0xFFFF) == 0xFFFF &&
        target == s->target && !(flags & SCREEN_VIEW_ABSOLUTE) &&
        whole_numbers(x1, x2, y1, ux1, ux2, uy)) {
        // The same numbers again, one conversion each: the row's address then waits on a
        // shorter chain than the check's.
        const int32_t sx1 = static_cast<int32_t>(x1), sx2 = static_cast<int32_t>(x2),
                      sy = static_cast<int32_t>(y1);
        // Unsigned, a point left of or above the view is beyond any view's size.
        const auto left = static_cast<uint32_t>(sx1 < sx2 ? sx1 : sx2);
        const auto right = static_cast<uint32_t>(sx1 < sx2 ? sx2 : sx1);
        const auto view_w = static_cast<uint32_t>(s->view_w);
        if (left < view_w && right < view_w &&
            static_cast<uint32_t>(sy) < static_cast<uint32_t>(s->view_h)) {
            s->last_x = x2;
            s->last_y = y2;
            const int32_t y = sy + s->view_y;
            const int32_t bytes = s->bytes_per_pixel;
            uint8_t* start = s->line_table[y] +
                             static_cast<ptrdiff_t>(static_cast<int32_t>(left) + s->view_x) * bytes;
            const auto count = static_cast<size_t>(right - left + 1);
            if (flags & SCREEN_DRIVER_LOCKS) {
                fill_row_locked(s, start, pixel, count, y);
                return;
            }
            // No lock to take (the bracket would only set and clear the flags).
            mark_row_dirty(s, y);
            // A long row of bytes goes to the library fill as fill_pixels would send it, with
            // one call fewer on the way.
            if (bytes == 1 && count > 256) {
                std::memset(start, static_cast<int>(pixel & 0xFF), count);
                return;
            }
            fill_pixels(start, bytes, pixel, count);
            return;
        }
    }
    draw_line_other(s, target, x1, y1, x2, y2, pixel, box_type, style, coord_type);
}

}  // namespace qx
