// chase: the arcade game written against the QX runtime.
#pragma once

namespace chase {

// The program's main code: the dialogue, then the frame loop. Never returns: every way out
// ends the process through qx::runtime_end(0).
[[noreturn]] void game_main(int argc, char** argv);

}  // namespace chase
