#include "frames.h"

#include "gardolink.h"

namespace gardo {

uint8_t checksum(std::span<const uint8_t> bytes) {
    uint32_t sum = 0;
    for (uint8_t b : bytes) sum += b;
    while (sum > 255) sum -= 255;
    return static_cast<uint8_t>(sum);
}

std::vector<uint8_t> build_short(uint8_t station, uint8_t code) {
    return {station, code, code};
}

std::vector<uint8_t> build_read_request(uint8_t station, uint8_t code, int32_t address, int32_t count) {
    std::vector<uint8_t> f{station, code, static_cast<uint8_t>(count & 0xFF),
                           static_cast<uint8_t>(address & 0xFF), static_cast<uint8_t>((address >> 8) & 0xFF)};
    f.push_back(checksum(std::span(f).subspan(1)));
    return f;
}

std::vector<uint8_t> build_write_request(uint8_t station, uint8_t code, int32_t address,
                                         std::span<const uint8_t> data) {
    std::vector<uint8_t> f{station, code, static_cast<uint8_t>(data.size() & 0xFF),
                           static_cast<uint8_t>(address & 0xFF), static_cast<uint8_t>((address >> 8) & 0xFF)};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(checksum(std::span(f).subspan(1)));
    return f;
}

int32_t map_reply_char(uint8_t c) {
    switch (c) {
    case kReplyAck: return GARDO_OK;
    case kReplyRejected: return GARDO_REJECTED;
    case kReplyFaulty: return GARDO_FAULTY;
    default: return GARDO_UNKNOWN_REPLY;
    }
}

std::vector<uint8_t> build_read_reply(std::span<const uint8_t> data) {
    std::vector<uint8_t> f{kReplyStart, kReplyType, static_cast<uint8_t>(data.size())};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(checksum(std::span(f).subspan(1)));
    return f;
}

}  // namespace gardo
