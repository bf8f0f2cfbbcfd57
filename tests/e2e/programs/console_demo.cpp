// Drives the console runtime for the process-level console tests. The first argument picks
// the scene: "screen" (draws on a terminal, then waits for one byte), "redirect" (a short
// print for a file), "wait" (takes the terminal, answers each
// input byte with "alive" until killed), "flood" (prints many
// lines, then says on stderr that it survived), "exit N" (ends with N after two handlers),
// "size" (the console size, then again after a byte and a view update), "open FILE" (opens
// FILE for writing, then prints: the print must not land in it).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace {

using namespace qx;

void say(const char* text, int32_t mask = PRINT_NEWLINE) {
    print_cstring(0, text, mask);
}

void draw_screen() {
    char text[128];
    for (int i = 1; i <= 30; ++i) {
        std::snprintf(text, sizeof text, "line %d", i);
        say(text);
    }
    locate(5, 1, -1, nullptr);
    for (int i = 0; i < 100; ++i)
        text[i] = static_cast<char>('0' + i % 10);
    text[100] = '\0';
    say(text, 0);  // wraps after 80 columns
    locate(8, 1, -1, nullptr);
    say("a\tb\tc", 0);
    locate(24, 1, -1, nullptr);
    say("bottom \xe9t\xe9 \x10\x80", 0);  // Windows-1252 and a control byte
    view_print(20, 23);
    for (int i = 1; i <= 6; ++i) {
        std::snprintf(text, sizeof text, "v%d", i);
        say(text);
    }
    view_print(0, 0);
    locate(3, 7, -1, nullptr);
}

void say_size() {
    int32_t columns = 0, rows = 0;
    text_get_size(&columns, &rows);
    char text[32];
    std::snprintf(text, sizeof text, "size %dx%d", columns, rows);
    say(text);
}

void first_handler() {
    std::fputs("first\n", stderr);
}
void second_handler() {
    std::fputs("second\n", stderr);
}

}  // namespace

int main(int argc, char** argv) {
    runtime_init(argc, argv);
    run_module_init_hooks();
    const char* scene = argc > 1 ? argv[1] : "";
    if (std::strcmp(scene, "screen") == 0) {
        draw_screen();
        unsigned char byte;
        while (read(STDIN_FILENO, &byte, 1) < 0) {
        }
    } else if (std::strcmp(scene, "redirect") == 0) {
        say("A\tB");
    } else if (std::strcmp(scene, "wait") == 0) {
        say("ready");
        unsigned char byte;
        for (;;) {
            ssize_t got = read(STDIN_FILENO, &byte, 1);
            if (got > 0) say("alive");
            if (got == 0) pause();
        }
    } else if (std::strcmp(scene, "flood") == 0) {
        for (int i = 0; i < 20000; ++i)
            say("a line of output that nobody reads");
        std::fputs("survived\n", stderr);
    } else if (std::strcmp(scene, "size") == 0) {
        say_size();
        unsigned char byte;
        while (read(STDIN_FILENO, &byte, 1) < 0) {
        }
        text_view_update();
        say_size();
    } else if (std::strcmp(scene, "open") == 0 && argc > 2) {
        int fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        say("leak");
        if (fd >= 0) close(fd);
    } else if (std::strcmp(scene, "exit") == 0) {
        register_exit_handler(first_handler);
        register_exit_handler(second_handler);
        runtime_end(argc > 2 ? std::atoi(argv[2]) : 0);
    }
    runtime_end(0);
}
