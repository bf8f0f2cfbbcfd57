/// @file
/// The graphics screen: opening one by size or by mode number, closing it, its title, what
/// it is, and the lock bracket around direct work on it. One screen is open at a time.
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

/// Flags of screen_res and screen_mode.
constexpr int32_t SCREEN_FULLSCREEN = 1;  ///< the picture centred in the nearest display mode
constexpr int32_t SCREEN_OPENGL = 2;      ///< the program draws with OpenGL and calls flip_screen
constexpr int32_t SCREEN_NO_SWITCH = 4;   ///< Alt+Enter does not switch to full screen
constexpr int32_t SCREEN_STENCIL_BUFFER = 0x10;       ///< OpenGL: ask for a stencil buffer
constexpr int32_t SCREEN_ACCUMULATION_BUFFER = 0x20;  ///< OpenGL: ask for an accumulation buffer
constexpr int32_t SCREEN_NULL = -1;  ///< no window: the Null driver draws into memory only

///@{
/// The numbered modes of screen_mode: size and colours. MODE_TEXT closes the screen.
constexpr int32_t MODE_TEXT = 0;
constexpr int32_t MODE_320X200_4 = 1;
constexpr int32_t MODE_640X200_2 = 2;
constexpr int32_t MODE_320X200_16 = 7;
constexpr int32_t MODE_640X200_16 = 8;
constexpr int32_t MODE_640X350_16 = 9;  ///< 16 of 64 colours
constexpr int32_t MODE_640X350_2 = 10;
constexpr int32_t MODE_640X480_2 = 11;
constexpr int32_t MODE_640X480_16 = 12;
constexpr int32_t MODE_320X200_256 = 13;
constexpr int32_t MODE_320X240_256 = 14;
constexpr int32_t MODE_400X300_256 = 15;
constexpr int32_t MODE_512X384_256 = 16;
constexpr int32_t MODE_640X400_256 = 17;
constexpr int32_t MODE_640X480_256 = 18;
constexpr int32_t MODE_800X600_256 = 19;
constexpr int32_t MODE_1024X768_256 = 20;
constexpr int32_t MODE_1280X1024_256 = 21;
///@}

/// Opens a width x height screen, closing any open one. The driver comes from the QXGFX
/// variable, else the first that opens; error_text() says why none did.
/// @param width pixels, above 0
/// @param height pixels, above 0
/// @param depth bits per pixel: 8, 15 or 16 (both give 16), 24 or 32 (both give 32); with
///        SCREEN_OPENGL at least 16
/// @param pages framebuffer pages; below 1 counts as 1
/// @param flags SCREEN_... bits, or SCREEN_NULL
/// @param refresh_rate Hz wanted of a full-screen display mode; 0: any
/// @retval 0 the screen is open
/// @retval 1 (also the runtime error code) refused or failed: no screen is open
QX_API int32_t screen_res(int32_t width, int32_t height, int32_t depth, int32_t pages,
                          int32_t flags, int32_t refresh_rate);
/// Opens a numbered mode, closing any open screen; MODE_TEXT only closes it.
/// @param mode MODE_...: 0, 1, 2 or 7 to 21
/// @param depth 0 keeps the mode's own; modes 14 and up also take 8, 15, 16, 24 or 32 as
///        screen_res does; other values keep the mode's own
/// @param pages framebuffer pages; below 1 counts as 1
/// @param flags SCREEN_... bits, or SCREEN_NULL
/// @param refresh_rate Hz wanted of a full-screen display mode; 0: any
/// @return as screen_res; 1 also for an unknown mode
QX_API int32_t screen_mode(int32_t mode, int32_t depth, int32_t pages, int32_t flags,
                           int32_t refresh_rate);
/// Closes the open screen, if any; text goes to the console again.
QX_API void close_screen();

/// Sets the window title, kept for screens opened later too; the program's file name by
/// default.
/// @param text the title's bytes, no terminator needed; null sets an empty title
/// @param length how many bytes of text; at most 127 are kept, negative sets an empty title
QX_API void change_window_title(const char* text, int32_t length);
/// The current window title.
/// @return the title, zero-terminated; valid until the title changes
QX_API const char* window_title();

/// What the open screen is.
struct ScreenInfo {
    int32_t width;         ///< pixels
    int32_t height;        ///< pixels
    int32_t depth;         ///< bits per pixel: 1, 2, 4, 8, 16 or 32
    int32_t mode;          ///< MODE_... number, -1 when opened by screen_res
    int32_t pages;         ///< framebuffer pages
    int32_t text_cols;     ///< text cells
    int32_t text_rows;     ///< text cells
    int32_t refresh_rate;  ///< Hz, 0 unknown
    const char* driver;    ///< "DirectX", "GDI", "OpenGL", "Null"; "Terminal" on Linux only
};
/// Describes the open screen.
/// @param info gets the description
/// @retval 0 info is filled
/// @retval -1 no screen is open or info is null
QX_API int32_t screen_info(ScreenInfo* info);

///@{
/// Lock bracket around work on the screen: nested brackets lock once. The drawing operations
/// take it themselves; a program needs it only to keep several of them in one picture.
QX_API void begin_draw();
QX_API void end_draw();
///@}

}  // namespace qx
