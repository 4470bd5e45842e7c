// The protocol's transactions (flush, send, receive, retry) over an abstract
// byte-wise serial layer, so that they run against serlink in the library
// and against a scripted fake in tests and the fuzz target.
#pragma once

#include <cstdint>

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

// Reads and drops pending input; 0, or the code that ended the flush.
int32_t flush_input(SerialLayer& port);

int32_t short_command(SerialLayer& port, uint8_t station, uint8_t code);

// count 1..8 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent. On 0, dest holds the reply's data bytes (never more than count).
int32_t read_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                         int32_t count, uint8_t* dest);

// count 0..10 and address 0..65535, else GARDO_BAD_ARGUMENT before anything
// is sent.
int32_t write_transaction(SerialLayer& port, uint8_t station, uint8_t code, int32_t address,
                          int32_t count, const uint8_t* src);

// Reads process byte 4; sends the AutoRun command only when it is >= 18.
int32_t auto_run(SerialLayer& port, uint8_t station);

}  // namespace gardo
