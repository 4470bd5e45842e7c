// A scripted serial layer for transaction tests: records every byte sent and
// serves replies from a queue. Each reply is handed out when the first byte
// is read after a request went out; an exhausted reply reads as a time-out.
// Its clock moves only by the pauses (and by a wait time per time-out), and
// late bytes come at given times on it, as the rest of a bad reply does.
#pragma once

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "serlink.h"
#include "transact.h"

namespace gardo::test {

class FakeSerial final : public gardo::SerialLayer {
public:
    std::deque<uint8_t> pending;               // waiting before the transaction
    std::deque<std::vector<uint8_t>> replies;  // one per request sent
    std::vector<uint8_t> sent;
    int requests = 0;              // requests that went out (write runs)
    int32_t availableError = 0;    // non-zero: isDataAvailable fails with it
    int32_t writeError = 0;        // with writeFailAt: that write fails
    std::size_t writeFailAt = 0;
    int32_t readError = 0;         // replaces the time-out code of an empty inbox
    int64_t now = 0;               // the clock, in microseconds
    int64_t waitMicros = 0;        // what a time-out adds to the clock
    std::deque<std::pair<int64_t, uint8_t>> late;  // bytes that come at a time, in order
    std::vector<int64_t> requestTimes;             // when each request began to go out
    int pauses = 0;

    int64_t nowMicros() override { return now; }
    void pauseMicros(int64_t us) override {
        now += us;
        ++pauses;
    }
    int64_t byteMicros() override { return byte_micros(4800); }

    int32_t isDataAvailable() override {
        if (availableError) return availableError;
        arrive();
        return pending.empty() ? 0 : 1;
    }
    int32_t readByte(uint8_t* dest) override {
        arrive();
        if (!pending.empty() && !writing_) {
            *dest = pending.front();
            pending.pop_front();
            return SERLINK_OK;
        }
        if (writing_) {
            writing_ = false;
            inbox_.clear();
            if (!replies.empty()) {
                inbox_.assign(replies.front().begin(), replies.front().end());
                replies.pop_front();
            }
        }
        if (inbox_.empty()) {
            now += waitMicros;
            return readError ? readError : SERLINK_E_READ_TIMEOUT;
        }
        *dest = inbox_.front();
        inbox_.pop_front();
        return SERLINK_OK;
    }
    int32_t writeByte(uint8_t b) override {
        if (writeError && sent.size() == writeFailAt) return writeError;
        if (!writing_) {
            writing_ = true;
            ++requests;
            requestTimes.push_back(now);
        }
        sent.push_back(b);
        return SERLINK_OK;
    }

private:
    // Late bytes whose time has come wait like pending input.
    void arrive() {
        while (!late.empty() && late.front().first <= now) {
            pending.push_back(late.front().second);
            late.pop_front();
        }
    }

    bool writing_ = false;
    std::deque<uint8_t> inbox_;
};

}  // namespace gardo::test
