#include <strings.h>

#include <cstdarg>
#include <cstring>
#include <initializer_list>

#include "gfx/driver/display_driver.h"
#include "runtime/diagnostics.h"

namespace qx {

namespace {

constexpr size_t REASON_CAPACITY = 160;
constexpr size_t FAILURE_CAPACITY = 512;
constexpr int32_t REPORTED_DRIVERS = 8;  // reasons kept for the first drivers of a list
constexpr int32_t NAME_SHOWN = 32;       // bytes of a QXGFX value repeated in messages

// The reason of the init running now. Written by init on the program's thread or by the window
// thread before it reports its start, which the program's thread waits for: never both at once.
char attempt_reason[REASON_CAPACITY];
char failure[FAILURE_CAPACITY];

// Each listed driver's reason from its last attempt with the flags as requested: a full-screen
// fallback that also failed would otherwise hide why the window the program asked for failed.
struct Reasons {
    char text[REPORTED_DRIVERS][REASON_CAPACITY];
};

bool same_name(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

bool names_a_driver(const DisplayDriver* const* list, const char* qxgfx) {
    for (const DisplayDriver* const* entry = list; *entry; ++entry) {
        if (same_name((*entry)->name, qxgfx)) return true;
    }
    return false;
}

// What a QXGFX value that names no listed driver is: a driver this build left out, or nothing.
const char* unknown_name(const char* qxgfx) {
    const char* left_out = left_out_driver(qxgfx);
    return left_out ? left_out : "names no display driver";
}

const char* kind(int32_t flags) {
    return flags & SCREEN_FULLSCREEN ? "full screen" : "window";
}

// Both attempts of one candidate: the requested refresh rate, then 0; exit after each failure.
bool try_driver(const DisplayDriver* driver, const char* title, int32_t width, int32_t height,
                int32_t depth, int32_t refresh_rate, int32_t flags, char* reason) {
    for (int32_t rate : {refresh_rate, 0}) {
        attempt_reason[0] = '\0';
        const bool opened =
            driver->init && driver->init(title, width, height, depth, rate, flags) == 0;
        const char* outcome = opened              ? "opened"
                              : !driver->init     ? "cannot open a screen"
                              : attempt_reason[0] ? attempt_reason
                                                  : "refused";
        if (rate != 0) {
            log_line("%s %dx%dx%d %s at %d Hz: %s", driver->name, width, height, depth, kind(flags),
                     rate, outcome);
        } else {
            log_line("%s %dx%dx%d %s: %s", driver->name, width, height, depth, kind(flags),
                     outcome);
        }
        if (opened) return true;
        if (reason) std::memcpy(reason, outcome, std::strlen(outcome) + 1);
        if (driver->exit) driver->exit();
    }
    return false;
}

// Appends to `failure` at *length; once the text is full it stays cut where it was.
__attribute__((format(printf, 2, 3))) void append_failure(size_t* length, const char* format, ...) {
    if (*length >= sizeof failure - 1) return;
    va_list arguments;
    va_start(arguments, format);
    *length += vformat_text(failure + *length, sizeof failure - *length, format, arguments);
    va_end(arguments);
}

// "no display driver opened 320x200x8 (window): DirectX: ...; GDI: ...".
void describe_failure(const DisplayDriver* const* list, const char* qxgfx, int32_t width,
                      int32_t height, int32_t depth, int32_t flags, const Reasons& reasons) {
    size_t length = 0;
    if (qxgfx && !names_a_driver(list, qxgfx)) {
        append_failure(&length, "QXGFX=\"%.*s\" %s; ", NAME_SHOWN, qxgfx, unknown_name(qxgfx));
    }
    append_failure(&length, "no display driver opened %dx%dx%d (%s)", width, height, depth,
                   kind(flags));
    for (int32_t i = 0; list[i] && i < REPORTED_DRIVERS; ++i) {
        const char* reason = reasons.text[i][0] ? reasons.text[i] : "not tried";
        append_failure(&length, "%s %s: %s", i == 0 ? ":" : ";", list[i]->name, reason);
    }
}

}  // namespace

const DisplayDriver* select_display_driver(const DisplayDriver* const* list, const char* qxgfx,
                                           const char* title, int32_t width, int32_t height,
                                           int32_t depth, int32_t refresh_rate, int32_t flags) {
    failure[0] = '\0';
    if (flags == SCREEN_NULL || (qxgfx && same_name(qxgfx, "null"))) {
        if (flags == SCREEN_NULL) {
            log_line("display driver Null chosen (flags -1)");
        } else {
            log_line("display driver Null chosen (QXGFX=%.*s)", NAME_SHOWN, qxgfx);
        }
        return &NULL_DRIVER;
    }
    if (qxgfx && !names_a_driver(list, qxgfx)) {
        log_line("QXGFX=\"%.*s\" %s; trying them all", NAME_SHOWN, qxgfx, unknown_name(qxgfx));
    }
    const int32_t requested_flags = flags;
    static Reasons reasons;  // 1.3 KB: kept off the program's stack
    reasons = Reasons{};
    for (int32_t pass = qxgfx ? 4 : 2; pass > 0; --pass) {
        for (int32_t i = 0; list[i]; ++i) {
            const DisplayDriver* driver = list[i];
            bool candidate = !qxgfx || (pass & 1) || same_name(driver->name, qxgfx);
            char* reason =
                i < REPORTED_DRIVERS && flags == requested_flags ? reasons.text[i] : nullptr;
            if (candidate &&
                try_driver(driver, title, width, height, depth, refresh_rate, flags, reason)) {
                log_line("display driver %s chosen", driver->name);
                return driver;
            }
        }
        // A full-screen request falls back to a window (and a window to full screen).
        if (!qxgfx || pass == 2) flags ^= SCREEN_FULLSCREEN;
    }
    describe_failure(list, qxgfx, width, height, depth, requested_flags, reasons);
    log_line("%s", failure);
    return nullptr;
}

const char* selection_failure() {
    return failure;
}

int32_t driver_refusal(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vformat_text(attempt_reason, sizeof attempt_reason, format, arguments);
    va_end(arguments);
    return -1;
}

}  // namespace qx
