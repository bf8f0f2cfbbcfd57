// The window procedure fed with messages through a message-only window of its class: keys and
// characters, close, activation, mouse, key states and the full-screen switch.
#include "gfx/graphics_keys.h"
#include "gfx/win32/window_layer.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfx/driver/display_driver.h"
#include "gfx/mouse_events.h"
#include "null_screen.h"

namespace qx {
namespace {

constexpr char TEST_CLASS[] = "qxgfxclass_window_procedure_test";

int32_t create_calls, destroy_calls;
bool fail_full_screen, fail_window;

int32_t fake_create() {
    ++create_calls;
    if (fail_window) return -1;
    return fail_full_screen && (window_state.flags & SCREEN_FULLSCREEN) ? -1 : 0;
}
void fake_destroy() {
    ++destroy_calls;
}

std::vector<int32_t> posted() {
    std::vector<int32_t> codes;
    for (int32_t code = graphics_key_take(); code != 0; code = graphics_key_take())
        codes.push_back(code);
    return codes;
}

void hold_keys(std::initializer_list<int> virtual_keys) {
    BYTE keyboard[256] = {};
    for (int key : virtual_keys)
        keyboard[key] = 0x80;
    SetKeyboardState(keyboard);
}

class WindowProcedureTest : public NullScreenTest {
protected:
    void SetUp() override {
        NullScreenTest::SetUp();
        open(640, 480);
        reset_graphics_keys();
        window_state = WindowState{};
        window_state.active = 1;
        window_state.width = 640;
        window_state.height = 480;
        window_state.os_version = 0x0A00;
        window_state.create_window = fake_create;
        window_state.destroy_window = fake_destroy;
        window_input = WindowInput{0, 0, 1, 0};
        WNDCLASSA window_class{};
        window_class.lpfnWndProc = window_procedure;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = TEST_CLASS;
        RegisterClassA(&window_class);  // already there after the first test
        hwnd = CreateWindowExA(0, TEST_CLASS, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               window_class.hInstance, nullptr);
        ASSERT_NE(hwnd, nullptr);
        window_state.hwnd = hwnd;
        hold_keys({});
        create_calls = destroy_calls = 0;
        fail_full_screen = true;
        fail_window = false;
    }
    void TearDown() override {
        hold_keys({});
        DestroyWindow(hwnd);
        window_state = WindowState{};
        NullScreenTest::TearDown();
    }

    // A key message as the system sends it, then whatever it posted in turn.
    void key(UINT message, WPARAM virtual_key, uint32_t scan_code, uint32_t repeat = 1,
             bool extended = false, bool alt = false) {
        const uint32_t bits =
            repeat | scan_code << 16 | (extended ? 1u << 24 : 0) | (alt ? 1u << 29 : 0);
        SendMessageA(hwnd, message, virtual_key, static_cast<LPARAM>(bits));
        pump_messages();
    }

    HWND hwnd = nullptr;
};

TEST_F(WindowProcedureTest, ExtendedKeysPostPerRepeatAndCharactersWaitForTheirMessage) {
    key(WM_KEYDOWN, VK_UP, 0x48, 3, true);
    EXPECT_EQ(posted(), (std::vector<int32_t>{0x48FF, 0x48FF, 0x48FF}));
    key(WM_KEYDOWN, 'E', 0x12);
    EXPECT_TRUE(posted().empty()) << "letters arrive as WM_CHAR";
    key(WM_KEYDOWN, VK_F10, 0x44);
    EXPECT_EQ(posted(), (std::vector<int32_t>{0x44FF}));
}

TEST_F(WindowProcedureTest, AltF4AndTheCloseButtonPostOneCloseKeyAndKeepTheWindow) {
    hold_keys({VK_MENU, VK_LMENU});
    key(WM_SYSKEYDOWN, VK_F4, 0x3E, 1, false, true);
    EXPECT_EQ(posted(), std::vector<int32_t>{KEY_CLOSE}) << "no SC_CLOSE from the default";
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(posted(), std::vector<int32_t>{KEY_CLOSE});
    EXPECT_TRUE(IsWindow(hwnd));
    window_state.active = 0;
    key(WM_SYSKEYDOWN, VK_UP, 0x48, 1, true, true);
    EXPECT_TRUE(posted().empty()) << "system keys of an inactive window make no key";
}

TEST_F(WindowProcedureTest, CharactersGoThroughCodePage437) {
    SendMessageA(hwnd, WM_CHAR, 'e', 2);
    EXPECT_EQ(posted(), (std::vector<int32_t>{'e', 'e'}));
    SendMessageA(hwnd, WM_CHAR, 0x1E9, 1);
    EXPECT_TRUE(posted().empty());
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page is " << GetACP();
    SendMessageA(hwnd, WM_CHAR, 0xE9, 1);  // e acute
    EXPECT_EQ(posted(), std::vector<int32_t>{0x82});
}

TEST_F(WindowProcedureTest, ButtonsWheelAndActivation) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, 0, 0);
    SendMessageA(hwnd, WM_RBUTTONDOWN, 0, 0);
    SendMessageA(hwnd, WM_MBUTTONDOWN, 0, 0);
    SendMessageA(hwnd, WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(window_input.buttons, 3);
    for (int delta : {120, 120, -120, 0})
        SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
    EXPECT_EQ(window_input.wheel, 1);
    window_state.os_version = 0x0400;  // no wheel before 4.10
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(window_input.wheel, 1);

    screen->key_states[0x1E] = 1;
    clear_dirty_rows();
    SendMessageA(hwnd, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(window_state.active, 0);
    EXPECT_EQ(window_input.buttons, 0);
    EXPECT_EQ(screen->key_states[0x1E], 0);
    EXPECT_EQ(dirty_rows().size(), 480u);
    SendMessageA(hwnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(window_state.active, 1);
}

TEST_F(WindowProcedureTest, MouseMessagesBecomeEventsWithTheirPlace) {
    reset_mouse_events();
    SendMessageA(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(30, 40));  // a quick click
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 700));  // captured, outside the window
    SendMessageA(hwnd, WM_RBUTTONDOWN, 0, MAKELPARAM(1, 2));
    const MouseEvent expected[] = {
        {MOUSE_PRESS, 30, 40, MOUSE_LEFT, 0},
        {MOUSE_RELEASE, 30, 40, MOUSE_LEFT, 0},
        {MOUSE_MOVE, 0, 479, 0, 0},
        {MOUSE_PRESS, 1, 2, MOUSE_RIGHT, 0},
    };
    for (const MouseEvent& want : expected) {
        MouseEvent got{};
        ASSERT_EQ(next_mouse_event(&got), 1);
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.buttons, want.buttons);
    }
    SendMessageA(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -120), 0);
    MouseEvent wheel{};
    ASSERT_EQ(next_mouse_event(&wheel), 1);
    EXPECT_EQ(wheel.kind, MOUSE_WHEEL);
    EXPECT_EQ(wheel.wheel, -1);
    EXPECT_EQ(wheel.buttons, MOUSE_RIGHT);
    EXPECT_EQ(next_mouse_event(&wheel), 0);
}

TEST_F(WindowProcedureTest, KeyStatesFollowTheScanCodeTable) {
    screen->key_states[0x54] = 7;  // no row names it: left alone
    screen->key_states[0x10] = 1;
    hold_keys({'A', VK_NUMPAD8});
    refresh_key_states_from_keyboard();
    EXPECT_EQ(screen->key_states[0x1E], 1);
    EXPECT_EQ(screen->key_states[0x48], 1) << "the keypad form of Up";
    EXPECT_EQ(screen->key_states[0x10], 0);
    EXPECT_EQ(screen->key_states[0x54], 7);
}

TEST_F(WindowProcedureTest, AltEnterSwitchesUnlessForbiddenAndFallsBackToAWindow) {
    window_state.flags = SCREEN_NO_SWITCH;
    key(WM_SYSKEYDOWN, VK_RETURN, 0x1C, 1, false, true);
    EXPECT_EQ(create_calls + destroy_calls, 0);

    window_state.flags = 0;
    clear_dirty_rows();
    key(WM_SYSKEYDOWN, VK_RETURN, 0x1C, 1, false, true);
    EXPECT_EQ(destroy_calls, 2);
    EXPECT_EQ(create_calls, 2);
    EXPECT_EQ(window_state.flags & SCREEN_FULLSCREEN, 0);
    EXPECT_EQ(dirty_rows().size(), 480u);
    EXPECT_TRUE(posted().empty());

    fail_window = true;  // no window at all: the program is told to close
    key(WM_SYSKEYDOWN, VK_RETURN, 0x1C, 1, false, true);
    EXPECT_EQ(posted(), std::vector<int32_t>{KEY_CLOSE});
}

}  // namespace
}  // namespace qx
