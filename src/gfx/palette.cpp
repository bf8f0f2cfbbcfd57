#include "gfx/palette.h"

#include "gfx/builtin_data.h"
#include "gfx/coordinates.h"
#include "gfx/driver/display_driver.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

constexpr uint8_t ASSOCIATION_MODE1[4][4] = {
    {0, 11, 13, 15}, {0, 10, 12, 14}, {0, 3, 5, 7}, {0, 2, 4, 6}};
constexpr uint8_t ASSOCIATION_MODE2[2] = {0, 15};
constexpr uint8_t ASSOCIATION_IDENTITY[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr uint8_t ASSOCIATION_MODE9[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

// The emulated DAC ports: index, colour being assembled, component shift.
struct DacState {
    int32_t index = 0;
    uint32_t color = 0;
    int32_t shift = 2;
};

DacState dac;

bool has_palette() {
    return screen && screen->depth <= 8;
}

bool uses_256_colours() {
    return screen->default_palette == &PALETTE_256;
}

int32_t palette_count() {
    return screen->default_palette ? screen->default_palette->count : 256;
}

uint32_t descriptor_colour(int32_t i) {
    const uint8_t* rgb = screen->default_palette->rgb + 3 * i;
    return rgb[0] | rgb[1] << 8 | rgb[2] << 16;
}

void show_entry(int32_t index, uint32_t color) {
    screen->device_palette[index] = color;
    if (screen->driver && screen->driver->set_palette) {
        screen->driver->set_palette(index, color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    }
}

void mark_all_dirty() {
    block_fill(screen->dirty_lines, 1,
               static_cast<size_t>(screen->height) * static_cast<size_t>(screen->scanline_size));
}

const uint8_t* association_table(int32_t index) {
    switch (screen->mode) {
        case 1:
            return ASSOCIATION_MODE1[index == -1 ? 0 : index == -2 ? 1 : index == -3 ? 2 : 3];
        case 2:
            return ASSOCIATION_MODE2;
        case 7:
        case 8:
            return ASSOCIATION_IDENTITY;
        case 9:
            return ASSOCIATION_MODE9;
        default:
            return nullptr;
    }
}

void reset_palette(int32_t index) {
    const uint8_t* table = association_table(index);
    int32_t shown = 1 << screen->depth;
    for (int32_t i = 0; i < palette_count(); ++i) {
        uint32_t color = descriptor_colour(i);
        screen->base_palette[i] = color;
        if (i < shown) {
            if (table) {
                screen->color_association[i] = table[i];
                color = descriptor_colour(table[i]);
            }
            show_entry(i, color);
        }
    }
}

uint32_t scale_six_bits(uint32_t c) {
    return c * 255 / 63;
}

void dac_advance() {
    dac.color = 0;
    dac.shift = 2;
    dac.index = (dac.index + 1) & (palette_count() - 1);
}

}  // namespace

void set_palette_entry(int32_t index, uint32_t color) {
    if (!has_palette()) return;
    index &= 255;
    uint32_t shown;
    if (uses_256_colours()) {
        shown = scale_six_bits(color & 0x3F) | scale_six_bits((color >> 8) & 0x3F) << 8 |
                scale_six_bits((color >> 16) & 0x3F) << 16;
    } else {
        uint32_t k = color & static_cast<uint32_t>(palette_count() - 1);
        shown = screen->base_palette[k];
        if (index < 16) screen->color_association[index] = static_cast<uint8_t>(k);
    }
    show_entry(index, shown);
}

void apply_palette(int32_t index, uint32_t color) {
    if (!has_palette()) return;
    begin_draw();
    if (index < 0) {
        reset_palette(index);
    } else {
        set_palette_entry(index, color);
    }
    mark_all_dirty();
    end_draw();
}

void resend_palette() {
    if (!screen || !screen->driver || !screen->driver->set_palette) return;
    for (int32_t i = 0; i < 256; ++i) {
        uint32_t c = screen->device_palette[i];
        screen->driver->set_palette(i, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
}

int32_t graphics_set_color(int32_t fg, int32_t bg) {
    ScreenContext* s = screen;
    if (!s) return 0;
    // The same rule at every depth: at 32 bits the two overlap, as the callers expect.
    auto previous = static_cast<int32_t>(s->bg_color << 16 | s->fg_color);
    switch (s->mode) {
        case 1:
            if (bg >= 0) apply_palette(bg | static_cast<int32_t>(0xFFFFFFFC), 0);
            if (fg >= 0) apply_palette(0, static_cast<uint32_t>(fg));
            break;
        case 7:
        case 8:
        case 9:
            if (fg >= 0) s->fg_color = static_cast<uint32_t>(fg) & 15;
            if (bg >= 0) apply_palette(0, static_cast<uint32_t>(bg));
            break;
        default: {
            auto convert = [s](int32_t c) {
                if (s->depth <= 8) return static_cast<uint32_t>(c) & s->color_mask;
                uint32_t packed = convert_color(static_cast<uint32_t>(c));
                return s->bytes_per_pixel == 2 ? packed : static_cast<uint32_t>(c);
            };
            if (fg >= 0) s->fg_color = convert(fg);
            if (bg >= 0) s->bg_color = convert(bg);
        }
    }
    return previous;
}

int32_t dac_out(int32_t port, int32_t value) {
    if (!has_palette()) return -1;
    switch (port & 0xFFFF) {
        case 0x3C7:
        case 0x3C8:
            dac.index = value & (palette_count() - 1);
            dac.color = 0;
            dac.shift = 2;
            return 0;
        case 0x3C9:
            dac.color |= static_cast<uint32_t>(value & 0x3F) << dac.shift;
            dac.shift += 8;
            if (dac.shift > 18) {
                if (uses_256_colours()) {
                    apply_palette(dac.index, (dac.color >> 2) & 0x3F3F3F);
                } else {
                    begin_draw();
                    screen->base_palette[dac.index] = dac.color;
                    for (int32_t i = 0; i < (1 << screen->depth) && i < 16; ++i) {
                        if (screen->color_association[i] == dac.index) show_entry(i, dac.color);
                    }
                    mark_all_dirty();
                    end_draw();
                }
                dac_advance();
            }
            return 0;
        default:
            return -1;
    }
}

int32_t dac_in(int32_t port) {
    if (!screen) return -1;
    switch (port & 0xFFFF) {
        case 0x3C9: {
            if (screen->depth > 8) return -1;
            begin_draw();
            int32_t value =
                static_cast<int32_t>((screen->device_palette[dac.index] >> dac.shift) & 0x3F);
            end_draw();
            dac.shift += 8;
            if (dac.shift > 18) dac_advance();
            return value;
        }
        case 0x3DA:
            if (screen->driver && screen->driver->wait_vsync) screen->driver->wait_vsync();
            return 8;
        default:
            return -1;
    }
}

}  // namespace qx
