#include "game/chase.h"

int main(int argc, char** argv) {
    chase::game_main(argc, argv);
}
