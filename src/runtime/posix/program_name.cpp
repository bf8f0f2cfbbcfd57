#include "runtime/program_name.h"

#include <unistd.h>

#include <cstring>

namespace qx {

size_t program_file_name(char* buffer, size_t size) {
    if (size == 0) return 0;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    path[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    size_t name_length = std::strlen(name);
    if (name_length > size - 1) name_length = size - 1;
    std::memcpy(buffer, name, name_length);
    buffer[name_length] = '\0';
    return name_length;
}

}  // namespace qx
