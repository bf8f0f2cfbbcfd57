// Opens a 320 x 200 graphics screen and reports on stderr what the program reads from its
// window, for the process-level input tests. Argument: "keys N" reads N keys with wait_for_key
// and reports each as "key <code>"; "clicks N" looks at the mouse events only every 50 ms and
// reports each ("press|release|move|wheel x y buttons wheel") until N releases came; "close"
// asks for a number ("input <result> <value>"), then reports the next key. Each mode first
// reports "ready".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <qx/qx.h>

namespace {

const char* kind_name(int32_t kind) {
    switch (kind) {
        case qx::MOUSE_PRESS:
            return "press";
        case qx::MOUSE_RELEASE:
            return "release";
        case qx::MOUSE_MOVE:
            return "move";
        default:
            return "wheel";
    }
}

void report_keys(int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        std::fprintf(stderr, "key %d\n", qx::wait_for_key());
}

void report_clicks(int32_t releases) {
    while (releases > 0) {
        qx::MouseEvent event{};
        while (qx::next_mouse_event(&event) == 1) {
            std::fprintf(stderr, "%s %d %d %d %d\n", kind_name(event.kind), event.x, event.y,
                         event.buttons, event.wheel);
            if (event.kind == qx::MOUSE_RELEASE) --releases;
        }
        qx::sleep_ms(50);
    }
}

void report_close() {
    int32_t value = -1;
    const int32_t result = qx::input_number("Number: ", &value);
    std::fprintf(stderr, "input %d %d\n", result, value);
    std::fprintf(stderr, "key %d\n", qx::wait_for_key());
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    if (argc < 2 || qx::screen_res(320, 200, 8, 1, 0, 0) != 0) {
        std::fprintf(stderr, "no screen\n");
        qx::runtime_end(1);
    }
    const int32_t count = argc > 2 ? std::atoi(argv[2]) : 1;
    std::fprintf(stderr, "ready\n");
    if (std::strcmp(argv[1], "keys") == 0) report_keys(count);
    if (std::strcmp(argv[1], "clicks") == 0) report_clicks(count);
    if (std::strcmp(argv[1], "close") == 0) report_close();
    std::fprintf(stderr, "done\n");
    qx::runtime_end(0);
}
