/// @file
/// Everything a QX program may use: `#include <qx/qx.h>` and link qx::gfx (which brings
/// qx::runtime), or `pkg-config --cflags --libs qx`.
#pragma once

#include <qx/console.h>
#include <qx/drawing.h>
#include <qx/drivers.h>
#include <qx/graphics_text.h>
#include <qx/keys.h>
#include <qx/palette.h>
#include <qx/rtstring.h>
#include <qx/runtime.h>
#include <qx/screen.h>
#include <qx/timer.h>
#include <qx/version.h>
