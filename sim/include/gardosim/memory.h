// The controller's memory areas, its running clock and its state flags, as
// plain values without locking (the Simulator guards them).
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gardosim {

inline constexpr uint8_t kStationFull = 0xC1;
inline constexpr uint8_t kStationReduced = 0xB1;

enum class Area { Program, Process, Clock, RemoteDisplay, RemoteValues };

// Area sizes in bytes.
inline constexpr std::size_t kProgramSize = 65536;
inline constexpr std::size_t kProcessSize = 65536;
inline constexpr std::size_t kClockSize = 7;
inline constexpr std::size_t kRemoteDisplaySize = 256;
inline constexpr std::size_t kRemoteValuesSize = 4;

std::size_t areaSize(Area area);
const char* areaName(Area area);  // "program", "process", "clock", "display", "values"

// Addresses the service program relies on.
namespace addr {
inline constexpr uint32_t kMeterLeft = 1168;      // program, 2 x 32-bit ml
inline constexpr uint32_t kMeterRight = 1176;
inline constexpr uint32_t kCalibration = 1184;    // program, 4 bytes
inline constexpr uint32_t kTrigger = 1188;        // program, 2 bytes
inline constexpr uint32_t kErrorFigures = 1190;   // program, 6 bytes
inline constexpr uint32_t kRecordsLeft = 1216;    // program, 14 x 16 bytes
inline constexpr uint32_t kRecordsRight = 1440;
inline constexpr uint32_t kIdent = 1680;          // program, 32-bit
inline constexpr uint32_t kOperating = 4;         // process, AutoRun check
inline constexpr uint32_t kSensors = 21;          // process, sensor flags
inline constexpr uint32_t kErrorTimeLeft = 52;    // process, 16-bit minutes
inline constexpr uint32_t kErrorTimeRight = 56;
inline constexpr uint32_t kCounterLeft = 78;      // process, 16-bit
inline constexpr uint32_t kCounterRight = 81;
}  // namespace addr

inline constexpr int kRecordsPerSide = 14;
inline constexpr int kRecordSize = 16;
inline constexpr uint32_t kDefaultIdent = 1234567;

// Clock bytes: weekday (0 = Monday), hour, minute, second, day, month,
// year - 2000.
using ClockBytes = std::array<uint8_t, kClockSize>;

// What the short commands switch.
struct DeviceState {
    bool running = true;
    bool testActive = false;
    bool retention = false;
    bool pkeys = false;
    bool debounce = false;
    bool dst = false;
    bool remoteMode = false;
    // The calibration the controller works with: program 1184..1187 as of
    // the last Apply_Program (or start-up).
    std::array<uint8_t, 4> activeCalibration{};
    int applyCount = 0;
    int autoRunCount = 0;
};

// A clock that runs on from the value last written. A value that is not a
// valid date and time stays as written and does not run.
class RunningClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    void set(const ClockBytes& value, TimePoint now);
    ClockBytes at(TimePoint now) const;

private:
    ClockBytes base_{0, 0, 0, 0, 1, 1, 0};
    TimePoint since_{};
};

// Adds seconds to a clock value (weekday, date and year roll over).
ClockBytes advanceClock(const ClockBytes& value, int64_t seconds);
bool clockValid(const ClockBytes& value);
// The host's local time now as clock bytes.
ClockBytes hostClock();

class DeviceMemory {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    DeviceMemory();  // default content, clock from the host

    // Fills the areas and the state with plausible controller content.
    void loadDefaults(const ClockBytes& clock, TimePoint now);

    // True when [address, address + count) lies inside the area.
    bool inRange(Area area, uint32_t address, std::size_t count) const;
    // Out-of-range bytes read as 0 and are not written.
    std::vector<uint8_t> read(Area area, uint32_t address, std::size_t count, TimePoint now) const;
    void write(Area area, uint32_t address, std::span<const uint8_t> bytes, TimePoint now);

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }

    // Memory image: a versioned binary file of all areas, the clock and the
    // state flags. save() writes a temporary file and renames it.
    bool save(const std::string& path, TimePoint now, std::string* error) const;
    bool load(const std::string& path, TimePoint now, std::string* error);

private:
    std::vector<uint8_t>& bytes(Area area);
    const std::vector<uint8_t>& bytes(Area area) const;

    std::vector<uint8_t> program_, process_, display_, values_;
    RunningClock clock_;
    DeviceState state_;
};

}  // namespace gardosim
