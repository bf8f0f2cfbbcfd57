#include "environment.h"

#include <cstdlib>

namespace qx {

#if defined(_WIN32)
// _putenv_s with an empty value removes the variable: an empty value cannot be set on Windows.
void set_env(const char* name, const char* value) {
    _putenv_s(name, value);
}

void unset_env(const char* name) {
    _putenv_s(name, "");
}
#else
void set_env(const char* name, const char* value) {
    setenv(name, value, 1);
}

void unset_env(const char* name) {
    unsetenv(name);
}
#endif

}  // namespace qx
