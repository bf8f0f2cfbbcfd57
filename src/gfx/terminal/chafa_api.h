// libchafa (and the GLib call that frees its results) opened at run time: one symbol list,
// expanded into a table of pointers; zlib, which packs the images, the same way. Without the
// libraries only the "Terminal" driver fails.
#pragma once

#include <chafa.h>
#include <zlib.h>

#include <cstdint>

#define QX_CHAFA_SYMBOLS(X)                                                                  \
    X(ChafaTermDb*, chafa_term_db_get_default, (void))                                       \
    X(ChafaTermInfo*, chafa_term_db_detect, (ChafaTermDb*, gchar**))                         \
    X(ChafaTermInfo*, chafa_term_db_get_fallback_info, (ChafaTermDb*))                       \
    X(void, chafa_term_info_supplement, (ChafaTermInfo*, ChafaTermInfo*))                    \
    X(void, chafa_term_info_unref, (ChafaTermInfo*))                                         \
    X(gboolean, chafa_term_info_have_seq, (const ChafaTermInfo*, ChafaTermSeq))              \
    X(ChafaSymbolMap*, chafa_symbol_map_new, (void))                                         \
    X(void, chafa_symbol_map_add_by_tags, (ChafaSymbolMap*, ChafaSymbolTags))                \
    X(void, chafa_symbol_map_unref, (ChafaSymbolMap*))                                       \
    X(ChafaCanvasConfig*, chafa_canvas_config_new, (void))                                   \
    X(void, chafa_canvas_config_unref, (ChafaCanvasConfig*))                                 \
    X(void, chafa_canvas_config_set_geometry, (ChafaCanvasConfig*, gint, gint))              \
    X(void, chafa_canvas_config_set_cell_geometry, (ChafaCanvasConfig*, gint, gint))         \
    X(void, chafa_canvas_config_set_canvas_mode, (ChafaCanvasConfig*, ChafaCanvasMode))      \
    X(void, chafa_canvas_config_set_pixel_mode, (ChafaCanvasConfig*, ChafaPixelMode))        \
    X(void, chafa_canvas_config_set_symbol_map, (ChafaCanvasConfig*, const ChafaSymbolMap*)) \
    X(void, chafa_canvas_config_set_work_factor, (ChafaCanvasConfig*, gfloat))               \
    X(void, chafa_canvas_config_set_preprocessing_enabled, (ChafaCanvasConfig*, gboolean))   \
    X(ChafaCanvas*, chafa_canvas_new, (const ChafaCanvasConfig*))                            \
    X(void, chafa_canvas_unref, (ChafaCanvas*))                                              \
    X(void, chafa_canvas_draw_all_pixels,                                                    \
      (ChafaCanvas*, ChafaPixelType, const guint8*, gint, gint, gint))                       \
    X(GString*, chafa_canvas_print, (ChafaCanvas*, ChafaTermInfo*))                          \
    X(gunichar, chafa_canvas_get_char_at, (ChafaCanvas*, gint, gint))                        \
    X(void, chafa_canvas_get_raw_colors_at, (ChafaCanvas*, gint, gint, gint*, gint*))        \
    X(void, chafa_set_n_threads, (gint))

#define QX_GLIB_SYMBOLS(X) X(gchar*, g_string_free, (GString*, gboolean))

#define QX_ZLIB_SYMBOLS(X)                                         \
    X(int, compress2, (Bytef*, uLongf*, const Bytef*, uLong, int)) \
    X(uLong, compressBound, (uLong))                               \
    X(uLong, crc32, (uLong, const Bytef*, uInt))

namespace qx {

struct ChafaApi {
#define QX_CHAFA_FIELD(ret, name, params) ret(*name) params = nullptr;
    QX_CHAFA_SYMBOLS(QX_CHAFA_FIELD)
    QX_GLIB_SYMBOLS(QX_CHAFA_FIELD)
    QX_ZLIB_SYMBOLS(QX_CHAFA_FIELD)
#undef QX_CHAFA_FIELD
};
extern ChafaApi chafa;  // calls read chafa.chafa_canvas_new(...): found by one grep

constexpr const char* CHAFA_LIBRARY = "libchafa.so.0";  // named in failure reasons too
constexpr const char* GLIB_LIBRARY = "libglib-2.0.so.0";
constexpr const char* ZLIB_LIBRARY = "libz.so.1";

// Binds every symbol once; 0 when all are bound, -1 leaves chafa untouched. The libraries stay
// open for the life of the process.
int32_t chafa_load();

}  // namespace qx
