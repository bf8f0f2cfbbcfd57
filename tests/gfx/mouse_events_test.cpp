#include <gtest/gtest.h>

#include <vector>

#include "gfx/mouse_events.h"
#include "null_screen.h"

namespace qx {
namespace {

class MouseEvents : public NullScreenTest {
protected:
    void SetUp() override {
        NullScreenTest::SetUp();
        open(320, 200);
        reset_mouse_events();
    }
    static std::vector<MouseEvent> taken() {
        std::vector<MouseEvent> events;
        MouseEvent event{};
        while (next_mouse_event(&event) == 1)
            events.push_back(event);
        return events;
    }
};

MouseEvent event(int32_t kind, int32_t x) {
    return MouseEvent{kind, x, 0, kind == MOUSE_MOVE ? 0 : MOUSE_LEFT, 0};
}

TEST_F(MouseEvents, ComeOutInOrderAndTheRingWrapsAround) {
    for (int32_t round = 0; round < 3; ++round) {
        for (int32_t k = 0; k < MOUSE_EVENT_SLOTS - 1; ++k)
            mouse_event_post(event(k % 2 ? MOUSE_RELEASE : MOUSE_PRESS, k));
        const std::vector<MouseEvent> events = taken();
        ASSERT_EQ(events.size(), size_t{MOUSE_EVENT_SLOTS - 1});
        for (int32_t k = 0; k < MOUSE_EVENT_SLOTS - 1; ++k)
            ASSERT_EQ(events[k].x, k);
    }
    EXPECT_EQ(next_mouse_event(nullptr), 0);
}

TEST_F(MouseEvents, AFullRingGivesUpMovesBeforeAnythingElse) {
    // Press, then moves up to the brim, then more clicks: the oldest moves make room.
    mouse_event_post(event(MOUSE_PRESS, -1));
    for (int32_t k = 0; k < MOUSE_EVENT_SLOTS - 2; ++k)
        mouse_event_post(event(MOUSE_MOVE, k));
    mouse_event_post(event(MOUSE_RELEASE, -2));
    mouse_event_post(event(MOUSE_WHEEL, -3));
    std::vector<MouseEvent> events = taken();
    ASSERT_EQ(events.size(), size_t{MOUSE_EVENT_SLOTS - 1});
    EXPECT_EQ(events.front().kind, MOUSE_PRESS);
    EXPECT_EQ(events[1].x, 2);  // moves 0 and 1 gave way, the rest keep their order
    EXPECT_EQ(events[events.size() - 3].x, MOUSE_EVENT_SLOTS - 3);
    EXPECT_EQ(events[events.size() - 2].kind, MOUSE_RELEASE);
    EXPECT_EQ(events.back().kind, MOUSE_WHEEL);

    // Nothing but clicks: a new move is dropped, a new click drops the oldest click.
    for (int32_t k = 0; k < MOUSE_EVENT_SLOTS - 1; ++k)
        mouse_event_post(event(MOUSE_PRESS, k));
    mouse_event_post(event(MOUSE_MOVE, 5000));
    mouse_event_post(event(MOUSE_RELEASE, 6000));
    events = taken();
    ASSERT_EQ(events.size(), size_t{MOUSE_EVENT_SLOTS - 1});
    EXPECT_EQ(events.front().x, 1);
    EXPECT_EQ(events.back().x, 6000);
}

TEST(MouseEventsNoScreen, NothingIsTakenWithoutAScreen) {
    reset_mouse_events();
    mouse_event_post(MouseEvent{MOUSE_PRESS, 1, 2, MOUSE_LEFT, 0});
    MouseEvent event{};
    EXPECT_EQ(next_mouse_event(&event), 0);
    int32_t x = 700, y = -3;
    clamp_mouse_position(&x, &y, 640, 480);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 0);
}

}  // namespace
}  // namespace qx
