#include "transact.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <thread>

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

int64_t SerialLayer::nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SerialLayer::pauseMicros(int64_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }

int32_t settle_line(SerialLayer& port, Record& rec) {
    ++rec.quiet_waits;
    const int64_t quiet = port.byteMicros() + kQuietMarginMicros;
    const int64_t start = port.nowMicros();
    int64_t last = start;  // when the last byte came
    for (;;) {
        const int32_t avail = port.isDataAvailable();
        if (avail < 0) return avail;
        if (avail > 0) {
            uint8_t dropped = 0;
            if (int32_t rc = port.readByte(&dropped); rc != 0) return rc;
            ++rec.quiet_dropped;
            last = port.nowMicros();
            if (last - start >= kQuietLimitMicros) return 0;
            continue;
        }
        const int64_t now = port.nowMicros();
        if (now - last >= quiet || now - start >= kQuietLimitMicros) return 0;
        port.pauseMicros(std::min(kQuietPollMicros, quiet - (now - last)));
    }
}

int32_t flush_input(SerialLayer& port, Record& rec) {
    for (;;) {
        int32_t avail = port.isDataAvailable();
        if (avail < 0) return rec.flush_code = avail;
        if (avail == 0) return 0;
        uint8_t dropped = 0;
        if (int32_t rc = port.readByte(&dropped); rc != 0) return rec.flush_code = rc;
        ++rec.dropped;
    }
}

namespace {

// The status of a one-character reply, noted in the record.
int32_t reply_char(uint8_t reply, Record& rec) {
    const int32_t status = map_reply_char(reply);
    switch (status) {
    case GARDO_OK: rec.add(Outcome::Accepted, 0, reply); break;
    case GARDO_REJECTED: rec.add(Outcome::Rejected, 0, reply); break;
    case GARDO_FAULTY: rec.add(Outcome::Faulty, 0, reply); break;
    default: rec.add(Outcome::Unknown, 0, reply); break;
    }
    return status;
}

// Sends the frame; a failure is noted in the record.
int32_t send_frame(SerialLayer& port, const std::vector<uint8_t>& frame, Record& rec) {
    const int32_t rc = send_all(port, frame);
    if (rc != 0) rec.add(Outcome::SendFailed, rc);
    return rc;
}

// The input flush at the start of a transaction, and the wait for a quiet
// line after it when the line is unsettled or the flush found bytes.
int32_t prepare(SerialLayer& port, Record& rec) {
    if (int32_t rc = flush_input(port, rec); rc != 0) return rc;
    if (port.unsettled || rec.dropped > 0) return settle_line(port, rec);
    return 0;
}

// Whether the transaction leaves the line unsettled for the next one.
int32_t settle_after(SerialLayer& port, const Record& rec, int32_t status) {
    bool clean = status == GARDO_OK && rec.flush_code == 0;
    for (int i = 0; i < rec.attempts; ++i) clean = clean && rec.attempt[i].outcome == Outcome::Accepted;
    port.unsettled = !clean;
    return status;
}

int32_t short_once(SerialLayer& port, uint8_t station, uint8_t code, Record& rec) {
    if (int32_t rc = prepare(port, rec); rc != 0) return rc;
    if (int32_t rc = send_frame(port, build_short(station, code), rec); rc != 0) return rc;
    uint8_t reply = 0;
    if (int32_t rc = port.readByte(&reply); rc != 0) {
        rec.add(Outcome::NoReply, rc);
        return rc;
    }
    return reply_char(reply, rec);
}

// One attempt of a read: the reply to the request just sent. GARDO_OK with
// the data in dest, or a failed status. Only two failures ask again (retry
// set): no reply at all, and a reply whose checksum does not match. A reply
// character, another start byte, type or length, or a reply broken off ends
// the transaction at once; what is left of it on the line is dropped before
// the next transaction.
int32_t read_reply(SerialLayer& port, int32_t count, uint8_t* dest, Record& rec, bool& retry) {
    retry = false;
    uint8_t start = 0;
    if (int32_t rc = port.readByte(&start); rc != 0) {
        rec.add(Outcome::NoReply, rc);
        retry = true;
        return rc;
    }
    if (start == kReplyFaulty || start == kReplyRejected) return reply_char(start, rec);
    if (start != kReplyStart) {
        rec.add(Outcome::Unknown, 0, start);
        return GARDO_UNKNOWN_REPLY;
    }

    uint8_t body[2 + kMaxReadData];  // type, length, data
    auto broken_off = [&rec](int32_t rc) {
        rec.add(Outcome::BrokenOff, rc);
        return rc;
    };
    if (int32_t rc = port.readByte(&body[0]); rc != 0) return broken_off(rc);
    if (body[0] != kReplyType) {
        rec.add(Outcome::BadType, 0, body[0]);
        return GARDO_BAD_TYPE;
    }
    if (int32_t rc = port.readByte(&body[1]); rc != 0) return broken_off(rc);
    const uint8_t n = body[1];
    // A reply longer than asked for would not fit the caller's buffer.
    if (n == 0 || n > kMaxReadData || n > count) {
        rec.add(Outcome::BadLength, 0, n);
        return GARDO_BAD_LENGTH;
    }
    for (uint8_t i = 0; i < n; ++i) {
        if (int32_t rc = port.readByte(&body[2 + i]); rc != 0) return broken_off(rc);
    }
    uint8_t received = 0;
    if (int32_t rc = port.readByte(&received); rc != 0) return broken_off(rc);
    if (const uint8_t expected = checksum(std::span<const uint8_t>(body, 2u + n)); expected != received) {
        rec.add(Outcome::BadChecksum, 0, received, expected);
        retry = true;
        return GARDO_UNKNOWN_REPLY;
    }
    for (uint8_t i = 0; i < n; ++i) dest[i] = body[2 + i];
    rec.add(Outcome::Accepted, 0, n);
    return GARDO_OK;
}

int32_t read_once(SerialLayer& port, const std::vector<uint8_t>& request, int32_t count, uint8_t* dest,
                  Record& rec) {
    if (int32_t rc = prepare(port, rec); rc != 0) return rc;
    for (int attempts = 1;; ++attempts) {
        if (int32_t rc = send_frame(port, request, rec); rc != 0) return rc;
        bool retry = false;
        const int32_t status = read_reply(port, count, dest, rec, retry);
        if (!retry || attempts == kMaxAttempts) return status;
        // What is left of a bad or late reply must not pass for the answer
        // to the repeated request.
        if (int32_t rc = settle_line(port, rec); rc != 0) return rc;
    }
}

int32_t write_once(SerialLayer& port, const std::vector<uint8_t>& request, Record& rec) {
    if (int32_t rc = prepare(port, rec); rc != 0) return rc;
    for (int attempts = 1;; ++attempts) {
        if (int32_t rc = send_frame(port, request, rec); rc != 0) return rc;
        uint8_t reply = 0;
        if (int32_t rc = port.readByte(&reply); rc != 0) {
            rec.add(Outcome::NoReply, rc);
            if (attempts == kMaxAttempts) return rc;
            if (int32_t settle = settle_line(port, rec); settle != 0) return settle;
            continue;
        }
        // A reply character is never a reason for another attempt: the
        // controller may have carried the write out.
        return reply_char(reply, rec);
    }
}

}  // namespace

int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code, Record& rec) {
    return settle_after(port, rec, short_once(port, station, code, rec));
}

int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                         int32_t count, uint8_t* dest, Record& rec) {
    if (count < 1 || count > static_cast<int32_t>(kMaxReadData) || !address_ok(address) || dest == nullptr)
        return GARDO_BAD_ARGUMENT;
    const std::vector<uint8_t> request = build_read_request(station, code, address, count);
    return settle_after(port, rec, read_once(port, request, count, dest, rec));
}

int32_t write_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                          int32_t count, const uint8_t* src, Record& rec) {
    if (count < 0 || count > static_cast<int32_t>(kMaxWriteData) || !address_ok(address) ||
        (count > 0 && src == nullptr))
        return GARDO_BAD_ARGUMENT;
    const std::vector<uint8_t> request = build_write_request(
        station, code, address, std::span<const uint8_t>(src, static_cast<std::size_t>(count)));
    return settle_after(port, rec, write_once(port, request, rec));
}

}  // namespace gardo
