// menu: a coloured menu on the console. Up and Down choose, Enter takes the item, Escape or
// "q" ends. One item asks for a number until what is typed is one, from 1 to 100.
#include <cstdio>

#include <qx/qx.h>

namespace {

// Console colours.
constexpr int32_t BLACK = 0, BLUE = 1, GREEN = 2, CYAN = 3, RED = 4, GREY = 7, YELLOW = 14,
                  WHITE = 15;

constexpr const char* ITEMS[] = {"Say hello", "Pick a number", "Quit"};
constexpr int32_t ITEM_COUNT = sizeof ITEMS / sizeof ITEMS[0];
constexpr int32_t FIRST_ITEM_ROW = 3;

void print_at(int32_t row, int32_t column, const char* text) {
    qx::locate(row, column, -1, nullptr);
    qx::print_cstring(0, text, 0);
}

void print_line(const char* text) {
    qx::print_cstring(0, text, qx::PRINT_NEWLINE);
}

void draw_menu(int32_t selected) {
    qx::set_color(GREY, BLACK);
    qx::clear_screen(0);
    qx::set_color(YELLOW, BLACK);
    print_at(1, 3, "QX menu: Up and Down choose, Enter takes, Escape ends");
    for (int32_t k = 0; k < ITEM_COUNT; ++k) {
        // The chosen item stands out in black on cyan; the others are white on blue.
        if (k == selected) {
            qx::set_color(BLACK, CYAN);
        } else {
            qx::set_color(WHITE, BLUE);
        }
        char item[40];
        std::snprintf(item, sizeof item, " %c %-20s ", k == selected ? '>' : ' ', ITEMS[k]);
        print_at(FIRST_ITEM_ROW + k, 5, item);
    }
    qx::set_color(GREY, BLACK);
    qx::locate(FIRST_ITEM_ROW + ITEM_COUNT + 1, 1, -1, nullptr);
}

// False when no key can come any more (the input has ended) or the window was closed.
bool wait_for_any_key() {
    print_line("");
    print_line("Press a key.");
    const int32_t code = qx::wait_for_key();
    return code != qx::KEY_NONE && code != qx::KEY_CLOSE;
}

bool say_hello() {
    qx::set_color(GREEN, BLACK);
    qx::clear_screen(0);
    print_line("Hello!");
    qx::set_color(GREY, BLACK);
    return wait_for_any_key();
}

bool pick_number() {
    qx::set_color(GREY, BLACK);
    qx::clear_screen(0);
    int32_t number = 0;
    for (;;) {
        const int32_t result = qx::input_number("A number from 1 to 100: ", &number);
        if (qx::key_input_ended()) return false;
        if (result == 0 && number >= 1 && number <= 100) break;
        qx::set_color(RED, BLACK);
        print_line(result == 0 ? "Not from 1 to 100." : "Not a number.");
        qx::set_color(GREY, BLACK);
    }
    char text[48];
    std::snprintf(text, sizeof text, "You picked %d.", number);
    qx::set_color(GREEN, BLACK);
    print_line(text);
    qx::set_color(GREY, BLACK);
    return wait_for_any_key();
}

}  // namespace

int main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    int32_t selected = 0;
    bool running = true;
    while (running) {
        draw_menu(selected);
        switch (qx::wait_for_key()) {
            case qx::KEY_UP:
                selected = (selected + ITEM_COUNT - 1) % ITEM_COUNT;
                break;
            case qx::KEY_DOWN:
                selected = (selected + 1) % ITEM_COUNT;
                break;
            case qx::KEY_ENTER:
                if (selected == 0) running = say_hello();
                if (selected == 1) running = pick_number();
                if (selected == 2) running = false;
                break;
            case qx::KEY_ESCAPE:
            case 'q':
            case qx::KEY_CLOSE:
            case qx::KEY_NONE:  // the input has ended: nothing more will come
                running = false;
                break;
            default:
                break;
        }
    }
    qx::set_color(GREY, BLACK);
    qx::clear_screen(0);
    print_line("Bye.");
    qx::runtime_end(0);
}
