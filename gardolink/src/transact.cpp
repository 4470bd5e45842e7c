#include "transact.h"

#include <span>

#include "frames.h"
#include "gardolink.h"

namespace gardo {
namespace {

int32_t send_all(SerialLayer& port, const std::vector<uint8_t>& frame) {
    for (uint8_t b : frame) {
        if (int32_t rc = port.writeByte(b); rc != 0) return rc;
    }
    return 0;
}

bool address_ok(int32_t address) { return address >= 0 && address <= 0xFFFF; }

}  // namespace

int32_t flush_input(SerialLayer& port) {
    for (;;) {
        int32_t avail = port.isDataAvailable();
        if (avail < 0) return avail;
        if (avail == 0) return 0;
        uint8_t dropped = 0;
        if (int32_t rc = port.readByte(&dropped); rc != 0) return rc;
    }
}

int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code) {
    if (int32_t rc = flush_input(port); rc != 0) return rc;
    if (int32_t rc = send_all(port, build_short(station, code)); rc != 0) return rc;
    uint8_t reply = 0;
    if (int32_t rc = port.readByte(&reply); rc != 0) return rc;
    return map_reply_char(reply);
}

int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                         int32_t count, uint8_t* dest) {
    if (count < 1 || count > static_cast<int32_t>(kMaxReadData) || !address_ok(address) || dest == nullptr)
        return GARDO_BAD_ARGUMENT;
    const std::vector<uint8_t> request = build_read_request(station, code, address, count);
    if (int32_t rc = flush_input(port); rc != 0) return rc;

    int attempts = 0;
    for (;;) {
        if (int32_t rc = send_all(port, request); rc != 0) return rc;
        uint8_t start = 0;
        if (int32_t rc = port.readByte(&start); rc != 0) {
            if (++attempts < kMaxAttempts) continue;
            return rc;
        }
        if (start == kReplyFaulty) return GARDO_FAULTY;
        if (start == kReplyRejected) return GARDO_REJECTED;
        if (start != kReplyStart) return GARDO_UNKNOWN_REPLY;

        uint8_t body[2 + kMaxReadData];  // type, length, data
        if (int32_t rc = port.readByte(&body[0]); rc != 0) return rc;
        if (body[0] != kReplyType) return GARDO_BAD_TYPE;
        if (int32_t rc = port.readByte(&body[1]); rc != 0) return rc;
        const uint8_t n = body[1];
        // A reply longer than asked for would not fit the caller's buffer.
        if (n == 0 || n > kMaxReadData || n > count) return GARDO_BAD_LENGTH;
        for (uint8_t i = 0; i < n; ++i) {
            if (int32_t rc = port.readByte(&body[2 + i]); rc != 0) return rc;
        }
        uint8_t received = 0;
        if (int32_t rc = port.readByte(&received); rc != 0) return rc;
        if (checksum(std::span<const uint8_t>(body, 2u + n)) != received) {
            if (++attempts < kMaxAttempts) continue;
            return GARDO_UNKNOWN_REPLY;
        }
        for (uint8_t i = 0; i < n; ++i) dest[i] = body[2 + i];
        return GARDO_OK;
    }
}

int32_t write_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                          int32_t count, const uint8_t* src) {
    if (count < 0 || count > static_cast<int32_t>(kMaxWriteData) || !address_ok(address) ||
        (count > 0 && src == nullptr))
        return GARDO_BAD_ARGUMENT;
    const std::vector<uint8_t> request = build_write_request(
        station, code, address, std::span<const uint8_t>(src, static_cast<std::size_t>(count)));
    if (int32_t rc = flush_input(port); rc != 0) return rc;

    int attempts = 0;
    for (;;) {
        if (int32_t rc = send_all(port, request); rc != 0) return rc;
        uint8_t reply = 0;
        if (int32_t rc = port.readByte(&reply); rc != 0) {
            if (++attempts < kMaxAttempts) continue;
            return rc;
        }
        return map_reply_char(reply);
    }
}

int32_t auto_run(SerialLayer& port, uint8_t station) {
    uint8_t value = 0;
    if (int32_t rc = read_transaction(port, station, static_cast<uint8_t>(Cmd::ReadProcess), 4, 1, &value); rc != 0)
        return rc;
    if (value < 18) return GARDO_OK;
    return short_command(port, station, static_cast<uint8_t>(Cmd::AutoRun));
}

}  // namespace gardo
