#include "runtime/text_hooks.h"

namespace qx {

TextHooks text_hooks{};

}  // namespace qx
