// Faults the simulator can put into its answers, queued and consumed one
// request at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace gardosim {

enum class FaultKind {
    None,
    Silence,      // no answer at all
    Reject,       // answer "P" instead
    Faulty,       // answer "0" instead
    Unknown,      // answer one other character (value, default '?')
    Ack,          // answer 0x60 instead (to a read: not a read reply)
    BadChecksum,  // read reply with its checksum off by one
    BadType,      // read reply with another type byte (value, default 0x15)
    BadLength,    // read reply announcing `value` bytes (default 9) and carrying them
    LongReply,    // read reply carrying one byte more than asked for
    Garbage,      // answer a few garbage bytes instead
    Delay,        // answer normally after `value` ms (default 500)
};

inline constexpr int kForever = -1;

struct Fault {
    FaultKind kind = FaultKind::None;
    int count = 1;    // requests it applies to; kForever until cleared
    int value = -1;   // kind-specific, -1 for the default
};

const char* faultName(FaultKind kind);
// "silence", "badsum", ... (the names the program's stdin takes); None when unknown.
FaultKind faultFromName(const std::string& name);
// True when the fault only makes sense on a read reply; such faults wait
// for the next read request and let other requests pass.
bool readOnlyFault(FaultKind kind);

// What to do about one request.
struct FaultOutcome {
    FaultKind kind = FaultKind::None;
    bool silent = false;
    int delayMs = 0;
    std::vector<uint8_t> reply;
};

class FaultPlan {
public:
    void add(const Fault& fault);
    void clear();
    std::vector<Fault> pending() const;

    // Applies the first queued fault that fits the request (isRead: a read
    // request) to the normal reply, and counts it down.
    FaultOutcome apply(bool isRead, std::vector<uint8_t> normalReply);

private:
    std::deque<Fault> faults_;
};

}  // namespace gardosim
