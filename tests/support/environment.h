// Test helpers: changing the process environment the same way on every platform (the Windows
// C runtime has no setenv).
#pragma once

namespace qx {

// Sets name to value, replacing what was there.
void set_env(const char* name, const char* value);
// Removes name; nothing happens when it is not set.
void unset_env(const char* name);

}  // namespace qx
