/// @file
/// Drawing on the open screen (or an image buffer): points, lines, boxes, circles, ellipses and
/// arcs, the view port that clips them, and reading pixels back.
///
/// Coordinates are floats, rounded half away from zero; x grows to the right and y downwards
/// from (0, 0) at the top left. A colour is a palette index up to 8 bits per pixel, 0x00RRGGBB
/// at 16 and 32. Without an open screen drawing does nothing.
#pragma once

#include <bit>
#include <cstdint>

#include <qx/export.h>

namespace qx {

/// "No colour given": the foreground colour is used.
constexpr uint32_t DEFAULT_COLOR = 0xFEFF00FF;
/// "No coordinate given", for set_view.
constexpr int32_t OMITTED_COORDINATE = -32768;

/// Coordinate types: which points are relative, and to what.
constexpr int32_t COORD_ABSOLUTE = 0;
constexpr int32_t COORD_SECOND_RELATIVE = 1;  ///< second point += first point
constexpr int32_t COORD_FIRST_RELATIVE = 2;   ///< first point += the last point drawn
constexpr int32_t COORD_BOTH_RELATIVE = 3;    ///< both of the above, first then second

/// Box types of draw_line.
constexpr int32_t BOX_NONE = 0;     ///< a line
constexpr int32_t BOX_OUTLINE = 1;  ///< the rectangle's outline
constexpr int32_t BOX_FILLED = 2;   ///< the filled rectangle

/// Line styles: bit 15 governs the first pixel, repeating every 16 pixels.
constexpr int32_t LINE_SOLID = 0xFFFF;

/// draw_ellipse's end angle when no end angle is given: one ulp above the float nearest to 2 pi.
inline constexpr float FULL_TURN_MARK = std::bit_cast<float>(0x40C90FDCu);

/// An image buffer, the other drawing target: this header, then height rows of width pixels
/// in the screen's pixel format, without padding.
struct ImageHeader {
    int16_t width_x8;  ///< width x 8
    int16_t height;    ///< rows
};

/// A point, clipped to the view port.
/// @param target null for the screen, or an image buffer (ImageHeader)
/// @param x the point's x
/// @param y the point's y
/// @param color the colour, or DEFAULT_COLOR
/// @param coord_type COORD_FIRST_RELATIVE or COORD_BOTH_RELATIVE: the point is relative to the
///        last point drawn; otherwise absolute
/// @param use_background non-zero: DEFAULT_COLOR means the background colour, not the
///        foreground
QX_API void draw_point(const void* target, float x, float y, uint32_t color, int32_t coord_type,
                       int32_t use_background);
/// A line or a box, clipped to the view port; (x2, y2) becomes the last point drawn.
/// @param target null for the screen, or an image buffer (ImageHeader)
/// @param x1 the first point's x
/// @param y1 the first point's y
/// @param x2 the second point's x
/// @param y2 the second point's y
/// @param color the colour, or DEFAULT_COLOR
/// @param box_type BOX_NONE, BOX_OUTLINE or BOX_FILLED
/// @param style the line style in its low 16 bits (LINE_SOLID)
/// @param coord_type COORD_...: which points are relative
QX_API void draw_line(const void* target, float x1, float y1, float x2, float y2, uint32_t color,
                      int32_t box_type, int32_t style, int32_t coord_type);
/// A circle or ellipse (aspect = y radius / x radius; 0 the default), or an arc from start to
/// end in radians, counter-clockwise with y up (FULL_TURN_MARK: no end angle). A negative
/// angle also draws the radius to that end. A radius whose x or y size is not a finite number
/// within the drawing limit draws nothing.
/// @param target null for the screen, or an image buffer (ImageHeader)
/// @param x the centre's x
/// @param y the centre's y
/// @param radius the larger of the two radii
/// @param color the colour, or DEFAULT_COLOR
/// @param aspect y radius / x radius; 0 the default for the screen's shape
/// @param start the arc's start angle in radians; 0 with end FULL_TURN_MARK: the whole figure
/// @param end the arc's end angle in radians, or FULL_TURN_MARK
/// @param filled non-zero fills a whole circle or ellipse (not an arc)
/// @param coord_type COORD_FIRST_RELATIVE or COORD_BOTH_RELATIVE: the centre is relative to the
///        last point drawn; otherwise absolute
QX_API void draw_ellipse(const void* target, float x, float y, float radius, uint32_t color,
                         float aspect, float start, float end, int32_t filled, int32_t coord_type);
/// Sets the view port (the clipping rectangle), optionally filling it and drawing its border
/// just outside it. Corners may come in any order; parts off the screen are cut off.
/// @param x1 a corner's x in device pixels; all four OMITTED_COORDINATE reset the view port
///        to the whole screen
/// @param y1 a corner's y
/// @param x2 the opposite corner's x
/// @param y2 the opposite corner's y
/// @param fill_color fills the view port, or DEFAULT_COLOR: no fill
/// @param border_color draws the border, or DEFAULT_COLOR: no border
/// @param absolute 0: later drawing coordinates are relative to the view port's corner;
///        non-zero: they stay screen coordinates
QX_API void set_view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill_color,
                     uint32_t border_color, int32_t absolute);
/// Reads a pixel of the page being drawn.
/// @param x device x
/// @param y device y
/// @return the pixel value (a palette index, or the colour at 16 and 32 bits), or -1 outside
///         the screen or without one
QX_API int64_t read_pixel(int32_t x, int32_t y);

}  // namespace qx
