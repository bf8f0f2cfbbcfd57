// modes: opens the numbered screen modes 13, 12 and 9 in turn. Each screen shows its palette as
// coloured boxes, prints a line of text, lists the full-screen modes the driver offers, and
// waits for a key. Mode 13 also reprograms colour 1 through the DAC ports.
#include <cstdio>
#include <cstdlib>

#include <qx/qx.h>

namespace {

constexpr int32_t CONSOLE = 0;  // file number of the screen for printing
constexpr int32_t DAC_WRITE_INDEX = 0x3C8;
constexpr int32_t DAC_DATA = 0x3C9;

void print_line(const char* text) {
    qx::print_cstring(CONSOLE, text, qx::PRINT_NEWLINE);
}

// 256 colours as a 16 x 16 grid of 20 x 11 boxes below the text line.
void show_256_colours() {
    for (int32_t index = 0; index < 256; ++index) {
        const int32_t x = (index % 16) * 20, y = 20 + (index / 16) * 11;
        qx::draw_line(nullptr, x, y, x + 19, y + 10, static_cast<uint32_t>(index), qx::BOX_FILLED,
                      qx::LINE_SOLID, qx::COORD_ABSOLUTE);
    }
    // The DAC ports take an index, then red, green and blue in 0..63.
    qx::dac_out(DAC_WRITE_INDEX, 1);
    qx::dac_out(DAC_DATA, 63);
    qx::dac_out(DAC_DATA, 32);
    qx::dac_out(DAC_DATA, 0);
}

// 16 colours as vertical bars 40 pixels wide below the text lines.
void show_16_colours(int32_t height) {
    for (int32_t index = 0; index < 16; ++index) {
        qx::draw_line(nullptr, index * 40, 40, index * 40 + 39, height - 1,
                      static_cast<uint32_t>(index), qx::BOX_FILLED, qx::LINE_SOLID,
                      qx::COORD_ABSOLUTE);
    }
}

// The driver's full-screen modes at this depth, as (width << 16) | height entries.
void list_full_screen_modes(const qx::ScreenInfo& info) {
    int32_t count = 0;
    int32_t* modes = qx::fetch_display_modes(info.depth, &count);
    char line[80];
    std::snprintf(line, sizeof line, "%s offers %d full-screen mode%s", info.driver, count,
                  count == 1 ? "" : "s");
    print_line(line);
    for (int32_t i = 0; i < count && i < 3; ++i) {
        std::snprintf(line, sizeof line, "  %d x %d", modes[i] >> 16, modes[i] & 0xFFFF);
        print_line(line);
    }
    std::free(modes);
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    const struct {
        int32_t mode;
        const char* title;
    } screens[] = {{qx::MODE_320X200_256, "Mode 13: 320 x 200, 256 colours"},
                   {qx::MODE_640X480_16, "Mode 12: 640 x 480, 16 colours"},
                   {qx::MODE_640X350_16, "Mode 9: 640 x 350, 16 of 64 colours"}};
    for (const auto& s : screens) {
        if (qx::screen_mode(s.mode, 0, 1, 0, 0) != 0) {
            std::printf("mode %d cannot be shown here: %s\n", s.mode, qx::error_text());
            qx::runtime_end(1);
        }
        print_line(s.title);
        qx::ScreenInfo info{};
        qx::screen_info(&info);
        if (s.mode == qx::MODE_320X200_256) {
            show_256_colours();
        } else {
            show_16_colours(info.height);
            list_full_screen_modes(info);
        }
        qx::wait_for_key();
    }
    qx::runtime_end(0);
}
