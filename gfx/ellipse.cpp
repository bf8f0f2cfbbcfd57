#include "gfx/ellipse.h"

#include <cmath>

#include "gfx/coordinates.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

constexpr double TWO_PI = 6.283185307179586;
constexpr double ARC_STEP_FACTOR = 0.6666666666666666;
constexpr double DEFAULT_ASPECT_FACTOR = 1.3333333333333333;
// Larger radii are skipped: the stepping's squares then stay far inside 64 bits.
constexpr float MAX_RADIUS = 1 << 20;
// Angle normalisation adds full turns one at a time; farther apart it would never end.
constexpr float MAX_TURNS_APART = 1e6f;

int32_t round_half_away(float v) {
    return device_int(v >= 0 ? static_cast<double>(v + 0.5f) : static_cast<double>(v - 0.5f));
}

void draw_whole(int32_t cx, int32_t cy, float rx, float ry, uint32_t color, int32_t filled) {
    int32_t x_left = device_int(cx - static_cast<double>(rx));
    int32_t x_right = device_int(cx + static_cast<double>(rx));
    if (ry == 0) {
        draw_row(cy, x_left, x_right, color, 1);
        return;
    }
    draw_row(cy, x_left, x_right, color, filled);
    int64_t a2 = static_cast<int64_t>(rx * rx);
    int64_t b2 = static_cast<int64_t>(ry * ry);
    int64_t d = static_cast<int64_t>(static_cast<float>(b2) * rx);
    int64_t dx = 2 * d, dy = 0;
    int64_t n = static_cast<int64_t>(rx);
    int32_t y_top = cy, y_bottom = cy;
    while (n > 0) {
        bool x_step = true;
        if (d > 0) {
            ++y_bottom;
            --y_top;
            dy += 2 * a2;
            d -= dy;
            x_step = d <= 0;
        }
        if (x_step) {
            ++x_left;
            --x_right;
            --n;
            dx -= 2 * b2;
            d += dx;
        }
        draw_row(y_bottom, x_left, x_right, color, filled);
        draw_row(y_top, x_left, x_right, color, filled);
    }
}

void draw_radius(const void* target, int32_t cx, int32_t cy, float angle, float rx, float ry,
                 uint32_t color) {
    EllipseOffset p = ellipse_point(angle, rx, ry);
    // Device points already: the view offset must not be added again.
    uint32_t flags = screen->screen_flags;
    screen->screen_flags |= SCREEN_VIEW_ABSOLUTE;
    draw_line(target, static_cast<float>(cx), static_cast<float>(cy),
              static_cast<float>(cx + p.px), static_cast<float>(cy - p.py), color, 0, 0xFFFF, 0);
    screen->screen_flags = (screen->screen_flags & ~SCREEN_VIEW_ABSOLUTE) |
                           (flags & SCREEN_VIEW_ABSOLUTE);
}

void draw_arc(const void* target, int32_t cx, int32_t cy, float rx, float ry, float start,
              float end, uint32_t color, uint32_t color_argument) {
    if (start < 0) {
        start = -start;
        draw_radius(target, cx, cy, start, rx, ry, color_argument);
    }
    if (end < 0) {
        end = -end;
        draw_radius(target, cx, cy, end, rx, ry, color_argument);
    }
    if (!std::isfinite(start) || !std::isfinite(end) ||
        std::fabs(end - start) > MAX_TURNS_APART) {
        return;
    }
    while (end < start) end = static_cast<float>(end + TWO_PI);
    while (end - start > TWO_PI) start = static_cast<float>(start + TWO_PI);
    auto step = static_cast<float>(ARC_STEP_FACTOR / std::sqrt(static_cast<double>(rx) * ry));
    double stop = end + step * 0.5;
    begin_draw();
    for (float angle = start; angle < stop;) {
        EllipseOffset p = ellipse_point(angle, rx, ry);
        int32_t x = cx + p.px, y = cy - p.py;
        if (inside_view(x, y)) pixel_ops.put_pixel(x, y, color);
        float next = angle + step;
        if (!(next > angle)) break;  // a step of zero or NaN would never get there
        angle = next;
    }
}

}  // namespace

EllipseOffset ellipse_point(float angle, float rx, float ry) {
    return {round_half_away(std::cos(angle) * rx), round_half_away(std::sin(angle) * ry)};
}

void draw_row(int32_t y, int32_t x_left, int32_t x_right, uint32_t color, int32_t filled) {
    const ScreenContext* s = screen;
    if (y < s->view_y || y >= s->view_y + s->view_h) return;
    int32_t view_right = s->view_x + s->view_w;
    if (filled) {
        if (x_right < s->view_x || x_left >= view_right) return;
        if (x_left < s->view_x) x_left = s->view_x;
        if (x_right > view_right - 1) x_right = view_right - 1;
        if (x_right < x_left) return;
        pixel_ops.fill_span(s->line_table[y] + static_cast<ptrdiff_t>(x_left) * s->bytes_per_pixel,
                            color, static_cast<size_t>(x_right - x_left + 1));
        return;
    }
    if (x_left >= s->view_x && x_left < view_right) pixel_ops.put_pixel(x_left, y, color);
    if (x_right >= s->view_x && x_right < view_right) pixel_ops.put_pixel(x_right, y, color);
}

void draw_ellipse(const void* target, float x, float y, float radius, uint32_t color,
                  float aspect, float start, float end, int32_t filled, int32_t coord_type) {
    ScreenContext* s = screen;
    if (!s) return;
    uint32_t pixel = color == DEFAULT_COLOR ? s->fg_color : convert_color(color);
    prepare_target(target);
    apply_step(coord_type, &x, &y, nullptr, nullptr);
    int32_t cx, cy;
    map_point(x, y, &cx, &cy);
    if (aspect == 0) {
        aspect = static_cast<float>(static_cast<double>(s->height) / s->width *
                                    DEFAULT_ASPECT_FACTOR);
    }
    float rx = radius, ry = radius * aspect;
    if (aspect > 1) {
        rx = radius / aspect;
        ry = radius;
    }
    if (!(std::fabs(rx) <= MAX_RADIUS) || !(std::fabs(ry) <= MAX_RADIUS)) return;
    bool whole = start == 0 && std::bit_cast<uint32_t>(end) == std::bit_cast<uint32_t>(FULL_TURN_MARK);
    if (whole) {
        begin_draw();
        draw_whole(cx, cy, rx, ry, pixel, filled);
    } else {
        draw_arc(target, cx, cy, rx, ry, start, end, pixel, color);
    }
    int32_t first = device_int(cy - static_cast<double>(ry));
    int32_t last = device_int(cy + static_cast<double>(ry));
    if (first < s->view_y) first = s->view_y;
    if (last > s->view_y + s->view_h - 1) last = s->view_y + s->view_h - 1;
    if (first <= last) mark_rows_dirty(first, last);
    end_draw();
    s->last_x = x;
    s->last_y = y;
}

}  // namespace qx
