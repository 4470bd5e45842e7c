// The refuellings step and what the window makes of it, against the
// simulator's memory: records that hold a refuelling, records that hold
// none (liquid 0, erased, no date), the band of the error threshold, and a
// reading that breaks off.
#include "session/refuelling_reads.h"

#include "refuellings/refuelling_chart_model.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace lumo::session {
namespace {

using gardosim::Area;

// The 16 bytes of a record.
std::array<uint8_t, 16> Record(uint32_t liquid, uint32_t gas, uint8_t outputs, std::array<uint8_t, 6> time)
{
    std::array<uint8_t, 16> b{};
    map::PutU32(b.data(), liquid);
    map::PutU32(b.data() + 4, gas);
    b[8] = 0x0F;
    b[9] = outputs;
    for (int i = 0; i < 6; ++i) b[size_t(10 + i)] = time[size_t(i)];
    return b;
}

class RefuellingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(4));
        ASSERT_TRUE(sim_.open());
        const uint8_t figures[6] = {10, 5, 0, 0, 0, 0};  // thresholds 10 % and 5 %
        sim_->poke(Area::Program, map::kThresholdAddress, figures);
        const std::array<uint8_t, 6> when = {9, 45, 13, 24, 12, 5};  // 24.12.2005 13:45:09
        put(Side::Left, 1, Record(10000, 9850, 0x05, when));       // row 14: 98.5 %
        put(Side::Left, 2, Record(0, 500, 0x00, when));            // row 13: no liquid
        std::array<uint8_t, 16> erased;
        erased.fill(0xFF);
        put(Side::Left, 3, erased);                                // row 12: erased
        put(Side::Left, 4, Record(1000, 1000, 0, {0, 0, 12, 31, 2, 26}));  // row 11: 31.02.
        put(Side::Left, 5, Record(1000, 1200, 0, when));           // row 10: above 110 %
        put(Side::Left, 6, Record(1000, 899, 0, when));            // row 9: below 90 %
        put(Side::Left, 7, Record(1000, 900, 0, when));            // row 8: on the border
        put(Side::Left, 8, Record(1, 4000000, 0, when));           // row 7: far beyond the axis
        put(Side::Right, 14, Record(2000, 2100, 0x30, {0, 0, 0, 1, 1, 99}));  // row 1: Q1, Q2
        sim_->clearLog();
    }

    void put(Side side, int k, const std::array<uint8_t, 16>& bytes)
    {
        sim_->poke(Area::Program, uint32_t(map::RecordAddress(side, k)), bytes);
    }

    test::RecordingUi ui_;
    test::SimLink sim_;
    DeviceLink link_;
};

TEST_F(RefuellingsTest, RecordsBecomeRowsAndTheChartShowsOnlyRefuellings)
{
    RefuellingsReading r;
    ASSERT_EQ(ReadRefuellings(link_, &r), 0);
    EXPECT_EQ(ui_.count(), 0u);
    // Only reads: the thresholds, then two transfers of 8 bytes a record.
    const auto frames = sim_->frames();
    ASSERT_EQ(frames.size(), 1u + 2u * 2u * 14u);
    for (const auto& f : frames) EXPECT_EQ(f.request.at(1), 0x80) << "not a program read";

    const auto& left = r.left.rows;
    EXPECT_EQ(r.left.threshold, 10);
    EXPECT_EQ(left[0].row, 14);
    EXPECT_FALSE(left[0].empty);
    EXPECT_EQ(left[0].ratioPercent, 98.5);
    EXPECT_EQ(left[0].time, QDateTime(QDate(2005, 12, 24), QTime(13, 45, 9)));
    EXPECT_TRUE(left[0].output(1) && !left[0].output(2) && left[0].output(3) && !left[0].output(4));
    // No liquid: empty, no ratio; erased: empty, no time, never 255.255.255;
    // a day that does not exist: empty.
    EXPECT_TRUE(left[1].empty);
    EXPECT_FALSE(left[1].ratioPercent);
    EXPECT_TRUE(left[2].empty);
    EXPECT_FALSE(left[2].time);
    EXPECT_TRUE(left[3].empty);
    EXPECT_FALSE(left[3].time);
    EXPECT_EQ(r.right.rows[13].row, 1);
    EXPECT_EQ(r.right.rows[13].outputs, 0x03);  // the right side's Q1, Q2 are bits 4, 5
    EXPECT_EQ(r.right.rows[13].time, QDateTime(QDate(2099, 1, 1), QTime(0, 0, 0)));

    // The chart: bars at their rows' places, empty records left out, the
    // band 90..110 %, marks by sign, the far one clipped to the axis.
    const ChartModel m = BuildChartModel(r.left);
    EXPECT_EQ(m.bandLow, 90.0);
    EXPECT_EQ(m.bandHigh, 110.0);
    EXPECT_EQ(m.axisMax, kChartAxisLimit);
    std::vector<int> places;
    for (const ChartBar& b : m.bars) places.push_back(b.slot);
    // Records 9 to 14 (slots 8 to 13) are the simulator's own refuellings.
    EXPECT_EQ(places, (std::vector<int>{0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    const ChartBar* above = m.barAt(4);
    ASSERT_NE(above, nullptr);
    EXPECT_EQ(above->row, 10);
    EXPECT_EQ(above->position, BandPosition::Above);
    EXPECT_EQ(above->mark, QStringLiteral("▲"));
    EXPECT_EQ(above->ratioText, QStringLiteral("120,0 %"));
    EXPECT_EQ(m.barAt(5)->position, BandPosition::Below);
    EXPECT_EQ(m.barAt(5)->mark, QStringLiteral("▼"));
    EXPECT_EQ(m.barAt(6)->position, BandPosition::Inside);
    EXPECT_TRUE(m.barAt(6)->mark.isEmpty());
    EXPECT_TRUE(m.barAt(7)->clipped);
    EXPECT_EQ(m.fraction(m.barAt(7)->ratioPercent), 1.0);
    EXPECT_EQ(m.barAt(0)->volumeText, QStringLiteral("10,00 l"));
    EXPECT_EQ(m.barAt(0)->toolTip, QStringLiteral("Nr. 14: 24.12.2005 13:45:09, 98,5 %"));
    EXPECT_EQ(m.barAt(1), nullptr);

    // The table and the CSV in German notation; empty rows keep their number.
    EXPECT_EQ(RefuellingTableCells(left[0], 10),
              (QStringList{"14", "24.12.2005 13:45:09", "10.000", "9.850", "98,5 %", "1", "0", "1", "0"}));
    EXPECT_EQ(RefuellingTableCells(left[4], 10)[4], QStringLiteral("120,0 % ▲"));
    EXPECT_EQ(RatioSpokenText(left[5], 10), QStringLiteral("89,9 %, unter dem Band"));
    EXPECT_EQ(RefuellingTableCells(left[2], 10), (QStringList{"12", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(RefuellingCsvLine(left[0]), QStringLiteral("links;14;24.12.2005 13:45:09;10000;9850;98,5;1;0;1;0;0"));
    EXPECT_EQ(RefuellingCsvLine(left[2]), QStringLiteral("links;12;;;;;;;;;1"));
}

TEST_F(RefuellingsTest, AReadingThatBreaksOffKeepsWhatArrivedAndShowsOneMessage)
{
    // Thresholds and the first two records (four transfers) arrive, then
    // the controller refuses.
    sim_->inject(gardosim::FaultKind::Delay, 5, 0);
    sim_->inject(gardosim::FaultKind::Reject, 1);
    RefuellingsReading r;
    EXPECT_NE(ReadRefuellings(link_, &r), 0);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_FALSE(r.left.rows[0].empty);
    EXPECT_TRUE(r.left.rows[1].read);
    EXPECT_FALSE(r.left.rows[2].read);
    EXPECT_TRUE(r.left.rows[2].empty);
    EXPECT_EQ(r.left.rows[2].row, 12);
    EXPECT_EQ(r.right.rows[13].row, 1);
    EXPECT_TRUE(r.right.rows[13].empty);
    EXPECT_EQ(BuildChartModel(r.left).bars.size(), 1);
}

}  // namespace
}  // namespace lumo::session
