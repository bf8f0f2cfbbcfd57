#include "gfx/coordinates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gfx/draw_call.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

// The screen's view while an image is the target.
struct SavedView {
    int32_t x, y, w, h;
};

SavedView saved_view;

int32_t saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

void point_line_table_at(uint8_t* start, int32_t pitch, int32_t rows) {
    for (int32_t i = 0; i < rows; ++i) {
        screen->line_table[i] = start + static_cast<ptrdiff_t>(i) * pitch;
    }
}

}  // namespace

int32_t device_int(double value) {
    if (std::isnan(value)) return 0;
    if (value > DEVICE_BOUND) return DEVICE_BOUND;
    if (value < -DEVICE_BOUND) return -DEVICE_BOUND;
    return static_cast<int32_t>(value);
}

int32_t round_far_coordinate(float v) {
    return device_int(v > 0 ? static_cast<double>(v) + 0.5 : static_cast<double>(v) - 0.5);
}

bool inside_view(int32_t x, int32_t y) {
    return in_view(screen, x, y);
}

void prepare_target(const void* image) {
    ScreenContext* s = screen;
    if (!image) {
        if (s->screen_flags & SCREEN_TARGET_IMAGE) {
            s->view_x = saved_view.x;
            s->view_y = saved_view.y;
            s->view_w = saved_view.w;
            s->view_h = saved_view.h;
            s->target_pitch = s->pitch;
            point_line_table_at(s->pages[s->work_page], s->pitch, s->height);
            s->screen_flags &= ~SCREEN_TARGET_IMAGE;
        }
    } else if (image != s->target) {
        if (!s->target) saved_view = {s->view_x, s->view_y, s->view_w, s->view_h};
        const auto* header = static_cast<const ImageHeader*>(image);
        int32_t w = header->width_x8 >> 3;
        int32_t h = header->height;
        if (w < 0) w = 0;
        if (h < 0) h = 0;  // an empty image: nothing can be drawn into it
        if (h > s->line_table_rows) {
            auto* grown = static_cast<uint8_t**>(
                std::realloc(s->line_table, static_cast<size_t>(h) * sizeof(uint8_t*)));
            if (grown) {
                s->line_table = grown;
                s->line_table_rows = h;
            } else {
                h = s->line_table_rows;  // no memory: only the rows the table can hold
            }
        }
        s->view_x = 0;
        s->view_y = 0;
        s->view_w = w;
        s->view_h = h;
        s->target_pitch = w * s->bytes_per_pixel;
        auto* data = const_cast<uint8_t*>(static_cast<const uint8_t*>(image)) + sizeof(ImageHeader);
        point_line_table_at(data, s->target_pitch, h);
        s->screen_flags |= SCREEN_TARGET_IMAGE;
    }
    s->target = image;
}

void apply_step(int32_t coord_type, float* x1, float* y1, float* x2, float* y2) {
    step_points(screen, coord_type, x1, y1, x2, y2);
}

void map_point(float x, float y, int32_t* xi, int32_t* yi) {
    to_device(screen, x, y, *xi, *yi);
}

void sort_corners(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) {
    if (*x1 > *x2) std::swap(*x1, *x2);
    if (*y1 > *y2) std::swap(*y1, *y2);
}

uint32_t convert_color(uint32_t color) {
    return pixel_value(screen, color);
}

void clear_view() {
    ScreenContext* s = screen;
    begin_draw();
    for (int32_t y = s->view_y; y < s->view_y + s->view_h; ++y) {
        pixel_ops.fill_span(
            s->line_table[y] + static_cast<ptrdiff_t>(s->view_x) * s->bytes_per_pixel, s->bg_color,
            static_cast<size_t>(s->view_w));
    }
    if (s->view_h > 0) mark_rows_dirty(s->view_y, s->view_y + s->view_h - 1);
    s->last_x = static_cast<float>(s->view_x + s->view_w / 2);
    s->last_y = static_cast<float>(s->view_y + s->view_h / 2);
    end_draw();
}

void set_view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill_color,
              uint32_t border_color, int32_t absolute) {
    ScreenContext* s = screen;
    if (!s) return;
    prepare_target(nullptr);
    sort_corners(&x1, &y1, &x2, &y2);
    if ((x1 | y1 | x2 | y2) == OMITTED_COORDINATE) {
        s->screen_flags &= ~SCREEN_VIEW_SET;
        s->view_x = 0;
        s->view_y = 0;
        s->view_w = s->width;
        s->view_h = s->height;
        return;
    }
    if (border_color != DEFAULT_COLOR) {
        draw_box(saturate(int64_t{x1} - 1), saturate(int64_t{y1} - 1), saturate(int64_t{x2} + 1),
                 saturate(int64_t{y2} + 1), convert_color(border_color), 0);
    }
    // Corners off the screen are cut to it: the view never reaches outside the framebuffer.
    int32_t left = std::clamp(x1, 0, s->width), top = std::clamp(y1, 0, s->height);
    int32_t right = std::clamp(x2, -1, s->width - 1), bottom = std::clamp(y2, -1, s->height - 1);
    s->view_x = left;
    s->view_y = top;
    s->view_w = right >= left ? right - left + 1 : 0;
    s->view_h = bottom >= top ? bottom - top + 1 : 0;
    if (absolute == 0) {
        s->screen_flags &= ~SCREEN_VIEW_ABSOLUTE;
    } else {
        s->screen_flags |= SCREEN_VIEW_ABSOLUTE;
    }
    s->screen_flags |= SCREEN_VIEW_SET;
    if (fill_color != DEFAULT_COLOR) {
        uint32_t background = s->bg_color;
        s->bg_color = convert_color(fill_color);
        clear_view();
        s->bg_color = background;
    }
}

namespace {

[[gnu::always_inline]] inline void plot_point(ScreenContext* s, int32_t x, int32_t y,
                                              uint32_t pixel) {
    lock_screen(s);
    store_pixel(s->line_table, s->bytes_per_pixel, x, y, pixel);
    mark_row_dirty(s, y);
    unlock_screen(s);
}

// Relative points, another target, rounding, points outside the view.
[[gnu::noinline]] void draw_point_general(ScreenContext* s, const void* target, float x, float y,
                                          uint32_t pixel, int32_t coord_type) {
    use_target(s, target);
    step_points(s, coord_type, &x, &y, nullptr, nullptr);
    int32_t xi, yi;
    to_device(s, x, y, xi, yi);
    if (in_view(s, xi, yi)) plot_point(s, xi, yi, pixel);
}

}  // namespace

void draw_point(const void* target, float x, float y, uint32_t color, int32_t coord_type,
                int32_t use_background) {
    ScreenContext* s = screen;
    if (!s) return;
    uint32_t pixel = color != DEFAULT_COLOR ? pixel_value(s, color)
                     : use_background       ? s->bg_color
                                            : s->fg_color;
    int32_t xi, yi;
    if (coord_type == 0 && target == s->target && whole_point_in_view(s, x, y, xi, yi)) {
        // The common call: a whole-number point inside the view.
        s->last_x = x;
        s->last_y = y;
        plot_point(s, xi, yi, pixel);
        return;
    }
    draw_point_general(s, target, x, y, pixel, coord_type);
}

}  // namespace qx
