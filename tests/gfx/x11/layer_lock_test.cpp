// The window lock leans towards one thread: that thread and the others still exclude each
// other, nesting holds, and a thread that takes the lock over and over never shuts the
// others out.
#include "gfx/x11/layer_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Counts no atomic could protect: two words that must always be equal.
struct Shared {
    int64_t first = 0, second = 0;
};

void add_under_lock(qx::LayerLock& lock, Shared& shared, int times) {
    for (int k = 0; k < times; ++k) {
        lock.lock();
        lock.lock();  // nested, as a palette change inside a drawing bracket
        const int64_t seen = shared.first;
        if (k % 16 == 0) std::this_thread::yield();  // a window for an intruder
        shared.first = seen + 1;
        lock.unlock();
        shared.second = seen + 1;
        lock.unlock();
    }
}

TEST(LayerLock, FavouredAndOtherThreadsExcludeEachOther) {
    qx::LayerLock lock;
    lock.favour_this_thread();
    Shared shared;
    constexpr int TIMES = 50000;
    std::vector<std::thread> others;
    for (int t = 0; t < 2; ++t)
        others.emplace_back([&] { add_under_lock(lock, shared, TIMES); });
    add_under_lock(lock, shared, TIMES);
    for (std::thread& other : others)
        other.join();
    EXPECT_EQ(shared.first, 3 * TIMES);
    EXPECT_EQ(shared.second, shared.first);
}

TEST(LayerLock, AnotherThreadGetsInWhileTheFavouredOneLoops) {
    qx::LayerLock lock;
    lock.favour_this_thread();
    std::atomic<bool> done{false};
    int turns = 0;
    std::thread other([&] {
        for (int k = 0; k < 1000; ++k) {
            lock.lock();
            ++turns;
            lock.unlock();
        }
        done = true;
    });
    while (!done) {
        lock.lock();
        lock.unlock();
    }
    other.join();
    EXPECT_EQ(turns, 1000);
}

}  // namespace
