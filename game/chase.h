// chase: the arcade game written against the QX runtime.
#pragma once

#include <cstdint>

namespace chase {

// The program's main code: the dialogue, then the frame loop. Never returns: every way out
// ends the process through qx::runtime_end(0).
[[noreturn]] void game_main(int argc, char** argv);

// Everything after the dialogue: first values, chasers, the screen, the frame loop, the end.
// frames_per_second paces the loop (0: frames back to back).
[[noreturn]] void play(int32_t screen_height, int32_t screen_width, uint32_t frames_per_second);

}  // namespace chase
