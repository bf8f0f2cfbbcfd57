#include "runtime/program_name.h"

#include <cstring>

#include "runtime/win32/console_session.h"

namespace qx {

namespace {

constexpr DWORD PATH_CAPACITY = 4096;

}  // namespace

size_t program_file_name(char* buffer, size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    char path[PATH_CAPACITY];
    DWORD length = GetModuleFileNameA(nullptr, path, PATH_CAPACITY);
    // A path cut to the buffer has lost its end, which is the very name wanted.
    if (length == 0 || length >= PATH_CAPACITY) return 0;
    path[length] = '\0';
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    size_t name_length = std::strlen(name);
    if (name_length > size - 1) name_length = size - 1;
    std::memcpy(buffer, name, name_length);
    buffer[name_length] = '\0';
    return name_length;
}

}  // namespace qx
