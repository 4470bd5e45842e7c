// The protocol's transactions (flush, send, receive, retry) over an abstract
// byte-wise serial layer, so that they run against serlink in the library
// and against a scripted fake in tests and the fuzz target.
#pragma once

#include <cstdint>

#include "frames.h"

namespace gardo {

// The three serial operations a transaction needs, with serlink's contracts:
// isDataAvailable gives a negative code, 0 or 1; readByte and writeByte give
// 0 or a negative code, each waiting at most the port's wait time.
class SerialLayer {
public:
    virtual ~SerialLayer() = default;
    virtual int32_t isDataAvailable() = 0;
    virtual int32_t readByte(uint8_t* dest) = 0;
    virtual int32_t writeByte(uint8_t b) = 0;
};

// At most this many request frames go out per read or write transaction.
inline constexpr int kMaxAttempts = 4;

// What became of one request frame, as the trace tells it.
enum class Outcome : uint8_t {
    Accepted,     // 0x60, or a read reply that passed every check
    Rejected,     // "P"
    Faulty,       // "0"
    Unknown,      // another reply character or start byte (value)
    BadType,      // a read reply's type byte (value)
    BadLength,    // a read reply's length byte (value)
    BadChecksum,  // a read reply's checksum (value) against the one computed (expected)
    NoReply,      // the reply's first byte did not come (code; silence is a read time-out)
    BrokenOff,    // a later byte of a read reply did not come (code)
    SendFailed,   // the request could not be sent (code)
};

struct Attempt {
    Outcome outcome = Outcome::Accepted;
    uint8_t value = 0;
    uint8_t expected = 0;
    int32_t code = 0;
};

// The course of one transaction: what the input flush dropped and what
// became of each request frame. Filled on every call; the library writes it
// to the trace when one is on.
struct Record {
    int dropped = 0;         // pending bytes read and dropped before sending
    int32_t flush_code = 0;  // non-zero: the flush failed with it, nothing was sent
    int attempts = 0;
    Attempt attempt[kMaxAttempts];

    void add(Outcome outcome, int32_t code = 0, uint8_t value = 0, uint8_t expected = 0) {
        if (attempts < kMaxAttempts) attempt[attempts++] = Attempt{outcome, value, expected, code};
    }
};

// Reads and drops pending input; 0, or the code that ended the flush.
int32_t flush_input(SerialLayer& port, Record& rec);

int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code, Record& rec);

// count 1..8 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent. On 0, dest holds the reply's data bytes (never more than count).
int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                         int32_t count, uint8_t* dest, Record& rec);

// count 0..10 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent.
int32_t write_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                          int32_t count, const uint8_t* src, Record& rec);

// AutoRun: reads process byte 4 with read(&byte) and sends the AutoRun
// command with send() only when the byte is >= 18. The two steps are given
// by the caller, so that the library can trace each as a transaction.
template <class Read, class Send>
int32_t auto_run_steps(Read read, Send send) {
    uint8_t value = 0;
    if (int32_t rc = read(&value); rc != 0) return rc;
    if (value < 18) return 0;
    return send();
}

// The same without a record.
inline int32_t flush_input(SerialLayer& port) {
    Record r;
    return flush_input(port, r);
}
inline int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code) {
    Record r;
    return short_command(port, station, code, r);
}
inline int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                                int32_t count, uint8_t* dest) {
    Record r;
    return read_transaction(port, station, code, address, count, dest, r);
}
inline int32_t write_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                                 int32_t count, const uint8_t* src) {
    Record r;
    return write_transaction(port, station, code, address, count, src, r);
}
inline int32_t auto_run(SerialLayer& port, uint8_t station) {
    return auto_run_steps(
        [&](uint8_t* value) {
            return read_transaction(port, station, static_cast<uint8_t>(Cmd::ReadProcess), 4, 1, value);
        },
        [&] { return short_command(port, station, static_cast<uint8_t>(Cmd::AutoRun)); });
}

}  // namespace gardo
