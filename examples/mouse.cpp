// mouse: shows where the mouse is and which buttons are down. The right button hides the
// pointer, the middle button shows it again; any key ends the program.
#include <cstdio>

#include <qx/qx.h>

namespace {

constexpr uint32_t YELLOW = 14;

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    if (qx::screen_res(640, 480, 8, 1, 0, 0) != 0) {
        std::printf("no graphics screen here: %s\n", qx::error_text());
        qx::runtime_end(1);
    }
    while (!qx::key_waiting()) {
        int32_t x = 0, y = 0, wheel = 0, buttons = 0;
        // Not 0: the window is not active or the pointer is outside it.
        if (qx::graphics_get_mouse(&x, &y, &wheel, &buttons) == 0) {
            char line[64];
            std::snprintf(line, sizeof line, "x %3d  y %3d  wheel %3d  buttons %d%d%d  ", x, y,
                          wheel, buttons & qx::MOUSE_LEFT ? 1 : 0,
                          buttons & qx::MOUSE_MIDDLE ? 1 : 0, buttons & qx::MOUSE_RIGHT ? 1 : 0);
            int32_t result = 0;
            qx::locate(1, 1, -1, &result);
            qx::print_cstring(0, line, 0);
            // A trail of the left button's path.
            if (buttons & qx::MOUSE_LEFT) {
                qx::draw_line(nullptr, x, y, x + 1, y + 1, YELLOW, qx::BOX_FILLED, qx::LINE_SOLID,
                              qx::COORD_ABSOLUTE);
            }
            if (buttons & qx::MOUSE_RIGHT) qx::graphics_set_mouse(-1, 0, 0);
            if (buttons & qx::MOUSE_MIDDLE) qx::graphics_set_mouse(-1, 0, 1);
        }
        qx::sleep_ms(20);
    }
    qx::runtime_end(0);
}
