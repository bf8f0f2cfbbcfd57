#include "runtime/devices.h"

#include <cstring>

#include "runtime/console_device_read.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {

namespace {

constexpr int32_t CONSOLE_MODE = 4;
constexpr int32_t RECORD_MODE = 1;
constexpr int32_t ZONE_WIDTH = 14;

// Records: [0] the console, [1] file number -1, [2..255] file numbers 1..254. Zeroed at start.
DeviceRecord device_table[DEVICE_COUNT];

// The console's operations, filled in as they are first needed.
DeviceOps console_ops;
ConsoleReadBuffer console_read_buffer;

int32_t console_write(DeviceRecord*, const unsigned char* bytes, size_t length) {
    text_print(bytes, static_cast<int32_t>(length), 0);
    return 0;
}

int32_t console_write_wide(DeviceRecord*, const uint16_t* text, size_t length) {
    text_print_wide(text, static_cast<int32_t>(length), 0);
    return 0;
}

DeviceRecord* last_of_chain(DeviceRecord* record) {
    // A chain longer than the table is a cycle: stop rather than loop for ever.
    for (int32_t hops = 0; record->redirect && hops < DEVICE_COUNT; ++hops) {
        record = record->redirect;
    }
    return record;
}

// The column after writing text at column, wrapped at width when it is positive; 64-bit so
// a long run of output without line ends cannot overflow.
template <typename Unit>
int32_t column_after(const Unit* text, int32_t length, int32_t column, int32_t width) {
    int64_t after = static_cast<int64_t>(column) + length;
    for (int32_t i = length - 1; i >= 0; --i) {
        if (text[i] == '\r' || text[i] == '\n') {
            after = length - (i + 1);
            break;
        }
    }
    if (width > 0) after %= width;
    return after > INT32_MAX ? INT32_MAX : static_cast<int32_t>(after);
}

}  // namespace

void clear_device_table() {
    std::memset(device_table, 0, sizeof device_table);
    console_ops = {};
    console_read_buffer = {};
}

DeviceRecord* console_device() {
    DeviceRecord* console = &device_table[0];
    if (console->ops) return console;
    *console = {};
    console->mode = CONSOLE_MODE;
    console_read_buffer = {};
    console->user_data = &console_read_buffer;
    // A console that cannot tell its column (redirected output) counts from column 0.
    int32_t column = text_get_column() - 1;
    console->column = column > 0 ? column : 0;
    text_get_size(&console->width, nullptr);
    console->ops = &console_ops;
    return console;
}

DeviceRecord* device_of(int32_t file_number) {
    if (file_number == 0) return console_device();
    if (file_number == -1) return &device_table[1];
    if (file_number >= 1 && file_number <= DEVICE_COUNT - 2) return &device_table[file_number + 1];
    return nullptr;
}

void console_device_enable_read() {
    console_device();
    console_ops.read = console_read_bytes;
}

int32_t device_write(DeviceRecord* record, int64_t offset, const void* bytes, int32_t length,
                     int32_t pad, int32_t track_column, int32_t wide) {
    if (!record || !record->ops) return set_runtime_error(1);
    if (length < 0) length = 0;
    record->put_back_count = 0;
    if (offset > 0) {
        if (!record->ops->seek) return set_runtime_error(1);
        int64_t position = offset - 1;
        if (record->mode == RECORD_MODE) position *= record->record_length;
        int32_t result = record->ops->seek(record, position, 0);
        if (result != 0) return set_runtime_error(result);
    }
    int32_t result;
    if (wide) {
        if (!record->ops->write_wide) return set_runtime_error(1);
        result = record->ops->write_wide(record, static_cast<const uint16_t*>(bytes),
                                         static_cast<size_t>(length));
    } else {
        if (!record->ops->write) return set_runtime_error(1);
        result = record->ops->write(record, static_cast<const unsigned char*>(bytes),
                                    static_cast<size_t>(length));
    }
    if (result != 0) return set_runtime_error(result);
    int32_t record_length = record->record_length;
    if (record->mode == RECORD_MODE && pad && record_length != 0) {
        int64_t written = static_cast<int64_t>(length) * (wide ? 2 : 1);
        int64_t remainder = written % record_length;
        if (remainder != 0 && record->ops->seek) {
            result = record->ops->seek(record, record_length - remainder, 1);
            if (result != 0) return set_runtime_error(result);
        }
    }
    if (track_column) {
        DeviceRecord* last = last_of_chain(record);
        last->column = wide ? column_after(static_cast<const uint16_t*>(bytes), length,
                                           last->column, last->width)
                            : column_after(static_cast<const unsigned char*>(bytes), length,
                                           last->column, last->width);
    }
    return set_runtime_error(0);
}

int32_t device_write_text(DeviceRecord* record, const unsigned char* bytes, int32_t length) {
    if (!record || !record->ops) return set_runtime_error(1);
    if (record->ops == &console_ops) console_ops.write = console_write;
    return device_write(record, 0, bytes, length, 1, 1, 0);
}

void print_zone_advance(DeviceRecord* record) {
    if (!record) {
        set_runtime_error(1);
        return;
    }
    DeviceRecord* last = last_of_chain(record);
    int32_t column = last->column > 0 ? last->column : 0;  // never more than a zone of spaces
    int32_t next = ((column + ZONE_WIDTH) / ZONE_WIDTH) * ZONE_WIDTH + 1;
    if (last->width != 0 &&
        static_cast<uint32_t>(next) > static_cast<uint32_t>(last->width - ZONE_WIDTH)) {
        next = 1;
    }
    if (column + 1 >= next) {
        device_write_text(record, reinterpret_cast<const unsigned char*>("\r\n"), 2);
        return;
    }
    static constexpr unsigned char SPACES[ZONE_WIDTH] = {' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                                         ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    device_write_text(record, SPACES, next - column - 1);
}

void print_end_of_item(DeviceRecord* record, int32_t mask) {
    if (mask & (PRINT_NEWLINE | PRINT_NEWLINE_ALT)) {
        device_write_text(record, reinterpret_cast<const unsigned char*>("\r\n"), 2);
    } else if (mask & PRINT_ZONE) {
        print_zone_advance(record);
    }
}

void print_string(int32_t file_number, const unsigned char* text, int32_t length, int32_t mask) {
    DeviceRecord* record = device_of(file_number);
    if (!record) {
        set_runtime_error(1);
        return;
    }
    if (length > 0) device_write_text(record, text, length);
    print_end_of_item(record, mask);
}

void print_cstring(int32_t file_number, const char* bytes, int32_t mask) {
    print_string(file_number, reinterpret_cast<const unsigned char*>(bytes),
                 bytes ? static_cast<int32_t>(std::strlen(bytes)) : 0, mask);
}

void print_wide_string(int32_t file_number, const uint16_t* text16, int32_t mask) {
    DeviceRecord* record = device_of(file_number);
    if (!record) {
        set_runtime_error(1);
        return;
    }
    int32_t length = 0;
    while (text16 && text16[length] != 0)
        ++length;
    if (record->ops == &console_ops) console_ops.write_wide = console_write_wide;
    device_write(record, 0, text16, length, 1, 1, 1);
    print_end_of_item(record, mask);
}

}  // namespace qx
