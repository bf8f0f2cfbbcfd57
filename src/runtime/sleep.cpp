#include "runtime/key_queue.h"
#include "runtime/text_hooks.h"
#include "runtime/timer.h"

namespace qx {

namespace {

constexpr int32_t KEY_CHECK_MS = 50;

}  // namespace

void sleep_with_key_check(int32_t milliseconds, int32_t (*key_arrived)(), int32_t (*keys_ended)()) {
    if (milliseconds == -1) {
        while (!key_arrived()) {
            if (keys_ended && keys_ended()) return;  // no key can ever end the wait
            nap_ms(KEY_CHECK_MS);
        }
        return;
    }
    if (milliseconds > 99) {
        while (milliseconds > KEY_CHECK_MS) {
            if (key_arrived()) return;
            nap_ms(KEY_CHECK_MS);
            milliseconds -= KEY_CHECK_MS;
        }
    }
    if (milliseconds > 0) nap_ms(milliseconds);
}

void console_sleep(int32_t milliseconds) {
    sleep_with_key_check(milliseconds, take_key_arrived, key_input_ended);
}

void sleep_ms(int32_t milliseconds) {
    // A kept close is a key already waiting: the sleeps a key would end return at once.
    if (close_pending() && (milliseconds == -1 || milliseconds > 99)) return;
    if (text_hooks.sleep_hook) {
        text_hooks.sleep_hook(milliseconds);
    } else {
        console_sleep(milliseconds);
    }
}

}  // namespace qx
