#include <gtest/gtest.h>

#include <vector>

#include "runtime/key_queue.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// Console input events handed to the pump in order.
std::vector<ConsoleInputRecord> script;
size_t script_next = 0;
int installs = 0;

int32_t scripted_event(ConsoleInputRecord* record) {
    if (script_next >= script.size()) return 0;
    *record = script[script_next++];
    return 1;
}

int32_t scripted_ended() {
    return script_next >= script.size() ? 1 : 0;
}
void count_install() {
    ++installs;
}

const ConsoleInputSource SCRIPTED_SOURCE = {
    .next_event = scripted_event,
    .ended = scripted_ended,
    .install_close_handler = count_install,
    .remove_close_handler = nullptr,
};

ConsoleInputRecord key(bool down, uint8_t character, uint16_t scan, uint16_t vk, uint32_t modifiers,
                       uint16_t repeat = 1) {
    return ConsoleInputRecord{KEY_EVENT, {down ? 1 : 0, repeat, vk, scan, character, modifiers}};
}

ConsoleInputRecord press(uint8_t character, uint16_t scan, uint16_t vk, uint32_t modifiers = 0) {
    return key(true, character, scan, vk, modifiers);
}

ConsoleInputRecord pad_digit(int digit, uint32_t modifiers) {
    static constexpr uint16_t PAD_SCAN[] = {0x52, 0x4F, 0x50, 0x51, 0x4B,
                                            0x4C, 0x4D, 0x47, 0x48, 0x49};
    return press(0, PAD_SCAN[digit], static_cast<uint16_t>(VK_NUMPAD0 + digit), modifiers);
}

class KeyQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        script.clear();
        script_next = 0;
        installs = 0;
        text_hooks = TextHooks{};
        set_console_input_source(&SCRIPTED_SOURCE);
        reset_key_queue();
    }
    void TearDown() override { set_console_input_source(nullptr); }
};

TEST_F(KeyQueueTest, ExtendedKeyReadsAsTwoBytes) {
    script = {press(0, 0x48, VK_UP, ENHANCED_KEY)};
    KeyText text = read_key_text();
    ASSERT_EQ(text.length, 2);
    EXPECT_EQ(text.bytes[0], 0xFF);
    EXPECT_EQ(text.bytes[1], 0x48);
    EXPECT_EQ(read_key_text().length, 0);
}

TEST_F(KeyQueueTest, AltPadDigitsPostOneCharacterOnRelease) {
    script = {pad_digit(6, LEFT_ALT_PRESSED), key(false, 0, 0x4D, 0x66, LEFT_ALT_PRESSED),
              pad_digit(5, LEFT_ALT_PRESSED)};
    EXPECT_EQ(peek_key(), KEY_NONE);                    // the digits post nothing themselves
    script.push_back(key(false, 0, 0x38, VK_MENU, 0));  // Alt released
    EXPECT_EQ(read_key(), 65);
    EXPECT_EQ(read_key(), KEY_NONE);
    EXPECT_EQ(alt_digit_accumulator, 0u);
    // The synthesised record carries the layout's virtual key and a zero repeat count.
    const ConsoleInputRecord& record = key_queue.events[0];
    EXPECT_EQ(record.key.virtual_key, 'A');
    EXPECT_EQ(record.key.modifiers, SHIFT_PRESSED);
    EXPECT_EQ(record.key.scan_code, 0x1E);
    EXPECT_EQ(record.key.repeat_count, 0);
}

TEST_F(KeyQueueTest, AltPadCharacterWrapsAt256) {
    script = {pad_digit(3, LEFT_ALT_PRESSED), pad_digit(0, LEFT_ALT_PRESSED),
              pad_digit(0, LEFT_ALT_PRESSED), key(false, 0, 0x38, VK_MENU, 0)};
    EXPECT_EQ(read_key(), 44);
}

TEST_F(KeyQueueTest, AltPadWithOtherModifiersOrKeys) {
    // Ctrl held too: not Alt alone, so the digits are not gathered.
    script = {pad_digit(6, LEFT_ALT_PRESSED | LEFT_CTRL_PRESSED), key(false, 0, 0x38, VK_MENU, 0)};
    EXPECT_EQ(read_key(), KEY_NONE);
    // A key found by the translation clears a pending value.
    reset_key_queue();
    script = {pad_digit(6, LEFT_ALT_PRESSED), press(0, 0x3B, VK_F1, 0),
              key(false, 0, 0x38, VK_MENU, 0)};
    script_next = 0;
    EXPECT_EQ(read_key(), 0x3BFF);
    EXPECT_EQ(read_key(), KEY_NONE);
    // A key without a code while Alt is not held posts the pending value first.
    reset_key_queue();
    script = {pad_digit(6, LEFT_ALT_PRESSED), pad_digit(6, LEFT_ALT_PRESSED),
              press(0, 0x2A, VK_SHIFT, SHIFT_PRESSED)};
    script_next = 0;
    EXPECT_EQ(read_key(), 66);
}

TEST_F(KeyQueueTest, RepeatCountPostsOnceAndZeroNotAtAll) {
    script = {key(true, 'x', 0x2D, 'X', 0, 3), key(true, 'y', 0x15, 'Y', 0, 0)};
    EXPECT_EQ(read_key(), 'x');
    EXPECT_EQ(read_key(), KEY_NONE);
}

TEST_F(KeyQueueTest, OtherEventsAndReleasesAreDropped) {
    ConsoleInputRecord mouse{};
    mouse.event_type = MOUSE_EVENT;
    script = {mouse, key(false, 'q', 0x10, 'Q', 0), press('w', 0x11, 'W')};
    EXPECT_EQ(read_key(), 'w');
    EXPECT_EQ(read_key(), KEY_NONE);
}

TEST_F(KeyQueueTest, BurstKeepsTheLast511OldestFirst) {
    for (int i = 0; i < 600; ++i) {
        ConsoleInputRecord record = press(static_cast<uint8_t>(i % 256), 0, 0);
        post_console_key(i, &record);
    }
    for (int i = 600 - 511; i < 600; ++i)
        ASSERT_EQ(read_key(), i);
    EXPECT_EQ(read_key(), KEY_NONE);
}

TEST_F(KeyQueueTest, QueueWrapsAroundAfterManyReads) {
    ConsoleInputRecord record = press('a', 0x1E, 'A');
    for (int round = 0; round < 1500; ++round) {
        post_console_key(round, &record);
        post_console_key(round + 1, &record);
        ASSERT_EQ(read_key(), round);
        ASSERT_EQ(read_key(), round + 1);
    }
    EXPECT_EQ(peek_key(), KEY_NONE);
}

TEST_F(KeyQueueTest, WaitingDoesNotRemoveTheKey) {
    script = {press('z', 0x2C, 'Z')};
    EXPECT_EQ(key_waiting(), 1);
    EXPECT_EQ(key_waiting(), 1);
    KeyText text = read_key_text();
    ASSERT_EQ(text.length, 1);
    EXPECT_EQ(text.bytes[0], 'z');
    EXPECT_EQ(key_waiting(), 0);
}

TEST_F(KeyQueueTest, KeyArrivedFlag) {
    EXPECT_EQ(take_key_arrived(), 0);
    script = {press('a', 0x1E, 'A'), press('b', 0x30, 'B')};
    EXPECT_EQ(take_key_arrived(), 1);
    EXPECT_EQ(take_key_arrived(), 0);  // read and cleared, the keys stay
    EXPECT_EQ(peek_key(), 'a');
    ConsoleInputRecord record = press('c', 0x2E, 'C');
    post_console_key('c', &record);
    EXPECT_EQ(read_key(), 'a');  // a removal clears the flag too
    EXPECT_EQ(take_key_arrived(), 0);
}

TEST_F(KeyQueueTest, CloseRequestPostsAltF4) {
    request_close_key();
    KeyText text = read_key_text();
    ASSERT_EQ(text.length, 2);
    EXPECT_EQ(text.bytes[0], 0xFF);
    EXPECT_EQ(text.bytes[1], 'k');
    const ConsoleInputRecord& record = key_queue.events[0];
    EXPECT_EQ(record.key.virtual_key, VK_F4);
    EXPECT_EQ(record.key.modifiers, LEFT_ALT_PRESSED);
    EXPECT_EQ(record.key.scan_code, 0x3E);
}

TEST_F(KeyQueueTest, HandlerInstalledOnFirstPumpOnly) {
    EXPECT_EQ(installs, 0);
    key_waiting();
    read_key();
    EXPECT_EQ(installs, 1);
}

TEST_F(KeyQueueTest, WaitKeyReturnsQueuedKeyAndGivesUpOnEndedInput) {
    script = {press('k', 0x25, 'K')};
    EXPECT_EQ(wait_for_key(), 'k');
    EXPECT_EQ(key_input_ended(), 1);
    EXPECT_EQ(wait_for_key(), KEY_NONE);
}

TEST_F(KeyQueueTest, RoutersUseTheHooksWhenSet) {
    script = {press('a', 0x1E, 'A')};
    text_hooks.key_waiting_hook = [] { return int32_t{7}; };
    text_hooks.key_text_hook = [] { return key_code_to_text('g'); };
    text_hooks.wait_key_hook = [] { return int32_t{0x48FF}; };
    EXPECT_EQ(key_waiting(), 7);
    EXPECT_EQ(read_key_text().bytes[0], 'g');
    EXPECT_EQ(wait_for_key(), 0x48FF);
    EXPECT_EQ(key_input_ended(), 0);  // keys come from elsewhere
    text_hooks = TextHooks{};
    EXPECT_EQ(read_key(), 'a');  // the console queue was left alone
}

TEST(KeyQueueDeathTest, MissingEventRecordStopsWithTheAssertion) {
    EXPECT_DEATH(post_console_key('a', nullptr), "key_event!=NULL.*win32/libqx_io_input.*193");
}

}  // namespace
}  // namespace qx
