#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/posix/term_key_decoder.h"

namespace qx {
namespace {

constexpr int32_t UP = 0x48FF, DOWN = 0x50FF, LEFT = 0x4BFF, RIGHT = 0x4DFF, HOME = 0x47FF,
                  END = 0x4FFF, INSERT = 0x52FF, DELETE = 0x53FF, PAGE_UP = 0x49FF,
                  PAGE_DOWN = 0x51FF;

std::vector<ConsoleInputRecord> decode_events(const std::string& bytes, bool pause_at_end) {
    TermKeyDecoder decoder{};
    std::vector<ConsoleInputRecord> events;
    ConsoleInputRecord out[TERM_MAX_EVENTS];
    for (unsigned char byte : bytes) {
        int32_t n = term_decode_byte(&decoder, byte, out);
        events.insert(events.end(), out, out + n);
    }
    if (pause_at_end) {
        int32_t n = term_decode_flush(&decoder, out);
        events.insert(events.end(), out, out + n);
    }
    return events;
}

// The key codes the pump would post: presses through the key translation.
std::vector<int32_t> codes(const std::string& bytes, bool pause_at_end = true) {
    std::vector<int32_t> result;
    for (const ConsoleInputRecord& e : decode_events(bytes, pause_at_end)) {
        if (!e.key.key_down) continue;
        result.push_back(translate_key(static_cast<uint8_t>(e.key.character), e.key.scan_code,
                                       e.key.virtual_key, e.key.modifiers));
    }
    return result;
}

using Codes = std::vector<int32_t>;

TEST(TermKeyDecoder, CursorAndEditingKeysInTheirCommonForms) {
    EXPECT_EQ(codes("\x1b[A\x1b[B\x1b[C\x1b[D"), (Codes{UP, DOWN, RIGHT, LEFT}));
    EXPECT_EQ(codes("\x1bOA\x1bOB\x1bOC\x1bOD"), (Codes{UP, DOWN, RIGHT, LEFT}));
    EXPECT_EQ(codes("\x1b[H\x1b[F\x1bOH\x1bOF"), (Codes{HOME, END, HOME, END}));
    EXPECT_EQ(codes("\x1b[1~\x1b[4~\x1b[7~\x1b[8~"), (Codes{HOME, END, HOME, END}));
    EXPECT_EQ(codes("\x1b[2~\x1b[3~\x1b[5~\x1b[6~"), (Codes{INSERT, DELETE, PAGE_UP, PAGE_DOWN}));
    EXPECT_EQ(codes("\x1b[E"), (Codes{0x4CFF}));
}

TEST(TermKeyDecoder, FunctionKeysInBothForms) {
    Codes expected{0x3BFF, 0x3CFF, 0x3DFF, 0x3EFF};
    EXPECT_EQ(codes("\x1bOP\x1bOQ\x1bOR\x1bOS"), expected);
    EXPECT_EQ(codes("\x1b[11~\x1b[12~\x1b[13~\x1b[14~"), expected);
    EXPECT_EQ(codes("\x1b[[A\x1b[[E"), (Codes{0x3BFF, 0x3FFF}));  // Linux console
    EXPECT_EQ(codes("\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~"),
              (Codes{0x3FFF, 0x40FF, 0x41FF, 0x42FF, 0x43FF, 0x44FF, 0x85FF, 0x86FF}));
}

TEST(TermKeyDecoder, ModifierParameters) {
    EXPECT_EQ(codes("\x1b[1;5A"), (Codes{0x8DFF}));   // Ctrl+Up
    EXPECT_EQ(codes("\x1b[1;3A"), (Codes{0x98FF}));   // Alt+Up
    EXPECT_EQ(codes("\x1b[1;2A"), (Codes{UP}));       // Shift+Up
    EXPECT_EQ(codes("\x1b[3;5~"), (Codes{0x93FF}));   // Ctrl+Delete
    EXPECT_EQ(codes("\x1b[1;2P"), (Codes{0x54FF}));   // Shift+F1
    EXPECT_EQ(codes("\x1bO2P"), (Codes{0x54FF}));     // Shift+F1, older form
    EXPECT_EQ(codes("\x1b[24;5~"), (Codes{0x8AFF}));  // Ctrl+F12
    EXPECT_EQ(codes("\x1b[15;3~"), (Codes{0x6CFF}));  // Alt+F5
    EXPECT_EQ(codes("\x1b[1;9A"), (Codes{0x98FF}));   // Meta counts as Alt
    EXPECT_EQ(codes("\x1b\x1b[A"), (Codes{0x98FF}));  // Alt by an ESC prefix
    EXPECT_EQ(codes("\x1b[Z"), (Codes{0x0FFF}));      // Shift+Tab
}

TEST(TermKeyDecoder, CharactersAndControlBytes) {
    EXPECT_EQ(codes("aZ5 ~"), (Codes{'a', 'Z', '5', ' ', '~'}));
    EXPECT_EQ(codes("\r"), (Codes{13}));
    EXPECT_EQ(codes("\n"), (Codes{13}));
    EXPECT_EQ(codes("\r\n\r\n"), (Codes{13, 13}));  // CR LF is one Enter
    EXPECT_EQ(codes("\n\n"), (Codes{13, 13}));
    EXPECT_EQ(codes("\x7f\x08\t"), (Codes{8, 8, 9}));
    EXPECT_EQ(codes("\x01\x03"), (Codes{1, 3}));
}

TEST(TermKeyDecoder, EscapeAloneAndAltCharacters) {
    EXPECT_EQ(codes("\x1b"), (Codes{27}));
    EXPECT_EQ(codes("\x1b", false), Codes{});  // still waiting for the pause
    EXPECT_EQ(codes("\x1b"
                    "a"),
              (Codes{0x1EFF}));
    EXPECT_EQ(codes("\x1bQ"), (Codes{0x10FF}));
    EXPECT_EQ(codes("\x1b\r"), (Codes{0x1CFF}));
    EXPECT_EQ(codes("\x1b\x7f"), (Codes{0xE0FF}));
    EXPECT_EQ(codes("\x1b\x1b"), (Codes{0x01FF}));  // Alt+Escape
    EXPECT_EQ(codes("\x1b\x1bx"), (Codes{0x01FF, 'x'}));
    EXPECT_EQ(codes("\x1b["), (Codes{0x1AFF}));  // Alt+[ after a pause
    EXPECT_EQ(codes("\x1bO"), (Codes{0x18FF}));  // Alt+O after a pause
}

TEST(TermKeyDecoder, Utf8BecomesWindows1252) {
    EXPECT_EQ(codes("\xc3\xa9"), (Codes{0xE9}));      // é
    EXPECT_EQ(codes("\xe2\x82\xac"), (Codes{0x80}));  // euro sign
    EXPECT_EQ(codes("\xc5\x93"), (Codes{0x9C}));      // oe ligature
    EXPECT_EQ(codes("\xe4\xb8\xad"
                    "a"),
              (Codes{'a'}));  // no such byte: dropped
    EXPECT_EQ(codes("\xf0\x9f\x98\x80"
                    "b"),
              (Codes{'b'}));
    EXPECT_EQ(codes("\x1b\xc3\xa9"), (Codes{0xE9}));  // Alt+é has no extended code
    EXPECT_EQ(windows_1252_byte(0xE9), 0xE9);
    EXPECT_EQ(windows_1252_byte(0x81), 0);  // C1 control: none
    EXPECT_EQ(windows_1252_byte(0x2122), 0x99);
}

TEST(TermKeyDecoder, InvalidUtf8IsIgnored) {
    EXPECT_EQ(codes("\xff\xfe"
                    "a"),
              (Codes{'a'}));  // never lead bytes
    EXPECT_EQ(codes("\xa9"
                    "b"),
              (Codes{'b'}));  // lone continuation
    EXPECT_EQ(codes("\xc3"
                    "c"),
              (Codes{'c'}));  // cut short by ASCII
    EXPECT_EQ(codes("\xc0\xa9"
                    "d"),
              (Codes{'d'}));  // overlong
    EXPECT_EQ(codes("\xed\xa0\x80"
                    "e"),
              (Codes{'e'}));                // surrogate
    EXPECT_EQ(codes("\xe2\x82"), Codes{});  // truncated at the end
}

TEST(TermKeyDecoder, UnknownAndTruncatedSequencesShowNothing) {
    EXPECT_EQ(codes("\x1b[99~x"), (Codes{'x'}));
    EXPECT_EQ(codes("\x1b[12;40R"
                    "y"),
              (Codes{'y'}));  // a cursor report
    EXPECT_EQ(codes("\x1b[?1;2c"
                    "z"),
              (Codes{'z'}));  // a device answer
    EXPECT_EQ(codes("\x1b[<0;3;4M"
                    "w"),
              (Codes{'w'}));                      // a mouse report
    EXPECT_EQ(codes("\x1b[1;5"), Codes{});        // cut off by the pause
    EXPECT_EQ(codes("\x1b[1;5\r"), (Codes{13}));  // cut off by a control byte
    EXPECT_EQ(codes("\x1bO5"), Codes{});
    EXPECT_EQ(codes("\x1b[99999999999999999999A"), Codes{});
    std::string endless = "\x1b[" + std::string(500, '1') + "~q";
    EXPECT_EQ(codes(endless), (Codes{'q'}));
}

TEST(TermKeyDecoder, KeypadInApplicationMode) {
    EXPECT_EQ(codes("\x1bOp\x1bOy\x1bOk\x1bOM"), (Codes{'0', '9', '+', 13}));
    std::vector<ConsoleInputRecord> events = decode_events("\x1bOu", true);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].key.virtual_key, VK_NUMPAD0 + 5);
}

TEST(TermKeyDecoder, EventsCarryTheKeyRecordFields) {
    std::vector<ConsoleInputRecord> events = decode_events("A", true);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event_type, KEY_EVENT);
    EXPECT_EQ(events[0].key.key_down, 1);
    EXPECT_EQ(events[0].key.repeat_count, 1);
    EXPECT_EQ(events[0].key.virtual_key, 'A');
    EXPECT_EQ(events[0].key.scan_code, 0x1E);
    EXPECT_EQ(events[0].key.character, 'A');
    EXPECT_EQ(events[0].key.modifiers, SHIFT_PRESSED);
    EXPECT_EQ(events[1].key.key_down, 0);
    events = decode_events("\x1b[1;6D", true);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].key.modifiers, SHIFT_PRESSED | LEFT_CTRL_PRESSED | ENHANCED_KEY);
    EXPECT_EQ(events[0].key.character, 0);
}

}  // namespace
}  // namespace qx
