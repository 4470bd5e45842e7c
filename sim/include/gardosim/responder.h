// Request frames as the controller sees them: a byte-by-byte parser and the
// answer to each frame, with its effect on the controller's memory. No I/O.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gardosim/memory.h"

namespace gardosim {

enum class FrameKind { Short, Read, Write, Unknown };

struct Frame {
    FrameKind kind = FrameKind::Unknown;
    uint8_t code = 0;
    uint8_t count = 0;       // n of a read or write
    uint16_t address = 0;
    std::vector<uint8_t> data;  // write data
    bool intact = true;      // checksum right (short: code repeated)
    std::vector<uint8_t> raw;   // every byte of the frame, station first
};

// Frame kind by command code: 0x80..0x8F read, 0xA0..0xAF write,
// 0xC0..0xDF short, anything else unknown (a two-byte frame).
FrameKind frameKindOf(uint8_t code);

// Collects bytes into frames addressed to one station. Bytes before a
// station byte are skipped; a frame left unfinished for longer than
// kStallTimeout is dropped, so the parser finds the next frame again.
class FrameParser {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds kStallTimeout{500};

    explicit FrameParser(uint8_t station = kStationFull) : station_(station) {}
    void setStation(uint8_t station);
    uint8_t station() const { return station_; }
    void reset();
    bool idle() const { return raw_.empty(); }
    std::size_t skippedBytes() const { return skipped_; }

    std::optional<Frame> feed(uint8_t byte, TimePoint now);

private:
    std::size_t expectedLength() const;  // 0 while not yet known

    uint8_t station_;
    std::vector<uint8_t> raw_;
    TimePoint last_{};
    std::size_t skipped_ = 0;
};

// Replies of the controller.
inline constexpr uint8_t kAck = 0x60;
inline constexpr uint8_t kFaulty = 0x30;    // "0"
inline constexpr uint8_t kRejected = 0x50;  // "P"

// The area a read or write code reaches; false for unused codes.
bool areaOfCode(uint8_t code, Area* area);

struct Answer {
    std::vector<uint8_t> reply;
    bool memoryChanged = false;  // program/process/clock/... or state changed
};

// Answers one frame as the controller does and applies its effect:
// short commands switch state and give 0x60 (an unused code, or a code not
// repeated, gives "0"); reads give C0 14 n data checksum; writes store and
// give 0x60. A bad checksum, a read count outside 1..8, a write count above
// 10 or a range beyond the area's end gives "0" and changes nothing.
Answer respond(const Frame& frame, DeviceMemory& memory, std::chrono::steady_clock::time_point now);

}  // namespace gardosim
