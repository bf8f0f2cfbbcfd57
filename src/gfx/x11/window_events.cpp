#include "gfx/x11/window_events.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <cstring>

#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/mouse_events.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "gfx/x11/window_layer.h"
#include "gfx/x11/x11_api.h"
#include "runtime/key_code.h"

namespace qx {

namespace {

constexpr uint16_t VK_F10 = 0x79;

KeyLookup lookup_with_xlib(XKeyEvent* event) {
    KeyLookup result{};
    result.length =
        x11.XLookupString(event, result.text, sizeof result.text - 1, &result.keysym, nullptr);
    if (result.length < 0) result.length = 0;
    return result;
}

// The grey keys: X keycode, scan code. Every other key of the main block is keycode - 8.
struct ExtendedKey {
    uint8_t keycode, scan_code;
};
constexpr ExtendedKey EXTENDED_KEYS[] = {
    {104, 0x1C}, {105, 0x1D}, {106, 0x35}, {107, 0x37}, {108, 0x38}, {110, 0x47},
    {111, 0x48}, {112, 0x49}, {113, 0x4B}, {114, 0x4D}, {115, 0x4F}, {116, 0x50},
    {117, 0x51}, {118, 0x52}, {119, 0x53}, {133, 0x5B}, {134, 0x5C}, {135, 0x5D},
};

// The virtual key a scanned key stands for in the keyboard state.
uint16_t scan_virtual_key(uint16_t scan, bool extended) {
    if (extended) {
        switch (scan) {
            case 0x1C:
                return VK_RETURN;
            case 0x1D:
                return VK_CONTROL;
            case 0x35:
                return VK_DIVIDE;
            case 0x37:
                return 0x2C;  // Print
            case 0x38:
                return VK_MENU;
            case 0x5B:
            case 0x5C:
            case 0x5D:
                return scan;  // Windows keys and Apps
            default:
                break;
        }
    } else if (scan == 0x4A) {
        return VK_SUBTRACT;
    } else if (scan == 0x4C) {
        return VK_CLEAR;
    }
    for (const ScanCodeVk* row = SCANCODE_VK_TABLE; row->scan_code != 0; ++row) {
        if (row->scan_code == scan) return row->virtual_key;
    }
    return 0;
}

// Keys whose typed byte is a character message: printable keys, the control keys that type
// one, and the keypad's characters. Delete types 0x7F under X but no character here.
bool types_character(KeySym keysym) {
    if (keysym < 0x100) return true;
    if (keysym >= XK_BackSpace && keysym <= XK_Escape) return true;
    return keysym >= XK_KP_Space && keysym <= XK_KP_9 && keysym != XK_KP_Delete;
}

void handle_key_press(XKeyEvent* event) {
    KeyLookup lookup = window_key_lookup(event);
    bool extended = false;
    uint16_t scan = keycode_scan_code(event->keycode, &extended);
    uint16_t virtual_key = keysym_virtual_key(lookup.keysym);
    if (lookup.keysym == XK_Control_R) window_input.right_ctrl_down = true;
    if (lookup.keysym == XK_Alt_R || lookup.keysym == XK_ISO_Level3_Shift) {
        window_input.right_alt_down = true;
    }
    bool alt = (event->state & Mod1Mask) != 0;
    bool system_key = alt || virtual_key == VK_F10 || virtual_key == VK_MENU;
    if (system_key && window_state.active == 0) return;
    if (system_key && alt && virtual_key == VK_RETURN) {
        toggle_full_screen();
        return;
    }
    uint32_t modifiers = 0;
    if (event->state & ShiftMask) modifiers |= SHIFT_PRESSED;
    if (event->state & ControlMask) modifiers |= LEFT_CTRL_PRESSED;
    if (window_input.right_ctrl_down) modifiers |= RIGHT_CTRL_PRESSED;
    if (alt) modifiers |= LEFT_ALT_PRESSED;
    if (window_input.right_alt_down) modifiers |= RIGHT_ALT_PRESSED;
    if (extended) modifiers |= ENHANCED_KEY;
    uint8_t character = 0;
    bool dead_key = lookup.keysym >= XK_dead_grave && lookup.keysym <= XK_dead_greek;
    if (lookup.length == 1 && !dead_key && types_character(lookup.keysym)) {
        character = static_cast<uint8_t>(lookup.text[0]);
    }
    int32_t code = translate_key(character, scan, virtual_key, modifiers);
    if (code > 255) graphics_key_post(code);
    // Alt with a key is a system character, which the program never sees as text.
    if (character != 0 && (!alt || (event->state & ControlMask))) {
        graphics_key_post(windows_1252_to_cp437(character));
    }
}

void handle_key_release(XKeyEvent* event) {
    KeyLookup lookup = window_key_lookup(event);
    if (lookup.keysym == XK_Control_R) window_input.right_ctrl_down = false;
    if (lookup.keysym == XK_Alt_R || lookup.keysym == XK_ISO_Level3_Shift) {
        window_input.right_alt_down = false;
    }
}

void handle_focus(const XFocusChangeEvent& event) {
    // Focus moving inside the window or a passing grab is no change of activation.
    if (event.detail == NotifyInferior || event.mode == NotifyGrab || event.mode == NotifyUngrab) {
        return;
    }
    window_state.active = event.type == FocusIn ? 1 : 0;
    if (screen != nullptr && screen->key_states != nullptr) std::memset(screen->key_states, 0, 128);
    window_input.buttons = 0;
    mark_all_rows_dirty();
}

// A mouse event at a window position, placed in the picture.
MouseEvent mouse_event_at(int32_t kind, int x, int y) {
    MouseEvent event{kind, x - window_state.picture_x, y - window_state.picture_y,
                     window_input.buttons, 0};
    clamp_mouse_position(&event.x, &event.y, window_state.width, window_state.height);
    return event;
}

void handle_button(const XButtonEvent& event) {
    int32_t bit = event.button == Button1   ? 1
                  : event.button == Button3 ? 2
                  : event.button == Button2 ? 4
                                            : 0;
    int32_t step = event.button == Button4 ? 1 : event.button == Button5 ? -1 : 0;
    if (event.type == ButtonPress) {
        window_input.buttons |= bit;
        window_input.wheel += step;
    } else {
        window_input.buttons &= ~bit;
    }
    if (bit != 0) {
        MouseEvent mouse = mouse_event_at(event.type == ButtonPress ? MOUSE_PRESS : MOUSE_RELEASE,
                                          event.x, event.y);
        mouse.buttons = bit;
        mouse_event_post(mouse);
    } else if (step != 0 && event.type == ButtonPress) {
        MouseEvent mouse = mouse_event_at(MOUSE_WHEEL, event.x, event.y);
        mouse.wheel = step;
        mouse_event_post(mouse);
    }
}

void show_cursor(bool visible) {
    static Cursor invisible = None;  // made once per connection the first time it is needed
    static Display* made_for = nullptr;
    Display* display = window_state.display;
    if (display == nullptr || window_state.window == None) return;
    if (visible) {
        x11.XUndefineCursor(display, window_state.window);
        return;
    }
    if (made_for != display) {
        static const char no_bits[8] = {};
        Pixmap blank = x11.XCreateBitmapFromData(display, window_state.window, no_bits, 8, 8);
        XColor black{};
        invisible = x11.XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
        x11.XFreePixmap(display, blank);
        made_for = display;
    }
    x11.XDefineCursor(display, window_state.window, invisible);
}

bool maximised(Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (x11.XGetWindowProperty(window_state.display, window, window_atoms.net_wm_state, 0, 64,
                               False, XA_ATOM, &type, &format, &count, &after, &data) != Success ||
        data == nullptr) {
        return false;
    }
    bool found = false;
    if (format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            found |= atoms[i] == window_atoms.net_wm_state_maximized_horz ||
                     atoms[i] == window_atoms.net_wm_state_maximized_vert;
        }
    }
    x11.XFree(data);
    return found;
}

void handle_client_message(const XClientMessageEvent& event) {
    if (event.message_type == window_atoms.cursor_message) {
        show_cursor(event.data.l[0] != 0);
    } else if (event.message_type == window_atoms.wm_protocols &&
               static_cast<Atom>(event.data.l[0]) == window_atoms.wm_delete_window) {
        graphics_key_post(KEY_CLOSE);  // the window stays: the program decides
    }
}

}  // namespace

KeyLookup (*window_key_lookup)(XKeyEvent* event) = lookup_with_xlib;

void handle_window_event(XEvent* event) {
    switch (event->type) {
        case KeyPress:
            handle_key_press(&event->xkey);
            break;
        case KeyRelease:
            handle_key_release(&event->xkey);
            break;
        case FocusIn:
        case FocusOut:
            handle_focus(event->xfocus);
            break;
        case ButtonPress:
        case ButtonRelease:
            handle_button(event->xbutton);
            break;
        case MotionNotify:
            mouse_event_post(mouse_event_at(MOUSE_MOVE, event->xmotion.x, event->xmotion.y));
            break;
        case Expose:
            if (window_state.paint != nullptr) window_state.paint();
            break;
        case ClientMessage:
            handle_client_message(event->xclient);
            break;
        case MapNotify:
            // The new window takes the focus, as a freshly opened program's window does.
            x11.XSetInputFocus(window_state.display, event->xmap.window, RevertToParent,
                               CurrentTime);
            break;
        case PropertyNotify:
            if (event->xproperty.atom == window_atoms.net_wm_state && window_state.active != 0 &&
                maximised(event->xproperty.window)) {
                toggle_full_screen();
            }
            break;
        default:
            break;
    }
}

uint16_t keycode_scan_code(uint32_t keycode, bool* extended) {
    *extended = false;
    if (keycode >= 9 && keycode <= 96) return static_cast<uint16_t>(keycode - 8);
    for (const ExtendedKey& key : EXTENDED_KEYS) {
        if (key.keycode == keycode) {
            *extended = true;
            return key.scan_code;
        }
    }
    return 0;
}

uint16_t keysym_virtual_key(KeySym keysym) {
    if (keysym >= 'a' && keysym <= 'z') return static_cast<uint16_t>(keysym - 'a' + 'A');
    if (keysym >= 0x20 && keysym <= 0x7E) {
        int16_t scan = vk_key_scan(static_cast<uint8_t>(keysym));
        return scan < 0 ? 0 : static_cast<uint16_t>(scan & 0xFF);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return static_cast<uint16_t>(VK_NUMPAD0 + (keysym - XK_KP_0));
    }
    if (keysym >= XK_F1 && keysym <= XK_F12) return static_cast<uint16_t>(VK_F1 + (keysym - XK_F1));
    switch (keysym) {
        case XK_BackSpace:
            return VK_BACK;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return VK_TAB;
        case XK_Return:
        case XK_KP_Enter:
            return VK_RETURN;
        case XK_Pause:
            return 0x13;
        case XK_Scroll_Lock:
            return 0x91;
        case XK_Escape:
            return VK_ESCAPE;
        case XK_Home:
        case XK_KP_Home:
            return VK_HOME;
        case XK_Left:
        case XK_KP_Left:
            return VK_LEFT;
        case XK_Up:
        case XK_KP_Up:
            return VK_UP;
        case XK_Right:
        case XK_KP_Right:
            return VK_RIGHT;
        case XK_Down:
        case XK_KP_Down:
            return VK_DOWN;
        case XK_Prior:
        case XK_KP_Prior:
            return VK_PRIOR;
        case XK_Next:
        case XK_KP_Next:
            return VK_NEXT;
        case XK_End:
        case XK_KP_End:
            return VK_END;
        case XK_KP_Begin:
            return VK_CLEAR;
        case XK_Insert:
        case XK_KP_Insert:
            return VK_INSERT;
        case XK_Delete:
        case XK_KP_Delete:
            return VK_DELETE;
        case XK_Print:
            return 0x2C;
        case XK_Menu:
            return 0x5D;
        case XK_Num_Lock:
            return 0x90;
        case XK_Caps_Lock:
            return 0x14;
        case XK_KP_Multiply:
            return VK_MULTIPLY;
        case XK_KP_Add:
            return VK_ADD;
        case XK_KP_Separator:
            return 0x6C;
        case XK_KP_Subtract:
            return VK_SUBTRACT;
        case XK_KP_Decimal:
            return VK_DECIMAL;
        case XK_KP_Divide:
            return VK_DIVIDE;
        case XK_Shift_L:
        case XK_Shift_R:
            return VK_SHIFT;
        case XK_Control_L:
        case XK_Control_R:
            return VK_CONTROL;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
        case XK_ISO_Level3_Shift:
            return VK_MENU;
        case XK_Super_L:
            return 0x5B;
        case XK_Super_R:
            return 0x5C;
        default:
            return 0;
    }
}

void key_states_from_keymap(const char keymap[32], uint8_t* key_states) {
    bool down[256] = {};
    for (uint32_t keycode = 8; keycode < 256; ++keycode) {
        if ((static_cast<uint8_t>(keymap[keycode >> 3]) >> (keycode & 7) & 1) == 0) continue;
        bool extended = false;
        uint16_t scan = keycode_scan_code(keycode, &extended);
        if (scan != 0) down[scan_virtual_key(scan, extended)] = true;
    }
    down[0] = false;
    for (const ScanCodeVk* row = SCANCODE_VK_TABLE; row->scan_code != 0; ++row) {
        bool pressed = down[row->virtual_key] ||
                       (row->second_virtual_key != 0 && down[row->second_virtual_key]);
        key_states[row->scan_code] = pressed ? 1 : 0;
    }
}

void toggle_full_screen() {
    if (window_state.flags & SCREEN_NO_SWITCH) return;
    if (window_state.destroy_window == nullptr || window_state.create_window == nullptr) return;
    window_state.destroy_window();
    window_state.flags ^= SCREEN_FULLSCREEN;
    if (window_state.create_window() != 0) {
        window_state.destroy_window();
        window_state.flags ^= SCREEN_FULLSCREEN;
        window_state.create_window();
    }
    resend_palette();
    mark_all_rows_dirty();
    window_state.active = 1;
}

}  // namespace qx
