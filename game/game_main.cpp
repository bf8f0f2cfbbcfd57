#include <qx/qx.h>

#include "game/chase.h"
#include "game/dialogue.h"

namespace chase {

void game_main(int argc, char** argv) {
    qx::runtime_init(argc, argv);
    qx::run_module_init_hooks();
    ScreenSize size = ask_screen_size();
    play(size.height, size.width);
}

}  // namespace chase
