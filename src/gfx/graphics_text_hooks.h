// The graphics screen's operations for the 24 text slots, installed while a screen is open.
#pragma once

#include "runtime/text_hooks.h"

namespace qx {

extern const TextHooks GRAPHICS_TEXT_HOOKS;

}  // namespace qx
