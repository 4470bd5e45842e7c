#include <gtest/gtest.h>

#include <vector>

#include "frames.h"
#include "gardolink.h"

using gardo::checksum;

TEST(Checksum, FoldsSumsAbove255) {
    const std::vector<uint8_t> zero{0, 0, 0};
    EXPECT_EQ(checksum(zero), 0);
    const std::vector<uint8_t> s255{0xFF};
    EXPECT_EQ(checksum(s255), 0xFF);
    const std::vector<uint8_t> s256{0xFF, 0x01};
    EXPECT_EQ(checksum(s256), 0x01);
    const std::vector<uint8_t> s510{0xFF, 0xFF};
    EXPECT_EQ(checksum(s510), 0xFF);
    // Compare against the closed form for every sum of up to 12 bytes of 0xFF.
    for (int n = 1; n <= 12; ++n) {
        std::vector<uint8_t> ff(static_cast<size_t>(n), 0xFF);
        EXPECT_EQ(checksum(ff), 0xFF) << n;
    }
    for (uint32_t sum = 1; sum < 3000; ++sum) {
        std::vector<uint8_t> bytes;
        uint32_t left = sum;
        while (left > 0) {
            uint8_t b = static_cast<uint8_t>(std::min<uint32_t>(left, 200));
            bytes.push_back(b);
            left -= b;
        }
        EXPECT_EQ(checksum(bytes), static_cast<uint8_t>((sum - 1) % 255 + 1)) << sum;
    }
}

TEST(Frames, RequestsMatchTheWireFormat) {
    EXPECT_EQ(gardo::build_read_request(0xC1, 0x80, 1680, 4), (std::vector<uint8_t>{0xC1, 0x80, 0x04, 0x90, 0x06, 0x1B}));
    EXPECT_EQ(gardo::build_read_request(0xC1, 0x81, 78, 4), (std::vector<uint8_t>{0xC1, 0x81, 0x04, 0x4E, 0x00, 0xD3}));
    EXPECT_EQ(gardo::build_read_request(0xB1, 0x86, 0, 4), (std::vector<uint8_t>{0xB1, 0x86, 0x04, 0x00, 0x00, 0x8A}));
    EXPECT_EQ(gardo::build_short(0xC1, 0xC1), (std::vector<uint8_t>{0xC1, 0xC1, 0xC1}));
    // A write of no data is still a full frame with its checksum.
    EXPECT_EQ(gardo::build_write_request(0xC1, 0xA0, 0x1234, {}),
              (std::vector<uint8_t>{0xC1, 0xA0, 0x00, 0x34, 0x12, 0xE6}));
    const std::vector<uint8_t> data{1, 2, 3};
    EXPECT_EQ(gardo::build_write_request(0xC1, 0xA1, 52, data),
              (std::vector<uint8_t>{0xC1, 0xA1, 0x03, 0x34, 0x00, 1, 2, 3, 0xDE}));
    EXPECT_EQ(gardo::build_read_reply(data), (std::vector<uint8_t>{0xC0, 0x14, 0x03, 1, 2, 3, 0x1D}));
}

TEST(Frames, ReplyCharacters) {
    EXPECT_EQ(gardo::map_reply_char(0x60), GARDO_OK);
    EXPECT_EQ(gardo::map_reply_char('P'), GARDO_REJECTED);
    EXPECT_EQ(gardo::map_reply_char('0'), GARDO_FAULTY);
    for (int c = 0; c < 256; ++c) {
        if (c == 0x60 || c == 'P' || c == '0') continue;
        EXPECT_EQ(gardo::map_reply_char(static_cast<uint8_t>(c)), GARDO_UNKNOWN_REPLY) << c;
    }
}
