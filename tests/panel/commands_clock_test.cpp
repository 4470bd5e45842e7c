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

TEST_F(ClockCommandTest, ChangingOnlyTheTimeKeepsTheDateAsLastRead)
{
    openQuiet();
    timeEdit()->setTime(QTime(9, 8, 7));
    EXPECT_EQ(onlyClockWrite(), (Bytes{3, 9, 8, 7, 24, 12, 26}));
    const auto c = sim_->clock();
    EXPECT_EQ(c[1], 9);
    EXPECT_EQ(c[4], 24);
    EXPECT_EQ(c[6], 26);
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(ClockCommandTest, DateAndWeekdayWritesUseTheirSources)
{
    MainDialog& d = openQuiet();
    // The date carries the time of day of the last refresh (the simulated
    // clock runs, so take it from the dialog).
    const QTime t = d.values().date.time();
    ASSERT_EQ(t.hour(), 14);
    const auto h = uint8_t(t.hour()), m = uint8_t(t.minute()), s = uint8_t(t.second());
    dateEdit()->setDate(QDate(2027, 1, 2));
    EXPECT_EQ(onlyClockWrite(), (Bytes{3, h, m, s, 2, 1, 27}));

    // Before 2000: year byte 0. Far ahead: (year - 2000) mod 256.
    sim_->clearLog();
    dateEdit()->setDate(QDate(1999, 5, 6));
    EXPECT_EQ(onlyClockWrite(), (Bytes{3, h, m, s, 6, 5, 0}));
    sim_->clearLog();
    dateEdit()->setDate(QDate(2300, 5, 6));
    EXPECT_EQ(onlyClockWrite(), (Bytes{3, h, m, s, 6, 5, 44}));

    // Weekday: day and month from the time field, year from the date field.
    sim_->clearLog();
    weekday()->setCurrentIndex(6);
    EXPECT_EQ(onlyClockWrite(), (Bytes{6, h, m, s, 24, 12, 44}));
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
