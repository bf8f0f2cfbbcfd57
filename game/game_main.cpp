#include <cstdio>
#include <cstdlib>

#include <qx/qx.h>

#include "game/chase.h"
#include "game/dialogue.h"
#include "game/options.h"

namespace chase {

namespace {

// Answers --help, --version and bad arguments before the runtime starts: the terminal is not
// touched and no question is asked.
void answer_without_playing(const Options& options) {
    switch (options.action) {
        case OptionsAction::PLAY:
            return;
        case OptionsAction::HELP:
            std::fputs(usage_text(), stdout);
            break;
        case OptionsAction::VERSION:
            std::fputs(version_line().c_str(), stdout);
            break;
        case OptionsAction::BAD:
            std::fprintf(stderr, "%s\n", options.problem.c_str());
            std::exit(2);
    }
    std::exit(std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1);
}

}  // namespace

void game_main(int argc, char** argv) {
    Options options = parse_options(argc, argv);
    answer_without_playing(options);
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    ScreenSize size = ask_screen_size();
    play(size.height, size.width, options.frames_per_second);
}

}  // namespace chase
