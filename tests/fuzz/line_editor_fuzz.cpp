// Keys of any kind through the line editor on a console in memory: the text it returns is the
// one a plain model of the editing keys builds, and the cursor stays on the screen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console_harness.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"

namespace {

constexpr int32_t HOME = 0x47FF, UP = 0x48FF, LEFT = 0x4BFF, RIGHT = 0x4DFF, END = 0x4FFF,
                  DOWN = 0x50FF, DELETE = 0x53FF, F1 = 0x3BFF;
constexpr int32_t EXTENDED[] = {HOME, UP, LEFT, RIGHT, END, DOWN, DELETE, F1, qx::KEY_CLOSE};
constexpr size_t MAX_KEYS = 500;  // the key queue holds 511

int32_t no_event(qx::ConsoleInputRecord*) {
    return 0;
}
int32_t ended() {
    return 1;  // the keys run out: the edit ends as Enter would
}
const qx::ConsoleInputSource NO_MORE = {no_event, ended, nullptr, nullptr};

// What the keys do to the text, key by key.
struct Model {
    std::string text;
    size_t position = 0;
    int32_t columns;

    bool key(int32_t code) {  // false at the end of the line
        // A close request ends the line as typed; it stays pending for the next key read.
        if (code == 13 || code == 10 || code == qx::KEY_CLOSE) return false;
        if (code == 8 && position > 0) text.erase(--position, 1);
        if (code == 9) insert(std::string(8 - position % 8, ' '));
        if (code == 27) text.clear(), position = 0;
        if (code == HOME) position = 0;
        if (code == END) position = text.size();
        if (code == LEFT && position > 0) --position;
        if (code == RIGHT && position < text.size()) ++position;
        if (code == UP && position >= static_cast<size_t>(columns)) position -= columns;
        if (code == DOWN && position + columns <= text.size()) position += columns;
        if (code == DELETE && position < text.size()) text.erase(position, 1);
        if (code >= 32 && code <= 255) insert(std::string(1, static_cast<char>(code)));
        return true;
    }
    void insert(const std::string& characters) {
        text.insert(position, characters);
        position += characters.size();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size > MAX_KEYS + 3) return 0;
    int32_t width = 1 + data[0] % 40, height = 1 + data[1] % 8;
    qx::MemoryConsole& console = fresh_console(width, height, height);
    qx::set_console_input_source(&NO_MORE);
    qx::reset_key_queue();
    std::string prompt(data[2] % 64, 'p');  // where on the screen the edit starts
    qx::text_print(reinterpret_cast<const unsigned char*>(prompt.data()),
                   static_cast<int32_t>(prompt.size()), 0);
    // A console of one row or one column is no console: the editor then sees another size.
    int32_t columns = 0;
    qx::text_get_size(&columns, nullptr);
    Model model{"", 0, columns < 1 ? 1 : columns};
    bool open = true;
    qx::ConsoleInputRecord record{};
    record.event_type = qx::KEY_EVENT;
    for (size_t i = 3; i < size; ++i) {
        // The top bytes stand for the editing and other extended keys.
        uint8_t byte = data[i];
        int32_t code = byte >= 0xF7 ? EXTENDED[byte - 0xF7] : byte;
        qx::post_console_key(code, &record);
        if (open) open = model.key(code);
    }
    qx::Rtstring text{};
    qx::edit_line(&text);
    std::string result(text.data ? text.data : "", static_cast<size_t>(text.length));
    std::free(text.data);
    if (result != model.text) {
        std::fprintf(stderr, "editor \"%s\", model \"%s\"\n", result.c_str(), model.text.c_str());
    }
    FUZZ_CHECK(result == model.text);
    check_cursor_on_console(console);
    qx::set_console_input_source(nullptr);
    return 0;
}
