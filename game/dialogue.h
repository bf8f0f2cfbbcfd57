// The start-up dialogue on the console: the two lines about screen sizes and the two questions.
#pragma once

#include <cstdint>

namespace chase {

struct ScreenSize {
    int32_t height;  // first answer, pixels
    int32_t width;   // second answer, pixels
};

// Prints the two lines and asks the height, then the width. Answers without digits read as 0.
ScreenSize ask_screen_size();

}  // namespace chase
