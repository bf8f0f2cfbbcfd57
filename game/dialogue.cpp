#include <qx/qx.h>

#include "game/dialogue.h"

namespace chase {

namespace {

// Windows-1252 bytes: 0xE9 is the e with acute accent.
constexpr char RESOLUTION_LINE[] =
    "R\xE9solution de l'\xE9"
    "cran :";
constexpr char SIZES_LINE[] = "Fixe: H900 L1200  /  College: H750 / L1000 - 675 / 900";
constexpr char HEIGHT_PROMPT[] = "Entrez la hauteur ";
constexpr char WIDTH_PROMPT[] = "Entrez la largeur ";
static_assert(sizeof RESOLUTION_LINE - 1 == 23 && sizeof SIZES_LINE - 1 == 54);

void print_line(const char* text, int32_t length) {
    qx::print_string(0, reinterpret_cast<const unsigned char*>(text), length, qx::PRINT_NEWLINE);
}

int32_t ask_integer(const char* prompt) {
    qx::input_prompt(prompt, 0, -1);
    int32_t answer = 0;
    qx::input_int(&answer);
    return answer;
}

}  // namespace

ScreenSize ask_screen_size() {
    print_line(RESOLUTION_LINE, sizeof RESOLUTION_LINE - 1);
    print_line(SIZES_LINE, sizeof SIZES_LINE - 1);
    ScreenSize size{};
    size.height = ask_integer(HEIGHT_PROMPT);
    size.width = ask_integer(WIDTH_PROMPT);
    return size;
}

}  // namespace chase
