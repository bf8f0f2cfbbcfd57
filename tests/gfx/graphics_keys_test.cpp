#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "gfx/driver/display_driver.h"
#include "gfx/graphics_input.h"
#include "gfx/graphics_keys.h"
#include "runtime/runtime.h"
#include "text_screen.h"

namespace qx {
namespace {

std::string as_string(const KeyText& text) {
    return std::string(reinterpret_cast<const char*>(text.bytes), static_cast<size_t>(text.length));
}

class GraphicsKeys : public ::testing::Test {
protected:
    void SetUp() override { open_text_screen(64, 64); }
    void TearDown() override { close_screen(); }
};

TEST_F(GraphicsKeys, FullRingDropsTheOldestAndKeepsTheLast511) {
    for (int32_t code = 1; code <= 600; ++code)
        graphics_key_post(code);
    for (int32_t code = 90; code <= 600; ++code)
        ASSERT_EQ(graphics_key_take(), code);
    EXPECT_EQ(graphics_key_take(), 0);
    EXPECT_EQ(graphics_key_waiting(), 0);
    // The indices wrap: the ring keeps working after many rounds.
    for (int32_t round = 0; round < 40; ++round) {
        graphics_key_post(100 + round);
        ASSERT_EQ(graphics_key_waiting(), 1);
        ASSERT_EQ(graphics_key_take(), 100 + round);
    }
}

// A clock of our own: every nap of the waits advances it, and keys typed at set moments are
// posted as it passes them, as the window would.
struct TypedKeys {
    int64_t now_ms = 0;
    int64_t gap_ms = 0;  // between two keys
    int32_t count = 0;   // keys to type
    int32_t typed = 0;
    std::vector<int32_t> naps;

    void pass_time() {
        while (typed < count && typed * gap_ms <= now_ms)
            graphics_key_post(1000 + typed++);
    }
};
TypedKeys typing;

void typing_sleep(int32_t milliseconds) {
    typing.naps.push_back(milliseconds);
    typing.now_ms += milliseconds;
    typing.pass_time();
}

class GraphicsKeyWaits : public GraphicsKeys {
protected:
    void SetUp() override {
        GraphicsKeys::SetUp();
        typing = TypedKeys{};
        text_hooks.sleep_hook = typing_sleep;
    }
};

TEST_F(GraphicsKeyWaits, KeysTypedFasterThanTheNapAreAllReadInOrder) {
    // 8 ms apart, four times the ring: a nap after every take would fall 12 ms behind per key.
    typing.gap_ms = 8;
    typing.count = 4 * GRAPHICS_KEY_SLOTS;
    typing.pass_time();
    for (int32_t k = 0; k < typing.count; ++k)
        ASSERT_EQ(wait_for_key(), 1000 + k);
    EXPECT_EQ(graphics_key_waiting(), 0);
    // The reader kept pace: it ended within two naps of the last key.
    EXPECT_LE(typing.now_ms, (typing.count - 1) * typing.gap_ms + 2 * 20);
}

TEST_F(GraphicsKeyWaits, TheNapKeepsItsRhythmWhileKeysAreScarce) {
    typing.gap_ms = 50;
    typing.count = 2;
    typing.pass_time();  // the first key is there at once, the second after 50 ms
    EXPECT_EQ(wait_for_key(), 1000);
    EXPECT_EQ(typing.naps, std::vector<int32_t>{20});  // one nap after the take
    EXPECT_EQ(wait_for_key(), 1001);
    // Empty at 20 and 40 ms, the key there at 60, then the nap after the take.
    EXPECT_EQ(typing.naps, (std::vector<int32_t>{20, 20, 20, 20}));
    // Two keys pending: the first comes without a nap, the last with one.
    graphics_key_post('a');
    graphics_key_post(0);  // a NUL key is a key, not "none"
    typing.naps.clear();
    EXPECT_EQ(wait_for_key(), 'a');
    EXPECT_TRUE(typing.naps.empty());
    EXPECT_EQ(wait_for_key(), 0);
    EXPECT_EQ(typing.naps, std::vector<int32_t>{20});
}

TEST_F(GraphicsKeys, ReadKeyGivesCodesWithoutWaiting) {
    EXPECT_EQ(read_key(), KEY_NONE);
    graphics_key_post(KEY_DOWN);
    graphics_key_post('x');
    graphics_key_post(KEY_F12);
    EXPECT_EQ(read_key(), KEY_DOWN);
    EXPECT_EQ(read_key(), 'x');
    EXPECT_EQ(read_key(), KEY_F12);
    EXPECT_EQ(read_key(), KEY_NONE);
}

TEST_F(GraphicsKeys, KeyTextsOfCharactersAndExtendedKeys) {
    graphics_key_post(0x48FF);
    graphics_key_post(256);
    graphics_key_post(276);
    graphics_key_post(1000);  // beyond the list: its last entry
    graphics_key_post('q');
    graphics_key_post(0);
    graphics_key_post(KEY_CLOSE);
    EXPECT_EQ(as_string(read_key_text()), "\xFF\x48");
    EXPECT_EQ(as_string(read_key_text()), "\xFFk");
    EXPECT_EQ(as_string(read_key_text()), "\xFF\x44");
    EXPECT_EQ(as_string(read_key_text()), "\xFF\x44");
    EXPECT_EQ(as_string(read_key_text()), "q");
    EXPECT_EQ(as_string(read_key_text()), std::string(1, '\0'));  // a NUL key is still a key
    EXPECT_EQ(as_string(read_key_text()), "\xFFk");
    EXPECT_EQ(read_key_text().length, 0);  // empty ring
}

TEST_F(GraphicsKeys, WaitKeyReturnsThePendingCode) {
    graphics_key_post('z');
    EXPECT_EQ(key_waiting(), 1);
    EXPECT_EQ(wait_for_key(), 'z');
    EXPECT_EQ(key_waiting(), 0);
}

TEST_F(GraphicsKeys, KeySeenFlagIsSetByPostsAndClearedByChecksAndTakes) {
    EXPECT_EQ(graphics_take_key_seen(), 0);
    graphics_key_post('a');
    EXPECT_EQ(graphics_take_key_seen(), 1);
    EXPECT_EQ(graphics_take_key_seen(), 0);
    EXPECT_EQ(graphics_key_waiting(), 1);  // the check leaves the key in the ring
    graphics_key_post('b');
    graphics_key_take();
    EXPECT_EQ(graphics_take_key_seen(), 0);  // a take clears the flag too
}

TEST_F(GraphicsKeys, SleepEndsEarlyOnAKeyFromAnotherThreadAndLeavesTheKey) {
    std::thread poster([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const DisplayDriver* driver = screen->driver;  // the Null driver has no lock to take
        if (driver->lock) driver->lock();
        graphics_key_post('k');
        if (driver->unlock) driver->unlock();
    });
    sleep_ms(1000);
    poster.join();
    EXPECT_EQ(as_string(read_key_text()), "k");
}

TEST_F(GraphicsKeys, SleepWithoutKeyCheckOrNothingToDo) {
    graphics_key_post('x');
    graphics_sleep(5);  // below 100 ms: never cut short, flag untouched
    graphics_sleep(0);
    graphics_sleep(-2);
    EXPECT_EQ(graphics_take_key_seen(), 1);
    graphics_key_post('y');
    graphics_sleep(-1);  // returns: a key was seen
    EXPECT_EQ(graphics_take_key_seen(), 0);
}

TEST_F(GraphicsKeys, KeyStatesAreSignedBytesOfValidScanCodes) {
    screen->key_states[0x48] = 0x80;
    screen->key_states[0x10] = 1;
    EXPECT_EQ(graphics_key_state(0x48), -128);
    EXPECT_EQ(graphics_key_state(0x10), 1);
    EXPECT_EQ(graphics_key_state(0x11), 0);
    EXPECT_EQ(graphics_key_state(128), 0);
    EXPECT_EQ(graphics_key_state(-1), 0);
}

int32_t fake_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    *x = 11;
    *y = 22;
    *wheel = 3;
    *buttons = 5;
    return 0;
}

int32_t set_mouse_calls[3];
void fake_set_mouse(int32_t x, int32_t y, int32_t cursor) {
    set_mouse_calls[0] = x;
    set_mouse_calls[1] = y;
    set_mouse_calls[2] = cursor;
}

TEST_F(GraphicsKeys, MouseGoesToTheDriverOrReportsErrorOne) {
    int32_t x = 0, y = 0, wheel = 0, buttons = 0;
    EXPECT_EQ(graphics_get_mouse(&x, &y, &wheel, &buttons), 1);  // the Null driver has none
    EXPECT_EQ(runtime_error(), 1);
    EXPECT_EQ(x, -1);
    EXPECT_EQ(buttons, -1);
    EXPECT_EQ(graphics_set_mouse(1, 2, 0), 1);

    const DisplayDriver* null_driver = screen->driver;
    DisplayDriver mouse_driver = *null_driver;
    mouse_driver.get_mouse = fake_get_mouse;
    mouse_driver.set_mouse = fake_set_mouse;
    screen->driver = &mouse_driver;
    set_runtime_error(0);
    EXPECT_EQ(graphics_get_mouse(&x, &y, nullptr, nullptr), 0);
    EXPECT_EQ(x, 11);
    EXPECT_EQ(y, 22);
    EXPECT_EQ(graphics_get_mouse(&x, &y, &wheel, &buttons), 0);
    EXPECT_EQ(wheel, 3);
    EXPECT_EQ(buttons, 5);
    EXPECT_EQ(graphics_set_mouse(7, 8, 1), 0);
    EXPECT_EQ(set_mouse_calls[0], 7);
    EXPECT_EQ(set_mouse_calls[2], 1);
    EXPECT_EQ(runtime_error(), 0);
    screen->driver = null_driver;
}

TEST(GraphicsKeysNoScreen, KeyOperationsWithoutAScreenGiveNothing) {
    reset_graphics_keys();
    graphics_key_post('a');  // the ring is process-wide and survives screens
    EXPECT_EQ(graphics_key_text().length, 0);
    EXPECT_EQ(graphics_wait_key(), 0);
    EXPECT_EQ(graphics_key_state(1), 0);
    int32_t x = 0;
    EXPECT_EQ(graphics_get_mouse(&x, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(x, -1);
    open_text_screen(16, 16);
    graphics_key_post('b');
    EXPECT_EQ(as_string(graphics_key_text()), "b");  // open_text_screen emptied the ring
    close_screen();
}

}  // namespace
}  // namespace qx
