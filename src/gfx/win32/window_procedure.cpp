// The window procedure of the layer's class: window messages become key codes, mouse state,
// activation, repaints and full-screen switches. Runs on the thread that owns the window, with
// the lock held for every message that pump_messages dispatches.
#include "gfx/win32/window_layer.h"

#include <cstring>

#include "gfx/code_pages.h"
#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/mouse_events.h"
#include "gfx/palette.h"
#include "gfx/screen.h"

namespace qx {

namespace {

constexpr UINT CODE_PAGE_437 = 437;

bool is_down(const BYTE* keyboard, int virtual_key) {
    return (keyboard[virtual_key] & 0x80) != 0;
}

// The console's control-key bits, which translate_key reads.
uint32_t modifier_word(const BYTE* keyboard, uint32_t key_bits) {
    uint32_t modifiers = 0;
    if (is_down(keyboard, VK_SHIFT) || is_down(keyboard, VK_LSHIFT) ||
        is_down(keyboard, VK_RSHIFT)) {
        modifiers |= SHIFT_PRESSED;
    }
    if (is_down(keyboard, VK_CONTROL) || is_down(keyboard, VK_LCONTROL)) {
        modifiers |= LEFT_CTRL_PRESSED;
    }
    if (is_down(keyboard, VK_RCONTROL)) modifiers |= RIGHT_CTRL_PRESSED;
    if (is_down(keyboard, VK_MENU) || is_down(keyboard, VK_LMENU)) modifiers |= LEFT_ALT_PRESSED;
    if (is_down(keyboard, VK_RMENU)) modifiers |= RIGHT_ALT_PRESSED;
    if (key_bits & (1u << 24)) modifiers |= ENHANCED_KEY;
    return modifiers;
}

// The message's repeat count; a message made by hand may say 0, which still is one key.
int32_t repeat_count(uint32_t key_bits) {
    const int32_t count = static_cast<int32_t>(key_bits & 0xFFFF);
    return count > 0 ? count : 1;
}

LRESULT key_down(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const uint32_t key_bits = static_cast<uint32_t>(lparam);
    const UINT virtual_key = LOWORD(wparam);
    const UINT scan_code = (key_bits >> 16) & 0xFF;
    BYTE keyboard[256] = {};
    GetKeyboardState(keyboard);
    const uint32_t modifiers = modifier_word(keyboard, key_bits);
    uint8_t character = 0;
    // A dead key is left alone: ToAscii would take the accent it is waiting to combine.
    if ((MapVirtualKeyA(virtual_key, MAPVK_VK_TO_CHAR) & 0x80000000u) == 0) {
        WORD typed = 0;
        if (ToAscii(virtual_key, scan_code, keyboard, &typed, 0) == 1) {
            character = static_cast<uint8_t>(typed & 0xFF);
        }
    }
    const int32_t code = translate_key(character, static_cast<uint16_t>(scan_code),
                                       static_cast<uint16_t>(virtual_key), modifiers);
    // Characters come as WM_CHAR; only the extended keys are posted here.
    if (code > 255) {
        for (int32_t i = repeat_count(key_bits); i > 0; --i)
            graphics_key_post(code);
    }
    // F10 and Alt would open the system menu, Alt+F4 would close the window: the program
    // decides what the close key means.
    if (virtual_key == VK_F10 || virtual_key == VK_MENU || code == KEY_CLOSE) return 0;
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// An ANSI character byte as code page 437, through UTF-16 as the system converts it.
uint8_t character_as_cp437(uint8_t byte) {
    const char ansi = static_cast<char>(byte);
    WCHAR wide[2] = {};
    const int wide_length = MultiByteToWideChar(CP_ACP, 0, &ansi, 1, wide, 2);
    char out[4] = {};
    const int length = wide_length > 0 ? WideCharToMultiByte(CODE_PAGE_437, 0, wide, wide_length,
                                                             out, sizeof out, nullptr, nullptr)
                                       : 0;
    // A system without the code page still gives the character by the shared table.
    return length > 0 ? static_cast<uint8_t>(out[0]) : windows_1252_to_cp437(byte);
}

void character(WPARAM wparam, LPARAM lparam) {
    if (wparam > 255) return;
    const int32_t code = character_as_cp437(static_cast<uint8_t>(wparam));
    for (int32_t i = repeat_count(static_cast<uint32_t>(lparam)); i > 0; --i)
        graphics_key_post(code);
}

void activate(WPARAM wparam) {
    window_state.active = wparam != 0 ? 1 : 0;
    if (screen != nullptr && screen->key_states != nullptr) std::memset(screen->key_states, 0, 128);
    window_input.buttons = 0;
    mark_all_rows_dirty();
}

// A client-area position of a mouse message (signed: a captured pointer may be left or above).
MouseEvent mouse_event_at(int32_t kind, LPARAM lparam) {
    MouseEvent event{kind, static_cast<int16_t>(LOWORD(lparam)),
                     static_cast<int16_t>(HIWORD(lparam)), window_input.buttons, 0};
    clamp_mouse_position(&event.x, &event.y, window_state.width, window_state.height);
    return event;
}

void set_button(int32_t bit, bool down, LPARAM lparam) {
    window_input.buttons = down ? (window_input.buttons | bit) : (window_input.buttons & ~bit);
    MouseEvent event = mouse_event_at(down ? MOUSE_PRESS : MOUSE_RELEASE, lparam);
    event.buttons = bit;
    mouse_event_post(event);
}

// The wheel message carries a screen position.
void wheel(HWND hwnd, WPARAM wparam, LPARAM lparam) {
    const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
    if (delta == 0) return;
    const int32_t step = delta > 0 ? 1 : -1;
    window_input.wheel += step;
    POINT point{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
    ScreenToClient(hwnd, &point);
    MouseEvent event = mouse_event_at(MOUSE_WHEEL, MAKELPARAM(point.x, point.y));
    event.wheel = step;
    mouse_event_post(event);
}

}  // namespace

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == window_input.cursor_message && message != 0) {
        ShowCursor(wparam != 0);
        return 0;
    }
    switch (message) {
        case WINDOW_TITLE_MESSAGE:
            SetWindowTextA(hwnd, window_state.title);
            return 0;
        case WM_SYSKEYDOWN:
            if (window_state.active == 0) break;
            if (wparam == VK_RETURN && (static_cast<uint32_t>(lparam) & (1u << 29)) != 0) {
                toggle_full_screen();
                return 0;
            }
            return key_down(hwnd, message, wparam, lparam);
        case WM_KEYDOWN:
            return key_down(hwnd, message, wparam, lparam);
        case WM_SIZE:
            if (wparam == SIZE_MAXIMIZED && window_state.active != 0) {
                toggle_full_screen();
                return 0;
            }
            break;
        case WM_CHAR:
            character(wparam, lparam);
            break;
        case WM_PAINT:
            if (window_state.paint != nullptr) window_state.paint();
            break;
        case WM_CLOSE:
            graphics_key_post(KEY_CLOSE);  // the window stays: the program decides
            return 0;
        case WM_ACTIVATEAPP:
            activate(wparam);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            set_button(1, message == WM_LBUTTONDOWN, lparam);
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            set_button(2, message == WM_RBUTTONDOWN, lparam);
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            set_button(4, message == WM_MBUTTONDOWN, lparam);
            break;
        case WM_MOUSEMOVE:
            mouse_event_post(mouse_event_at(MOUSE_MOVE, lparam));
            break;
        case WM_MOUSEWHEEL:
            if (window_state.os_version > 0x409) wheel(hwnd, wparam, lparam);
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

void toggle_full_screen() {
    if (window_state.flags & SCREEN_NO_SWITCH) return;
    if (window_state.destroy_window == nullptr || window_state.create_window == nullptr) return;
    window_state.destroy_window();
    window_state.flags ^= SCREEN_FULLSCREEN;
    if (window_state.create_window() != 0) {
        window_state.destroy_window();
        window_state.flags ^= SCREEN_FULLSCREEN;
        // With no window at all the program could never be told to end: tell it now.
        if (window_state.create_window() != 0) graphics_key_post(KEY_CLOSE);
    }
    resend_palette();
    mark_all_rows_dirty();
    window_state.active = 1;
}

}  // namespace qx
