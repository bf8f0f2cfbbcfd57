// Test helper for the Windows process tests: opens a screen with the given size, depth and
// flags, prints the driver's name, shows the left half in colour 10 and the right half in
// colour 12 (green and red above 8 bits; an OpenGL screen is cleared to green and flipped),
// then waits up to SECONDS for a key and prints its code. A screen that cannot open prints
// "no screen" and the runtime's error code and text.
// usage: window_probe WIDTH HEIGHT DEPTH FLAGS SECONDS
#include <cstdio>
#include <cstdlib>

#include "gfx/driver/display_driver.h"
#include "gfx/screen.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"
#include "runtime/timer.h"

namespace {

constexpr unsigned GL_COLOR_BUFFER_BIT = 0x4000;

void put(uint8_t* pixel, int32_t bytes, uint32_t value) {
    for (int32_t i = 0; i < bytes; ++i)
        pixel[i] = static_cast<uint8_t>(value >> (8 * i));
}

void fill_halves() {
    qx::ScreenContext* s = qx::screen;
    const int32_t bytes = s->bytes_per_pixel;
    const uint32_t left = bytes == 1 ? 10 : bytes == 2 ? 0x07E0 : 0x00FF00;
    const uint32_t right = bytes == 1 ? 12 : bytes == 2 ? 0xF800 : 0xFF0000;
    qx::begin_draw();
    for (int32_t y = 0; y < s->height; ++y) {
        uint8_t* row = s->visible_page + static_cast<ptrdiff_t>(y) * s->pitch;
        for (int32_t x = 0; x < s->width; ++x)
            put(row + x * bytes, bytes, x < s->width / 2 ? left : right);
    }
    qx::mark_rows_dirty(0, s->height - 1);
    qx::end_draw();
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    if (argc != 6) qx::runtime_end(2);
    const int32_t width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const int32_t depth = std::atoi(argv[3]),
                  flags = static_cast<int32_t>(std::strtol(argv[4], nullptr, 0));
    const double seconds = std::atof(argv[5]);
    if (qx::screen_res(width, height, depth, 1, flags, 0) != 0) {
        std::printf("no screen\nerror %d: %s\n", qx::runtime_error(), qx::error_text());
        std::fflush(stdout);
        qx::runtime_end(0);
    }
    const qx::DisplayDriver* driver = qx::screen->driver;
    std::printf("driver %s\n", driver->name);
    std::fflush(stdout);
    auto clear_color = reinterpret_cast<void (*)(float, float, float, float)>(
        qx::opengl_symbol("glClearColor"));
    auto clear = reinterpret_cast<void (*)(unsigned)>(qx::opengl_symbol("glClear"));
    if (driver->flip == nullptr) fill_halves();
    const double end = qx::timer_seconds() + seconds;
    while (qx::timer_seconds() < end && !qx::key_waiting()) {
        if (driver->flip != nullptr && clear_color && clear) {
            clear_color(0.0f, 1.0f, 0.0f, 1.0f);
            clear(GL_COLOR_BUFFER_BIT);
            driver->flip();
        }
        qx::nap_ms(10);
    }
    if (qx::key_waiting()) std::printf("key 0x%04X\n", static_cast<unsigned>(qx::wait_for_key()));
    qx::runtime_end(0);
}
