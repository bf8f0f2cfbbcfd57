#include <qx/qx.h>

#include "game/chase.h"
#include "game/game_state.h"
#include "game/pace.h"

namespace chase {

void play(int32_t screen_height, int32_t screen_width, uint32_t frames_per_second) {
    GameState state;
    set_first_values(state, screen_height, screen_width);
    qx::seed_random(qx::timer_seconds());
    place_chasers(state);
    // A refused size leaves no screen: the game then runs on the console, as it would.
    qx::screen_res(state.screen_width, state.screen_height, 8, 0, 0, 0);
    Pacer pacer = make_pacer(frames_per_second, MONOTONIC_CLOCK);
    for (;;) {
        switch (run_frame(state)) {
            case FrameEnd::CONTINUE:
                // On the console with its input at an end no key can ever steer or stop the
                // game: it ends as "q" would, instead of running on unattended.
                if (qx::key_input_ended() != 0) break;
                pace_frame(pacer);  // between two frames: the steps of a frame keep their order
                continue;
            case FrameEnd::CAUGHT:
                lose_picture(state);
                qx::sleep_ms(-1);
                break;
            case FrameEnd::GOAL:
                win_picture();
                qx::sleep_ms(-1);
                break;
            case FrameEnd::STOP:
            case FrameEnd::QUIT:
                break;
        }
        qx::runtime_end(0);
    }
}

}  // namespace chase
