// The lock between a program and the update thread of its window. The program takes it around
// every drawing call, some thirty times a frame; the update thread about a hundred times a
// second. So it leans towards the program's thread: that thread enters and leaves with plain
// stores, and every other thread pays for both. Where the system cannot make other threads
// pass a barrier on request, the program's side uses an atomic exchange instead (the cost of
// a plain lock).
#pragma once

#include <atomic>
#include <cstdint>

namespace qx {

class LayerLock {
public:
    // The calling thread becomes the one with the cheap side (unless it holds the lock). Call
    // while no other thread uses the lock; false when the cheap side has to use atomic exchanges.
    bool favour_this_thread();

    // A thread may take the lock again while it holds it (a palette change inside a drawing
    // bracket): its depth is its own.
    void lock() {
        if (depth++ > 0) return;
        if (&thread_mark == favoured) {
            enter_favoured();
        } else {
            enter_other();
        }
    }
    void unlock() {
        if (--depth > 0) return;
        if (&thread_mark == favoured) {
            leave_favoured();
        } else {
            leave_other();
        }
    }

private:
    void enter_favoured() {
        if (asymmetric) {
            inside.store(1, std::memory_order_relaxed);
            // The other side's barrier keeps the store before the load; the compiler must too.
            std::atomic_signal_fence(std::memory_order_seq_cst);
        } else {
            inside.exchange(1, std::memory_order_seq_cst);  // a full barrier of its own
        }
        if (wanted.load(std::memory_order_seq_cst) != 0) wait_for_other();
    }
    void leave_favoured() {
        if (asymmetric) {
            inside.store(0, std::memory_order_release);
        } else {
            inside.exchange(0, std::memory_order_seq_cst);
        }
        if (wanted.load(std::memory_order_relaxed) != 0) inside.notify_one();
    }
    void wait_for_other();
    void enter_other();
    void leave_other();

    // A futex word (0 free, 1 held, 2 held with waiters) that threads other than the favoured
    // one take first, so that only one of them at a time deals with the favoured thread.
    class Gate {
    public:
        void lock();
        void unlock();

    private:
        std::atomic<int32_t> word{0};
    };

    std::atomic<int32_t> inside{0};  // 1 while the favoured thread holds the lock
    std::atomic<int32_t> wanted{0};  // 1 while another thread holds it or waits for it
    Gate gate;
    const char* favoured = nullptr;
    bool asymmetric = false;
    // constinit: with no initialisation at run time, each use is a plain thread-local access,
    // without the check for an initialiser the compiler adds otherwise.
    static constinit thread_local int32_t depth;
    static constinit thread_local const char thread_mark;  // its address tells the threads apart
};

}  // namespace qx
