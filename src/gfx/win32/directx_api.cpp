#include "gfx/win32/directx_api.h"

#include <mutex>

#include "gfx/driver/display_driver.h"

namespace qx {

DirectXApi directx;

namespace {

std::mutex load_mutex;  // the update thread and the program's thread may both load

// FARPROC to the entry's own type, through the generic function type GCC accepts silently.
// The first name not found goes to *missing.
template <typename Function>
void bind(Function*& slot, HMODULE library, const char* name, const char** missing) {
    slot = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    if (slot == nullptr && *missing == nullptr) *missing = name;
}

struct ChannelMasks {
    DWORD red, green, blue;
};

bool masks_are(const DDPIXELFORMAT& format, const ChannelMasks& masks) {
    return format.dwRBitMask == masks.red && format.dwGBitMask == masks.green &&
           format.dwBBitMask == masks.blue;
}

}  // namespace

int32_t directx_load() {
    std::lock_guard<std::mutex> hold(load_mutex);
    if (directx.DirectDrawCreate != nullptr) return 0;
    HMODULE ddraw = LoadLibraryA(DDRAW_LIBRARY);
    if (ddraw == nullptr) return driver_refusal("cannot load %s", DDRAW_LIBRARY);
    HMODULE dinput = LoadLibraryA(DINPUT_LIBRARY);
    if (dinput == nullptr) {
        FreeLibrary(ddraw);
        return driver_refusal("cannot load %s", DINPUT_LIBRARY);
    }
    DirectXApi loaded;
    const char* missing = nullptr;
#define QX_DDRAW_BIND(ret, name, params) bind(loaded.name, ddraw, #name, &missing);
#define QX_DINPUT_BIND(ret, name, params) bind(loaded.name, dinput, #name, &missing);
    QX_DDRAW_SYMBOLS(QX_DDRAW_BIND)
    QX_DINPUT_SYMBOLS(QX_DINPUT_BIND)
#undef QX_DDRAW_BIND
#undef QX_DINPUT_BIND
    if (missing != nullptr) {
        FreeLibrary(dinput);
        FreeLibrary(ddraw);
        return driver_refusal("no %s in %s or %s", missing, DDRAW_LIBRARY, DINPUT_LIBRARY);
    }
    directx = loaded;
    return 0;
}

void build_keyboard_data_format(DIDATAFORMAT* format,
                                DIOBJECTDATAFORMAT (&objects)[KEYBOARD_OBJECT_COUNT]) {
    for (int32_t i = 0; i < KEYBOARD_OBJECT_COUNT; ++i) {
        objects[i] = DIOBJECTDATAFORMAT{
            .pguid = &KEY_OBJECT_GUID,
            .dwOfs = static_cast<DWORD>(i),
            .dwType = DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i),
            .dwFlags = 0,
        };
    }
    *format = DIDATAFORMAT{
        .dwSize = sizeof(DIDATAFORMAT),
        .dwObjSize = sizeof(DIOBJECTDATAFORMAT),
        .dwFlags = DIDF_RELAXIS,
        .dwDataSize = KEYBOARD_OBJECT_COUNT,
        .dwNumObjs = KEYBOARD_OBJECT_COUNT,
        .rgodf = objects,
    };
}

int32_t mode_depth(const DDPIXELFORMAT& format) {
    const auto bits = static_cast<int32_t>(format.dwRGBBitCount);
    return bits == 16 && format.dwGBitMask == 0x3E0 ? 15 : bits;
}

DisplayFormat display_format(const DDPIXELFORMAT& format) {
    constexpr DisplayFormat REFUSED = {.depth = 0, .red_low = 0};
    if (!(format.dwFlags & (DDPF_RGB | DDPF_PALETTEINDEXED8))) return REFUSED;
    const int32_t depth = mode_depth(format);
    if (depth == 8) return {8, 0};
    if (!(format.dwFlags & DDPF_RGB)) return REFUSED;
    ChannelMasks red_high{}, red_low{};
    switch (depth) {
        case 15:
            red_high = {0x7C00, 0x3E0, 0x1F};
            break;
        case 16:
            red_high = {0xF800, 0x7E0, 0x1F};
            break;
        case 24:
        case 32:
            red_high = {0xFF0000, 0xFF00, 0xFF};
            break;
        default:
            return REFUSED;
    }
    red_low = {red_high.blue, red_high.green, red_high.red};
    if (masks_are(format, red_high)) return {depth, 0};
    if (masks_are(format, red_low)) return {depth, 1};
    return REFUSED;
}

}  // namespace qx
