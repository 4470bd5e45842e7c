// The time limit of one byte wait, on the backend's millisecond tick: the
// limit has passed once more than the wait time has elapsed since the start,
// and a wait sleeps at most until just past it. Correct across the wrap of
// the 32-bit tick.
#ifndef SERLINK_DEADLINE_H
#define SERLINK_DEADLINE_H

#include <cstdint>

namespace serlink {

class Deadline {
public:
    Deadline(uint32_t start_ms, uint32_t wait_ms) : start_(start_ms), wait_(wait_ms) {}

    uint32_t elapsed(uint32_t now_ms) const { return now_ms - start_; }
    bool passed(uint32_t now_ms) const { return elapsed(now_ms) > wait_; }
    // How long a wait may sleep at now_ms: until one tick past the limit.
    uint32_t remaining(uint32_t now_ms) const {
        const uint64_t left = static_cast<uint64_t>(wait_) - elapsed(now_ms) + 1;
        return left > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(left);
    }

private:
    uint32_t start_;
    uint32_t wait_;
};

}  // namespace serlink

#endif
