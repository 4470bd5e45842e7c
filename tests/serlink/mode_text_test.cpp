// The pure parts: mode text, its parsing, the fixed settings and the
// flag-word mapping.
#include <gtest/gtest.h>

#include <string>

#include "flag_word.h"
#include "mode_text.h"
#include "serlink.h"

using namespace serlink;

namespace {

int32_t parse(const std::string& text, PortSettings* out = nullptr) {
    PortSettings s;
    int32_t r = parse_mode_text(text.c_str(), s);
    if (out) *out = s;
    return r;
}

}  // namespace

TEST(ModeText, BuildsTextAndDeviceName) {
    char mode[kModeTextSize];
    char name[kModeTextSize];
    ASSERT_TRUE(build_mode_text("COM1:", 4800, mode));
    EXPECT_STREQ(mode, "COM1:baud=4800 parity=n data=8 stop=1");
    ASSERT_TRUE(device_name(mode, name));
    EXPECT_STREQ(name, "COM1");
    ASSERT_TRUE(build_mode_text("/dev/pts/3:", -1, mode));
    EXPECT_STREQ(mode, "/dev/pts/3:baud=-1 parity=n data=8 stop=1");
    ASSERT_TRUE(device_name(mode, name));
    EXPECT_STREQ(name, "/dev/pts/3");
}

TEST(ModeText, RefusesTextsWithoutRoomOrDeviceName) {
    char mode[kModeTextSize];
    char name[kModeTextSize];
    // The fixed part after a 4-digit rate is 32 characters; 67 + 32 = 99
    // fills the buffer up to its terminator.
    const std::string fits = std::string(66, 'x') + ":";
    EXPECT_TRUE(build_mode_text(fits.c_str(), 4800, mode));
    EXPECT_EQ(std::string(mode).size(), 99u);
    EXPECT_FALSE(build_mode_text((fits + "y").c_str(), 4800, mode));
    EXPECT_STREQ(mode, "");
    EXPECT_FALSE(build_mode_text(fits.c_str(), 19200, mode));
    EXPECT_FALSE(build_mode_text(nullptr, 4800, mode));

    ASSERT_TRUE(build_mode_text("COM1", 4800, mode));  // no ":" at all
    EXPECT_FALSE(device_name(mode, name));
    ASSERT_TRUE(build_mode_text(":", 4800, mode));  // nothing before it
    EXPECT_FALSE(device_name(mode, name));
}

TEST(ModeText, AcceptsExactlyTheElevenRates) {
    for (int rate : {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}) {
        PortSettings s;
        EXPECT_EQ(parse("COM1:baud=" + std::to_string(rate) + " parity=n data=8 stop=1", &s), SERLINK_OK) << rate;
        EXPECT_EQ(s.baud_rate, static_cast<uint32_t>(rate));
    }
    for (const char* rate : {"14400", "0", "-4800", "4800x", "", "230400", "48000"}) {
        EXPECT_EQ(parse(std::string("COM1:baud=") + rate + " parity=n data=8 stop=1"), SERLINK_E_BAD_MODE) << rate;
    }
}

TEST(ModeText, ParsesParityDataAndStopBits) {
    PortSettings s;
    ASSERT_EQ(parse("COM1:baud=9600 parity=e data=7 stop=2", &s), SERLINK_OK);
    EXPECT_EQ(s.parity, kParityEven);
    EXPECT_TRUE(s.parity_check);
    EXPECT_EQ(s.byte_size, 7);
    EXPECT_EQ(s.stop_bits, kTwoStopBits);
    ASSERT_EQ(parse("COM1:baud=9600 parity=O data=4 stop=1", &s), SERLINK_OK);
    EXPECT_EQ(s.parity, kParityOdd);
    EXPECT_TRUE(s.parity_check);
    EXPECT_EQ(s.byte_size, 4);
    EXPECT_EQ(s.stop_bits, kOneStopBit);
    ASSERT_EQ(parse("COM1:baud=9600 parity=N data=8 stop=1", &s), SERLINK_OK);
    EXPECT_EQ(s.parity, kParityNone);
    EXPECT_FALSE(s.parity_check);

    for (const char* bad : {"parity=x data=8 stop=1", "data=8 stop=1", "parity=n data=3 stop=1",
                            "parity=n data=9 stop=1", "parity=n stop=1", "parity=n data=8", "parity=n data=8 ", ""})
        EXPECT_EQ(parse(std::string("COM1:baud=9600 ") + bad), SERLINK_E_BAD_MODE) << bad;
    EXPECT_EQ(parse("COM1:baud=9600"), SERLINK_E_BAD_MODE);
    EXPECT_EQ(parse("COM1:parity=n data=8 stop=1"), SERLINK_E_BAD_MODE);
    // Keys are searched in order: a "parity=" before the rate does not count.
    EXPECT_EQ(parse("COM1:parity=n baud=9600 data=8 stop=1"), SERLINK_E_BAD_MODE);
}

TEST(FlagWord, LowestBitWinsBit15Overrides) {
    for (int bit = 0; bit < 12; ++bit) {
        EXPECT_EQ(map_flag_word(1u << bit), -1161 - bit);
        EXPECT_EQ(map_flag_word((1u << bit) | 0x0800u | 0x7000u), -1161 - bit);
    }
    EXPECT_EQ(map_flag_word(0x0006), SERLINK_E_OVERRUN);
    EXPECT_EQ(map_flag_word(0x8000), SERLINK_E_MODE_FLAG);
    EXPECT_EQ(map_flag_word(0x8FFF), SERLINK_E_MODE_FLAG);
    EXPECT_EQ(map_flag_word(0), SERLINK_E_UNMAPPED);
    EXPECT_EQ(map_flag_word(0x1000), SERLINK_E_UNMAPPED);
    EXPECT_EQ(map_flag_word(0xFFFF7000u), SERLINK_E_UNMAPPED);
    // System error numbers: no such port, access denied.
    EXPECT_EQ(map_flag_word(2), SERLINK_E_OVERRUN);
    EXPECT_EQ(map_flag_word(5), SERLINK_E_RX_OVERFLOW);
}
