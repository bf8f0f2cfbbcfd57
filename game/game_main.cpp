#include <cstdlib>

#include "game/chase.h"

namespace chase {

// Placeholder until the dialogue and the frame loop land.
void game_main(int, char**) { std::exit(0); }

}  // namespace chase
