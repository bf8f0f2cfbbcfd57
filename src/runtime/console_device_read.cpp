#include "runtime/console_device_read.h"

#include <cstring>

#include "runtime/devices.h"
#include "runtime/text_hooks.h"

namespace qx {

int32_t console_read_bytes(DeviceRecord* record, unsigned char* buffer, size_t* count) {
    auto* pending = static_cast<ConsoleReadBuffer*>(record->user_data);
    size_t delivered = 0;
    while (delivered < *count) {
        if (pending->count == 0) {
            KeyText key = read_key_text();
            // A key text is at most two bytes, whatever a hook claims.
            if (key.length > static_cast<int32_t>(sizeof key.bytes)) key.length = sizeof key.bytes;
            if (key.length <= 0) {
                std::memset(buffer + delivered, 0, *count - delivered);
                break;
            }
            std::memcpy(pending->bytes, key.bytes, static_cast<size_t>(key.length));
            pending->count = key.length;
        }
        buffer[delivered++] = pending->bytes[0];
        std::memmove(pending->bytes, pending->bytes + 1, static_cast<size_t>(--pending->count));
    }
    *count = delivered;
    return 0;
}

}  // namespace qx
