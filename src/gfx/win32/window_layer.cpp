#include "gfx/win32/window_layer.h"

#include <process.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gfx/driver/display_driver.h"
#include "gfx/driver/scancode_vk_table.h"
#include "gfx/screen.h"

namespace qx {

WindowState window_state;
WindowInput window_input{0, 0, 1, 0};

namespace {

// What the layer keeps across drivers: the thread it started, the screen saver it switched
// off and the class it registered. Touched by the program's thread only.
struct LayerResources {
    HANDLE thread;  // the update thread, ours to wait for and close
    DWORD thread_id;
    bool screen_saver_saved;
    BOOL screen_saver_active;  // the user's setting, given back at close
    HINSTANCE instance;
    char registered_class[WINDOW_CLASS_CAPACITY];  // "" when no class is registered
};
LayerResources resources{};

// The one lock, made on first use and kept for the process: a lock or unlock that comes
// before the first window or after the last must not meet a deleted critical section.
CRITICAL_SECTION& layer_lock() {
    struct Section {
        CRITICAL_SECTION section;
        Section() { InitializeCriticalSection(&section); }
    };
    static Section lock;
    return lock.section;
}

void copy_text(char* out, size_t capacity, const char* text) {
    size_t length = text == nullptr ? 0 : strnlen(text, capacity - 1);
    if (length > 0) std::memcpy(out, text, length);
    out[length] = '\0';
}

unsigned __stdcall update_thread_start(void* started) {
    window_state.thread_procedure(static_cast<HANDLE>(started));
    return 0;
}

void switch_screen_saver_off() {
    if (resources.screen_saver_saved) return;  // a layer never closed: keep the user's value
    BOOL active = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) return;
    resources.screen_saver_active = active;
    resources.screen_saver_saved = true;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
}

void restore_screen_saver() {
    if (!resources.screen_saver_saved) return;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, resources.screen_saver_active, nullptr, 0);
    resources.screen_saver_saved = false;
}

int32_t register_window_class(int32_t flags) {
    HINSTANCE instance = resources.instance;
    WNDCLASSA& window_class = window_state.window_class;
    window_class = WNDCLASSA{};
    window_class.style = CS_HREDRAW | CS_VREDRAW | ((flags & SCREEN_OPENGL) ? CS_OWNDC : 0);
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, "QX_PROGRAM_ICON");
    if (window_class.hIcon == nullptr) window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = window_state.class_name;
    if (RegisterClassA(&window_class) == 0) {
        // Left by a layer that was never closed: its procedure is ours, its style may not be.
        if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS ||
            !UnregisterClassA(window_state.class_name, instance) ||
            RegisterClassA(&window_class) == 0) {
            return refuse_system_call("RegisterClassA");
        }
    }
    copy_text(resources.registered_class, sizeof resources.registered_class,
              window_state.class_name);
    return 0;
}

// Waits for any of `count` handles, answering the messages other threads send this one
// meanwhile: the update thread's window calls (activation, destruction) send some and would
// otherwise wait for them to time out. Returns the index of the signalled handle.
DWORD wait_answering_messages(DWORD count, const HANDLE* handles) {
    for (;;) {
        const DWORD which =
            MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (which != WAIT_OBJECT_0 + count) return which - WAIT_OBJECT_0;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Waits for an update thread that is still there (its layer was never closed).
void finish_update_thread() {
    if (resources.thread == nullptr) return;
    if (resources.thread_id != GetCurrentThreadId()) {
        wait_answering_messages(1, &resources.thread);
    }
    CloseHandle(resources.thread);
    resources.thread = nullptr;
    resources.thread_id = 0;
}

int32_t start_update_thread() {
    if (window_state.thread_procedure == nullptr) {
        return driver_refusal("the driver gave the window layer no thread procedure");
    }
    finish_update_thread();
    HANDLE started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (started == nullptr) return refuse_system_call("CreateEventA");
    // _beginthreadex, not _beginthread: the handle stays ours until we close it, so waiting on
    // it can never meet a thread that already ended and had its handle closed or reused.
    unsigned thread_id = 0;
    uintptr_t handle = _beginthreadex(nullptr, 0, update_thread_start, started, 0, &thread_id);
    if (handle == 0) {
        CloseHandle(started);
        return driver_refusal("cannot start the update thread: %s", std::strerror(errno));
    }
    resources.thread = reinterpret_cast<HANDLE>(handle);
    resources.thread_id = thread_id;
    HANDLE waits[2] = {started, resources.thread};
    const DWORD which = wait_answering_messages(2, waits);
    CloseHandle(started);
    // The thread ended first: create_window failed and gave its reason.
    if (which != 0) return -1;
    SetThreadPriority(resources.thread, THREAD_PRIORITY_ABOVE_NORMAL);
    return 0;
}

bool owns_window(HWND hwnd) {
    return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

}  // namespace

int32_t open_window_layer(const char* title, int32_t width, int32_t height, int32_t depth,
                          int32_t refresh_rate, int32_t flags) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        window_state.os_version =
            static_cast<int32_t>(version.dwMajorVersion << 8 | version.dwMinorVersion);
    }
    window_input.cursor_message = RegisterWindowMessageA("QX mouse cursor");
    window_input.cursor_visible = 1;
    resources.instance = GetModuleHandleA(nullptr);
    copy_text(window_state.title, sizeof window_state.title, title);
    std::memcpy(window_state.class_name, "qxgfxclass_", 11);
    copy_text(window_state.class_name + 11, sizeof window_state.class_name - 11,
              window_state.title);
    window_state.width = width;
    window_state.height = height;
    window_state.depth = depth;
    window_state.refresh_rate = refresh_rate;
    window_state.flags = flags;
    window_input.buttons = 0;
    window_input.wheel = 0;
    window_state.running = 1;
    if (width <= 0 || height <= 0 || width > MAX_WINDOW_SIDE || height > MAX_WINDOW_SIDE) {
        return driver_refusal("%dx%d: a window is 1 to %d pixels on a side", width, height,
                              MAX_WINDOW_SIDE);
    }
    switch_screen_saver_off();
    if (register_window_class(flags) != 0) return -1;
    if (flags & SCREEN_OPENGL) {
        finish_update_thread();
        return 0;  // the caller makes its window on its own thread
    }
    return start_update_thread();
}

void close_window_layer() {
    window_lock();
    const bool running = window_state.running != 0;
    window_state.running = 0;
    window_unlock();
    if (!running) return;
    finish_update_thread();
    restore_screen_saver();
    if (resources.registered_class[0] != '\0') {
        UnregisterClassA(resources.registered_class, resources.instance);
        resources.registered_class[0] = '\0';
    }
}

void run_update_loop(HANDLE started, void (*frame_update)(), bool keyboard_states) {
    const int32_t created =
        window_state.create_window != nullptr ? window_state.create_window() : -1;
    if (created == 0) {
        window_lock();
        window_state.active = 1;
        window_unlock();
        SetEvent(started);
        for (;;) {
            window_lock();
            if (window_state.running == 0) {
                window_unlock();
                break;
            }
            if (frame_update != nullptr) frame_update();
            if (keyboard_states && window_state.active != 0) refresh_key_states_from_keyboard();
            pump_messages();
            window_unlock();
            Sleep(10);
        }
    }
    window_lock();
    if (window_state.destroy_window != nullptr) window_state.destroy_window();
    window_unlock();
}

void window_lock() {
    EnterCriticalSection(&layer_lock());
}

void window_unlock() {
    LeaveCriticalSection(&layer_lock());
}

void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue) {
    if (index < 0 || index > 255) return;
    window_lock();
    PALETTEENTRY& entry = window_state.palette_entries[index];
    entry.peRed = static_cast<BYTE>(red);
    entry.peGreen = static_cast<BYTE>(green);
    entry.peBlue = static_cast<BYTE>(blue);
    entry.peFlags = PC_NOCOLLAPSE;
    window_state.palette_changed = 1;
    window_unlock();
}

void window_wait_vsync() {
    const int32_t rate = screen != nullptr ? screen->refresh_rate : 0;
    Sleep(rate > 0 ? static_cast<DWORD>(1000 / rate) : 16);
}

int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    window_lock();
    POINT point{};
    int32_t result = -1;
    if (window_state.active != 0 && window_state.hwnd != nullptr && GetCursorPos(&point)) {
        if (window_state.flags & SCREEN_FULLSCREEN) {
            point.x = std::clamp<LONG>(point.x, 0, window_state.width - 1);
            point.y = std::clamp<LONG>(point.y, 0, window_state.height - 1);
            result = 0;
        } else if (ScreenToClient(window_state.hwnd, &point) && point.x >= 0 &&
                   point.x < window_state.width && point.y >= 0 && point.y < window_state.height) {
            result = 0;
        } else {
            window_input.buttons = 0;
        }
    }
    if (result == 0) {
        if (x != nullptr) *x = point.x;
        if (y != nullptr) *y = point.y;
        if (wheel != nullptr) *wheel = window_input.wheel;
        if (buttons != nullptr) *buttons = window_input.buttons;
    }
    window_unlock();
    return result;
}

void window_set_mouse(int32_t x, int32_t y, int32_t cursor) {
    window_lock();
    HWND hwnd = window_state.hwnd;
    if (hwnd != nullptr) {
        if (x >= 0) {
            POINT point{std::min(x, window_state.width - 1),
                        std::clamp(y, 0, window_state.height - 1)};
            if ((window_state.flags & SCREEN_FULLSCREEN) == 0) ClientToScreen(hwnd, &point);
            SetCursorPos(point.x, point.y);
        }
        // ShowCursor counts per thread: the window's own thread has to make the call.
        if (cursor > 0 && window_input.cursor_visible == 0) {
            PostMessageA(hwnd, window_input.cursor_message, 1, 0);
            window_input.cursor_visible = 1;
        } else if (cursor == 0 && window_input.cursor_visible == 1) {
            PostMessageA(hwnd, window_input.cursor_message, 0, 0);
            window_input.cursor_visible = 0;
        }
    }
    window_unlock();
}

void window_set_title(const char* title) {
    if (title == nullptr) return;
    window_lock();
    copy_text(window_state.title, sizeof window_state.title, title);
    HWND hwnd = window_state.hwnd;
    // SetWindowTextA from another thread waits for the window's thread, which may be waiting
    // for this lock: that thread renames its window itself.
    if (hwnd != nullptr) {
        if (owns_window(hwnd)) {
            SetWindowTextA(hwnd, window_state.title);
        } else {
            PostMessageA(hwnd, WINDOW_TITLE_MESSAGE, 0, 0);
        }
    }
    window_unlock();
}

void pump_messages() {
    MSG message;
    // The window is read again after each message: a full-screen switch replaces it.
    while (window_state.hwnd != nullptr &&
           PeekMessageA(&message, window_state.hwnd, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void refresh_key_states_from_keyboard() {
    if (screen == nullptr || screen->key_states == nullptr) return;
    BYTE keyboard[256];
    if (!GetKeyboardState(keyboard)) return;
    for (const ScanCodeVk* row = SCANCODE_VK_TABLE; row->scan_code != 0; ++row) {
        const bool down =
            (keyboard[row->virtual_key] & 0x80) != 0 ||
            (row->second_virtual_key != 0 && (keyboard[row->second_virtual_key] & 0x80) != 0);
        screen->key_states[row->scan_code] = down ? 1 : 0;
    }
}

void mark_all_rows_dirty() {
    if (screen == nullptr || screen->dirty_lines == nullptr) return;
    std::memset(screen->dirty_lines, 1,
                static_cast<size_t>(screen->height) * static_cast<size_t>(screen->scanline_size));
}

RowBand dirty_row_band() {
    const ScreenContext* s = screen;
    if (s == nullptr || s->dirty_lines == nullptr) return {0, 0};
    // One flag per framebuffer row; each stands for scanline_size display rows.
    const uint8_t* flags = s->dirty_lines;
    const int32_t scanline = std::max(s->scanline_size, 1);
    const int32_t rows = std::min(s->height, window_state.height / scanline);
    int32_t first = 0;
    while (first < rows && flags[first] == 0)
        ++first;
    if (first == rows) return {0, 0};
    int32_t last = rows - 1;
    while (flags[last] == 0)
        --last;
    return {first * scanline, (last - first + 1) * scanline};
}

int32_t refuse_opengl() {
    return driver_refusal("the screen asks for OpenGL (SCREEN_OPENGL), the OpenGL driver's part");
}

int32_t refuse_system_call(const char* call) {
    const DWORD error = GetLastError();
    // Wine without a display fails window calls this way.
    if (error == 0) return driver_refusal("%s failed and gave no reason (no display?)", call);
    char text[160] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        text[--length] = '\0';
    }
    return driver_refusal("%s failed: error %lu%s%s", call, static_cast<unsigned long>(error),
                          length > 0 ? ", " : "", text);
}

}  // namespace qx
