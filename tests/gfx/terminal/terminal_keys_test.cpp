#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/terminal/terminal_keys.h"

namespace qx {
namespace {

std::vector<TerminalInputEvent> feed(TerminalInputSplitter* splitter, const std::string& bytes,
                                     bool pause = false) {
    std::vector<TerminalInputEvent> all;
    TerminalInputEvent events[TERMINAL_INPUT_MAX_EVENTS];
    for (unsigned char byte : bytes) {
        int32_t n = terminal_input_byte(splitter, byte, events);
        all.insert(all.end(), events, events + n);
    }
    if (pause) {
        int32_t n = terminal_input_pause(splitter, events);
        all.insert(all.end(), events, events + n);
    }
    return all;
}

// The presses among the events, as (character, scan code).
std::vector<std::pair<int, int>> presses(const std::vector<TerminalInputEvent>& events) {
    std::vector<std::pair<int, int>> keys;
    for (const auto& event : events) {
        if (event.kind == TerminalInputKind::KEY && event.record.key.key_down) {
            keys.emplace_back(event.record.key.character, event.record.key.scan_code);
        }
    }
    return keys;
}

TEST(TerminalInput, KeysTakeTheConsoleDecodersRoad) {
    TerminalInputSplitter splitter{};
    auto keys = presses(feed(&splitter, "q6\x1b[A"));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], std::make_pair(int{'q'}, 0x10));
    EXPECT_EQ(keys[1], std::make_pair(int{'6'}, 0x07));
    EXPECT_EQ(keys[2], std::make_pair(0, 0x48));  // Up
    // A lone ESC is Escape only after the pause.
    EXPECT_TRUE(feed(&splitter, "\x1b").empty());
    EXPECT_TRUE(terminal_input_pending(&splitter));
    keys = presses(feed(&splitter, "", true));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], std::make_pair(0x1B, 0x01));
    EXPECT_FALSE(terminal_input_pending(&splitter));
}

TEST(TerminalInput, SgrMouseReportsMakeButtonsWheelAndPosition) {
    TerminalInputSplitter splitter{};
    TerminalMouse mouse{};
    auto events = feed(&splitter,
                       "\x1b[<0;10;5M\x1b[<2;11;6M\x1b[<35;12;7M\x1b[<64;1;1M"
                       "\x1b[<65;1;1M\x1b[<65;1;1M\x1b[<0;12;7m");
    ASSERT_EQ(events.size(), 7u);
    std::vector<int32_t> buttons;
    std::vector<MouseEvent> made;
    for (const auto& event : events) {
        ASSERT_EQ(event.kind, TerminalInputKind::MOUSE);
        MouseEvent one{};
        ASSERT_TRUE(apply_mouse_report(&mouse, event, &one));
        made.push_back(one);
        buttons.push_back(mouse.buttons);
    }
    // Left, then right too; motion and wheel keep them; the release of the left clears bit 0.
    EXPECT_EQ(buttons, (std::vector<int32_t>{1, 3, 3, 3, 3, 3, 2}));
    // As events: the button that changed for presses and releases, those held otherwise.
    const int32_t kinds[] = {MOUSE_PRESS, MOUSE_PRESS, MOUSE_MOVE,   MOUSE_WHEEL,
                             MOUSE_WHEEL, MOUSE_WHEEL, MOUSE_RELEASE};
    const int32_t changed[] = {1, 2, 3, 3, 3, 3, 1};
    const int32_t steps[] = {0, 0, 0, 1, -1, -1, 0};
    for (size_t k = 0; k < made.size(); ++k) {
        EXPECT_EQ(made[k].kind, kinds[k]) << k;
        EXPECT_EQ(made[k].buttons, changed[k]) << k;
        EXPECT_EQ(made[k].wheel, steps[k]) << k;
    }

    EXPECT_EQ(mouse.wheel, -1);
    EXPECT_TRUE(mouse.seen);
    EXPECT_EQ(mouse.column, 11);
    EXPECT_EQ(mouse.row, 6);
    // A report without coordinates is dropped.
    EXPECT_TRUE(feed(&splitter, "\x1b[<0;5M").empty());
    // The old protocol's release (button 3) lets go of what was held; with nothing held it is
    // no event at all.
    auto old_release = feed(&splitter, "\x1b[<3;1;1M\x1b[<3;1;1M");
    ASSERT_EQ(old_release.size(), 2u);
    MouseEvent release{};
    ASSERT_TRUE(apply_mouse_report(&mouse, old_release[0], &release));
    EXPECT_EQ(release.kind, MOUSE_RELEASE);
    EXPECT_EQ(release.buttons, 2);
    EXPECT_FALSE(apply_mouse_report(&mouse, old_release[1], &release));
}

TEST(TerminalInput, KittyProtocolAnswersReleasesAndPresses) {
    TerminalInputSplitter splitter{};
    auto events = feed(&splitter, "\x1b[?3u\x1b[97;1:3u\x1b[1;1:3A\x1b[57405u\x1b[57405;1:3u");
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0].kind, TerminalInputKind::KITTY_FLAGS);
    EXPECT_EQ(events[1].kind, TerminalInputKind::KEY_RELEASE);
    EXPECT_EQ(events[1].record.key.scan_code, 0x1E);  // a
    EXPECT_EQ(events[2].kind, TerminalInputKind::KEY_RELEASE);
    EXPECT_EQ(events[2].record.key.scan_code, 0x48);  // Up
    auto keys = presses(events);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0], std::make_pair(int{'6'}, 0x4D));  // the keypad's 6
    EXPECT_EQ(events.back().kind, TerminalInputKind::KEY_RELEASE);
    EXPECT_EQ(events.back().record.key.scan_code, 0x4D);

    // Presses with modifiers come back as the bytes a terminal would send without the protocol.
    keys = presses(feed(&splitter, "\x1b[1;5:1C\x1b[97;2u\x1b[27u"));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].second, 0x4D);                     // Ctrl+Right
    EXPECT_EQ(keys[1], std::make_pair(int{'A'}, 0x1E));  // Shift+a
    EXPECT_EQ(keys[2], std::make_pair(0x1B, 0x01));      // Escape at once
    events = feed(&splitter, "\x1b[99;5u\x1b[92;5u");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, TerminalInputKind::INTERRUPT);
    EXPECT_FALSE(events[0].quit);
    EXPECT_TRUE(events[1].quit);
}

TEST(TerminalInput, BadSequencesAreDroppedAndTheNextKeyStillArrives) {
    TerminalInputSplitter splitter{};
    std::string long_sequence = "\x1b[" + std::string(200, '1') + "u";
    EXPECT_TRUE(presses(feed(&splitter, long_sequence)).empty());
    EXPECT_TRUE(presses(feed(&splitter, "\x1b[99999999999;99999999999u")).empty());
    EXPECT_TRUE(presses(feed(&splitter, "\x1b[<;;M\x1b[0;0;0u")).empty());
    auto keys = presses(feed(&splitter, "q"));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].first, 'q');
}

TEST(KeyHold, HeldAfterAPressUntilTheRepeatsStop) {
    KeyHoldTimes times{};
    uint8_t states[128];
    key_hold_press(&times, 0x4D, 1000);
    key_hold_states(&times, 1000, states);
    EXPECT_EQ(states[0x4D], 1);
    EXPECT_EQ(states[0x48], 0);
    // Held until the terminal's first repeat could have come.
    key_hold_states(&times, 1000 + KEY_HOLD_FIRST_MS - 1, states);
    EXPECT_EQ(states[0x4D], 1);
    key_hold_states(&times, 1000 + KEY_HOLD_FIRST_MS, states);
    EXPECT_EQ(states[0x4D], 0);
    // Repeating: held only shortly after each repeat.
    key_hold_press(&times, 0x4D, 2000);
    key_hold_press(&times, 0x4D, 2500);
    key_hold_press(&times, 0x4D, 2530);
    key_hold_states(&times, 2530 + KEY_HOLD_REPEAT_MS - 1, states);
    EXPECT_EQ(states[0x4D], 1);
    key_hold_states(&times, 2530 + KEY_HOLD_REPEAT_MS, states);
    EXPECT_EQ(states[0x4D], 0);
    // Scan codes outside the table are ignored.
    key_hold_press(&times, 0, 3000);
    key_hold_press(&times, 500, 3000);
    key_hold_states(&times, 3000, states);
    EXPECT_EQ(states[0], 0);
}

TEST(TerminalInput, LateAnswersToTheOpeningQuestionsAreNoKeys) {
    TerminalInputSplitter splitter{};
    // Device attributes, graphics settings, a cell size and a kitty graphics reply, with
    // keys around them; a string's ESC \ is no Alt+\.
    auto keys = presses(feed(&splitter,
                             "a\x1b[?63;1;4c\x1b[?2;0;1000;1000S\x1b[6;14;7tb"
                             "\x1b_Gi=31;OK\x1b\\c",
                             true));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].first, 'a');
    EXPECT_EQ(keys[1].first, 'b');
    EXPECT_EQ(keys[2].first, 'c');
    // A string never ended (an Alt+_ typed) gives way at the pause.
    feed(&splitter, "\x1b_xyz", true);
    keys = presses(feed(&splitter, "q"));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].first, 'q');
}

}  // namespace
}  // namespace qx
