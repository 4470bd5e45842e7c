// The texts of the diagnosis dialog: volumes, fault rate, time, date,
// diagnosis lines and lamp states.
#include "records/diagnosis_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace lumo {
namespace {

using Entries = std::array<PumpRecord::Entry, PumpRecord::kEntryCount>;

// Entry k with level `level` and text "T<k>".
Entries uniformEntries(int level)
{
    Entries e;
    for (int k = 0; k < PumpRecord::kEntryCount; ++k) e[std::size_t(k)] = {QStringLiteral("T%1").arg(k), level};
    return e;
}

RefuellingRecord flags(uint8_t inputs, uint8_t outputs)
{
    RefuellingRecord r;
    r.inputs = inputs;
    r.outputs = outputs;
    return r;
}

TEST(DiagnosisFormat, VolumesCutTheLastMillilitreDigit)
{
    EXPECT_EQ(FormatRecordVolume(10000), "10.00");
    EXPECT_EQ(FormatRecordVolume(9500), "9.50");
    EXPECT_EQ(FormatRecordVolume(9), "0.00");
    EXPECT_EQ(FormatRecordVolume(0), "0.00");
    EXPECT_EQ(FormatRecordVolume(12345), "12.34");
    EXPECT_EQ(FormatRecordVolume(19999), "19.99");  // never rounded up
    EXPECT_EQ(FormatRecordVolume(std::numeric_limits<uint32_t>::max()), "4294967.29");
}

TEST(DiagnosisFormat, FaultRateIsSignedAndEmptyWithoutLiquid)
{
    EXPECT_EQ(FormatFaultRate(10000, 9500), "5.00");
    EXPECT_EQ(FormatFaultRate(10000, 10500), "-5.00");
    EXPECT_EQ(FormatFaultRate(10000, 10000), "0.00");
    EXPECT_EQ(FormatFaultRate(0, 0), "");
    EXPECT_EQ(FormatFaultRate(0, 500), "");
    EXPECT_EQ(FormatFaultRate(9, 0), "100.00");
    // Far more gas than liquid: no unsigned wrap-around.
    EXPECT_EQ(FormatFaultRate(1, std::numeric_limits<uint32_t>::max()), "-429496729400.00");
    // Raw values, not the cut-off litres.
    EXPECT_EQ(FormatFaultRate(3, 2), "33.33");
}

TEST(DiagnosisFormat, TimeAndDateArePlainNumbers)
{
    RefuellingRecord r;
    r.hour = 7;
    r.minute = 5;
    r.second = 3;
    r.day = 1;
    r.month = 2;
    r.year = 6;
    EXPECT_EQ(FormatRecordTime(r), "07:05:03");
    EXPECT_EQ(FormatRecordDate(r), "01.02.2006");
    r.hour = 23;
    r.minute = 59;
    r.second = 255;
    r.day = 31;
    r.month = 12;
    r.year = 123;  // no check: the byte as it is
    EXPECT_EQ(FormatRecordTime(r), "23:59:255");
    EXPECT_EQ(FormatRecordDate(r), "31.12.20123");
}

TEST(DiagnosisText, LabelsOfAllSixteenEntries)
{
    EXPECT_EQ(DiagnosisLabel(0), "I1: ");
    EXPECT_EQ(DiagnosisLabel(7), "I8: ");
    EXPECT_EQ(DiagnosisLabel(8), "Q1: ");
    EXPECT_EQ(DiagnosisLabel(15), "Q8: ");
}

TEST(DiagnosisText, RightSideListsOnlyItsOwnInputsAndOutputs)
{
    Entries e = uniformEntries(0);
    e[4] = {QStringLiteral("Gasrückführung blockiert"), 1};  // I5
    // Byte 8 = 0x10: I5 set, all other inputs clear. I1..I4 match level 0
    // too but belong to the left side.
    const QString text = BuildDiagnosisText(flags(0x10, 0xFF), Side::Right, e);
    EXPECT_EQ(text, QStringLiteral("I5: Gasrückführung blockiert\r\nI6: T5\r\nI7: T6\r\nI8: T7\r\n"));
}

TEST(DiagnosisText, LeftSideTestsInputsThenOutputsInOrder)
{
    Entries e = uniformEntries(1);
    e[1].level = 0;   // I2 wants a clear bit
    e[10].level = 0;  // Q3 wants a clear bit
    // Inputs 0b0101 (I1, I3 set), outputs 0b1001 (Q1, Q4 set); the high
    // nibbles belong to the right side.
    const QString text = BuildDiagnosisText(flags(0xF5, 0xF9), Side::Left, e);
    EXPECT_EQ(text, QStringLiteral("I1: T0\r\nI2: T1\r\nI3: T2\r\nQ1: T8\r\nQ3: T10\r\nQ4: T11\r\n"));
}

TEST(DiagnosisText, EmptyTextWithMatchingLevelStillGivesTheLabel)
{
    Entries e = uniformEntries(0);
    for (auto& entry : e) entry.level = 1;
    e[9] = {QString(), 0};  // Q2, empty text, level 0
    const QString text = BuildDiagnosisText(flags(0x00, 0x00), Side::Left, e);
    EXPECT_EQ(text, QStringLiteral("Q2: \r\n"));
}

TEST(DiagnosisText, EntriesWithoutLevelNeverMatch)
{
    const Entries none{};  // as a record holds before any diagnosis row was read
    EXPECT_EQ(BuildDiagnosisText(flags(0x00, 0x00), Side::Left, none), "");
    EXPECT_EQ(BuildDiagnosisText(flags(0xFF, 0xFF), Side::Right, none), "");
}

TEST(DiagnosisLamps, EachSideReadsItsOwnBits)
{
    const LampState leftLamps = LampsFor(0x20, Side::Left);
    EXPECT_TRUE(leftLamps.petrolRed);
    EXPECT_FALSE(leftLamps.gasRed);
    const LampState rightLamps = LampsFor(0x20, Side::Right);
    EXPECT_FALSE(rightLamps.petrolRed);
    EXPECT_FALSE(rightLamps.gasRed);
    const LampState right = LampsFor(0xC0, Side::Right);
    EXPECT_TRUE(right.petrolRed);
    EXPECT_TRUE(right.gasRed);
    const LampState leftGas = LampsFor(0xDF, Side::Left);  // all but bit 5
    EXPECT_FALSE(leftGas.petrolRed);
    EXPECT_TRUE(leftGas.gasRed);
}

}  // namespace
}  // namespace lumo
