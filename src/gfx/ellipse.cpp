#include "gfx/ellipse.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gfx/coordinates.h"
#include "gfx/draw_call.h"
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
// Arcs remembered with their points, and the most points one may have.
constexpr int32_t ARC_CACHE_SLOTS = 32;
constexpr double ARC_CACHE_MAX_POINTS = 4096;

// The offsets of a recently drawn arc, so that a picture redrawn every frame skips the
// trigonometry. Keyed by the bits of rx, ry and the normalised angles.
struct ArcPoints {
    uint32_t key[4];
    int32_t count;
    EllipseOffset* offsets;  // malloc'd, owned by the cache; null in a free slot
};

// Program thread only; the slots are reused round robin and live until the process ends.
struct ArcCache {
    ArcPoints slots[ARC_CACHE_SLOTS];
    int32_t next;
    int32_t last_hit;  // a picture redraws its arcs in order: the search starts after this
};

ArcCache arc_cache;

int32_t round_half_away(float v) {
    return device_int(v >= 0 ? static_cast<double>(v + 0.5f) : static_cast<double>(v - 0.5f));
}

// The clip rectangle and row table of the current target, read once per shape.
struct RowClip {
    int32_t left, right, top, bottom;  // inclusive; right < left or bottom < top when empty
    uint8_t* const* rows;
    int32_t bytes_per_pixel;
    uint32_t color;
    uint64_t word;  // the pixel repeated, for fill_bytes

    static RowClip of_target(uint32_t color) {
        const ScreenContext* s = screen;
        return {s->view_x,     s->view_x + s->view_w - 1,
                s->view_y,     s->view_y + s->view_h - 1,
                s->line_table, s->bytes_per_pixel,
                color,         pixel_word(s->bytes_per_pixel, color)};
    }
    void fill(int32_t y, int32_t x_left, int32_t x_right) const {
        if (y < top || y > bottom) return;
        if (x_left < left) x_left = left;
        if (x_right > right) x_right = right;
        if (x_right < x_left) return;
        fill_bytes(
            rows[y] + static_cast<ptrdiff_t>(x_left) * bytes_per_pixel, word,
            static_cast<size_t>(x_right - x_left + 1) * static_cast<size_t>(bytes_per_pixel));
    }
    void ends(int32_t y, int32_t x_left, int32_t x_right) const {
        if (y < top || y > bottom) return;
        if (x_left >= left && x_left <= right) store_pixel(rows, bytes_per_pixel, x_left, y, color);
        if (x_right >= left && x_right <= right) {
            store_pixel(rows, bytes_per_pixel, x_right, y, color);
        }
    }
    void point(int32_t x, int32_t y) const {
        if (x >= left && x <= right && y >= top && y <= bottom) {
            store_pixel(rows, bytes_per_pixel, x, y, color);
        }
    }
    [[gnu::always_inline]] void row(int32_t y, int32_t x_left, int32_t x_right,
                                    int32_t filled) const {
        if (filled)
            fill(y, x_left, x_right);
        else
            ends(y, x_left, x_right);
    }
};

// The rows of a whole ellipse from its centre row outwards, each given to row(y, x_left,
// x_right); x_left only grows and x_right only shrinks from the first row's.
template <typename Row>
void walk_whole(int32_t cy, int32_t x_left, int32_t x_right, float rx, float ry, int32_t filled,
                Row row) {
    row(cy, x_left, x_right);
    int64_t a2 = static_cast<int64_t>(static_cast<double>(rx) * rx);
    int64_t b2 = static_cast<int64_t>(static_cast<double>(ry) * ry);
    int64_t d = static_cast<int64_t>(static_cast<double>(b2) * rx);
    int64_t dx = 2 * d, dy = 0;
    int64_t n = static_cast<int64_t>(rx);
    int32_t y_top = cy, y_bottom = cy;
    while (n > 0) {
        bool x_step = true;
        const bool y_moved = d > 0;
        if (y_moved) {
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
        // A step that moved x only narrows rows already filled: only an outline gains pixels.
        if (!filled || y_moved) {
            row(y_bottom, x_left, x_right);
            row(y_top, x_left, x_right);
        }
    }
}

void draw_whole(int32_t cx, int32_t cy, float rx, float ry, uint32_t color, int32_t filled) {
    const RowClip clip = RowClip::of_target(color);
    const int32_t x_left = device_int(cx - static_cast<double>(rx));
    const int32_t x_right = device_int(cx + static_cast<double>(rx));
    if (ry == 0) {
        clip.fill(cy, x_left, x_right);
        return;
    }
    if (clip.bytes_per_pixel != 1 || x_left < clip.left || x_right > clip.right ||
        x_left > x_right) {
        walk_whole(cy, x_left, x_right, rx, ry, filled,
                   [&clip, filled](int32_t y, int32_t l, int32_t r) { clip.row(y, l, r, filled); });
        return;
    }
    // Every row within the clip's columns, bytes: only the row needs a test.
    uint8_t* const* rows = clip.rows;
    const int32_t top = clip.top, bottom = clip.bottom;
    if (filled) {
        walk_whole(cy, x_left, x_right, rx, ry, 1, [=, &clip](int32_t y, int32_t l, int32_t r) {
            if (y >= top && y <= bottom && r >= l)
                fill_bytes(rows[y] + l, clip.word, static_cast<size_t>(r - l + 1));
        });
    } else {
        const auto byte = static_cast<uint8_t>(color);
        walk_whole(cy, x_left, x_right, rx, ry, 0, [=](int32_t y, int32_t l, int32_t r) {
            if (y < top || y > bottom) return;
            rows[y][l] = byte;
            rows[y][r] = byte;
        });
    }
}

void draw_radius(const void* target, int32_t cx, int32_t cy, float angle, float rx, float ry,
                 uint32_t color) {
    EllipseOffset p = ellipse_point(angle, rx, ry);
    // Device points already: the view offset must not be added again.
    uint32_t flags = screen->screen_flags;
    screen->screen_flags |= SCREEN_VIEW_ABSOLUTE;
    draw_line(target, static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(cx + p.px),
              static_cast<float>(cy - p.py), color, 0, 0xFFFF, 0);
    screen->screen_flags =
        (screen->screen_flags & ~SCREEN_VIEW_ABSOLUTE) | (flags & SCREEN_VIEW_ABSOLUTE);
}

float arc_step(float rx, float ry) {
    return static_cast<float>(ARC_STEP_FACTOR / std::sqrt(static_cast<double>(rx) * ry));
}

// Walks the arc's angles exactly as drawn: a step of 0 or NaN, or one lost in the angle's
// precision, ends it.
template <typename Plot>
void for_each_arc_point(float rx, float ry, float start, float end, Plot plot) {
    const float step = arc_step(rx, ry);
    const double stop = end + step * 0.5;
    for (float angle = start; angle < stop;) {
        plot(ellipse_point(angle, rx, ry));
        float next = angle + step;
        if (!(next > angle)) break;
        angle = next;
    }
}

// The cached points of this arc, computed now if new; null when it has too many points or
// memory is short (the caller then walks the angles itself).
const ArcPoints* arc_points(float rx, float ry, float start, float end) {
    const uint32_t key[4] = {std::bit_cast<uint32_t>(rx), std::bit_cast<uint32_t>(ry),
                             std::bit_cast<uint32_t>(start), std::bit_cast<uint32_t>(end)};
    for (int32_t i = 1; i <= ARC_CACHE_SLOTS; ++i) {
        const int32_t index = (arc_cache.last_hit + i) % ARC_CACHE_SLOTS;
        const ArcPoints& slot = arc_cache.slots[index];
        if (slot.offsets && std::memcmp(slot.key, key, sizeof key) == 0) {
            arc_cache.last_hit = index;
            return &slot;
        }
    }
    const float step = arc_step(rx, ry);
    const double bound = (end + step * 0.5 - start) / step + 2;
    if (!(bound <= ARC_CACHE_MAX_POINTS)) return nullptr;
    const auto capacity = static_cast<int32_t>(bound);
    auto* offsets = static_cast<EllipseOffset*>(
        std::malloc(static_cast<size_t>(capacity) * sizeof(EllipseOffset)));
    if (!offsets) return nullptr;
    int32_t count = 0;
    bool overflow = false;
    for_each_arc_point(rx, ry, start, end, [&](EllipseOffset p) {
        // The same pixel twice in a row is plotted once.
        if (count > 0 && p.px == offsets[count - 1].px && p.py == offsets[count - 1].py) return;
        if (count == capacity) {
            overflow = true;
            return;
        }
        offsets[count++] = p;
    });
    if (overflow) {
        std::free(offsets);
        return nullptr;
    }
    ArcPoints& slot = arc_cache.slots[arc_cache.next];
    arc_cache.last_hit = arc_cache.next;
    arc_cache.next = (arc_cache.next + 1) % ARC_CACHE_SLOTS;
    std::free(slot.offsets);
    std::memcpy(slot.key, key, sizeof key);
    slot.count = count;
    slot.offsets = offsets;
    return &slot;
}

// false when the angles are too far apart or too large for whole turns to change them.
bool normalise_angles(float& start, float& end) {
    if (!std::isfinite(start) || !std::isfinite(end) || std::fabs(end - start) > MAX_TURNS_APART)
        return false;
    while (end < start) {
        const auto turned = static_cast<float>(end + TWO_PI);
        if (turned == end) return false;
        end = turned;
    }
    while (end - start > TWO_PI) {
        const auto turned = static_cast<float>(start + TWO_PI);
        if (turned == start) return false;
        start = turned;
    }
    return true;
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
    if (!normalise_angles(start, end)) return;
    const ArcPoints* points = arc_points(rx, ry, start, end);
    const RowClip clip = RowClip::of_target(color);
    lock_screen(screen);
    if (points != nullptr) {
        // No offset exceeds the radius rounded up: an arc whose whole ellipse is inside the
        // clip stores its bytes without a test per point.
        const int64_t reach_x = static_cast<int64_t>(std::fabs(rx)) + 1;
        const int64_t reach_y = static_cast<int64_t>(std::fabs(ry)) + 1;
        if (clip.bytes_per_pixel == 1 && cx - reach_x >= clip.left && cx + reach_x <= clip.right &&
            cy - reach_y >= clip.top && cy + reach_y <= clip.bottom) {
            const auto byte = static_cast<uint8_t>(color);
            for (int32_t i = 0; i < points->count; ++i)
                clip.rows[cy - points->offsets[i].py][cx + points->offsets[i].px] = byte;
            return;
        }
        for (int32_t i = 0; i < points->count; ++i)
            clip.point(cx + points->offsets[i].px, cy - points->offsets[i].py);
        return;
    }
    for_each_arc_point(rx, ry, start, end,
                       [cx, cy, &clip](EllipseOffset p) { clip.point(cx + p.px, cy - p.py); });
}

}  // namespace

EllipseOffset ellipse_point(float angle, float rx, float ry) {
    return {round_half_away(std::cos(angle) * rx), round_half_away(std::sin(angle) * ry)};
}

void draw_row(int32_t y, int32_t x_left, int32_t x_right, uint32_t color, int32_t filled) {
    RowClip::of_target(color).row(y, x_left, x_right, filled);
}

void draw_ellipse(const void* target, float x, float y, float radius, uint32_t color, float aspect,
                  float start, float end, int32_t filled, int32_t coord_type) {
    ScreenContext* s = screen;
    if (!s) return;
    uint32_t pixel = color == DEFAULT_COLOR ? s->fg_color : pixel_value(s, color);
    use_target(s, target);
    step_points(s, coord_type, &x, &y, nullptr, nullptr);
    int32_t cx, cy;
    to_device(s, x, y, cx, cy);
    if (aspect == 0) {
        aspect =
            static_cast<float>(static_cast<double>(s->height) / s->width * DEFAULT_ASPECT_FACTOR);
    }
    float rx = radius, ry = radius * aspect;
    if (aspect > 1) {
        rx = radius / aspect;
        ry = radius;
    }
    if (!(std::fabs(rx) <= MAX_RADIUS) || !(std::fabs(ry) <= MAX_RADIUS)) return;
    bool whole =
        start == 0 && std::bit_cast<uint32_t>(end) == std::bit_cast<uint32_t>(FULL_TURN_MARK);
    if (whole) {
        lock_screen(s);
        draw_whole(cx, cy, rx, ry, pixel, filled);
    } else {
        draw_arc(target, cx, cy, rx, ry, start, end, pixel, color);
    }
    int32_t first = device_int(cy - static_cast<double>(ry));
    int32_t last = device_int(cy + static_cast<double>(ry));
    if (first < s->view_y) first = s->view_y;
    if (last > s->view_y + s->view_h - 1) last = s->view_y + s->view_h - 1;
    if (first <= last) mark_dirty(s, first, last);
    unlock_screen(s);
    s->last_x = x;
    s->last_y = y;
}

}  // namespace qx
