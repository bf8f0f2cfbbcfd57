#include "no_input.h"

namespace qx {

namespace {

int32_t no_event(ConsoleInputRecord*) {
    return 0;
}
int32_t input_over() {
    return 1;
}

}  // namespace

const ConsoleInputSource NO_MORE_INPUT = {
    .next_event = no_event,
    .ended = input_over,
    .install_close_handler = nullptr,
    .remove_close_handler = nullptr,
};

}  // namespace qx
