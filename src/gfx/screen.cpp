#include "gfx/screen.h"

#include <cstdlib>
#include <cstring>

#include "gfx/builtin_data.h"
#include "gfx/draw_call.h"
#include "gfx/driver/display_driver.h"
#include "gfx/font.h"
#include "gfx/graphics_text_hooks.h"
#include "gfx/mouse_events.h"
#include "gfx/palette.h"
#include "gfx/pixel_ops.h"
#include "gfx/text_cells.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/program_name.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {

ScreenContext* screen = nullptr;
uint32_t* HICOLOR_LOOKUP = nullptr;

namespace {

constexpr size_t TITLE_CAPACITY = 128;  // 127 characters and the terminator
constexpr size_t HICOLOR_LOOKUP_BYTES = 2048;
constexpr size_t PALETTE_BYTES = 1024;
constexpr size_t KEY_STATE_BYTES = 128;
constexpr size_t COLOR_ASSOCIATION_BYTES = 16;
// Pages larger than this, alone or together, are refused before any allocation is tried:
// row offsets and the pitch are 32-bit.
constexpr int64_t MAX_PAGE_BYTES = INT32_MAX;

// Modes 0 to 21; a zero width marks a row that is not a mode (0 closes, 3 to 6 are invalid).
const ModeDescription MODE_TABLE[22] = {
    {},
    {320, 200, 2, 1, &PALETTE_16, &FONT_8X8, 40, 25},
    {640, 200, 1, 2, &PALETTE_16, &FONT_8X8, 80, 25},
    {},
    {},
    {},
    {},
    {320, 200, 4, 1, &PALETTE_16, &FONT_8X8, 40, 25},
    {640, 200, 4, 2, &PALETTE_16, &FONT_8X8, 80, 25},
    {640, 350, 4, 1, &PALETTE_64, &FONT_8X14, 80, 25},
    {640, 350, 1, 1, &PALETTE_2, &FONT_8X14, 80, 25},
    {640, 480, 1, 1, &PALETTE_2, &FONT_8X16, 80, 30},
    {640, 480, 4, 1, &PALETTE_256, &FONT_8X16, 80, 30},
    {320, 200, 8, 1, &PALETTE_256, &FONT_8X8, 40, 25},
    {320, 240, 8, 1, &PALETTE_256, &FONT_8X8, 40, 30},
    {400, 300, 8, 1, &PALETTE_256, &FONT_8X8, 50, 37},
    {512, 384, 8, 1, &PALETTE_256, &FONT_8X16, 64, 24},
    {640, 400, 8, 1, &PALETTE_256, &FONT_8X16, 80, 25},
    {640, 480, 8, 1, &PALETTE_256, &FONT_8X16, 80, 30},
    {800, 600, 8, 1, &PALETTE_256, &FONT_8X16, 100, 37},
    {1024, 768, 8, 1, &PALETTE_256, &FONT_8X16, 128, 48},
    {1280, 1024, 8, 1, &PALETTE_256, &FONT_8X16, 160, 64},
};

// Process-wide: the window title and whether the exit handler is registered.
struct ScreenState {
    char title[TITLE_CAPACITY];
    bool title_set;
    bool close_registered;
};

ScreenState state;

bool accepted_depth(int32_t depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

void free_screen() {
    ScreenContext* s = screen;
    allocate_text_cells(0);
    std::free(s->page_block);
    std::free(s->pages);
    std::free(s->line_table);
    std::free(s->device_palette);
    std::free(s->base_palette);
    std::free(s->color_association);
    std::free(s->dirty_lines);
    std::free(s->key_states);
    std::free(s);
    screen = nullptr;
}

void default_title() {
    if (state.title_set) return;
    char name[TITLE_CAPACITY];
    program_file_name(name, sizeof name);
    if (char* dot = std::strrchr(name, '.')) *dot = '\0';
    std::memcpy(state.title, name, sizeof name);
    state.title_set = true;
}

// Steps 10 to 12: the buffers of a screen whose size and depth are set. 0, or 1 with the
// reason in the runtime error (too large, out of memory).
int32_t allocate_buffers(int32_t pages) {
    ScreenContext* s = screen;
    s->bytes_per_pixel = (s->depth + 7) / 8;
    const int64_t pitch = int64_t{s->bytes_per_pixel} * s->width;
    const int64_t display_rows = int64_t{s->height} * s->scanline_size;
    const char* plural = pages == 1 ? "" : "s";
    // All pages together within the same bound: a huge page count fails at once instead of
    // allocating page after page. Divided, not multiplied: the product may not fit 64 bits.
    if (pitch > MAX_PAGE_BYTES / s->height || pitch * s->height > MAX_PAGE_BYTES / pages ||
        display_rows > INT32_MAX) {
        return set_runtime_error(1, "%dx%dx%d screen, %d page%s: more than %lld bytes", s->width,
                                 s->height, s->depth, pages, plural,
                                 static_cast<long long>(MAX_PAGE_BYTES));
    }
    const int64_t page_bytes = pitch * s->height;
    const auto out_of_memory = [&] {
        return set_runtime_error(1, "%dx%dx%d screen, %d page%s: out of memory (%lld bytes)",
                                 s->width, s->height, s->depth, pages, plural,
                                 static_cast<long long>(page_bytes * pages));
    };
    s->pitch = s->target_pitch = static_cast<int32_t>(pitch);
    s->pages = static_cast<uint8_t**>(std::calloc(static_cast<size_t>(pages), sizeof(uint8_t*)));
    if (!s->pages) return out_of_memory();
    s->page_count = pages;
    // Pages start on a cache line, where the vector stores of fills and blitters need no
    // alignment work. One zeroed block leaves a large screen's untouched rows unmapped.
    const auto rounded = static_cast<size_t>((page_bytes + 63) / 64 * 64);
    s->page_block = std::calloc(rounded * static_cast<size_t>(pages) + 63, 1);
    if (!s->page_block) return out_of_memory();
    const uintptr_t first = (reinterpret_cast<uintptr_t>(s->page_block) + 63) & ~uintptr_t{63};
    for (int32_t i = 0; i < pages; ++i) {
        s->pages[i] = reinterpret_cast<uint8_t*>(first) + rounded * static_cast<size_t>(i);
    }
    s->visible_page = s->pages[0];
    s->line_table =
        static_cast<uint8_t**>(std::calloc(static_cast<size_t>(s->height), sizeof(uint8_t*)));
    s->dirty_lines = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(display_rows), 1));
    s->device_palette = static_cast<uint32_t*>(std::calloc(PALETTE_BYTES, 1));
    s->base_palette = static_cast<uint32_t*>(std::calloc(PALETTE_BYTES, 1));
    s->color_association = static_cast<uint8_t*>(std::calloc(COLOR_ASSOCIATION_BYTES, 1));
    s->key_states = static_cast<uint8_t*>(std::calloc(KEY_STATE_BYTES, 1));
    HICOLOR_LOOKUP = static_cast<uint32_t*>(std::calloc(HICOLOR_LOOKUP_BYTES, 1));
    if (!s->line_table || !s->dirty_lines || !s->device_palette || !s->base_palette ||
        !s->color_association || !s->key_states || !HICOLOR_LOOKUP) {
        return out_of_memory();
    }
    s->line_table_rows = s->height;
    for (int32_t i = 0; i < s->height; ++i) {
        s->line_table[i] = s->pages[0] + static_cast<ptrdiff_t>(i) * s->pitch;
    }
    return 0;
}

void after_mode_change(int32_t result) {
    if (result == 0) {
        if (DeviceRecord* console = console_device()) console->column = 0;
    }
}

}  // namespace

int32_t set_mode(const ModeDescription& description, int32_t mode, int32_t requested_depth,
                 int32_t pages, int32_t refresh_rate, int32_t flags,
                 const DisplayDriver* const* drivers, const char* qxgfx) {
    if (pages < 1) pages = 1;
    if (screen) {
        if (screen->driver && screen->driver->exit) screen->driver->exit();
        free_screen();
    }
    std::free(HICOLOR_LOOKUP);
    HICOLOR_LOOKUP = nullptr;
    if (mode == 0 || mode == 3 || mode == 4) {
        text_hooks = {};
    } else {
        text_hooks = GRAPHICS_TEXT_HOOKS;
        screen = static_cast<ScreenContext*>(std::calloc(1, sizeof(ScreenContext)));
        if (!screen) {
            text_hooks = {};  // nothing to draw text on: it stays on the console
            return set_runtime_error(1, "out of memory for the screen record");
        }
    }
    if (screen) {
        ScreenContext* s = screen;
        s->mode = mode;
        s->width = description.width;
        s->height = description.height;
        s->depth = description.depth;
        if (mode > 13 && accepted_depth(requested_depth)) s->depth = requested_depth;
        if (flags >= 0 && (flags & SCREEN_OPENGL) && s->depth < 16) s->depth = 16;
        s->default_palette = description.palette;
        s->scanline_size = description.scanline_size;
        s->font = description.font;
        if (s->depth == 15 || s->depth == 16) {
            s->depth = 16;
            s->color_mask = 0xFFFF;
        } else if (s->depth == 24 || s->depth == 32) {
            s->depth = 32;
            s->color_mask = 0xFFFFFFFF;
        } else {
            s->color_mask = (1u << s->depth) - 1;
        }
        if (allocate_buffers(pages) != 0) {
            free_screen();
            text_hooks = {};
            return 1;
        }
        select_pixel_ops();
        unpack_builtin_data();
        default_title();
        reset_mouse_events();  // what an old window reported is no news of the new one
        const DisplayDriver* driver =
            select_display_driver(drivers, qxgfx, state.title, s->width,
                                  s->height * s->scanline_size, s->depth, refresh_rate, flags);
        if (!driver) {
            close_screen();
            return set_runtime_error(1, "%s", selection_failure());
        }
        s->driver = driver;
        if (driver->lock || driver->unlock) s->screen_flags |= SCREEN_DRIVER_LOCKS;
        apply_palette(-1, 0);
        s->fg_color = s->depth == 8 ? 15 : s->color_mask;
        s->view_x = s->view_y = 0;
        s->view_w = s->width;
        s->view_h = s->height;
        s->line_table_rows = s->height;
        s->text_cols = description.text_cols;
        s->text_rows = description.text_rows;
        allocate_text_cells(1);
        if (!state.close_registered) {
            state.close_registered = true;
            register_exit_handler(close_screen);
        }
    }
    if (flags != CLOSE_AT_EXIT_FLAGS) view_print_core(0, 0, screen != nullptr);
    return 0;
}

int32_t screen_res(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                   int32_t refresh_rate) {
    if (width <= 0 || height <= 0) {
        return set_runtime_error(1, "screen_res: size %dx%d is not positive", width, height);
    }
    if (!accepted_depth(depth)) {
        return set_runtime_error(1, "screen_res: depth %d is not 8, 15, 16, 24 or 32", depth);
    }
    ModeDescription description{width,        height,    depth,     1,
                                &PALETTE_256, &FONT_8X8, width / 8, height / 8};
    int32_t result = set_mode(description, -1, depth, pages, refresh_rate, flags, DRIVER_LIST,
                              std::getenv("QXGFX"));
    after_mode_change(result);
    return result;
}

int32_t screen_mode(int32_t mode, int32_t depth, int32_t pages, int32_t flags,
                    int32_t refresh_rate) {
    if (mode < 0 || mode > 21 || (mode >= 1 && MODE_TABLE[mode].width == 0)) {
        return set_runtime_error(1, "screen_mode: no mode %d (modes 0, 1, 2 and 7 to 21)", mode);
    }
    int32_t result = set_mode(MODE_TABLE[mode], mode, depth, pages, refresh_rate, flags,
                              DRIVER_LIST, std::getenv("QXGFX"));
    after_mode_change(result);
    return result;
}

void close_screen() {
    if (screen) screen_mode(0, 0, 0, CLOSE_AT_EXIT_FLAGS, 0);
}

void change_window_title(const char* text, int32_t length) {
    if (!text || length < 0) length = 0;
    if (length > static_cast<int32_t>(TITLE_CAPACITY) - 1) length = TITLE_CAPACITY - 1;
    if (length > 0) std::memcpy(state.title, text, static_cast<size_t>(length));
    state.title[length] = '\0';
    state.title_set = true;
    if (screen && screen->driver && screen->driver->set_window_title) {
        screen->driver->set_window_title(state.title);
    }
}

const char* window_title() {
    return state.title;
}

void begin_draw() {
    if (screen) lock_screen(screen);
}

void end_draw() {
    if (screen) unlock_screen(screen);
}

bool drawing_on_shown_page() {
    return screen && screen->line_table[0] == screen->visible_page;
}

void mark_rows_dirty(int32_t first, int32_t last) {
    if (screen) mark_dirty(screen, first, last);
}

void clear_dirty_rows() {
    ScreenContext* s = screen;
    if (s == nullptr || s->dirty_lines == nullptr) return;
    std::memset(s->dirty_lines, 0,
                static_cast<size_t>(s->height) * static_cast<size_t>(s->scanline_size));
}

}  // namespace qx
