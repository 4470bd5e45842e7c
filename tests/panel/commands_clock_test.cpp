// Setting the controller's clock from the date, time and weekday fields.
#include "commands_fixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QTimeEdit>

namespace lumo::cmdtest {
namespace {

class ClockCommandTest : public CommandTest {
protected:
    QDateEdit* dateEdit() { return qobject_cast<QDateEdit*>(dialog_->control(MainDialog::kIdDate)); }
    QTimeEdit* timeEdit() { return qobject_cast<QTimeEdit*>(dialog_->control(MainDialog::kIdTime)); }
    QComboBox* weekday() { return qobject_cast<QComboBox*>(dialog_->control(MainDialog::kIdWeekday)); }
    // The data of the only clock write since the log was cleared.
    Bytes onlyClockWrite()
    {
        const auto w = requests(kWriteClock);
        EXPECT_EQ(w.size(), 1u);
        return w.empty() ? Bytes{} : w.front().data;
    }
};

// Each clock command reads the controller's clock and replaces only what the
// user changed: with refresh off the screen is stale, and writing its other
// parts back would set the controller's clock back.
TEST_F(ClockCommandTest, ChangesKeepTheControllersOtherClockPartsAndShowTheResult)
{
    openQuiet();
    // The screen shows Do 24.12.2026 14:30:xx; the controller has moved on.
    const gardosim::ClockBytes moved{1, 10, 20, 30, 5, 6, 27};  // Di 05.06.2027
    auto expectWritten = [&](Bytes want) {
        Bytes got = onlyClockWrite();
        ASSERT_EQ(got.size(), 7u);
        // The simulated clock runs: allow the seconds it may have ticked.
        if (want[3] == 30 && got[3] >= 30 && got[3] <= 33) want[3] = got[3];
        EXPECT_EQ(got, want);
    };

    sim_->setClock(moved);
    timeEdit()->setTime(QTime(9, 8, 7));
    expectWritten({1, 9, 8, 7, 5, 6, 27});
    // The clock as read back is shown.
    EXPECT_EQ(dateEdit()->date(), QDate(2027, 6, 5));
    EXPECT_EQ(weekday()->currentIndex(), 1);

    // A new date: the time of day from the controller; the weekday byte is
    // the selected entry.
    sim_->setClock(moved);
    sim_->clearLog();
    dateEdit()->setDate(QDate(2027, 1, 2));
    expectWritten({1, 10, 20, 30, 2, 1, 27});
    EXPECT_EQ(timeEdit()->time().hour(), 10);

    // Before 2000: year byte 0. Far ahead: (year - 2000) mod 256.
    sim_->setClock(moved);
    sim_->clearLog();
    dateEdit()->setDate(QDate(1999, 5, 6));
    expectWritten({1, 10, 20, 30, 6, 5, 0});
    sim_->setClock(moved);
    sim_->clearLog();
    dateEdit()->setDate(QDate(2300, 5, 6));
    expectWritten({1, 10, 20, 30, 6, 5, 44});

    // A new weekday: everything else from the controller.
    sim_->setClock(moved);
    sim_->clearLog();
    weekday()->setCurrentIndex(6);
    expectWritten({6, 10, 20, 30, 5, 6, 27});
    EXPECT_EQ(ui_.count(), 0u);

    // Read, write, read back: nothing else on the line.
    const auto r = requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].code, kReadClock);
    EXPECT_EQ(r[2].code, kReadClock);

    // A failed read shows the one message and writes nothing.
    sim_->clearLog();
    sim_->inject(FaultKind::BadType, 4);
    timeEdit()->setTime(QTime(1, 2, 3));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_TRUE(requests(kWriteClock).empty());
}

// A clock that holds no valid time or date is shown as such, and a change
// then writes a whole valid clock.
TEST_F(ClockCommandTest, InvalidControllerClockLooksInvalidAndIsRepaired)
{
    MainDialog& d = openDialog();
    sim_->setClock({9, 25, 60, 60, 0, 13, 26});
    ASSERT_TRUE(waitUntil([&] { return timeEdit()->text() == QStringLiteral("--:--:--"); }));
    EXPECT_EQ(dateEdit()->text(), QStringLiteral("--.--.----"));
    EXPECT_EQ(weekday()->currentIndex(), -1);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u);

    cyclicBox()->click();
    sim_->clearLog();
    timeEdit()->setTime(QTime(8, 0, 0));
    // The date from the field (the last valid reading), its own weekday.
    EXPECT_EQ(onlyClockWrite(), (Bytes{3, 8, 0, 0, 24, 12, 26}));
    EXPECT_EQ(timeEdit()->text(), QStringLiteral("08:00:00"));
    EXPECT_EQ(dateEdit()->text(), QStringLiteral("24.12.2026"));

    // A valid reading shows again with the next refresh.
    sim_->setClock({9, 25, 60, 60, 0, 13, 26});
    cyclicBox()->click();
    ASSERT_TRUE(waitUntil([&] { return timeEdit()->text() == QStringLiteral("--:--:--"); }));
    sim_->setClock({4, 7, 6, 5, 25, 12, 26});
    ASSERT_TRUE(waitUntil([&] { return dateEdit()->text() == QStringLiteral("25.12.2026"); }));
    EXPECT_TRUE(timeEdit()->text().startsWith(QStringLiteral("07:06:")));
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(ClockCommandTest, WithoutAWeekdayTheDatesOwnWeekdayIsSent)
{
    sim_->setClock({9, 10, 0, 0, 24, 12, 26});
    openQuiet();
    ASSERT_EQ(weekday()->currentIndex(), -1);
    dateEdit()->setDate(QDate(2026, 12, 25));  // a Friday
    EXPECT_EQ(onlyClockWrite(), (Bytes{4, 10, 0, 0, 25, 12, 26}));
}

TEST_F(ClockCommandTest, RefreshingTheFieldsWritesNothing)
{
    MainDialog& d = openDialog();
    const QTime before = timeEdit()->time();
    // The controller's clock runs: the fields change with the refreshes.
    ASSERT_TRUE(waitUntil([&] { return timeEdit()->time() != before; }));
    sim_->setClock({5, 1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(waitUntil([&] { return weekday()->currentIndex() == 5; }));
    EXPECT_TRUE(requests(kWriteClock).empty());
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(ClockCommandTest, FailedDateWriteKeepsCyclicOnAndTimeWriteSwitchesItOff)
{
    MainDialog& d = openDialog();
    sim_->inject(FaultKind::Reject, 1);
    dateEdit()->setDate(QDate(2027, 3, 4));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, kRejectText);
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());

    ui_.clear();
    sim_->inject(FaultKind::Reject, 1);
    weekday()->setCurrentIndex(0);
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_FALSE(cyclicBox()->isChecked());
    EXPECT_FALSE(d.timerRunning());

    // With refresh off, a failed date write leaves it off.
    ui_.clear();
    sim_->inject(FaultKind::Reject, 1);
    timeEdit()->setTime(QTime(1, 2, 3));
    EXPECT_EQ(ui_.count(), 1u);
    sim_->inject(FaultKind::Reject, 1);
    dateEdit()->setDate(QDate(2027, 3, 5));
    EXPECT_EQ(ui_.count(), 2u);
    EXPECT_FALSE(d.timerRunning());
}

}  // namespace
}  // namespace lumo::cmdtest
