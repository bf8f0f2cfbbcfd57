#include "gfx/x11/layer_lock.h"

#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qx {

constinit thread_local int32_t LayerLock::depth = 0;
constinit thread_local const char LayerLock::thread_mark = 0;

namespace {

// Every running thread of the process passes a full barrier before this returns.
bool process_barrier() {
    return syscall(__NR_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0) == 0;
}

bool register_process_barrier() {
    const long commands = syscall(__NR_membarrier, MEMBARRIER_CMD_QUERY, 0, 0);
    return commands >= 0 && (commands & MEMBARRIER_CMD_PRIVATE_EXPEDITED) != 0 &&
           syscall(__NR_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0 &&
           process_barrier();
}

}  // namespace

bool LayerLock::favour_this_thread() {
    // A thread inside a bracket keeps the side it entered by until it leaves.
    if (depth == 0) favoured = &thread_mark;
    if (!asymmetric) asymmetric = register_process_barrier();
    return asymmetric;
}

// Another thread holds the lock or is taking it: step out, let it finish, step back in. The
// gate is free only once it has left.
void LayerLock::wait_for_other() {
    inside.store(0, std::memory_order_release);
    inside.notify_one();
    gate.lock();
    inside.store(1, std::memory_order_relaxed);
    gate.unlock();
}

void LayerLock::enter_other() {
    gate.lock();
    wanted.store(1, std::memory_order_seq_cst);
    // Now either the favoured thread's `inside` is seen below, or it sees `wanted`.
    if (asymmetric) process_barrier();  // cannot fail once registered
    while (inside.load(std::memory_order_seq_cst) != 0)
        inside.wait(1, std::memory_order_acquire);
}

void LayerLock::leave_other() {
    wanted.store(0, std::memory_order_release);
    gate.unlock();
}

void LayerLock::Gate::lock() {
    int32_t free = 0;
    if (word.compare_exchange_strong(free, 1, std::memory_order_acquire)) return;
    while (word.exchange(2, std::memory_order_acquire) != 0)
        word.wait(2, std::memory_order_relaxed);
}

void LayerLock::Gate::unlock() {
    if (word.exchange(0, std::memory_order_release) == 2) word.notify_one();
}

}  // namespace qx
