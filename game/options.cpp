#include "game/options.h"

#include <string_view>

#include <qx/version.h>

#include "game/pace.h"

namespace chase {

namespace {

constexpr std::string_view FPS_OPTION = "--fps";
constexpr std::string_view FPS_EQUALS = "--fps=";
constexpr char FPS_FORM[] = " (use --fps N, N a whole number from 0 to 10000000)";
constexpr size_t SHOWN_ARGUMENT_BYTES = 40;

constexpr char USAGE[] =
    "Usage: chase [--fps N]\n"
    "Asks the window's height and width, then plays in a window of that size.\n"
    "\n"
    "Options:\n"
    "  --fps N    at most N frames a second, N from 0 to 10000000\n"
    "             (0 or no option: frames run back to back, as fast as the machine goes)\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "Environment:\n"
    "  QXGFX      display driver: DirectX, GDI, OpenGL, Terminal or null (no window);\n"
    "             unset, the first of DirectX, GDI, OpenGL, Terminal that starts\n"
    "             (Terminal draws in the terminal itself, e.g. over SSH)\n"
    "\n"
    "Keys (the window must have the focus):\n"
    "  8 2 4 6    move up, down, left, right\n"
    "  + - =      faster, slower, normal speed\n"
    "  p          pause until the next key\n"
    "  q          quit at once\n"
    "  s          quit after this frame\n";

// An argument as the message shows it: bytes that could drive the terminal become '?', and a
// long one is cut.
std::string shown(std::string_view argument) {
    std::string text = "'";
    for (char c : argument.substr(0, SHOWN_ARGUMENT_BYTES)) {
        auto byte = static_cast<unsigned char>(c);
        text += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    if (argument.size() > SHOWN_ARGUMENT_BYTES) text += "...";
    return text + "'";
}

Options bad(std::string problem) {
    Options options;
    options.action = OptionsAction::BAD;
    options.problem = "chase: " + problem;
    return options;
}

// The value of --fps, or a BAD result naming what is wrong with it.
Options read_fps(std::string_view value, Options options) {
    if (value.empty()) return bad("--fps needs a value" + std::string(FPS_FORM));
    bool negative = value[0] == '-' && value.size() > 1;
    uint64_t number = 0;
    for (char c : negative ? value.substr(1) : value) {
        if (c < '0' || c > '9') {
            return bad("--fps " + shown(value) + " is not a whole number" + FPS_FORM);
        }
        // Saturating, so that any number of digits is read without overflow.
        if (number <= MAX_FRAMES_PER_SECOND) number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (negative) return bad("--fps " + shown(value) + " is negative" + FPS_FORM);
    if (number > MAX_FRAMES_PER_SECOND) {
        return bad("--fps " + shown(value) + " is out of range" + FPS_FORM);
    }
    options.frames_per_second = static_cast<uint32_t>(number);
    return options;
}

}  // namespace

Options parse_options(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help") {
            options.action = OptionsAction::HELP;
            return options;
        }
        if (argument == "--version") {
            options.action = OptionsAction::VERSION;
            return options;
        }
        if (argument == FPS_OPTION) {
            if (i + 1 >= argc) return bad("--fps needs a value" + std::string(FPS_FORM));
            options = read_fps(argv[++i], options);
        } else if (argument.starts_with(FPS_EQUALS)) {
            options = read_fps(argument.substr(FPS_EQUALS.size()), options);
        } else {
            return bad("unknown argument " + shown(argument) +
                       " (use --fps N, --help or --version)");
        }
        if (options.action == OptionsAction::BAD) return options;
    }
    return options;
}

const char* usage_text() {
    return USAGE;
}

std::string version_line() {
    return std::string("chase ") + qx::version() + "\n";
}

}  // namespace chase
