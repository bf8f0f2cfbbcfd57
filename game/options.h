// The command line of chase: --fps N, --help, --version.
#pragma once

#include <cstdint>
#include <string>

namespace chase {

enum class OptionsAction { PLAY, HELP, VERSION, BAD };

struct Options {
    OptionsAction action = OptionsAction::PLAY;
    uint32_t frames_per_second = 0;  // 0: no pause between frames
    std::string problem;             // BAD: one line naming the fault and the accepted form
};

// Reads argv[1..argc-1] in order; a later --fps wins over an earlier one, so a launcher's
// default can be overridden. --help and --version are answered as soon as they are met.
Options parse_options(int argc, const char* const* argv);

// The usage text of --help and the line of --version (the runtime's version, which the game
// shares), each ending with a new line.
const char* usage_text();
std::string version_line();

}  // namespace chase
