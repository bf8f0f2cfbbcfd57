// The device table (file numbers) and the print path from a printed item to print_hook.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qx/console.h>

#include "runtime/half_api.h"

namespace qx {

struct DeviceRecord;

struct DeviceOps {
    int32_t (*open)(DeviceRecord* record);   // 0: not used by the text path
    int32_t (*close)(DeviceRecord* record);  // 1: not used by the text path
    int32_t (*seek)(DeviceRecord* record, int64_t offset, int32_t origin);  // 2
    int32_t (*eof)(DeviceRecord* record);  // 3: not used by the text path
    int32_t (*read)(DeviceRecord* record, unsigned char* buffer, size_t* count);        // 4
    int32_t (*read_wide)(DeviceRecord* record, uint16_t* buffer, size_t* count);        // 5
    int32_t (*write)(DeviceRecord* record, const unsigned char* bytes, size_t length);  // 6
    int32_t (*write_wide)(DeviceRecord* record, const uint16_t* text, size_t length);   // 7
};

struct DeviceRecord {
    int32_t mode;           // 4 console; 1 fixed-length records
    int32_t record_length;  // bytes per record in mode 1
    int32_t encoding;       // non-zero: 16-bit characters
    int32_t column;         // 0-based output column after the last write
    int32_t width;          // wrap width of column; 0 = none
    unsigned char put_back[4];
    int32_t put_back_count;
    DeviceOps* ops;
    void* user_data;         // console: ConsoleReadBuffer
    DeviceRecord* redirect;  // forwards to this record; the column lives on the chain's last
};

constexpr int32_t DEVICE_COUNT = 256;

DeviceRecord* device_of(int32_t file_number);  // null outside 0, -1, 1..254
QX_HALF_API DeviceRecord* console_device();    // set up on first use
void clear_device_table();

int32_t device_write_text(DeviceRecord* record, const unsigned char* bytes, int32_t length);
int32_t device_write(DeviceRecord* record, int64_t offset, const void* bytes, int32_t length,
                     int32_t pad, int32_t track_column, int32_t wide);
void print_end_of_item(DeviceRecord* record, int32_t mask);
void print_zone_advance(DeviceRecord* record);
// Makes sure the console device can read (slot 4): called when an input statement starts.
void console_device_enable_read();

}  // namespace qx
