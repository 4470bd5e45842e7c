// A scripted serial layer for transaction tests: records every byte sent and
// serves replies from a queue. Each reply is handed out when the first byte
// is read after a request went out; an exhausted reply reads as a time-out.
#pragma once

#include <cstdint>
#include <deque>
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

    int32_t isDataAvailable() override {
        if (availableError) return availableError;
        return pending.empty() ? 0 : 1;
    }
    int32_t readByte(uint8_t* dest) override {
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
        if (inbox_.empty()) return readError ? readError : SERLINK_E_READ_TIMEOUT;
        *dest = inbox_.front();
        inbox_.pop_front();
        return SERLINK_OK;
    }
    int32_t writeByte(uint8_t b) override {
        if (writeError && sent.size() == writeFailAt) return writeError;
        if (!writing_) {
            writing_ = true;
            ++requests;
        }
        sent.push_back(b);
        return SERLINK_OK;
    }

private:
    bool writing_ = false;
    std::deque<uint8_t> inbox_;
};

}  // namespace gardo::test
