// "setzen" and "rücksetzen" against the simulated controller: what lands in
// the controller's memory, and what a failure does.
#include "commands_fixture.h"

namespace lumo::cmdtest {
namespace {

using CounterCommandTest = CommandTest;

TEST_F(CounterCommandTest, CountingAddsOneKeepsBytesTwoAndThreeAndStopsAt9999)
{
    openQuiet();
    click(MainDialog::kIdSetRight);
    EXPECT_EQ(process(81, 4), (Bytes{0x08, 0x00, 0x33, 0x44}));
    EXPECT_EQ(edit(MainDialog::kIdCounterRight)->text(), QStringLiteral("8"));

    sim_->clearLog();
    click(MainDialog::kIdSetLeft);
    // At 9999 the block goes back unchanged, byte 81 included.
    EXPECT_EQ(process(78, 7), (Bytes{0x0F, 0x27, 0x5A, 0x08, 0x00, 0x33, 0x44}));
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("9999"));
    const auto r = requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].code, kReadProcess);
    EXPECT_EQ(r[1].code, kWriteProcess);
    EXPECT_EQ(r[1].address, 78);
    EXPECT_EQ(r[1].data, (Bytes{0x0F, 0x27, 0x5A, 0x08}));
    EXPECT_EQ(r[2].code, kReadProcess);
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(CounterCommandTest, ResetRightTouchesNothingElse)
{
    openQuiet();
    click(MainDialog::kIdResetRight);
    EXPECT_EQ(process(78, 7), (Bytes{0x0F, 0x27, 0x5A, 0x00, 0x00, 0x33, 0x44}));
    EXPECT_EQ(process(52, 6), (Bytes{0x9F, 0x05, 0, 0, 0x2D, 0x01}));
    EXPECT_EQ(edit(MainDialog::kIdCounterRight)->text(), QStringLiteral("0"));
    for (const Request& w : requests(kWriteProcess)) EXPECT_EQ(w.address, 81);
    EXPECT_EQ(ui_.count(), 0u);
}

// The screen is stale with refresh off: the right counter and error time
// that the left reset writes back are the controller's, read in the command.
TEST_F(CounterCommandTest, ResetLeftWritesBackTheRightValuesTheControllerHolds)
{
    openQuiet();
    const uint8_t right[2] = {0x09, 0x00};
    sim_->poke(Area::Process, 81, right);
    const uint8_t time[2] = {0x00, 0x01};  // 256 minutes = 4:16
    sim_->poke(Area::Process, map::kErrorTimeRightAddress, time);

    click(MainDialog::kIdResetLeft);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
    // Left counter 0, byte 80 kept; the right counter and everything after
    // it as the controller held them.
    EXPECT_EQ(process(78, 7), (Bytes{0x00, 0x00, 0x5A, 0x09, 0x00, 0x33, 0x44}));
    EXPECT_EQ(process(map::kErrorTimeRightAddress, 2), (Bytes{0x00, 0x01}));
    EXPECT_EQ(process(map::kErrorTimeLeftAddress, 2), (Bytes{0x9F, 0x05}));
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("0"));
    EXPECT_EQ(edit(MainDialog::kIdCounterRight)->text(), QStringLiteral("9"));
    EXPECT_EQ(edit(MainDialog::kIdHoursRight)->text(), QStringLiteral("4"));
    EXPECT_EQ(edit(MainDialog::kIdMinutesRight)->text(), QStringLiteral("16"));

    const auto writes = requests(kWriteProcess);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].address, 78);
    EXPECT_EQ(writes[1].address, 81);
    EXPECT_EQ(writes[1].data, (Bytes{0x09, 0x00, 0x33, 0x44}));
    EXPECT_EQ(writes[2].address, map::kErrorTimeRightAddress);
    EXPECT_EQ(writes[2].data, (Bytes{0x00, 0x01}));
}

// A failing write stops the command with one message and switches cyclic
// refresh off; the message box never has a refresh running behind it.
TEST_F(CounterCommandTest, FirstFailureStopsAndSwitchesCyclicOff)
{
    MainDialog& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    bool timerDuringBox = true;
    ui_.onShow = [&](const test::ShownMessage&) { timerDuringBox = d.timerRunning(); };

    // Reset left: the first seven requests pass (the left block read, written
    // and read; the right block read, written and read; the right error time
    // read), the error time write is refused.
    sim_->inject(FaultKind::Delay, 7, 0);
    sim_->inject(FaultKind::Reject, 1);
    sim_->clearLog();
    click(MainDialog::kIdResetLeft);

    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_EQ(ui_.last().text, kRejectText);
    EXPECT_FALSE(timerDuringBox);
    EXPECT_FALSE(cyclicBox()->isChecked());
    EXPECT_FALSE(d.timerRunning());
    // Nothing after the refused write (no read-back).
    const auto r = requests();
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r.back().code, kWriteProcess);

    // "setzen" with a refused read: nothing written.
    ui_.clear();
    sim_->clearLog();
    sim_->inject(FaultKind::Reject, 1);
    click(MainDialog::kIdSetRight);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_EQ(sim_->frameCount(), 1u);
    EXPECT_FALSE(cyclicBox()->isChecked());
}

TEST_F(CounterCommandTest, SuccessfulCommandKeepsTheRefreshRunning)
{
    MainDialog& d = openDialog();
    click(MainDialog::kIdSetRight);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_EQ(process(81, 2), (Bytes{0x08, 0x00}));
}

}  // namespace
}  // namespace lumo::cmdtest
