// QX beside Allegro 4 (drawing on an 8-bit memory bitmap, conversions by blit) and SDL2
// (conversions), in one process: every bench checks its pixels once, is calibrated to about
// 20 ms a sample, then rounds sample every bench once in turn. Prints one line per sample
// ("sample <round> <bench> <ns per op>") and a summary; scripts/bench runs it several times
// and gathers the ratios of the same round. Arguments: [rounds [text the bench names hold]].
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gfx/coordinates.h"
#include "gfx/driver/blitter.h"
#include "gfx/ellipse.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"

// Allegro's header defines short macros and a global `screen`: it comes after QX's.
#include <SDL.h>
#include <allegro.h>

namespace {

constexpr int W = 640, H = 480;
constexpr int ROUNDS = 15;
constexpr double SAMPLE_NS = 20e6;
constexpr int POINTS = 1000000;

uint32_t xorshift32(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

void clobber() {
    asm volatile("" ::: "memory");
}

struct Bench {
    std::string name;
    double ops_per_iter;
    std::function<void(int64_t)> run;
    int64_t iterations = 1;
    std::vector<double> samples;  // ns per op, one per round
};

std::vector<Bench> benches;
int failures = 0;

void expect(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "check failed: %s\n", what.c_str());
    ++failures;
}

void add(std::string name, double ops, std::function<void(int64_t)> run) {
    benches.push_back({std::move(name), ops, std::move(run), 1, {}});
}

double time_ns(Bench& b, int64_t iterations) {
    auto start = std::chrono::steady_clock::now();
    b.run(iterations);
    auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(stop - start).count();
}

void calibrate(Bench& b) {
    int64_t n = 1;
    double t = time_ns(b, n);
    while (t < SAMPLE_NS / 10) {
        n *= 2;
        t = time_ns(b, n);
    }
    b.iterations = std::max<int64_t>(1, static_cast<int64_t>(n * SAMPLE_NS / t));
}

// ---- QX ------------------------------------------------------------------------------------

constexpr float FTM = qx::FULL_TURN_MARK;

void qx_fill(uint32_t c) {
    qx::draw_line(nullptr, 0, 0, W - 1, H - 1, c, 2, 0xFFFF, 0);
}

uint32_t qx_pixel(int x, int y) {
    return qx::screen->visible_page[y * qx::screen->pitch + x];
}

const unsigned char BLANKS[] = "              ";

void qx_goal() {
    qx::draw_line(nullptr, 599, 20, 622, 60, 10, 2, 0xFFFF, 0);
    for (int r = 1; r <= 12; ++r)
        qx::draw_ellipse(nullptr, 611, 24, static_cast<float>(r), 10, 0, 0.426f, 2.854f, 0, 0);
    qx::draw_ellipse(nullptr, 615, 40, 4, 15, 0.5f, 0, FTM, 1, 0);
}
void qx_balls() {
    qx::draw_ellipse(nullptr, 488, 256, 25, 12, 1.0f, 0, FTM, 1, 0);
    qx::draw_ellipse(nullptr, 488, 256, 26, 0, 0, 0, FTM, 0, 0);
    qx::draw_ellipse(nullptr, 455, 165, 25, 12, 1.0f, 0, FTM, 1, 0);
    qx::draw_ellipse(nullptr, 455, 165, 26, 0, 0, 0, FTM, 0, 0);
}
constexpr int BOXES[3][4] = {{300, 200, 307, 212}, {340, 180, 347, 192}, {260, 230, 267, 242}};
void qx_chasers() {
    for (const auto& b : BOXES) {
        for (uint32_t c : {0u, 15u})
            qx::draw_line(nullptr, static_cast<float>(b[0]), static_cast<float>(b[1]),
                          static_cast<float>(b[2]), static_cast<float>(b[3]), c, 1, 0xFFFF, 0);
    }
}
void qx_text() {
    for (int k = 0; k < 3; ++k) {
        qx::locate(1, 1, -1, nullptr);
        qx::print_string(0, BLANKS, 14, 1);
    }
}
void qx_player() {
    qx::draw_ellipse(nullptr, 50, 300, 21, 0, 1.0f, 0, FTM, 1, 0);
    qx::draw_ellipse(nullptr, 50, 300, 20, 15, 1.0f, 0, FTM, 1, 0);
}
void qx_frame() {
    qx_goal();
    qx_balls();
    qx_chasers();
    qx_text();
    qx_player();
}

// ---- Allegro --------------------------------------------------------------------------------

BITMAP* canvas = nullptr;

void al_goal() {
    rectfill(canvas, 599, 20, 622, 60, 10);
    for (int r = 1; r <= 12; ++r)
        arc(canvas, 611, 24, ftofix(0.426 * 128 / M_PI), ftofix(2.854 * 128 / M_PI), r, 10);
    ellipsefill(canvas, 615, 40, 4, 2, 15);
}
void al_balls() {
    circlefill(canvas, 488, 256, 25, 12);
    circle(canvas, 488, 256, 26, 0);
    circlefill(canvas, 455, 165, 25, 12);
    circle(canvas, 455, 165, 26, 0);
}
void al_chasers() {
    for (const auto& b : BOXES) {
        rect(canvas, b[0], b[1], b[2], b[3], 0);
        rect(canvas, b[0], b[1], b[2], b[3], 15);
    }
}
void al_text() {
    for (int k = 0; k < 3; ++k)
        textout_ex(canvas, font, reinterpret_cast<const char*>(BLANKS), 0, 0, 15, 0);
}
void al_player() {
    circlefill(canvas, 50, 300, 21, 0);
    circlefill(canvas, 50, 300, 20, 15);
}
void al_frame() {
    al_goal();
    al_balls();
    al_chasers();
    al_text();
    al_player();
}

// The probes every frame must leave on a screen filled with 7 first.
void check_frame(const char* who, const std::function<uint32_t(int, int)>& pixel) {
    const int probes[][3] = {
        {600, 59, 10}, {623, 21, 7},  {622, 21, 10}, {615, 40, 15},  {488, 256, 12}, {513, 256, 12},
        {514, 256, 0}, {515, 256, 7}, {455, 139, 0}, {300, 200, 15}, {303, 205, 7},  {50, 300, 15},
        {70, 300, 15}, {71, 300, 0},  {72, 300, 7},  {112, 0, 7},    {0, 8, 7}};
    for (const auto& p : probes) {
        expect(
            pixel(p[0], p[1]) == static_cast<uint32_t>(p[2]),
            std::string(who) + " frame pixel " + std::to_string(p[0]) + "," + std::to_string(p[1]));
    }
    bool blank = true;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 112; ++x)
            blank = blank && pixel(x, y) == 0;
    expect(blank, std::string(who) + " frame text cells");
}

int64_t count_qx(uint32_t c) {
    int64_t n = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            n += qx_pixel(x, y) == c;
    return n;
}
int64_t count_allegro(int c) {
    int64_t n = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            n += canvas->line[y][x] == c;
    return n;
}

void add_frame_benches() {
    const std::pair<const char*, std::pair<void (*)(), void (*)()>> parts[] = {
        {"", {al_frame, qx_frame}},
        {"_part_goal", {al_goal, qx_goal}},
        {"_part_balls", {al_balls, qx_balls}},
        {"_part_chasers", {al_chasers, qx_chasers}},
        {"_part_text", {al_text, qx_text}},
        {"_part_player", {al_player, qx_player}},
    };
    clear_to_color(canvas, 7);
    al_frame();
    check_frame("allegro", [](int x, int y) { return uint32_t{canvas->line[y][x]}; });
    qx_fill(7);
    qx_frame();
    check_frame("qx", qx_pixel);
    for (const auto& [suffix, calls] : parts) {
        auto al = calls.first;
        auto qx_calls = calls.second;
        add(std::string("frame_allegro") + suffix, 1, [al](int64_t n) {
            for (int64_t i = 0; i < n; ++i)
                al();
            clobber();
        });
        add(std::string("frame_qx") + suffix, 1, [qx_calls](int64_t n) {
            for (int64_t i = 0; i < n; ++i)
                qx_calls();
            clobber();
        });
    }
}

// One primitive on both sides: draws with colour 1 on a cleared screen first and checks the
// pixel count.
struct Primitive {
    const char* name;
    double ops;
    std::function<void(int64_t i, int c)> allegro, qx;
    int64_t allegro_count, qx_count;  // -1: not counted
};

std::vector<float> point_x, point_y;
std::vector<int> point_xi, point_yi;

std::string eighty_characters() {
    std::string s;
    for (int k = 0; k < 80; ++k)
        s += static_cast<char>(33 + (7 * k) % 94);
    return s;
}

void add_primitive_benches() {
    uint32_t seed = 12345;
    for (int k = 0; k < POINTS; ++k) {
        point_xi.push_back(static_cast<int>(xorshift32(seed) % W));
        point_yi.push_back(static_cast<int>(xorshift32(seed) % H));
        point_x.push_back(static_cast<float>(point_xi.back()));
        point_y.push_back(static_cast<float>(point_yi.back()));
    }
    std::vector<uint8_t> hit(W * H);
    int64_t distinct = 0;
    for (int k = 0; k < POINTS; ++k)
        distinct += hit[point_yi[k] * W + point_xi[k]]++ == 0;
    static const std::string text = eighty_characters();
    const Primitive primitives[] = {
        {"circlefill_r25", 1, [](int64_t, int c) { circlefill(canvas, 320, 240, 25, c); },
         [](int64_t, int c) {
             qx::draw_ellipse(nullptr, 320, 240, 25, static_cast<uint32_t>(c), 1.0f, 0, FTM, 1, 0);
         },
         2025, 2017},
        {"circlefill_r100", 1, [](int64_t, int c) { circlefill(canvas, 320, 240, 100, c); },
         [](int64_t, int c) {
             qx::draw_ellipse(nullptr, 320, 240, 100, static_cast<uint32_t>(c), 1.0f, 0, FTM, 1, 0);
         },
         31689, 31593},
        {"ellipsefill_20x6", 1, [](int64_t, int c) { ellipsefill(canvas, 320, 240, 20, 6, c); },
         [](int64_t, int c) {
             qx::draw_ellipse(nullptr, 320, 240, 20, static_cast<uint32_t>(c), 0.3f, 0, FTM, 1, 0);
         },
         425, 405},
        {"rectfill_640x480", 1, [](int64_t, int c) { rectfill(canvas, 0, 0, W - 1, H - 1, c); },
         [](int64_t, int c) { qx_fill(static_cast<uint32_t>(c)); }, W * H, W * H},
        {"hline_640", 1,
         [](int64_t i, int c) { hline(canvas, 0, static_cast<int>(i % H), W - 1, c); },
         [](int64_t i, int c) {
             auto y = static_cast<float>(i % H);
             qx::draw_line(nullptr, 0, y, W - 1, y, static_cast<uint32_t>(c), 0, 0xFFFF, 0);
         },
         W, W},
        {"line_diag", 1, [](int64_t, int c) { line(canvas, 0, 0, W - 1, H - 1, c); },
         [](int64_t, int c) {
             qx::draw_line(nullptr, 0, 0, W - 1, H - 1, static_cast<uint32_t>(c), 0, 0xFFFF, 0);
         },
         W, W},
        {"textout80_bg", 1,
         [](int64_t i, int) {
             textout_ex(canvas, font, text.c_str(), 0, static_cast<int>(i % 60) * 8, 15, 0);
         },
         [](int64_t i, int) {
             qx::locate(static_cast<int32_t>(i % 60) + 1, 1, -1, nullptr);
             qx::print_string(0, reinterpret_cast<const unsigned char*>(text.data()), 80, 0);
         },
         -1, -1},
        {"putpixel_1M", POINTS,
         [](int64_t, int) {
             for (int k = 0; k < POINTS; ++k)
                 putpixel(canvas, point_xi[k], point_yi[k], (k & 15) + 1);
         },
         [](int64_t, int) {
             for (int k = 0; k < POINTS; ++k)
                 qx::draw_point(nullptr, point_x[k], point_y[k], static_cast<uint32_t>(k & 15) + 1,
                                0, 0);
         },
         -1, -1},
    };
    for (const Primitive& p : primitives) {
        clear_to_color(canvas, 0);
        p.allegro(0, 1);
        qx_fill(0);
        p.qx(0, 1);
        int64_t al = count_allegro(0), qx = count_qx(0);
        if (p.allegro_count >= 0) {
            expect(W * H - al == p.allegro_count, std::string("allegro pixels of ") + p.name);
            expect(W * H - qx == p.qx_count, std::string("qx pixels of ") + p.name);
        } else {
            int64_t want = std::string(p.name) == "putpixel_1M" ? distinct : -1;
            expect(want < 0 || W * H - al == want, std::string("allegro pixels of ") + p.name);
            expect(want < 0 || W * H - qx == want, std::string("qx pixels of ") + p.name);
            expect(W * H - qx > 0 && W * H - al > 0, std::string("pixels of ") + p.name);
        }
        auto al_call = p.allegro;
        auto qx_call = p.qx;
        add(std::string("prim_allegro_") + p.name, p.ops, [al_call](int64_t n) {
            for (int64_t i = 0; i < n; ++i)
                al_call(i, static_cast<int>(i & 15));
            clobber();
        });
        add(std::string("prim_qx_") + p.name, p.ops, [qx_call](int64_t n) {
            for (int64_t i = 0; i < n; ++i)
                qx_call(i, static_cast<int>(i & 15));
            clobber();
        });
    }
}

// ---- Conversions ----------------------------------------------------------------------------

struct Palette {
    uint8_t r[256], g[256], b[256];
    Palette() {
        uint32_t s = 0x9E3779B9;
        for (int i = 0; i < 256; ++i) {
            r[i] = static_cast<uint8_t>(xorshift32(s) >> 24);
            g[i] = static_cast<uint8_t>(xorshift32(s) >> 24);
            b[i] = static_cast<uint8_t>(xorshift32(s) >> 24);
        }
    }
};
const Palette COLOURS;

// A QX screen of its own in memory, every row dirty: the blitters read `screen` only.
struct QxSource {
    qx::ScreenContext context{};
    std::vector<uint8_t> page, dirty;
    uint32_t palette[256];
    uint32_t lookup[qx::HICOLOR_LOOKUP_ENTRIES];

    QxSource(int depth, int w, int h, const uint8_t* pixels) {
        context.depth = depth;
        context.width = w;
        context.height = h;
        context.scanline_size = 1;
        context.pitch = w * depth / 8;
        context.screen_flags = qx::SCREEN_HAS_MMX;
        page.assign(pixels, pixels + static_cast<size_t>(context.pitch) * h);
        dirty.assign(static_cast<size_t>(h), 1);
        for (int i = 0; i < 256; ++i)
            palette[i] = uint32_t{COLOURS.b[i]} << 16 | uint32_t{COLOURS.g[i]} << 8 | COLOURS.r[i];
        context.visible_page = page.data();
        context.dirty_lines = dirty.data();
        context.device_palette = palette;
    }
    // Makes this the screen while `call` runs, as a driver's update would.
    template <typename Call>
    void with(Call call) {
        qx::ScreenContext* saved = qx::screen;
        uint32_t* saved_lookup = qx::HICOLOR_LOOKUP;
        qx::screen = &context;
        qx::HICOLOR_LOOKUP = lookup;
        call();
        qx::screen = saved;
        qx::HICOLOR_LOOKUP = saved_lookup;
    }
};

uint32_t qx_rgb(int depth, const uint8_t* p, const uint32_t* palette) {
    if (depth == 8) {
        uint32_t c = palette[*p];
        return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }
    if (depth == 16) {
        uint32_t v = p[0] | p[1] << 8;
        return (v & 0xF800) << 8 | (v & 0x07E0) << 5 | (v & 0x1F) << 3;
    }
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v & 0xFFFFFF;
}

std::string size_suffix(int w, int h) {
    char text[32];
    std::snprintf(text, sizeof text, "_%dx%d", w, h);
    return text;
}

// One conversion kind at one size, on every side.
void add_conversion(const char* kind, int depth, int w, int h) {
    const std::string size = size_suffix(w, h);
    const int bytes = depth / 8;
    const size_t pixels = static_cast<size_t>(w) * h;
    std::vector<uint8_t> source(pixels * bytes);
    uint32_t s = 99;
    for (auto& v : source)
        v = static_cast<uint8_t>(xorshift32(s) >> 24);
    const bool swap = depth == 32;  // the 32-bit kind is the red/blue exchange
    auto* dst = new std::vector<uint32_t>(pixels);

    // QX: the chosen blitter and both groups.
    auto* qx_source = new QxSource(depth, w, h, source.data());
    const int red_low = swap ? 1 : 0;
    qx::Blitter chosen = nullptr;
    qx_source->with([&] { chosen = qx::select_blitter(32, red_low); });
    const std::pair<const char*, qx::Blitter> groups[] = {
        {"", chosen},
        {"_plain", qx::choose_blitter(depth, 32, red_low, false)},
        {"_fast", qx::choose_blitter(depth, 32, red_low, true)},
    };
    for (const auto& [group, blitter] : groups) {
        std::fill(dst->begin(), dst->end(), 0xDEADBEEF);
        qx_source->with([&] { blitter(reinterpret_cast<uint8_t*>(dst->data()), 4 * w); });
        bool exact = true;
        for (size_t i = 0; i < pixels && exact; ++i) {
            uint32_t rgb = qx_rgb(depth, &source[i * bytes], qx_source->palette);
            if (swap) rgb = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16;
            exact = (*dst)[i] == rgb;
        }
        expect(exact, std::string(kind) + "_qx" + group + size);
        add(std::string(kind) + "_qx" + group + size, static_cast<double>(pixels),
            [qx_source, blitter, dst, w](int64_t n) {
                qx_source->with([&] {
                    for (int64_t i = 0; i < n; ++i) {
                        blitter(reinterpret_cast<uint8_t*>(dst->data()), 4 * w);
                        clobber();
                    }
                });
            });
    }

    // SDL: a blit, and a pixel conversion where SDL has one for the pair.
    const uint32_t sdl_in = depth == 8    ? SDL_PIXELFORMAT_INDEX8
                            : depth == 16 ? SDL_PIXELFORMAT_RGB565
                                          : SDL_PIXELFORMAT_XRGB8888;
    const uint32_t sdl_out = swap ? SDL_PIXELFORMAT_XBGR8888 : SDL_PIXELFORMAT_XRGB8888;
    SDL_Surface* from = SDL_CreateRGBSurfaceWithFormat(0, w, h, depth, sdl_in);
    SDL_Surface* to = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, sdl_out);
    if (!from || !to) {
        expect(false, std::string("SDL surfaces: ") + SDL_GetError());
        return;
    }
    if (depth == 8) {
        SDL_Color colors[256];
        for (int i = 0; i < 256; ++i)
            colors[i] = {COLOURS.r[i], COLOURS.g[i], COLOURS.b[i], 255};
        SDL_SetPaletteColors(from->format->palette, colors, 0, 256);
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<uint8_t*>(from->pixels) + y * from->pitch,
                    &source[static_cast<size_t>(y) * w * bytes], static_cast<size_t>(w) * bytes);
    SDL_BlitSurface(from, nullptr, to, nullptr);
    bool exact = true;
    for (int y = 0; y < h && exact; ++y) {
        for (int x = 0; x < w && exact; ++x) {
            const uint8_t* p =
                static_cast<const uint8_t*>(from->pixels) + y * from->pitch + x * bytes;
            uint8_t r, g, b, rr, gg, bb;
            uint32_t in = depth == 8 ? *p : depth == 16 ? uint32_t{p[0]} | p[1] << 8 : 0;
            if (depth == 32) std::memcpy(&in, p, 4);
            SDL_GetRGB(in, from->format, &r, &g, &b);
            uint32_t out;
            std::memcpy(&out, static_cast<const uint8_t*>(to->pixels) + y * to->pitch + 4 * x, 4);
            SDL_GetRGB(out, to->format, &rr, &gg, &bb);
            // SDL's 5-6-5 blit table may land one below its own SDL_GetRGB (FFFF -> FFFEFF).
            const int slack = depth == 16 ? 1 : 0;
            exact =
                std::abs(r - rr) <= slack && std::abs(g - gg) <= slack && std::abs(b - bb) <= slack;
        }
    }
    expect(exact, std::string(kind) + "_sdl" + size);
    add(std::string(kind) + "_sdl" + size, static_cast<double>(pixels), [from, to](int64_t n) {
        for (int64_t i = 0; i < n; ++i) {
            SDL_BlitSurface(from, nullptr, to, nullptr);
            clobber();
        }
    });
    if (depth != 8) {
        add(std::string(kind) + "_sdl_convert" + size, static_cast<double>(pixels),
            [from, to, w, h, sdl_in, sdl_out](int64_t n) {
                for (int64_t i = 0; i < n; ++i) {
                    SDL_ConvertPixels(w, h, sdl_in, from->pixels, from->pitch, sdl_out, to->pixels,
                                      to->pitch);
                    clobber();
                }
            });
    }

    // Allegro: 8 and 16 bits to its 32-bit layout.
    if (depth == 32) return;
    BITMAP* al_from = create_bitmap_ex(depth, w, h);
    BITMAP* al_to = create_bitmap_ex(32, w, h);
    for (int y = 0; y < h; ++y)
        std::memcpy(al_from->line[y], &source[static_cast<size_t>(y) * w * bytes],
                    static_cast<size_t>(w) * bytes);
    blit(al_from, al_to, 0, 0, 0, 0, w, h);
    exact = true;
    for (int y = 0; y < h && exact; ++y) {
        for (int x = 0; x < w && exact; ++x) {
            int in = getpixel(al_from, x, y);
            int out = getpixel(al_to, x, y);
            exact = getr_depth(depth, in) == getr32(out) && getg_depth(depth, in) == getg32(out) &&
                    getb_depth(depth, in) == getb32(out);
        }
    }
    expect(exact, std::string(kind) + "_allegro" + size);
    add(std::string(kind) + "_allegro" + size, static_cast<double>(pixels),
        [al_from, al_to, w, h](int64_t n) {
            for (int64_t i = 0; i < n; ++i) {
                blit(al_from, al_to, 0, 0, 0, 0, w, h);
                clobber();
            }
        });
}

void add_limits(int w, int h) {
    const std::string size = size_suffix(w, h);
    const size_t bytes = 4 * static_cast<size_t>(w) * h;
    auto* from = new std::vector<uint8_t>(bytes, 1);
    auto* to = new std::vector<uint8_t>(bytes, 0);
    const double pixels = static_cast<double>(w) * h;
    add("limit_memset" + size, pixels, [to, bytes](int64_t n) {
        for (int64_t i = 0; i < n; ++i) {
            std::memset(to->data(), static_cast<int>(i), bytes);
            clobber();
        }
    });
    add("limit_memcpy" + size, pixels, [from, to, bytes](int64_t n) {
        for (int64_t i = 0; i < n; ++i) {
            std::memcpy(to->data(), from->data(), bytes);
            clobber();
        }
    });
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = ROUNDS;
    if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "allegro did not start\n");
        return 1;
    }
    set_color_depth(8);
    ::PALETTE al_palette;
    for (int i = 0; i < 256; ++i)
        al_palette[i] = {static_cast<unsigned char>(COLOURS.r[i] >> 2),
                         static_cast<unsigned char>(COLOURS.g[i] >> 2),
                         static_cast<unsigned char>(COLOURS.b[i] >> 2), 0};
    set_palette(al_palette);
    canvas = create_bitmap_ex(8, W, H);

    setenv("QXGFX", "null", 1);
    qx::install_memory_console(80, 25, 25);
    if (qx::screen_res(W, H, 8, 0, 0, 0) != 0) {
        std::fprintf(stderr, "no QX screen\n");
        return 1;
    }

    add_frame_benches();
    add_primitive_benches();
    for (auto [w, h] : {std::pair{640, 480}, std::pair{1280, 1024}}) {
        add_conversion("blit8to32", 8, w, h);
        add_conversion("blit16to32", 16, w, h);
        add_conversion("blit32swap", 32, w, h);
        add_limits(w, h);
    }
    if (failures) return 1;
    if (argc > 2) {
        // Only the benches whose names hold this text, with their peers (a quick look).
        const std::string only = argv[2];
        std::erase_if(benches,
                      [&](const Bench& b) { return b.name.find(only) == std::string::npos; });
    }

    for (Bench& b : benches)
        calibrate(b);
    for (int round = 0; round < rounds; ++round) {
        for (Bench& b : benches) {
            double ns =
                time_ns(b, b.iterations) / (static_cast<double>(b.iterations) * b.ops_per_iter);
            b.samples.push_back(ns);
            std::printf("sample %d %s %.6g\n", round, b.name.c_str(), ns);
        }
    }
    for (const Bench& b : benches) {
        std::printf("bench %-34s median %10.4g  min %10.4g ns/op\n", b.name.c_str(),
                    median(b.samples), *std::min_element(b.samples.begin(), b.samples.end()));
    }
    return 0;
}
