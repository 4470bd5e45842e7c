// Feeds arbitrary controller byte streams through the read, write and short
// command transactions over an in-memory serial layer. Aborts if a read ever
// writes outside the caller's `count` bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gardolink.h"
#include "serlink.h"
#include "transact.h"

namespace {

class StreamSerial final : public gardo::SerialLayer {
public:
    StreamSerial(const uint8_t* data, size_t size, size_t pending) : data_(data), size_(size), pending_(pending) {}
    int32_t isDataAvailable() override { return pending_ > 0 && pos_ < size_ ? 1 : 0; }
    int32_t readByte(uint8_t* dest) override {
        if (pos_ >= size_) return SERLINK_E_READ_TIMEOUT;
        if (pending_ > 0) --pending_;
        *dest = data_[pos_++];
        return SERLINK_OK;
    }
    int32_t writeByte(uint8_t) override { return SERLINK_OK; }
    // The wait for a quiet line runs on a clock of its own: no real pauses.
    int64_t nowMicros() override { return now_; }
    void pauseMicros(int64_t us) override { now_ += us; }

private:
    int64_t now_ = 0;
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t pending_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint8_t op = data[0] % 3;
    const int32_t count = data[1] % 12;  // includes invalid counts on purpose
    const size_t pending = data[2] % 4;
    StreamSerial port(data + 3, size - 3, pending);

    constexpr uint8_t kGuard = 0xA5;
    uint8_t buffer[32];
    std::memset(buffer, kGuard, sizeof buffer);
    uint8_t* dest = buffer + 8;

    int32_t rc = 0;
    switch (op) {
    case 0:
        rc = gardo::read_transaction(port, 0xC1, 0x80, 1680, count, dest);
        break;
    case 1: {
        uint8_t src[16] = {};
        rc = gardo::write_transaction(port, 0xC1, 0xA0, 1184, count, src);
        break;
    }
    default:
        rc = gardo::short_command(port, 0xC1, 0xC1);
        break;
    }
    // Status must be one of the documented ones.
    if (!(rc >= GARDO_OK && rc <= GARDO_BAD_ARGUMENT) && !(rc <= -1153 && rc >= -1173)) std::abort();
    // Nothing outside the first `count` bytes of the destination is touched,
    // and nothing at all unless the read succeeded.
    for (int i = 0; i < 8; ++i)
        if (buffer[i] != kGuard) std::abort();
    const int32_t allowed = (op == 0 && rc == GARDO_OK) ? count : 0;
    for (size_t i = 8 + static_cast<size_t>(allowed); i < sizeof buffer; ++i)
        if (buffer[i] != kGuard) std::abort();
    return 0;
}
