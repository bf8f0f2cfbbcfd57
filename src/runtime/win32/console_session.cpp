// Start-up of the Windows console: floating-point control, the standard handles, processed
// input, and the code page of what is typed; all of it put back at exit and when Ctrl+C or
// Ctrl+Break ends the process.
#include "runtime/win32/console_session.h"

#include <float.h>

#include <cstdlib>

#include "runtime/console_backend.h"

namespace qx {

namespace {

// The program's texts are Windows-1252 ("Résolution de l'écran :"): typed characters arrive
// in it while the program runs, as they do from a terminal on Linux. (Output does not depend
// on the console's code page: the screen writes the characters themselves.)
constexpr UINT PROGRAM_CODE_PAGE = 1252;

// Written on the program thread before any control handler can run; read by the handlers.
struct ConsoleSession {
    bool handles_fetched = false;   // input and output below are valid
    HANDLE input = nullptr;         // standard input
    HANDLE output = nullptr;        // standard output
    int input_is_console = -1;      // -1 undecided, 0 no, 1 yes
    bool input_mode_saved = false;  // input_mode is to be put back
    DWORD input_mode = 0;           // the input handle's mode at start
    bool cursor_saved = false;      // cursor is to be put back
    CONSOLE_CURSOR_INFO cursor{};   // the output's cursor at start
    WORD attribute = 0;             // the output's text colours at start (set_color changes them)
    UINT input_code_page = 0;       // at start; 0: not changed
};

ConsoleSession session;

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

void fetch_handles() {
    if (session.handles_fetched) return;
    session.input = GetStdHandle(STD_INPUT_HANDLE);
    session.output = GetStdHandle(STD_OUTPUT_HANDLE);
    session.handles_fetched = true;
}

// Intermediate results keep the full mantissa where the unit has a precision field (32-bit
// x86); everywhere rounding is to nearest. Precision control passed on x86-64 is refused with
// the invalid-parameter handler, so it is only named where it exists.
void set_floating_point_control() {
#if defined(_M_IX86) || defined(__i386__)
    _controlfp(_PC_64 | _RC_NEAR, _MCW_PC | _MCW_RC);
#else
    _controlfp(_RC_NEAR, _MCW_RC);
#endif
}

// Last in the chain of control handlers: Ctrl+C, Ctrl+Break and the rest leave the console
// as it was found, then the default action (or the next handler) takes over.
BOOL WINAPI restore_on_control_event(DWORD) {
    console_restore();
    return FALSE;
}

void restore_at_exit() {
    console_restore();
    SetConsoleCtrlHandler(restore_on_control_event, FALSE);
}

}  // namespace

HANDLE console_input_handle() {
    fetch_handles();
    return session.input;
}

HANDLE console_output_handle() {
    fetch_handles();
    return session.output;
}

bool console_input_is_console() {
    if (session.input_is_console < 0) {
        DWORD mode;
        HANDLE input = console_input_handle();
        session.input_is_console = usable(input) && GetConsoleMode(input, &mode) ? 1 : 0;
    }
    return session.input_is_console == 1;
}

void console_restore() {
    if (session.input_mode_saved) SetConsoleMode(session.input, session.input_mode);
    if (session.cursor_saved) {
        SetConsoleCursorInfo(session.output, &session.cursor);
        SetConsoleTextAttribute(session.output, session.attribute);
    }
    if (session.input_code_page != 0) SetConsoleCP(session.input_code_page);
}

void console_use_handles(HANDLE input, HANDLE output) {
    session = ConsoleSession{};
    session.handles_fetched = true;
    session.input = input;
    session.output = output;
}

void console_platform_init() {
    static bool done = false;
    if (done) return;
    done = true;
    set_floating_point_control();
    fetch_handles();
    DWORD mode;
    if (usable(session.input) && GetConsoleMode(session.input, &mode)) {
        session.input_is_console = 1;
        session.input_mode = mode;
        session.input_mode_saved = true;
        SetConsoleMode(session.input, mode | ENABLE_PROCESSED_INPUT);
        UINT code_page = GetConsoleCP();
        if (code_page != 0 && code_page != PROGRAM_CODE_PAGE && SetConsoleCP(PROGRAM_CODE_PAGE)) {
            session.input_code_page = code_page;
        }
    } else {
        session.input_is_console = 0;
    }
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (usable(session.output) && GetConsoleScreenBufferInfo(session.output, &info)) {
        session.cursor_saved = GetConsoleCursorInfo(session.output, &session.cursor) != 0;
        session.attribute = info.wAttributes;
    }
    // Registered before any screen or key handler, so the console is put back last, after
    // the window has gone.
    std::atexit(restore_at_exit);
    SetConsoleCtrlHandler(restore_on_control_event, TRUE);
}

}  // namespace qx
