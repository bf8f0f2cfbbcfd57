#include "gfx/driver/display_modes.h"

#include <cstdlib>

namespace qx {

namespace {

constexpr int32_t RAISED_HEIGHTS[] = {240, 480, 600, 768, 1024};

}  // namespace

int32_t next_mode_height(int32_t height) {
    for (int32_t raised : RAISED_HEIGHTS) {
        if (height < raised) return raised;
    }
    return -1;
}

int32_t twin_depth(int32_t depth) {
    switch (depth) {
        case 15:
            return 16;
        case 16:
            return 15;
        case 24:
            return 32;
        case 32:
            return 24;
        default:
            return 0;
    }
}

int32_t search_display_mode(int32_t width, int32_t height, int32_t depth, int32_t refresh_rate,
                            ModeAttempt attempt, void* context, ModeChoice* choice) {
    if (width <= 0 || height <= 0 || attempt == nullptr || choice == nullptr) return -1;
    for (int32_t h = height; h > 0; h = next_mode_height(h)) {
        ModeRequest request = {
            .width = width,
            .height = h,
            .depth = depth,
            .refresh_rate = refresh_rate,
            .standard_vga = (width == 320 && h == 200 && depth == 8) ? 1 : 0,
        };
        int32_t result = attempt(context, request);
        if (result != 0 && twin_depth(depth) != 0) {
            request.depth = twin_depth(depth);
            result = attempt(context, request);
        }
        if (result == 0) {
            choice->mode = request;
            choice->y_offset = (h - height) / 2;
            return 0;
        }
    }
    return -1;
}

int32_t attempt_listed_mode(void* modes, const ModeRequest& request) {
    const auto* list = static_cast<const DisplayModeList*>(modes);
    for (int32_t i = 0; i < list->count; ++i) {
        const DisplayMode& mode = list->modes[i];
        if (mode.width == request.width && mode.height == request.height &&
            mode.depth == request.depth &&
            (request.refresh_rate == 0 || mode.refresh_rate == request.refresh_rate)) {
            return 0;
        }
    }
    return -1;
}

int32_t* list_display_modes(const DisplayModeList& list, int32_t depth, int32_t* count) {
    int32_t matches = 0;
    for (int32_t i = 0; i < list.count; ++i)
        matches += list.modes[i].depth == depth ? 1 : 0;
    *count = 0;
    if (matches == 0) return nullptr;
    auto* result =
        static_cast<int32_t*>(std::calloc(static_cast<size_t>(matches), sizeof(int32_t)));
    if (result == nullptr) return nullptr;
    for (int32_t i = 0; i < list.count; ++i) {
        const DisplayMode& mode = list.modes[i];
        if (mode.depth != depth) continue;
        // Sizes are 16-bit fields of the entry; larger values cannot be represented.
        const uint32_t w = static_cast<uint32_t>(mode.width) & 0xFFFF;
        const uint32_t h = static_cast<uint32_t>(mode.height) & 0xFFFF;
        result[(*count)++] = static_cast<int32_t>((w << 16) | h);
    }
    return result;
}

}  // namespace qx
