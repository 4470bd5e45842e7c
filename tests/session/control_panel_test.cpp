// The control panel's steps over a real device link to the simulator, with
// no dialog: what a step hands out after a failure, the order of its talk
// and questions, and the clock merge on readings a dialog never sees.
#include "session/control_panel.h"
#include "session/reads.h"

#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumo::session {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

class ControlPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(4));
        ASSERT_TRUE(sim_.open());
        const uint8_t ident[4] = {0x39, 0x30, 0x00, 0x00};  // 12345
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        const uint8_t counters[7] = {0x05, 0x00, 0x11, 0x09, 0x00, 0x22, 0x33};  // left 5, right 9
        sim_->poke(Area::Process, map::kCounterLeftAddress, counters);
        const uint8_t time[2] = {0x3D, 0x00};  // 61 minutes
        sim_->poke(Area::Process, map::kErrorTimeRightAddress, time);
    }

    test::RecordingUi ui_;
    test::SimLink sim_;
    DeviceLink link_;
    ControlPanel panel_{link_};
};

TEST_F(ControlPanelTest, StepsHandOutWhatTheyReadBeforeAFailure)
{
    // The refresh's third read (right counter) is refused.
    sim_->inject(FaultKind::Delay, 2, 0);
    sim_->inject(FaultKind::Reject, 1);
    PanelReading r;
    EXPECT_EQ(panel_.Refresh(&r), 1);
    EXPECT_EQ(r.identification, QStringLiteral("0000012345"));
    EXPECT_EQ(r.leftCounter, 5);
    EXPECT_FALSE(r.rightCounter || r.leftTime || r.rightTime || r.clock);
    EXPECT_EQ(ui_.count(), 1u);

    // A whole refresh, then the left reset: the right side goes back as the
    // controller holds it and comes out as read back.
    sim_->clearFaults();
    ASSERT_EQ(panel_.Refresh(&r), 0);
    EXPECT_EQ(r.rightTime->hours, 1u);
    uint16_t left = 99;
    ControlPanel::RightSide right;
    ASSERT_EQ(panel_.ResetCounter(Side::Left, &left, &right), 0);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right.counter, 9);
    EXPECT_EQ(right.time.minutes, 1u);
    EXPECT_EQ(sim_->peek(Area::Process, map::kCounterLeftAddress, 7),
              (std::vector<uint8_t>{0x00, 0x00, 0x11, 0x09, 0x00, 0x22, 0x33}));

    // Counter readings stop at their first failure too.
    sim_->inject(FaultKind::Delay, 1, 0);
    sim_->inject(FaultKind::Reject, 1);
    CounterReadings c;
    EXPECT_EQ(ReadCounterReadings(link_, &c), 1);
    EXPECT_TRUE(c.left && !c.right && !c.trigger && !c.thresholds);
}

TEST_F(ControlPanelTest, CalibrationTalksOnlyBetweenItsQuestions)
{
    std::vector<QString> events;
    panel_.onTalk = [&](bool talking) { events.push_back(talking ? "talk" : "quiet"); };
    std::vector<bool> answers = {true, false};
    panel_.ask = [&](const QString& q) {
        events.push_back(q);
        const bool yes = answers.front();
        answers.erase(answers.begin());
        return yes;
    };
    ASSERT_EQ(panel_.SendCalibration(Side::Right, 300, 7), 0);
    EXPECT_EQ(events, (std::vector<QString>{"Gerät stoppen?", "talk", "quiet", "Gerät starten?"}));
    // The low 8 bits of each value, taken over, the controller left stopped.
    EXPECT_EQ(sim_->peek(Area::Program, map::kCalibrationRightAddress, 2), (std::vector<uint8_t>{44, 7}));
    EXPECT_FALSE(sim_->running());
    EXPECT_EQ(ui_.count(), 0u);
}

TEST(MergeClock, UnchangedPartsComeFromTheReadingUnlessItIsInvalid)
{
    const ClockValue fresh{2, 10, 20, 30, 5, 6, 2027};  // Mi 05.06.2027 10:20:30
    const QDate fieldDate(2026, 12, 24);
    const QTime fieldTime(9, 8, 7);
    using B = std::array<uint8_t, 7>;
    EXPECT_EQ(MergeClock(ClockChange::Time, fresh, 4, fieldDate, fieldTime), (B{2, 9, 8, 7, 5, 6, 27}));
    EXPECT_EQ(MergeClock(ClockChange::Date, fresh, 4, fieldDate, fieldTime), (B{4, 10, 20, 30, 24, 12, 26}));
    EXPECT_EQ(MergeClock(ClockChange::Weekday, fresh, 6, fieldDate, fieldTime), (B{6, 10, 20, 30, 5, 6, 27}));
    // An invalid reading (after a battery failure) gives way to the fields,
    // and without a weekday the date's own is written.
    const ClockValue broken{9, 25, 60, 60, 0, 13, 2026};
    EXPECT_EQ(MergeClock(ClockChange::Time, broken, -1, fieldDate, fieldTime), (B{3, 9, 8, 7, 24, 12, 26}));
    EXPECT_EQ(MergeClock(ClockChange::Weekday, broken, 1, fieldDate, fieldTime), (B{1, 9, 8, 7, 24, 12, 26}));
}

}  // namespace
}  // namespace lumo::session
