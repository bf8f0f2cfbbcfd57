// lzw_pack INPUT OUTPUT: packs a file with the runtime's LZW variant (tools/make_builtin_data.py
// uses it for the built-in data block).
#include <cstdio>
#include <vector>

#include "tools/lzw_packer.h"

namespace {

bool read_file(const char* path, std::vector<uint8_t>* data) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    uint8_t buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data->insert(data->end(), buffer, buffer + count);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool write_file(const char* path, const std::vector<uint8_t>& data) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: lzw_pack INPUT OUTPUT\n");
        return 2;
    }
    std::vector<uint8_t> data;
    if (!read_file(argv[1], &data)) {
        std::fprintf(stderr, "lzw_pack: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> packed;
    if (qx::lzw_pack(data.data(), data.size(), &packed) != 0) {
        std::fprintf(stderr, "lzw_pack: empty input\n");
        return 1;
    }
    if (!write_file(argv[2], packed)) {
        std::fprintf(stderr, "lzw_pack: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
