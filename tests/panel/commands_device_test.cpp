// Error time dialog, calibration, start/stop and the sub-dialog frame
// against the simulated controller.
#include "commands_fixture.h"

#include "counters/counter_dialog.h"
#include "panel/error_time_dialog.h"
#include "station/diagnosis_dialog.h"
#include "station/pump_param_dialog.h"

namespace lumo::cmdtest {
namespace {

using DeviceCommandTest = CommandTest;

ErrorTimeDialog* fillErrorTime(ErrorTimeDialog* dlg, const QString& hours, const QString& minutes)
{
    qobject_cast<QLineEdit*>(dlg->control(ErrorTimeDialog::kIdHours))->setText(hours);
    qobject_cast<QLineEdit*>(dlg->control(ErrorTimeDialog::kIdMinutes))->setText(minutes);
    return dlg;
}
void pressOk(ErrorTimeDialog* dlg) { qobject_cast<QPushButton*>(dlg->control(ErrorTimeDialog::kIdOk))->click(); }

TEST_F(DeviceCommandTest, ErrorTimeDialogWritesTheLargestTimeWhileTheRefreshRuns)
{
    MainDialog& d = openDialog();
    QString title, shownHours, shownMinutes;
    bool refreshedMeanwhile = false;
    whenModal<ErrorTimeDialog>([&](ErrorTimeDialog* dlg) {
        title = dlg->windowTitle();
        shownHours = qobject_cast<QLineEdit*>(dlg->control(ErrorTimeDialog::kIdHours))->text();
        shownMinutes = qobject_cast<QLineEdit*>(dlg->control(ErrorTimeDialog::kIdMinutes))->text();
        const std::size_t frames = sim_->frameCount();
        refreshedMeanwhile = d.timerRunning() && waitUntil([&] { return sim_->frameCount() >= frames + 6; });
        pressOk(fillErrorTime(dlg, QStringLiteral("71"), QStringLiteral("59")));
    });
    click(MainDialog::kIdChangeTimeLeft);

    EXPECT_EQ(title, QStringLiteral("Mavik - Lumo 05  Fehlerzeit"));
    EXPECT_EQ(shownHours, QStringLiteral("23"));
    EXPECT_EQ(shownMinutes, QStringLiteral("59"));
    EXPECT_TRUE(refreshedMeanwhile);
    EXPECT_EQ(process(map::kErrorTimeLeftAddress, 2), (Bytes{0xDF, 0x10}));  // 4319
    EXPECT_EQ(process(map::kErrorTimeRightAddress, 2), (Bytes{0x2D, 0x01}));
    EXPECT_EQ(ui_.count(), 0u);
    EXPECT_TRUE(d.timerRunning());
    // The next refresh shows it.
    EXPECT_TRUE(waitUntil([&] { return edit(MainDialog::kIdHoursLeft)->text() == QStringLiteral("71"); }));
}

TEST_F(DeviceCommandTest, ErrorTimeOutOfRangeIsRefusedAndCancelWritesNothing)
{
    openQuiet();
    std::vector<QString> texts;
    bool stayedOpen = false;
    whenModal<ErrorTimeDialog>([&](ErrorTimeDialog* dlg) {
        pressOk(fillErrorTime(dlg, QStringLiteral("72"), QStringLiteral("0")));
        pressOk(fillErrorTime(dlg, QStringLiteral("1"), QStringLiteral("60")));
        pressOk(fillErrorTime(dlg, QStringLiteral(""), QStringLiteral("5")));
        for (const auto& m : ui_.messages()) texts.push_back(m.text);
        stayedOpen = dlg->isVisible();
        qobject_cast<QPushButton*>(dlg->control(ErrorTimeDialog::kIdCancel))->click();
    });
    click(MainDialog::kIdChangeTimeRight);

    ASSERT_EQ(texts.size(), 3u);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("71"))) << texts[0].toStdString();
    EXPECT_TRUE(texts[1].contains(QStringLiteral("59"))) << texts[1].toStdString();
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(requests(kWriteProcess).empty());
    EXPECT_EQ(process(map::kErrorTimeRightAddress, 2), (Bytes{0x2D, 0x01}));
}

TEST_F(DeviceCommandTest, ErrorTimeDialogClosesAfterAFailedWriteWithOneMessage)
{
    MainDialog& d = openDialog();
    bool timerDuringBox = true;
    ui_.onShow = [&](const test::ShownMessage&) { timerDuringBox = d.timerRunning(); };
    int result = -1;
    whenModal<ErrorTimeDialog>([&](ErrorTimeDialog* dlg) {
        QObject::connect(dlg, &QDialog::finished, [&](int r) { result = r; });
        sim_->inject(FaultKind::Reject, 1);
        pressOk(fillErrorTime(dlg, QStringLiteral("2"), QStringLiteral("3")));
    });
    click(MainDialog::kIdChangeTimeRight);

    EXPECT_EQ(result, int(QDialog::Accepted));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, kRejectText);
    EXPECT_FALSE(timerDuringBox);
    // Cyclic refresh goes on.
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(DeviceCommandTest, NoToStopSendsNothing)
{
    openQuiet();
    ui_.queueAnswer(false);
    click(MainDialog::kIdSendLeft);
    ASSERT_EQ(ui_.count(), 1u);
    const auto q = ui_.last();
    EXPECT_EQ(q.text, QStringLiteral("Gerät stoppen?"));
    EXPECT_EQ(q.caption, QStringLiteral("Mavik_Lumo 05 - Abfrage"));
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);
    EXPECT_EQ(sim_->frameCount(), 0u);
    EXPECT_TRUE(sim_->running());
}

TEST_F(DeviceCommandTest, NoToStartLeavesTheControllerStoppedWithTheNewCalibration)
{
    MainDialog& d = openDialog();
    edit(MainDialog::kIdPetrolLeft)->setText(QStringLiteral("55"));
    edit(MainDialog::kIdGasLeft)->setText(QStringLiteral("66"));
    const int appliesBefore = sim_->state().applyCount;
    ui_.queueAnswers({true, false});
    sim_->clearLog();
    click(MainDialog::kIdSendLeft);

    EXPECT_EQ(ui_.texts(), (QStringList{QStringLiteral("Gerät stoppen?"), QStringLiteral("Gerät starten?")}));
    EXPECT_FALSE(sim_->running());
    EXPECT_EQ(sim_->state().applyCount, appliesBefore + 1);
    EXPECT_EQ(sim_->state().activeCalibration, (std::array<uint8_t, 4>{55, 66, 33, 44}));
    const auto r = requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].code, kStop);
    EXPECT_EQ(r[1].code, kWriteProgram);
    EXPECT_EQ(r[1].address, map::kCalibrationLeftAddress);
    EXPECT_EQ(r[1].data, (Bytes{55, 66}));
    EXPECT_EQ(r[2].code, kApply);
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(DeviceCommandTest, YesToBothSendsTheRightPairAndStartsAgain)
{
    openQuiet();
    edit(MainDialog::kIdPetrolRight)->setText(QStringLiteral("255"));
    edit(MainDialog::kIdGasRight)->setText(QStringLiteral("0"));
    ui_.queueAnswers({true, true});
    click(MainDialog::kIdSendRight);
    EXPECT_TRUE(sim_->running());
    EXPECT_EQ(sim_->peek(Area::Program, map::kCalibrationAddress, 4), (Bytes{11, 22, 255, 0}));
    const auto r = requests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1].address, map::kCalibrationRightAddress);
    EXPECT_EQ(r[3].code, kStart);
}

TEST_F(DeviceCommandTest, CalibrationRangeAndFailureHandling)
{
    MainDialog& d = openDialog();
    // Above 255: the range message, no question, nothing sent.
    edit(MainDialog::kIdGasLeft)->setText(QStringLiteral("256"));
    sim_->clearLog();
    ui_.queueAnswers({true, true});
    click(MainDialog::kIdSendLeft);
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_TRUE(ui_.last().text.contains(QStringLiteral("255")));
    EXPECT_EQ(ui_.pendingAnswers(), 2u);
    EXPECT_TRUE(requests(kStop).empty());

    // A refused Apply_Program ends the sequence: controller stays stopped,
    // no second question, cyclic refresh untouched.
    edit(MainDialog::kIdGasLeft)->setText(QStringLiteral("7"));
    ui_.clear();
    ui_.queueAnswers({true, true});
    sim_->inject(FaultKind::Delay, 2, 0);
    sim_->inject(FaultKind::Reject, 1);
    click(MainDialog::kIdSendLeft);
    EXPECT_EQ(ui_.texts(), (QStringList{QStringLiteral("Gerät stoppen?"), kRejectText}));
    EXPECT_FALSE(sim_->running());
    EXPECT_TRUE(requests(kStart).empty());
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(DeviceCommandTest, StartAndStopWithoutQuestionsAndFailureLeavesCyclicOn)
{
    MainDialog& d = openDialog();
    click(MainDialog::kIdStop);
    EXPECT_FALSE(sim_->running());
    click(MainDialog::kIdStart);
    EXPECT_TRUE(sim_->running());
    EXPECT_EQ(ui_.count(), 0u);

    sim_->inject(FaultKind::Faulty, 1);
    click(MainDialog::kIdStop);
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, QStringLiteral("Kommando ist fehlerhaft! (NACK)"));
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(DeviceCommandTest, SubDialogsHoldTheRefreshWhileOpen)
{
    MainDialog& d = openDialog();
    bool pumpTimer = true, counterTimer = true;
    whenModal<PumpParamDialog>([&](PumpParamDialog* p) {
        pumpTimer = d.timerRunning();
        p->reject();
    });
    click(MainDialog::kIdPumpParams);
    EXPECT_FALSE(pumpTimer);
    EXPECT_TRUE(d.timerRunning());

    whenModal<CounterDialog>([&](CounterDialog* c) {
        counterTimer = d.timerRunning();
        c->reject();
    });
    click(MainDialog::kIdCounters);
    EXPECT_FALSE(counterTimer);
    EXPECT_TRUE(d.timerRunning());

    // The diagnosis button stays hidden; its command works all the same.
    bool diagnosisTimer = true;
    whenModal<DiagnosisDialog>([&](DiagnosisDialog* g) {
        diagnosisTimer = d.timerRunning();
        g->reject();
    });
    d.OnDiagnosis();
    EXPECT_FALSE(diagnosisTimer);
    EXPECT_TRUE(d.timerRunning());
}

}  // namespace
}  // namespace lumo::cmdtest
