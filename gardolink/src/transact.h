// The protocol's transactions (flush, send, receive, retry) over an abstract
// byte-wise serial layer, so that they run against serlink in the library
// and against a scripted fake in tests and the fuzz target.
#pragma once

#include <cstdint>

#include "frames.h"

namespace gardo {

// The three serial operations a transaction needs, with serlink's contracts:
// isDataAvailable gives a negative code, 0 or 1; readByte and writeByte give
// 0 or a negative code, each waiting at most the port's wait time. The clock
// and the pause serve the wait for a quiet line (settle_line); a test layer
// runs them on a clock of its own.
class SerialLayer {
public:
    virtual ~SerialLayer() = default;
    virtual int32_t isDataAvailable() = 0;
    virtual int32_t readByte(uint8_t* dest) = 0;
    virtual int32_t writeByte(uint8_t b) = 0;
    // A steady clock in microseconds, and a pause of about us microseconds.
    virtual int64_t nowMicros();
    virtual void pauseMicros(int64_t us);
    // The time one byte takes on the line, in microseconds.
    virtual int64_t byteMicros() { return byte_micros(kSlowestBaud); }

    // Ten bit times (start, eight data, stop bit) at the baud rate.
    static constexpr int64_t byte_micros(int32_t baud) { return baud > 0 ? (10'000'000 + baud - 1) / baud : 0; }
    // Assumed when the baud rate of the port is not known.
    static constexpr int32_t kSlowestBaud = 1200;

    // Set after a transaction that did not end cleanly (a failed attempt or
    // a failed status): the rest of a bad or late reply may still be on the
    // way, so the next transaction first waits for a quiet line.
    bool unsettled = false;
};

// The wait for a quiet line: the line counts as quiet once no byte has come
// for one byte time plus this margin (a USB adapter hands bytes over in
// bursts up to 16 ms apart, and a controller answering a repeated request
// starts after receiving it); the wait ends after the limit in any case.
inline constexpr int64_t kQuietMarginMicros = 25'000;
inline constexpr int64_t kQuietLimitMicros = 300'000;
inline constexpr int64_t kQuietPollMicros = 1'000;

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
    int quiet_waits = 0;     // waits for a quiet line (before a retry, or first after trouble)
    int quiet_dropped = 0;   // bytes that came and were dropped meanwhile
    int attempts = 0;
    Attempt attempt[kMaxAttempts];

    void add(Outcome outcome, int32_t code = 0, uint8_t value = 0, uint8_t expected = 0) {
        if (attempts < kMaxAttempts) attempt[attempts++] = Attempt{outcome, value, expected, code};
    }
};

// Reads and drops pending input; 0, or the code that ended the flush.
int32_t flush_input(SerialLayer& port, Record& rec);

// Waits until the line has been quiet for one byte time plus the margin (at
// most the limit), dropping every byte that comes meanwhile; 0, or the code
// of the serial call that failed.
int32_t settle_line(SerialLayer& port, Record& rec);

// Every transaction starts with the input flush, and waits for a quiet line
// after it when the line is unsettled or the flush found bytes.
int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code, Record& rec);

// count 1..8 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent. On 0, dest holds the reply's data bytes (never more than count).
// Only no reply at all and a wrong checksum are reasons for another attempt,
// after the line has gone quiet; "P", "0", another start byte, type or
// length, and a reply broken off are final. At most kMaxAttempts requests
// go out; the status is that of the last attempt.
int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                         int32_t count, uint8_t* dest, Record& rec);

// count 0..10 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent. Only a missing reply is a reason for another attempt.
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
