#include "gfx/coordinates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

// Device coordinates are kept within this bound: far outside any screen, with room to add.
constexpr double DEVICE_LIMIT = 1 << 30;

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
    if (value > DEVICE_LIMIT) return static_cast<int32_t>(DEVICE_LIMIT);
    if (value < -DEVICE_LIMIT) return -static_cast<int32_t>(DEVICE_LIMIT);
    return static_cast<int32_t>(value);
}

bool inside_view(int32_t x, int32_t y) {
    return x >= screen->view_x && x < screen->view_x + screen->view_w && y >= screen->view_y &&
           y < screen->view_y + screen->view_h;
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
    if (coord_type == 2 || coord_type == 3 || coord_type == 5) {
        *x1 += screen->last_x;
        *y1 += screen->last_y;
    }
    if ((coord_type == 1 || coord_type == 3) && x2 && y2) {
        *x2 += *x1;
        *y2 += *y1;
    }
    if (x2 && y2) {
        screen->last_x = *x2;
        screen->last_y = *y2;
    } else {
        screen->last_x = *x1;
        screen->last_y = *y1;
    }
}

void map_point(float x, float y, int32_t* xi, int32_t* yi) {
    *xi = device_int(x > 0 ? static_cast<double>(x) + 0.5 : static_cast<double>(x) - 0.5);
    *yi = device_int(y > 0 ? static_cast<double>(y) + 0.5 : static_cast<double>(y) - 0.5);
    if (!(screen->screen_flags & SCREEN_VIEW_ABSOLUTE)) {
        *xi = device_int(static_cast<double>(*xi) + screen->view_x);
        *yi = device_int(static_cast<double>(*yi) + screen->view_y);
    }
}

void sort_corners(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2) {
    if (*x1 > *x2) std::swap(*x1, *x2);
    if (*y1 > *y2) std::swap(*y1, *y2);
}

uint32_t convert_color(uint32_t color) {
    if (screen->bytes_per_pixel == 2) {
        uint32_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
        color = (red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3;
    }
    return color & screen->color_mask;
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

void draw_point(const void* target, float x, float y, uint32_t color, int32_t coord_type,
                int32_t use_background) {
    ScreenContext* s = screen;
    if (!s) return;
    uint32_t pixel = color != DEFAULT_COLOR ? convert_color(color)
                     : use_background       ? s->bg_color
                                            : s->fg_color;
    prepare_target(target);
    apply_step(coord_type, &x, &y, nullptr, nullptr);
    int32_t xi, yi;
    map_point(x, y, &xi, &yi);
    if (!inside_view(xi, yi)) return;
    begin_draw();
    pixel_ops.put_pixel(xi, yi, pixel);
    mark_rows_dirty(yi, yi);
    end_draw();
}

}  // namespace qx
