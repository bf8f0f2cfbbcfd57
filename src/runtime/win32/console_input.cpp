// The console input source of Windows: the console's input records one at a time, or, when
// standard input is a file or a pipe, its bytes as typed characters, read without waiting.
#include "runtime/win32/console_input.h"

namespace qx {

namespace {

constexpr DWORD READ_CHUNK = 64;  // bytes taken from a redirected input at a time
constexpr int32_t EVENT_CAPACITY = READ_CHUNK * REDIRECTED_MAX_EVENTS;

enum InputKind {
    INPUT_UNDECIDED,
    INPUT_CONSOLE,  // input records
    INPUT_FILE,     // a file or a character device: reads return at once
    INPUT_PIPE,     // read only what is there, so that an idle writer does not stall the program
    INPUT_NONE,     // no usable standard input: ended from the start
};

// Program thread only.
struct ConsoleInputState {
    InputKind kind;                             // decided on the first read
    RedirectedKeyDecoder decoder;               // of a redirected input's bytes
    ConsoleInputRecord events[EVENT_CAPACITY];  // decoded bytes waiting for the pump
    int32_t first;                              // index of the oldest waiting record
    int32_t count;                              // records waiting
    bool ended;                                 // end of the redirected input seen
};

ConsoleInputState input_state{};

InputKind decide_kind() {
    if (console_input_is_console()) return INPUT_CONSOLE;
    HANDLE input = console_input_handle();
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return INPUT_NONE;
    switch (GetFileType(input)) {
        case FILE_TYPE_PIPE:
            return INPUT_PIPE;
        case FILE_TYPE_DISK:
        case FILE_TYPE_CHAR:
            return INPUT_FILE;
        default:
            return INPUT_NONE;
    }
}

// Bytes available now; 0 with nothing there, -1 at the end (the writer closed its end). A pipe
// that cannot be peeked at (Wine's, made from a Unix pipe) is read like a file from then on:
// a read then waits for its writer.
int32_t pipe_bytes_ready() {
    DWORD available = 0;
    if (!PeekNamedPipe(console_input_handle(), nullptr, 0, nullptr, &available, nullptr)) {
        if (GetLastError() == ERROR_BROKEN_PIPE) return -1;
        input_state.kind = INPUT_FILE;
        return READ_CHUNK;
    }
    return available < READ_CHUNK ? static_cast<int32_t>(available) : READ_CHUNK;
}

// Decodes one chunk of a redirected input, if one is there.
void fill_events() {
    DWORD wanted = READ_CHUNK;
    if (input_state.kind == INPUT_PIPE) {
        int32_t ready = pipe_bytes_ready();
        if (ready == 0) return;
        if (ready < 0) {
            input_state.ended = true;
            return;
        }
        wanted = static_cast<DWORD>(ready);
    }
    unsigned char bytes[READ_CHUNK];
    DWORD got = 0;
    if (!ReadFile(console_input_handle(), bytes, wanted, &got, nullptr) || got == 0) {
        input_state.ended = true;  // end of file, a broken pipe or an unreadable handle
        return;
    }
    for (DWORD i = 0; i < got; ++i) {
        ConsoleInputRecord records[REDIRECTED_MAX_EVENTS];
        int32_t n = redirected_decode_byte(&input_state.decoder, bytes[i], records);
        for (int32_t j = 0; j < n; ++j) {
            input_state.events[(input_state.first + input_state.count) % EVENT_CAPACITY] =
                records[j];
            ++input_state.count;
        }
    }
}

int32_t next_console_record(ConsoleInputRecord* record) {
    HANDLE input = console_input_handle();
    INPUT_RECORD raw;
    DWORD count = 0;
    if (!PeekConsoleInputA(input, &raw, 1, &count) || count == 0) return 0;
    if (!ReadConsoleInputA(input, &raw, 1, &count) || count == 0) return 0;
    *record = console_record_from(raw);
    return 1;
}

int32_t input_next_event(ConsoleInputRecord* record) {
    if (input_state.kind == INPUT_UNDECIDED) {
        input_state.kind = decide_kind();
        input_state.ended = input_state.kind == INPUT_NONE;
    }
    if (input_state.kind == INPUT_CONSOLE) return next_console_record(record);
    if (input_state.count == 0 && !input_state.ended) fill_events();
    if (input_state.count == 0) return 0;
    *record = input_state.events[input_state.first];
    input_state.first = (input_state.first + 1) % EVENT_CAPACITY;
    --input_state.count;
    return 1;
}

int32_t input_ended() {
    return input_state.ended && input_state.count == 0 ? 1 : 0;
}

void install_handler() {
    SetConsoleCtrlHandler(console_control_handler, TRUE);
}

void remove_handler() {
    SetConsoleCtrlHandler(console_control_handler, FALSE);
}

}  // namespace

ConsoleInputRecord console_record_from(const INPUT_RECORD& raw) {
    ConsoleInputRecord record{};
    record.event_type = raw.EventType;
    if (raw.EventType != KEY_EVENT) return record;
    const KEY_EVENT_RECORD& key = raw.Event.KeyEvent;
    record.key = KeyEventRecord{
        .key_down = key.bKeyDown ? 1 : 0,
        .repeat_count = key.wRepeatCount,
        .virtual_key = key.wVirtualKeyCode,
        .scan_code = key.wVirtualScanCode,
        .character = static_cast<unsigned char>(key.uChar.AsciiChar),
        .modifiers = key.dwControlKeyState,
    };
    if (record.key.virtual_key == VK_ESCAPE && record.key.character == 0) {
        record.key.character = 0x1B;
    }
    return record;
}

int32_t redirected_decode_byte(RedirectedKeyDecoder* decoder, uint8_t byte,
                               ConsoleInputRecord* out) {
    bool after_cr = decoder->after_cr;
    decoder->after_cr = byte == '\r';
    if (byte == '\n') {
        if (after_cr) return 0;
        byte = '\r';
    }
    if (byte == 0x7F) byte = '\b';
    // The keys of the layout that type the byte, as the keyboard would report them.
    KeyEventRecord key{.key_down = 1,
                       .repeat_count = 1,
                       .virtual_key = 0,
                       .scan_code = 0,
                       .character = byte,
                       .modifiers = 0};
    int16_t scan = vk_key_scan(byte);
    if (scan != -1) {
        key.virtual_key = static_cast<uint16_t>(scan & 0xFF);
        int shift_state = (scan >> 8) & 0xFF;
        if (shift_state & 1) key.modifiers |= SHIFT_PRESSED;
        if (shift_state & 2) key.modifiers |= LEFT_CTRL_PRESSED;
        if (shift_state & 4) key.modifiers |= LEFT_ALT_PRESSED;
        key.scan_code = static_cast<uint16_t>(map_virtual_key(key.virtual_key, MAP_VK_TO_SCAN));
    }
    out[0] = ConsoleInputRecord{.event_type = KEY_EVENT, .key = key};
    out[1] = out[0];
    out[1].key.key_down = 0;
    return 2;
}

BOOL WINAPI console_control_handler(DWORD event) {
    bool close =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (close) request_close_key();
    // Ctrl+C and Ctrl+Break end the process by the default action: with the console put back.
    console_restore();
    return close ? TRUE : FALSE;
}

void console_input_use_handle(HANDLE input) {
    console_use_handles(input, console_output_handle());
    input_state = ConsoleInputState{};
}

extern const ConsoleInputSource SYSTEM_INPUT_SOURCE = {
    .next_event = input_next_event,
    .ended = input_ended,
    .install_close_handler = install_handler,
    .remove_close_handler = remove_handler,
};

}  // namespace qx
