// Pure frame building and decoding of the controller protocol. No I/O here:
// the transaction code and the simulator both build on these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gardo {

// Reply characters and frame constants.
inline constexpr uint8_t kReplyAck = 0x60;       // accepted
inline constexpr uint8_t kReplyRejected = 0x50;  // "P"
inline constexpr uint8_t kReplyFaulty = 0x30;    // "0"
inline constexpr uint8_t kReplyStart = 0xC0;     // start of a read reply
inline constexpr uint8_t kReplyType = 0x14;      // type byte of a read reply
inline constexpr std::size_t kMaxReadData = 8;
inline constexpr std::size_t kMaxWriteData = 10;
inline constexpr std::size_t kWriteFrameBuffer = 16;

// Command codes.
enum class Cmd : uint8_t {
    ReadProgram = 0x80,
    ReadProcess = 0x81,
    ReadClock = 0x82,
    ReadRemoteDisplay = 0x83,
    ReadRemoteValues = 0x86,
    WriteProgram = 0xA0,
    WriteProcess = 0xA1,
    WriteClock = 0xA2,
    WriteRemoteDisplay = 0xA3,
    WriteRemoteValues = 0xA6,
    Stop = 0xC0,
    Start = 0xC1,
    ApplyProgram = 0xC2,
    ActivateTest = 0xC3,
    Retention = 0xC5,
    AutoRun = 0xC6,
    PKeysOn = 0xC8,
    PKeysOff = 0xC9,
    DebounceOn = 0xCA,
    DebounceOff = 0xCB,
    DstOn = 0xCC,
    DstOff = 0xCD,
    RemoteModeOn = 0xCE,
    RemoteModeOff = 0xD0,
};

// Sum of the bytes, less 255 while the sum is above 255: 0 only for an
// all-zero sum, else 1..255 (255 -> 0xFF, 256 -> 0x01, 510 -> 0xFF).
uint8_t checksum(std::span<const uint8_t> bytes);

// Station, code, code again. No checksum.
std::vector<uint8_t> build_short(uint8_t station, uint8_t code);

// Station, code, count (low 8 bits), address low, address high, checksum.
std::vector<uint8_t> build_read_request(uint8_t station, uint8_t code, int32_t address, int32_t count);

// Station, code, n, address low, address high, n data bytes, checksum.
// data.size() must not exceed kMaxWriteData.
std::vector<uint8_t> build_write_request(uint8_t station, uint8_t code, int32_t address,
                                         std::span<const uint8_t> data);

// Maps a one-character reply (to a short command or a write) to a status.
int32_t map_reply_char(uint8_t c);

// Read reply: C0 14 n data... checksum, with the checksum over type, length
// and data. Builds a well-formed reply for the given data (1..8 bytes).
std::vector<uint8_t> build_read_reply(std::span<const uint8_t> data);

}  // namespace gardo
