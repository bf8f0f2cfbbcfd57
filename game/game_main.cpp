#include "game/chase.h"
#include "game/dialogue.h"
#include "runtime/runtime.h"

namespace chase {

void game_main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    ask_screen_size();
    // The frame loop comes next; until then the game ends after the dialogue.
    qx::runtime_end(0);
}

}  // namespace chase
