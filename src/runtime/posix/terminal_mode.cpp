#include "runtime/posix/terminal_mode.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "runtime/key_queue.h"

namespace qx {

namespace {

// Written once at start on the program thread, read by the handlers.
struct TerminalModeState {
    termios saved;                   // stdin's mode before we took it
    std::atomic<bool> taken{false};  // saved is valid and must be restored
    std::atomic<bool> output_changed{false};
    bool handlers_installed = false;
    // Two buffers, so that a signal arriving while one is rewritten still reads a whole one.
    char screen_restore[2][TERM_SCREEN_RESTORE_CAPACITY];
    int screen_restore_length[2];
    std::atomic<int> screen_restore_current{-1};  // index of the valid buffer, -1 none
};

TerminalModeState mode_state;

constexpr char OUTPUT_RESET[] = "\x1b[0m\x1b[?25h";

void restore_at_exit() {
    term_restore_terminal();
}

// Close events post the close key first; every fatal signal then restores and dies as usual.
void on_fatal_signal(int signal_number) {
    if (signal_number == SIGTERM || signal_number == SIGHUP) request_close_key();
    term_restore_terminal();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
    raise(signal_number);
}

}  // namespace

void term_restore_terminal() {
    int current = mode_state.screen_restore_current.exchange(-1);
    if (current >= 0) {
        ssize_t ignored = write(STDOUT_FILENO, mode_state.screen_restore[current],
                                static_cast<size_t>(mode_state.screen_restore_length[current]));
        (void)ignored;
    }
    if (mode_state.output_changed.exchange(false)) {
        ssize_t ignored = write(STDOUT_FILENO, OUTPUT_RESET, sizeof(OUTPUT_RESET) - 1);
        (void)ignored;
    }
    if (mode_state.taken.load()) tcsetattr(STDIN_FILENO, TCSANOW, &mode_state.saved);
}

void term_set_screen_restore(const char* bytes, int length) {
    if (length <= 0) {
        mode_state.screen_restore_current.store(-1);
        return;
    }
    if (length > TERM_SCREEN_RESTORE_CAPACITY) length = TERM_SCREEN_RESTORE_CAPACITY;
    int next = mode_state.screen_restore_current.load() == 0 ? 1 : 0;
    std::memcpy(mode_state.screen_restore[next], bytes, static_cast<size_t>(length));
    mode_state.screen_restore_length[next] = length;
    mode_state.screen_restore_current.store(next);
}

void term_note_output_changed() {
    mode_state.output_changed.store(true);
}

void term_take_terminal() {
    if (mode_state.handlers_installed) return;
    mode_state.handlers_installed = true;
    signal(SIGPIPE, SIG_IGN);  // a vanished reader fails the write instead of killing us
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &mode_state.saved) == 0) {
        termios raw = mode_state.saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_lflag |= ISIG;
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        mode_state.taken.store(true);
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    std::atexit(restore_at_exit);
    struct sigaction action {};
    action.sa_handler = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
        // A signal our starter ignores (nohup, a background job's SIGINT) stays ignored.
        struct sigaction previous {};
        if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(signal_number, &action, nullptr);
    }
}

}  // namespace qx
