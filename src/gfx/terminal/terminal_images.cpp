#include "gfx/terminal/terminal_images.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/terminal/chafa_api.h"

namespace qx {

namespace {

constexpr size_t KITTY_CHUNK = 4096;  // base64 bytes per escape, a multiple of 4
constexpr int PACK_LEVEL = 1;         // the fastest: flat pictures pack well at any level
constexpr uint32_t STANDARD_16[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                      0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                      0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
constexpr int32_t CUBE_LEVELS = 6, GREYS = 40;

uint32_t rgb_of_screen(uint32_t bgr) {
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

int32_t distance(uint32_t a, uint32_t b) {
    int32_t dr = static_cast<int32_t>((a >> 16) & 0xFF) - static_cast<int32_t>((b >> 16) & 0xFF);
    int32_t dg = static_cast<int32_t>((a >> 8) & 0xFF) - static_cast<int32_t>((b >> 8) & 0xFF);
    int32_t db = static_cast<int32_t>(a & 0xFF) - static_cast<int32_t>(b & 0xFF);
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

bool grow(void** buffer, size_t* size, size_t wanted) {
    if (*size >= wanted) return true;
    void* grown = std::realloc(*buffer, wanted);
    if (grown == nullptr) return false;
    *buffer = grown;
    *size = wanted;
    return true;
}

template <typename T>
bool grow(T** buffer, size_t* size, size_t count) {
    void* raw = *buffer;
    size_t bytes = *size * sizeof(T);
    bool done = grow(&raw, &bytes, count * sizeof(T));
    *buffer = static_cast<T*>(raw);
    *size = bytes / sizeof(T);
    return done;
}

// A small number in decimal, without printf's cost in the sixel loop.
char* put_number(char* at, int32_t value) {
    char digits[12];
    int32_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        *at++ = digits[--n];
    return at;
}

// One register's run of sixel characters over a band, repeats packed as "!count char".
char* put_sixel_row(char* at, const uint8_t* bits, int32_t width) {
    int32_t last = width;
    while (last > 0 && bits[last - 1] == 0)
        --last;
    for (int32_t x = 0; x < last;) {
        uint8_t value = bits[x];
        int32_t run = 1;
        while (x + run < last && bits[x + run] == value)
            ++run;
        const char c = static_cast<char>('?' + value);
        if (run > 3) {
            *at++ = '!';
            at = put_number(at, run);
            *at++ = c;
        } else {
            for (int32_t i = 0; i < run; ++i)
                *at++ = c;
        }
        x += run;
    }
    return at;
}

void put_be32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

}  // namespace

void ImageScratch::release() {
    std::free(bits);
    std::free(columns);
    std::free(pixels);
    std::free(packed);
    *this = ImageScratch{};
}

void make_sixel_palette(const uint32_t* screen_palette, int32_t registers, SixelPalette* out) {
    const bool own = registers <= 0 || registers >= 256;
    for (int32_t value = 0; value < 256; ++value) {
        const uint32_t rgb = rgb_of_screen(screen_palette[value]);
        if (own) {
            out->rgb[value] = rgb;
            out->register_of[value] = static_cast<uint8_t>(value);
            continue;
        }
        int32_t best = 0;
        for (int32_t i = 1; i < 16; ++i)
            if (distance(rgb, STANDARD_16[i]) < distance(rgb, STANDARD_16[best])) best = i;
        out->register_of[value] = static_cast<uint8_t>(best);
    }
    if (!own) {
        for (int32_t i = 0; i < 256; ++i)
            out->rgb[i] = STANDARD_16[i % 16];
    }
    out->darkest = 0;
    for (int32_t value = 1; value < 256; ++value) {
        if (distance(out->rgb[out->register_of[value]], 0) <
            distance(out->rgb[out->register_of[out->darkest]], 0)) {
            out->darkest = static_cast<uint8_t>(value);
        }
    }
}

void fixed_palette(uint32_t* screen_palette) {
    int32_t value = 0;
    for (int32_t r = 0; r < CUBE_LEVELS; ++r)
        for (int32_t g = 0; g < CUBE_LEVELS; ++g)
            for (int32_t b = 0; b < CUBE_LEVELS; ++b)
                screen_palette[value++] =
                    static_cast<uint32_t>((b * 51) << 16 | (g * 51) << 8 | r * 51);
    for (int32_t grey = 0; grey < GREYS; ++grey) {
        const auto level = static_cast<uint32_t>((grey * 255 + (GREYS - 1) / 2) / (GREYS - 1));
        screen_palette[value++] = level << 16 | level << 8 | level;
    }
}

uint8_t fixed_palette_value(uint8_t r, uint8_t g, uint8_t b) {
    const int32_t high = std::max({r, g, b}), low = std::min({r, g, b});
    if (high - low < 12) {
        const int32_t level = (r + g + b) / 3;
        return static_cast<uint8_t>(CUBE_LEVELS * CUBE_LEVELS * CUBE_LEVELS +
                                    (level * (GREYS - 1) + 127) / 255);
    }
    auto step = [](int32_t c) { return (c + 25) / 51; };
    return static_cast<uint8_t>(step(r) * 36 + step(g) * 6 + step(b));
}

bool append_sixels(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                   const SixelPalette& palette, const ImagePlace& place, int32_t first, int32_t end,
                   ImageScratch* scratch, OutputBytes* out) {
    const int32_t out_width = place.pixel_width;
    first = std::max(first, 0);
    end = std::min(end, place.pixel_height);
    if (width <= 0 || height <= 0 || out_width <= 0 || place.picture_width <= 0 ||
        place.picture_height <= 0 || first >= end) {
        return true;
    }
    const auto columns = static_cast<size_t>(out_width);
    // The source row (and column) of each image pixel; the black band around the picture,
    // which fills the cells it touches, reads a row of the darkest colour instead.
    if (!grow(&scratch->bits, &scratch->bits_size, 256 * columns) ||
        !grow(&scratch->columns, &scratch->columns_size, columns) ||
        !grow(&scratch->pixels, &scratch->pixels_size, static_cast<size_t>(width) + 1)) {
        return false;
    }
    const int32_t left = (out_width - place.picture_width) / 2;
    const int32_t top = (place.pixel_height - place.picture_height) / 2;
    uint8_t* dark = scratch->pixels;
    std::memset(dark, palette.darkest, static_cast<size_t>(width) + 1);
    for (int32_t x = 0; x < out_width; ++x) {
        const int32_t inside = x - left;
        scratch->columns[x] =
            inside < 0 || inside >= place.picture_width
                ? width  // the row's pad byte: only the dark row has one
                : static_cast<int32_t>(int64_t{inside} * width / place.picture_width);
    }
    auto source_row = [&](int32_t y) -> const uint8_t* {
        const int32_t inside = y - top;
        if (inside < 0 || inside >= place.picture_height) return dark;
        return pixels +
               static_cast<size_t>(int64_t{inside} * height / place.picture_height) * stride;
    };
    const bool padded = left > 0 || out_width > left + place.picture_width;
    bool used[256] = {};
    for (int32_t y = first; y < end; ++y) {
        const uint8_t* row = source_row(y);
        for (int32_t x = 0; x < out_width; ++x) {
            const int32_t column = scratch->columns[x];
            used[palette.register_of[column == width ? palette.darkest : row[column]]] = true;
        }
    }
    // P2 = 1: pixels a band leaves out keep what is under them; every pixel here has a colour.
    char header[64];
    int n = std::snprintf(header, sizeof header, "\x1bP0;1;0q\"1;1;%d;%d", out_width, end - first);
    out->append(header, static_cast<size_t>(n));
    for (int32_t i = 0; i < 256; ++i) {
        if (!used[i]) continue;
        const uint32_t rgb = palette.rgb[i];
        n = std::snprintf(
            header, sizeof header, "#%d;2;%u;%u;%u", i, (((rgb >> 16) & 0xFF) * 100 + 127) / 255,
            (((rgb >> 8) & 0xFF) * 100 + 127) / 255, ((rgb & 0xFF) * 100 + 127) / 255);
        out->append(header, static_cast<size_t>(n));
    }
    // The longest band: each register's row packs to at most 4 bytes a column, plus "#255$".
    char* line = static_cast<char*>(std::malloc(256 * (columns * 4 + 8)));
    if (line == nullptr) return false;
    uint8_t* bits = scratch->bits;
    std::memset(bits, 0, 256 * columns);
    uint8_t in_band[256];
    for (int32_t band = first; band < end; band += 6) {
        int32_t registers = 0;
        uint8_t band_registers[256];
        std::memset(in_band, 0, sizeof in_band);
        for (int32_t k = 0; k < 6 && band + k < end; ++k) {
            const uint8_t* row = source_row(band + k);
            const auto bit = static_cast<uint8_t>(1 << k);
            for (int32_t x = 0; x < out_width; ++x) {
                const int32_t column = scratch->columns[x];
                const uint8_t r =
                    palette.register_of[padded && column == width ? palette.darkest : row[column]];
                bits[r * columns + x] |= bit;
                if (!in_band[r]) {
                    in_band[r] = 1;
                    band_registers[registers++] = r;
                }
            }
        }
        char* at = line;
        for (int32_t i = 0; i < registers; ++i) {
            const uint8_t r = band_registers[i];
            if (i > 0) *at++ = '$';
            *at++ = '#';
            at = put_number(at, r);
            at = put_sixel_row(at, bits + r * columns, out_width);
            std::memset(bits + r * columns, 0, columns);
        }
        if (band + 6 < end) *at++ = '-';
        out->append(line, static_cast<size_t>(at - line));
    }
    std::free(line);
    out->append("\x1b\\");
    return true;
}

size_t pack_image(const uint8_t* rgba, size_t stride, const ImagePlace& place, int32_t first,
                  int32_t end, bool png, ImageScratch* scratch) {
    first = std::max(first, 0);
    end = std::min(end, place.pixel_height);
    if (first >= end || place.pixel_width <= 0 || chafa_load() != 0) return 0;
    const auto width = static_cast<size_t>(place.pixel_width);
    const size_t row_bytes = width * 3 + (png ? 1 : 0);
    const size_t raw = row_bytes * static_cast<size_t>(end - first);
    if (!grow(&scratch->pixels, &scratch->pixels_size, raw)) return 0;
    const int32_t left = (place.pixel_width - place.picture_width) / 2;
    const int32_t top = (place.pixel_height - place.picture_height) / 2;
    uint8_t* at = scratch->pixels;
    for (int32_t y = first; y < end; ++y) {
        if (png) *at++ = 0;  // no filter
        std::memset(at, 0, width * 3);
        const int32_t source = y - top;
        if (source >= 0 && source < place.picture_height) {
            const uint8_t* from = rgba + static_cast<size_t>(source) * stride;
            uint8_t* to = at + static_cast<size_t>(left) * 3;
            for (int32_t x = 0; x < place.picture_width; ++x, from += 4, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
        at += width * 3;
    }
    constexpr size_t PNG_HEAD = 8 + 25 + 8, PNG_TAIL = 4 + 12;
    uLongf packed = chafa.compressBound(static_cast<uLong>(raw));
    const size_t head = png ? PNG_HEAD : 0;
    if (!grow(&scratch->packed, &scratch->packed_size, packed + head + PNG_TAIL)) return 0;
    if (chafa.compress2(scratch->packed + head, &packed, scratch->pixels, static_cast<uLong>(raw),
                        PACK_LEVEL) != Z_OK) {
        return 0;
    }
    if (!png) return packed;
    uint8_t* file = scratch->packed;
    static constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::memcpy(file, SIGNATURE, 8);
    put_be32(file + 8, 13);
    std::memcpy(file + 12, "IHDR", 4);
    put_be32(file + 16, static_cast<uint32_t>(width));
    put_be32(file + 20, static_cast<uint32_t>(end - first));
    const uint8_t ihdr_rest[5] = {8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, no filter, no interlace
    std::memcpy(file + 24, ihdr_rest, 5);
    put_be32(file + 29, static_cast<uint32_t>(chafa.crc32(0, file + 12, 17)));
    put_be32(file + 33, static_cast<uint32_t>(packed));
    std::memcpy(file + 37, "IDAT", 4);
    uint8_t* tail = file + head + packed;
    put_be32(tail, static_cast<uint32_t>(chafa.crc32(0, file + 37, static_cast<uInt>(packed + 4))));
    put_be32(tail + 4, 0);
    std::memcpy(tail + 8, "IEND", 4);
    put_be32(tail + 12, static_cast<uint32_t>(chafa.crc32(0, tail + 8, 4)));
    return head + packed + PNG_TAIL;
}

void append_base64(const uint8_t* bytes, size_t size, OutputBytes* out) {
    static constexpr char DIGITS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char block[4096];
    size_t used = 0;
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t a = bytes[i];
        const uint32_t b = i + 1 < size ? bytes[i + 1] : 0;
        const uint32_t c = i + 2 < size ? bytes[i + 2] : 0;
        const uint32_t triple = a << 16 | b << 8 | c;
        block[used++] = DIGITS[triple >> 18];
        block[used++] = DIGITS[(triple >> 12) & 63];
        block[used++] = i + 1 < size ? DIGITS[(triple >> 6) & 63] : '=';
        block[used++] = i + 2 < size ? DIGITS[triple & 63] : '=';
        if (used == sizeof block) {
            out->append(block, used);
            used = 0;
        }
    }
    out->append(block, used);
}

void append_kitty_command(const char* keys, const uint8_t* payload, size_t size, OutputBytes* out) {
    constexpr size_t RAW_CHUNK = KITTY_CHUNK / 4 * 3;
    size_t done = 0;
    do {
        const size_t part = std::min(RAW_CHUNK, size - done);
        const bool more = done + part < size;
        out->append("\x1b_G");
        if (done == 0) {
            out->append(keys);
            out->append(",");
        }
        if (done > 0) out->append("q=2,");
        out->append(more ? "m=1;" : "m=0;");
        append_base64(payload + done, part, out);
        out->append("\x1b\\");
        done += part;
    } while (done < size);
}

void append_iterm2_image(int32_t columns, int32_t rows, const uint8_t* png, size_t size,
                         OutputBytes* out) {
    char head[128];
    int n = std::snprintf(head, sizeof head,
                          "\x1b]1337;File=inline=1;size=%zu;width=%d;height=%d;"
                          "preserveAspectRatio=0:",
                          size, columns, rows);
    out->append(head, static_cast<size_t>(n));
    append_base64(png, size, out);
    out->append("\x07");
}

}  // namespace qx
