// DirectDraw and DirectInput for the "DirectX" driver: the two entry points loaded at run time,
// the interface identifiers it asks for, the keyboard data format and the reading of a display
// surface's pixel format. The identifiers are our own constants, so the program links neither
// dxguid nor dinput and runs where ddraw.dll or dinput.dll is missing.
#pragma once

// Before <windows.h>, whose macros share the key translation's constant names.
#include "runtime/key_code.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0300
#endif
#include <windows.h>

#include <ddraw.h>
#include <dinput.h>

#include <cstdint>

namespace qx {

inline constexpr const char* DDRAW_LIBRARY = "ddraw.dll";
inline constexpr const char* DINPUT_LIBRARY = "dinput.dll";
inline constexpr DWORD DINPUT_VERSION_USED = 0x0300;

inline constexpr GUID DIRECTDRAW2_IID = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
inline constexpr GUID SYSTEM_KEYBOARD_GUID = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr GUID KEY_OBJECT_GUID = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

#define QX_DDRAW_SYMBOLS(X) X(HRESULT, DirectDrawCreate, (GUID*, LPDIRECTDRAW*, IUnknown*))
#define QX_DINPUT_SYMBOLS(X) \
    X(HRESULT, DirectInputCreateA, (HINSTANCE, DWORD, LPDIRECTINPUTA*, LPUNKNOWN))

struct DirectXApi {
#define QX_DIRECTX_FIELD(ret, name, params) ret(WINAPI* name) params = nullptr;
    QX_DDRAW_SYMBOLS(QX_DIRECTX_FIELD)
    QX_DINPUT_SYMBOLS(QX_DIRECTX_FIELD)
#undef QX_DIRECTX_FIELD
};
// Calls read directx.DirectDrawCreate(...). The libraries, once loaded, stay for the process:
// the program's thread may be inside ddraw.dll (wait_vsync, fetch_modes) while the update
// thread tears its objects down.
extern DirectXApi directx;

// 0 when both libraries and entry points are there; -1 (with the refusal reason set) leaves
// directx untouched. Safe to call from either thread, and again after a success.
int32_t directx_load();

// The standard 256-byte keyboard format: one optional button per scan code at its own offset.
// Both arrays are the caller's; the format points into `objects`.
constexpr int32_t KEYBOARD_OBJECT_COUNT = 256;
void build_keyboard_data_format(DIDATAFORMAT* format,
                                DIOBJECTDATAFORMAT (&objects)[KEYBOARD_OBJECT_COUNT]);

// What a surface's pixel format means to the blitters.
struct DisplayFormat {
    int32_t depth;    // 8, 15, 16, 24 or 32; 0 when the blitters cannot write the format
    int32_t red_low;  // 1 when red sits in the low bits
};
// 16-bit with a 5-bit green reads as 15. Only indexed 8-bit and the RGB/BGR layouts with full
// 5/6/8-bit channels are accepted: anything else would come out as garbage colours.
DisplayFormat display_format(const DDPIXELFORMAT& format);

// The depth a listed display mode counts as for fetch_modes (16 with a 5-bit green is 15).
int32_t mode_depth(const DDPIXELFORMAT& format);

}  // namespace qx
