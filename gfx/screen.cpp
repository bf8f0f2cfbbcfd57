#include "gfx/screen.h"

namespace qx {

ScreenContext* screen = nullptr;
uint32_t* HICOLOR_LOOKUP = nullptr;

}  // namespace qx
