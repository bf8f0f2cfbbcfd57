// The window's event handling fed with XEvent records, no server: keys, close, focus, mouse,
// repaint, full-screen switch, key states; and the character sets at the window's edge.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/mouse_events.h"
#include "gfx/x11/window_events.h"
#include "gfx/x11/window_layer.h"
#include "null_screen.h"

namespace qx {
namespace {

// A US keyboard for the keycodes the tests press; what XLookupString would report.
KeyLookup fake_lookup(XKeyEvent* event) {
    struct Key {
        unsigned keycode;
        KeySym keysym;
        const char* text;
    };
    static const Key KEYS[] = {
        {9, XK_Escape, "\x1b"},  {15, '6', "6"},     {26, 'e', "e"},   {36, XK_Return, "\r"},
        {47, 0xE9, "\xE9"},      {70, XK_F4, ""},    {76, XK_F10, ""}, {80, XK_KP_8, "8"},
        {105, XK_Control_R, ""}, {110, XK_Home, ""}, {111, XK_Up, ""}, {119, XK_Delete, "\x7f"},
        {64, XK_Alt_L, ""},
    };
    KeyLookup result{};
    for (const Key& key : KEYS) {
        if (key.keycode != event->keycode) continue;
        result.keysym = key.keysym;
        result.length = static_cast<int32_t>(std::strlen(key.text));
        std::memcpy(result.text, key.text, static_cast<size_t>(result.length));
    }
    return result;
}

int32_t create_calls, destroy_calls, paint_calls;
bool fail_full_screen;

int32_t fake_create() {
    ++create_calls;
    return fail_full_screen && (window_state.flags & SCREEN_FULLSCREEN) ? -1 : 0;
}
void fake_destroy() {
    ++destroy_calls;
}
void fake_paint() {
    ++paint_calls;
}

class WindowEventsTest : public NullScreenTest {
protected:
    void SetUp() override {
        NullScreenTest::SetUp();
        open(640, 480);
        reset_graphics_keys();
        window_state = WindowState{};
        window_state.active = 1;
        window_state.width = 640;
        window_state.height = 480;
        window_state.create_window = fake_create;
        window_state.destroy_window = fake_destroy;
        window_state.paint = fake_paint;
        window_atoms = WindowAtoms{1, 2, 3, 4, 5, 6, 7, 8};
        window_input = WindowInput{0, 0, 1, false, false};
        window_key_lookup = fake_lookup;
        create_calls = destroy_calls = paint_calls = 0;
        fail_full_screen = true;
    }
    void TearDown() override {
        window_state = WindowState{};
        NullScreenTest::TearDown();
    }

    static void key(unsigned keycode, unsigned state = 0, int type = KeyPress) {
        XEvent event{};
        event.xkey.type = type;
        event.xkey.keycode = keycode;
        event.xkey.state = state;
        handle_window_event(&event);
    }
    static void event_of_type(int type, int detail = NotifyAncestor, int mode = NotifyNormal) {
        XEvent event{};
        event.type = type;
        event.xfocus.detail = detail;
        event.xfocus.mode = mode;
        handle_window_event(&event);
    }
    static void button(unsigned number, int type = ButtonPress, int x = 0, int y = 0) {
        XEvent event{};
        event.xbutton.type = type;
        event.xbutton.button = number;
        event.xbutton.x = x;
        event.xbutton.y = y;
        handle_window_event(&event);
    }
    static void motion(int x, int y) {
        XEvent event{};
        event.xmotion.type = MotionNotify;
        event.xmotion.x = x;
        event.xmotion.y = y;
        handle_window_event(&event);
    }
    static std::vector<int32_t> posted() {
        std::vector<int32_t> codes;
        begin_draw();
        for (int32_t code = graphics_key_take(); code != 0; code = graphics_key_take()) {
            codes.push_back(code);
        }
        end_draw();
        return codes;
    }
};

TEST_F(WindowEventsTest, CharactersArriveOncePerPressIncludingRepeats) {
    key(15);
    key(15);
    key(15);
    key(15, 0, KeyRelease);
    EXPECT_EQ(posted(), (std::vector<int32_t>{'6', '6', '6'}));
    key(36);
    key(9);
    EXPECT_EQ(posted(), (std::vector<int32_t>{'\r', 0x1B}));
}

TEST_F(WindowEventsTest, ExtendedKeysPostTheirCodeAndNoCharacter) {
    key(111);
    key(110);
    key(119);  // Delete types 0x7F under X, but only its key code counts
    key(80);   // keypad 8 with Num Lock types its digit
    EXPECT_EQ(posted(), (std::vector<int32_t>{0x48FF, 0x47FF, 0x53FF, '8'}));
}

TEST_F(WindowEventsTest, LatinCharactersGoThroughCodePage437) {
    key(47);
    EXPECT_EQ(posted(), (std::vector<int32_t>{0x82}));
}

TEST_F(WindowEventsTest, AltF4PostsTheCloseKeyOnlyAndAltLettersTypeNothing) {
    key(70, Mod1Mask);
    key(26, Mod1Mask);
    std::vector<int32_t> codes = posted();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes[0], KEY_CLOSE);
    for (int32_t code : codes)
        EXPECT_NE(code, 'e');
}

TEST_F(WindowEventsTest, SystemKeysAreIgnoredWhileInactive) {
    window_state.active = 0;
    key(70, Mod1Mask);
    key(76);
    key(36, Mod1Mask);
    EXPECT_TRUE(posted().empty());
    EXPECT_EQ(create_calls, 0);
    key(15);  // ordinary keys still arrive
    EXPECT_EQ(posted(), (std::vector<int32_t>{'6'}));
}

TEST_F(WindowEventsTest, AltEnterRespectsNoSwitch) {
    window_state.flags = SCREEN_NO_SWITCH;
    key(36, Mod1Mask);
    EXPECT_EQ(create_calls + destroy_calls, 0);
    EXPECT_TRUE(posted().empty());
}

TEST_F(WindowEventsTest, AltEnterFallsBackToAWindowWhenFullScreenFails) {
    clear_dirty_rows();
    window_state.active = 1;
    key(36, Mod1Mask);
    EXPECT_EQ(destroy_calls, 2);
    EXPECT_EQ(create_calls, 2);
    EXPECT_EQ(window_state.flags & SCREEN_FULLSCREEN, 0);
    EXPECT_EQ(dirty_rows().size(), 480u);
    EXPECT_TRUE(posted().empty());

    fail_full_screen = false;
    key(36, Mod1Mask);
    EXPECT_EQ(window_state.flags & SCREEN_FULLSCREEN, SCREEN_FULLSCREEN);
}

TEST_F(WindowEventsTest, CloseProtocolPostsTheCloseKey) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.message_type = window_atoms.wm_protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(window_atoms.wm_delete_window);
    handle_window_event(&event);
    event.xclient.data.l[0] = 99;  // another protocol
    handle_window_event(&event);
    EXPECT_EQ(posted(), (std::vector<int32_t>{KEY_CLOSE}));
}

TEST_F(WindowEventsTest, FocusChangesClearKeysAndButtonsAndRepaintAll) {
    screen->key_states[0x48] = 1;
    window_input.buttons = 5;
    clear_dirty_rows();
    event_of_type(FocusOut);
    EXPECT_EQ(window_state.active, 0);
    EXPECT_EQ(screen->key_states[0x48], 0);
    EXPECT_EQ(window_input.buttons, 0);
    EXPECT_EQ(dirty_rows().size(), 480u);

    event_of_type(FocusIn, NotifyInferior);  // focus moving inside: no change
    event_of_type(FocusIn, NotifyAncestor, NotifyGrab);
    EXPECT_EQ(window_state.active, 0);
    event_of_type(FocusIn);
    EXPECT_EQ(window_state.active, 1);
}

TEST_F(WindowEventsTest, ButtonsAndWheel) {
    button(Button1);
    button(Button3);
    EXPECT_EQ(window_input.buttons, 3);
    button(Button2);
    button(Button1, ButtonRelease);
    EXPECT_EQ(window_input.buttons, 6);
    button(Button4);
    button(Button4);
    button(Button4, ButtonRelease);
    button(Button5);
    EXPECT_EQ(window_input.wheel, 1);
    EXPECT_EQ(window_input.buttons, 6);
}

TEST_F(WindowEventsTest, MouseEventsKeepEveryClickWithItsPlaceInThePicture) {
    reset_mouse_events();
    window_state.picture_x = 100;  // a full-screen window with the picture centred
    window_state.picture_y = 50;
    button(Button1, ButtonPress, 110, 60);  // a quick click, then a move at once
    button(Button1, ButtonRelease, 110, 60);
    motion(900, 20);  // beyond the picture: kept at its edge
    button(Button3, ButtonPress, 300, 300);
    button(Button5, ButtonPress, 300, 300);
    button(Button5, ButtonRelease, 300, 300);  // a wheel step has no release
    const MouseEvent expected[] = {
        {MOUSE_PRESS, 10, 10, MOUSE_LEFT, 0},
        {MOUSE_RELEASE, 10, 10, MOUSE_LEFT, 0},
        {MOUSE_MOVE, 639, 0, 0, 0},
        {MOUSE_PRESS, 200, 250, MOUSE_RIGHT, 0},
        {MOUSE_WHEEL, 200, 250, MOUSE_RIGHT, -1},
    };
    for (const MouseEvent& want : expected) {
        MouseEvent got{};
        ASSERT_EQ(next_mouse_event(&got), 1);
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.buttons, want.buttons);
        EXPECT_EQ(got.wheel, want.wheel);
    }
    MouseEvent none{};
    EXPECT_EQ(next_mouse_event(&none), 0);
    EXPECT_EQ(window_input.buttons, MOUSE_RIGHT);  // graphics_get_mouse's state as before
    EXPECT_EQ(window_input.wheel, -1);
}

TEST_F(WindowEventsTest, ExposeCallsThePaintHook) {
    event_of_type(Expose);
    EXPECT_EQ(paint_calls, 1);
}

TEST_F(WindowEventsTest, KeyStatesFollowTheScanCodeTable) {
    char keymap[32] = {};
    auto press = [&](unsigned keycode) {
        keymap[keycode >> 3] |= static_cast<char>(1 << (keycode & 7));
    };
    uint8_t states[128] = {};
    states[0x54] = 7;  // a scan code the table does not name keeps its byte
    press(9);          // Escape
    press(62);         // right Shift: the shared Shift key, so both Shift scan codes
    press(111);        // grey Up counts as the keypad's 8
    press(82);         // keypad minus is the minus key's second virtual key
    key_states_from_keymap(keymap, states);
    EXPECT_EQ(states[0x01], 1);
    EXPECT_EQ(states[0x2A], 1);
    EXPECT_EQ(states[0x36], 1);
    EXPECT_EQ(states[0x48], 1);
    EXPECT_EQ(states[0x0C], 1);
    EXPECT_EQ(states[0x1E], 0);
    EXPECT_EQ(states[0x54], 7);
    std::memset(keymap, 0, sizeof keymap);
    key_states_from_keymap(keymap, states);
    EXPECT_EQ(states[0x48], 0);
    EXPECT_EQ(states[0x2A], 0);
}

TEST(WindowKeys, KeycodesToScanCodes) {
    bool extended = true;
    EXPECT_EQ(keycode_scan_code(9, &extended), 1);
    EXPECT_FALSE(extended);
    EXPECT_EQ(keycode_scan_code(96, &extended), 0x58);
    EXPECT_EQ(keycode_scan_code(104, &extended), 0x1C);
    EXPECT_TRUE(extended);
    for (unsigned outside : {0u, 8u, 97u, 255u, 1000u}) {
        EXPECT_EQ(keycode_scan_code(outside, &extended), 0) << outside;
        EXPECT_FALSE(extended);
    }
    EXPECT_EQ(SCANCODE_VK_TABLE[86].scan_code, 0);
    EXPECT_EQ(SCANCODE_VK_TABLE[85].scan_code, 0x7F);
}

TEST(WindowKeys, KeysymsToVirtualKeys) {
    EXPECT_EQ(keysym_virtual_key('a'), 'A');
    EXPECT_EQ(keysym_virtual_key('!'), '1');
    EXPECT_EQ(keysym_virtual_key(XK_KP_7), 0x67);
    EXPECT_EQ(keysym_virtual_key(XK_KP_Home), 0x24);
    EXPECT_EQ(keysym_virtual_key(XK_F12), 0x7B);
    EXPECT_EQ(keysym_virtual_key(XK_VoidSymbol), 0);
}

TEST(WindowText, CodePage437) {
    EXPECT_EQ(windows_1252_to_cp437('A'), 'A');
    EXPECT_EQ(windows_1252_to_cp437(0x0D), 0x0D);
    EXPECT_EQ(windows_1252_to_cp437(0xE9), 0x82);  // é
    EXPECT_EQ(windows_1252_to_cp437(0xA0), 0xFF);  // no-break space
    EXPECT_EQ(windows_1252_to_cp437(0x83), 0x9F);  // ƒ from the 1252 block
    EXPECT_EQ(windows_1252_to_cp437(0x80), '?');   // the euro sign has no 437 byte
    EXPECT_EQ(windows_1252_to_cp437(0xC3), '?');
}

TEST(WindowText, TitlesInUtf8NeverCutACharacter) {
    char out[16];
    EXPECT_EQ(windows_1252_to_utf8("Fen\xEAtre \x80", out, sizeof out), 12);
    EXPECT_EQ(std::string(out), "Fen\xC3\xAAtre \xE2\x82\xAC");
    EXPECT_EQ(windows_1252_to_utf8("ab\xEA", out, 4), 2);  // the two-byte ê does not fit
    EXPECT_EQ(std::string(out), "ab");
    EXPECT_EQ(windows_1252_to_utf8(nullptr, out, sizeof out), 0);
    EXPECT_EQ(windows_1252_to_utf8("x", out, 0), 0);
}

}  // namespace
}  // namespace qx
