// The one open graphics screen: its record, opening and closing, the lock bracket and the
// dirty-row rule. `screen` is null while no screen is open; drawing then does nothing.
#pragma once

#include <cstdint>

#include <qx/screen.h>

namespace qx {

struct DisplayDriver;
struct FontDescriptor;
struct PaletteDescriptor;
struct TextCell;

// screen_flags bits
constexpr uint32_t SCREEN_WORLD_WINDOW = 0x1;
constexpr uint32_t SCREEN_WORLD_NO_INVERT = 0x2;
constexpr uint32_t SCREEN_VIEW_ABSOLUTE = 0x4;
constexpr uint32_t SCREEN_TARGET_IMAGE = 0x8;
constexpr uint32_t SCREEN_LOCKED = 0x10;
constexpr uint32_t SCREEN_LOCK_OWNED = 0x20;
constexpr uint32_t SCREEN_LINE_PENDING = 0x40;
constexpr uint32_t SCREEN_VIEW_SET = 0x80;
constexpr uint32_t SCREEN_DRIVER_LOCKS = 0x100;  // the driver has a lock or unlock to call
constexpr uint32_t SCREEN_HAS_MMX = 0x1000000;

constexpr int32_t CLOSE_AT_EXIT_FLAGS = INT32_MIN;  // 0x80000000: close without text view reset

struct ScreenContext {
    int32_t mode;      // 1, 2 or 7..21; -1 when opened by size
    uint8_t** pages;   // page_count buffers of height x pitch bytes, each on a 64-byte line
    void* page_block;  // the one allocation behind all pages (owner)
    int32_t page_count;
    int32_t work_page;      // index drawing goes to
    uint8_t* visible_page;  // buffer the driver shows
    uint8_t** line_table;   // row starts of the current drawing target
    int32_t pitch;          // bytes per screen row
    int32_t target_pitch;   // bytes per row of the current target
    const void* target;     // null: the screen; else the image buffer
    int32_t line_table_rows;
    int32_t bytes_per_pixel;     // 1, 2 or 4
    uint32_t* base_palette;      // 256 x 0x00BBGGRR, the mode's default
    uint32_t* device_palette;    // 256 x 0x00BBGGRR, what each pixel value shows now
    uint8_t* color_association;  // 16 base_palette indices
    uint8_t* dirty_lines;        // height x scanline_size flags
    const DisplayDriver* driver;
    int32_t width, height;
    int32_t depth;  // 1, 2, 4, 8, 16 or 32
    uint32_t color_mask;
    const PaletteDescriptor* default_palette;
    int32_t scanline_size;           // display rows per framebuffer row
    uint32_t fg_color, bg_color;     // in the screen's pixel format
    float last_x, last_y;            // last point referenced, user coordinates
    int32_t cursor_col, cursor_row;  // text cursor, 0-based
    const FontDescriptor* font;
    int32_t view_x, view_y, view_w, view_h;            // view port = clipping rectangle
    float window_x1, window_y1, window_x2, window_y2;  // world window (never set)
    int32_t text_cols, text_rows;
    uint8_t* key_states;   // 128, nonzero while the scan code is down; window side writes
    int32_t refresh_rate;  // Hz, 0 unknown; set by the driver
    uint32_t screen_flags;
    TextCell** text_cells;  // page_count grids of text_cols x text_rows
};

extern ScreenContext* screen;
extern uint32_t* HICOLOR_LOOKUP;  // 512 entries, allocated with the screen, filled by blitters

// A screen mode: a row of the numbered table, or built from the size by screen_res.
struct ModeDescription {
    int32_t width, height, depth, scanline_size;
    const PaletteDescriptor* palette;
    const FontDescriptor* font;
    int32_t text_cols, text_rows;
};
// Opens the described screen (or closes, for modes 0, 3 and 4), choosing the driver from the
// null-terminated `drivers` by the QXGFX value `qxgfx` (null when unset). Returns 0, or 1 (also
// the runtime error code) with no screen open. screen_res and screen_mode pass DRIVER_LIST and
// the environment.
int32_t set_mode(const ModeDescription& description, int32_t mode, int32_t requested_depth,
                 int32_t pages, int32_t refresh_rate, int32_t flags,
                 const DisplayDriver* const* drivers, const char* qxgfx);

// Dirty-row rule: marks rows first..last (inclusive, clamped) when the target is the shown page.
bool drawing_on_shown_page();
void mark_rows_dirty(int32_t first, int32_t last);
// Clears every dirty flag, once a driver has shown the rows.
void clear_dirty_rows();

}  // namespace qx
