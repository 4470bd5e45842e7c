// gardosim: the controller played on a pseudo-terminal, for tests and the
// demo mode. A Simulator opens a pty, answers request frames on a background
// thread, and offers thread-safe access to its memory, state, faults and
// frame log. Link target: gardosim_core.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gardosim/faults.h"
#include "gardosim/memory.h"
#include "gardosim/responder.h"

namespace gardosim {

struct Options {
    // Station address byte answered to: 0xC1 (full library) or 0xB1 (reduced).
    uint8_t station = kStationFull;
    // Memory image loaded at start() and saved after every change the
    // controller makes (write commands, Apply_Program); empty: none.
    std::string memoryFile;
    // When non-zero, every byte takes ten bit times at this baud rate on the
    // simulated wire, in both directions (4800 -> 2.083 ms a byte).
    int wireBaud = 0;
    // Print every frame (request, reply, fault) to stderr as it happens, in
    // the line format of the serial line trace (see logLines()).
    bool logToStderr = false;
};

// One request frame seen on the line and what was done about it.
struct LogEntry {
    std::chrono::steady_clock::time_point time;  // when its last byte arrived
    std::vector<uint8_t> request;                // the whole frame as received
    std::vector<uint8_t> reply;                  // bytes sent back (empty: silence)
    FaultKind fault = FaultKind::None;           // fault applied to this reply
    int delayMs = 0;                             // the reply went out this much later
};

// An entry as lines of the serial line trace ("<ms> gardosim  recv C1 80 ..."),
// with times counted from origin: the request received, then the reply sent
// or the silence kept, naming the fault applied. The simulator prints these
// for --log, so that its log and a trace from the field read side by side.
std::vector<std::string> logLines(const LogEntry& entry, std::chrono::steady_clock::time_point origin);

class Simulator {
public:
    explicit Simulator(Options options = {});
    ~Simulator();  // stop()s and removes a registered port link
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pty and starts serving it. False (with a reason in *error)
    // when the pty or the memory file cannot be set up. Calling it again
    // while serving does nothing and returns true.
    bool start(std::string* error = nullptr);
    // Stops the thread and closes the pty (its slave path disappears).
    void stop();
    bool serving() const;

    // Path of the pty's slave side, e.g. "/dev/pts/7"; empty before start().
    std::string slavePath() const;

    // Makes the link <dir>/<name> -> slavePath(), replacing an old entry of
    // that name. dir: the one given, else $SERLINK_PORTS_DIR, else
    // ~/.config/serlink/ports (created when missing). Returns the link path,
    // or "" on failure (reason in *error). The link goes with stop().
    std::string registerPort(const std::string& name, const std::string& dir = {},
                             std::string* error = nullptr);
    void unregisterPort();

    uint8_t station() const;
    void setStation(uint8_t station);
    // 0 switches wire timing off.
    void setWireTiming(int baud);

    // ---- Memory (thread-safe). Reads beyond an area's end give zeros;
    // writes beyond it are cut off.
    std::vector<uint8_t> peek(Area area, uint32_t address, std::size_t count) const;
    void poke(Area area, uint32_t address, std::span<const uint8_t> bytes);
    uint8_t peekByte(Area area, uint32_t address) const;
    void pokeByte(Area area, uint32_t address, uint8_t value);
    // The running clock as the controller would answer it now.
    ClockBytes clock() const;
    void setClock(const ClockBytes& clock);
    // Back to the built-in defaults (memory, clock and state).
    void resetMemory();
    // Writes the memory image to the memory file now; false when none is set
    // or the write failed.
    bool saveMemory(std::string* error = nullptr) const;

    // ---- Controller state.
    DeviceState state() const;
    bool running() const;
    void setRunning(bool on);

    // ---- Faults: each applies to the next `count` fitting requests, in the
    // order injected (kForever: until cleared).
    void inject(const Fault& fault);
    void inject(FaultKind kind, int count = 1, int value = -1);
    void clearFaults();
    std::vector<Fault> pendingFaults() const;
    // Sends bytes to the client at once, unasked (input for it to flush).
    void sendUnsolicited(std::span<const uint8_t> bytes);

    // ---- Frame log (always kept, up to kMaxLogEntries newest entries).
    static constexpr std::size_t kMaxLogEntries = 100000;
    std::vector<LogEntry> frames() const;
    std::size_t frameCount() const;  // frames seen since start or clearLog()
    void clearLog();
    // Waits until frameCount() >= count; false on time-out.
    bool waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The ports folder used when none is given: $SERLINK_PORTS_DIR, else
// $HOME/.config/serlink/ports.
std::string defaultPortsDir();

}  // namespace gardosim
