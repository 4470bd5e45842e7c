#include "core/device_map.h"

#include <gtest/gtest.h>

#include <QString>

namespace lumo {
namespace {

TEST(DeviceMap, IdentificationIsTenDigits)
{
    const uint8_t b[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
    EXPECT_EQ(DecodeIdentification(b), QStringLiteral("0000001234"));
    EXPECT_EQ(FormatIdentification(0), QStringLiteral("0000000000"));
    // The largest number fills all ten digits unsigned, never negative.
    const uint8_t max[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(DecodeIdentification(max), QStringLiteral("4294967295"));
}

TEST(DeviceMap, CounterIncrementStopsAt9999AndKeepsTrailingBytes)
{
    const uint8_t b[4] = {0x0E, 0x27, 0xAB, 0xCD};  // 9998, then two foreign bytes
    CounterBlock block = CounterBlock::Decode(b);
    EXPECT_EQ(block.counter(), 9998);
    block.increment();
    EXPECT_EQ(block.counter(), 9999);
    block.increment();
    EXPECT_EQ(block.counter(), 9999);
    EXPECT_EQ(block.bytes[2], 0xAB);
    EXPECT_EQ(block.bytes[3], 0xCD);

    // Above the range (a controller with a stray value) it is left alone too.
    const uint8_t high[4] = {0x40, 0x9C, 0x01, 0x02};  // 40000
    CounterBlock above = CounterBlock::Decode(high);
    above.increment();
    EXPECT_EQ(above.counter(), 40000);

    // Carry from the low into the high byte.
    const uint8_t low[4] = {0xFF, 0x00, 0x00, 0x00};
    CounterBlock carry = CounterBlock::Decode(low);
    carry.increment();
    EXPECT_EQ(carry.bytes[0], 0x00);
    EXPECT_EQ(carry.bytes[1], 0x01);
}

TEST(DeviceMap, ErrorTimeSplitsMinutes)
{
    const uint8_t b[2] = {0x9F, 0x05};  // 1439
    const ErrorTime t = ErrorTime::Decode(b);
    EXPECT_EQ(t.hours, 23u);
    EXPECT_EQ(t.minutes, 59u);

    const ErrorTime largest{71, 59};
    EXPECT_EQ(largest.totalMinutes(), 4319);
    const auto bytes = largest.encode();
    EXPECT_EQ(bytes[0], 4319 & 0xFF);
    EXPECT_EQ(bytes[1], 4319 >> 8);
    const ErrorTime back = ErrorTime::Decode(bytes.data());
    EXPECT_EQ(back.hours, 71u);
    EXPECT_EQ(back.minutes, 59u);
}

TEST(DeviceMap, CalibrationReadsFourAndWritesLowBytesOfTwo)
{
    const uint8_t b[4] = {10, 20, 30, 255};
    const Calibration c = Calibration::Decode(b);
    EXPECT_EQ(c.leftPetrol, 10);
    EXPECT_EQ(c.leftGas, 20);
    EXPECT_EQ(c.rightPetrol, 30);
    EXPECT_EQ(c.rightGas, 255);

    const auto pair = EncodeCalibrationPair(256 + 7, 255);
    EXPECT_EQ(pair[0], 7);
    EXPECT_EQ(pair[1], 255);
    EXPECT_EQ(map::CalibrationWriteAddress(Side::Left), map::kCalibrationAddress);
    EXPECT_EQ(map::CalibrationWriteAddress(Side::Right), map::kCalibrationAddress + 2);
}

TEST(DeviceMap, ClockYearByte)
{
    EXPECT_EQ(ClockValue::YearByte(1999), 0);
    EXPECT_EQ(ClockValue::YearByte(1899), 0);
    EXPECT_EQ(ClockValue::YearByte(2000), 0);
    EXPECT_EQ(ClockValue::YearByte(2026), 26);
    EXPECT_EQ(ClockValue::YearByte(2255), 255);
    EXPECT_EQ(ClockValue::YearByte(2256), 0);

    // A date before 2000 is written as year byte 0 and reads back as 2000.
    ClockValue old;
    old.weekday = 4;
    old.hour = 23;
    old.minute = 59;
    old.second = 58;
    old.day = 31;
    old.month = 12;
    old.year = 1999;
    const auto bytes = old.encode();
    const std::array<uint8_t, 7> expected{4, 23, 59, 58, 31, 12, 0};
    EXPECT_EQ(bytes, expected);
    const ClockValue back = ClockValue::Decode(bytes.data());
    EXPECT_EQ(back.year, 2000);
    EXPECT_EQ(back.day, 31);
    EXPECT_EQ(back.weekday, 4);
}

TEST(DeviceMap, WeekdayListStartsOnMonday)
{
    const QStringList names = WeekdayNames();
    ASSERT_EQ(names.size(), 7);
    EXPECT_EQ(names.front(), QStringLiteral("Mo"));
    EXPECT_EQ(names[3], QStringLiteral("Do"));
    EXPECT_EQ(names.back(), QStringLiteral("So"));
}

TEST(DeviceMap, ErrorValueMatchesTwoDecimalPercentForEveryValue)
{
    EXPECT_EQ(FormatErrorValue(1234), QStringLiteral("12.34"));
    EXPECT_EQ(FormatErrorValue(5), QStringLiteral("0.05"));
    EXPECT_EQ(FormatErrorValue(0), QStringLiteral("0.00"));
    EXPECT_EQ(FormatErrorValue(65535), QStringLiteral("655.35"));
    for (int v = 0; v <= 0xFFFF; ++v)
        ASSERT_EQ(FormatErrorValue(uint16_t(v)), QString::asprintf("%2.2f", v * 0.01)) << v;
}

TEST(DeviceMap, ThresholdsAndTriggers)
{
    const uint8_t b[6] = {15, 120, 0xD2, 0x04, 0x05, 0x00};
    const Thresholds t = Thresholds::Decode(b);
    EXPECT_EQ(t.thresholdOf(Side::Left), 15);
    EXPECT_EQ(t.thresholdOf(Side::Right), 120);
    EXPECT_EQ(FormatErrorValue(t.errorOf(Side::Left)), QStringLiteral("12.34"));
    EXPECT_EQ(FormatErrorValue(t.errorOf(Side::Right)), QStringLiteral("0.05"));
    const uint8_t trig[2] = {25, 40};
    EXPECT_EQ(TriggerValues::Decode(trig).of(Side::Right), 40);
}

TEST(DeviceMap, MeterReadingsAreTwoLittleEndianWords)
{
    const uint8_t b[8] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF};
    const MeterReadings m = MeterReadings::Decode(b);
    EXPECT_EQ(m.liquidMl, 0x12345678u);
    EXPECT_EQ(m.gasMl, 0xFFFFFFFFu);
}

TEST(DeviceMap, RefuellingRecordLayoutAndAddresses)
{
    const uint8_t b[16] = {0x10, 0x27, 0x00, 0x00,  // 10000 ml liquid
                           0x20, 0x4E, 0x00, 0x00,  // 20000 ml gas
                           0x5A, 0xA5,              // inputs, outputs
                           7, 8, 9,                 // second, minute, hour
                           24, 12, 26};             // day, month, year
    const RefuellingRecord r = RefuellingRecord::Decode(b);
    EXPECT_EQ(r.liquidMl, 10000u);
    EXPECT_EQ(r.gasMl, 20000u);
    EXPECT_EQ(r.inputs, 0x5A);
    EXPECT_EQ(r.outputs, 0xA5);
    EXPECT_EQ(r.second, 7);
    EXPECT_EQ(r.minute, 8);
    EXPECT_EQ(r.hour, 9);
    EXPECT_EQ(r.day, 24);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.year, 26);
    const auto again = r.encode();
    EXPECT_TRUE(std::equal(again.begin(), again.end(), b));

    EXPECT_EQ(SideFlags(0xA5, Side::Left), 0x5);
    EXPECT_EQ(SideFlags(0xA5, Side::Right), 0xA);

    EXPECT_EQ(map::RecordAddress(Side::Left, 1), 1216);
    EXPECT_EQ(map::RecordAddress(Side::Left, 14), 1424);
    EXPECT_EQ(map::RecordAddress(Side::Right, 1), 1440);
    EXPECT_EQ(map::RecordAddress(Side::Right, 14), 1648);
    // The last record ends where the other side's area begins, and the right
    // area ends before the identification number.
    EXPECT_EQ(map::RecordAddress(Side::Left, 14) + map::kRecordSize, map::kRecordsRightBase);
    EXPECT_LE(map::RecordAddress(Side::Right, 14) + map::kRecordSize, map::kIdentAddress);
}

TEST(DeviceMap, SensorBits)
{
    SensorFlags f{0x10 | 0x80};
    EXPECT_TRUE(f.gas(Side::Left));
    EXPECT_FALSE(f.petrol(Side::Left));
    EXPECT_FALSE(f.gas(Side::Right));
    EXPECT_TRUE(f.petrol(Side::Right));
}

TEST(DeviceMap, CounterBlocksOverlapByOneByte)
{
    // The left block's last byte is the right counter's low byte.
    EXPECT_EQ(map::kCounterLeftAddress + map::kCounterLength - 1, map::kCounterRightAddress);
    EXPECT_EQ(map::CounterAddress(Side::Right), 81);
    EXPECT_EQ(map::ErrorTimeAddress(Side::Right), 56);
}

}  // namespace
}  // namespace lumo
