// A program as a user of the installed library writes it: only <qx/qx.h>. It opens a 320 x 200
// screen, draws, and checks its own pixels; run with QXGFX=null it needs no display.
#include <cstdio>
#include <cstring>

#include <qx/qx.h>

namespace {

constexpr uint32_t RED = 4, YELLOW = 14;
int failures = 0;

void expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "hello_qx: %s\n", what);
        ++failures;
    }
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    expect(std::strcmp(qx::version(), QX_VERSION_STRING) == 0, "library and headers agree");
    if (qx::screen_res(320, 200, 8, 1, 0, 0) != 0) {
        std::fprintf(stderr, "hello_qx: no screen (runtime error %d): %s\n", qx::runtime_error(),
                     qx::error_text());
        qx::runtime_end(1);
    }
    qx::ScreenInfo info{};
    expect(
        qx::screen_info(&info) == 0 && info.width == 320 && info.height == 200 && info.depth == 8,
        "the screen is 320 x 200 x 8");
    qx::draw_line(nullptr, 10, 20, 60, 40, RED, qx::BOX_FILLED, qx::LINE_SOLID, qx::COORD_ABSOLUTE);
    qx::draw_ellipse(nullptr, 160, 100, 30, YELLOW, 0, 0, qx::FULL_TURN_MARK, 1,
                     qx::COORD_ABSOLUTE);
    expect(qx::read_pixel(10, 20) == RED && qx::read_pixel(60, 40) == RED, "the box's corners");
    expect(qx::read_pixel(61, 40) == 0 && qx::read_pixel(10, 41) == 0, "nothing beside the box");
    expect(qx::read_pixel(160, 100) == YELLOW && qx::read_pixel(189, 100) == YELLOW,
           "the disc's centre and edge");
    expect(qx::read_pixel(320, 0) == -1 && qx::read_pixel(0, -1) == -1, "outside the screen");
    std::printf("%s %s %dx%d\n", failures == 0 ? "ok" : "failed", info.driver, info.width,
                info.height);
    qx::runtime_end(failures == 0 ? 0 : 1);
}
