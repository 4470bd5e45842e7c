// MainDialog against the simulated controller on a pty, with the recording
// fake of the UI seam.
#include "core/device_map.h"
#include "panel/port_dialog.h"
#include "panel/about_dialog.h"
#include "panel/main_dialog.h"
#include "panel/error_time_dialog.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumo {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

constexpr int kPort = 7;
const QString kCommCaption = QStringLiteral("Kommunikations-Fehler");

using test::byId;
using test::waitUntil;
using test::whenModal;

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(kPort));

        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        const uint8_t cal[4] = {11, 22, 33, 44};
        sim_->poke(Area::Program, map::kCalibrationAddress, cal);
        const uint8_t left[4] = {0x0F, 0x27, 0x5A, 0xA5};  // 9999
        sim_->poke(Area::Process, map::kCounterLeftAddress, left);
        const uint8_t right[4] = {0x07, 0x00, 0x00, 0x00};  // 7 (also byte 81 of the left block)
        sim_->poke(Area::Process, map::kCounterRightAddress, right);
        const uint8_t tl[2] = {0x9F, 0x05};  // 1439 minutes
        sim_->poke(Area::Process, map::kErrorTimeLeftAddress, tl);
        const uint8_t tr[2] = {0xDF, 0x10};  // 4319 minutes = 71:59
        sim_->poke(Area::Process, map::kErrorTimeRightAddress, tr);
        sim_->setClock({3, 14, 30, 15, 24, 12, 26});  // Do 24.12.2026 14:30:15
    }

    void TearDown() override
    {
        dialog_.reset();
        sim_.reset();
    }

    // Opens a main dialog through the port choice (the real PortDialog,
    // answered with port kPort and "Versuchen").
    MainDialog& openDialog()
    {
        dialog_ = std::make_unique<MainDialog>();
        test::choosePortWhenAsked(kPort);
        EXPECT_TRUE(dialog_->OnInitDialog());
        return *dialog_;
    }

    QLineEdit* edit(int id) { return qobject_cast<QLineEdit*>(dialog_->control(id)); }
    QCheckBox* cyclicBox() { return qobject_cast<QCheckBox*>(dialog_->control(MainDialog::kIdCyclic)); }
    // Waits for n more refreshes (six requests each) to reach the controller.
    bool waitRefreshes(int n)
    {
        const std::size_t target = sim_->frameCount() + std::size_t(6 * n);
        return waitUntil([&] { return sim_->frameCount() >= target; });
    }

    test::RecordingUi ui_;
    test::SimLink sim_;
    std::unique_ptr<MainDialog> dialog_;
};

TEST_F(MainDialogTest, OpeningReadsAndShowsTheControllerValues)
{
    MainDialog& d = openDialog();
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(d.identification(), QStringLiteral("0000001234"));
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("9999"));
    EXPECT_EQ(edit(MainDialog::kIdCounterRight)->text(), QStringLiteral("7"));
    EXPECT_EQ(edit(MainDialog::kIdHoursLeft)->text(), QStringLiteral("23"));
    EXPECT_EQ(edit(MainDialog::kIdMinutesLeft)->text(), QStringLiteral("59"));
    EXPECT_EQ(edit(MainDialog::kIdHoursRight)->text(), QStringLiteral("71"));
    EXPECT_EQ(edit(MainDialog::kIdMinutesRight)->text(), QStringLiteral("59"));
    EXPECT_EQ(edit(MainDialog::kIdPetrolLeft)->text(), QStringLiteral("11"));
    EXPECT_EQ(edit(MainDialog::kIdGasLeft)->text(), QStringLiteral("22"));
    EXPECT_EQ(edit(MainDialog::kIdPetrolRight)->text(), QStringLiteral("33"));
    EXPECT_EQ(edit(MainDialog::kIdGasRight)->text(), QStringLiteral("44"));

    auto* weekday = qobject_cast<QComboBox*>(d.control(MainDialog::kIdWeekday));
    EXPECT_EQ(weekday->currentText(), QStringLiteral("Do"));
    auto* date = qobject_cast<QDateEdit*>(d.control(MainDialog::kIdDate));
    auto* time = qobject_cast<QTimeEdit*>(d.control(MainDialog::kIdTime));
    EXPECT_EQ(date->date(), QDate(2026, 12, 24));
    EXPECT_EQ(time->time().hour(), 14);
    EXPECT_EQ(time->time().minute(), 30);
    // Both date-time values carry the same reading.
    EXPECT_EQ(d.values().time, d.values().date);

    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(d.refreshTimer().interval(), 500);

    // The refresh keeps reading: a new counter value shows up.
    const uint8_t left[4] = {0x05, 0x00, 0x5A, 0xA5};
    sim_->poke(Area::Process, map::kCounterLeftAddress, left);
    EXPECT_TRUE(waitUntil([&] { return edit(MainDialog::kIdCounterLeft)->text() == QStringLiteral("5"); }));
}

TEST_F(MainDialogTest, SilentControllerDuringRefreshGivesOneMessageAndStopsRefreshing)
{
    MainDialog& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    sim_.silence();

    ASSERT_TRUE(waitUntil([&] { return !cyclicBox()->isChecked(); }));
    EXPECT_FALSE(d.timerRunning());
    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_EQ(ui_.last().text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);

    // No further reads while the box is off.
    const std::size_t frames = sim_->frameCount();
    QTest::qWait(1200);
    EXPECT_EQ(sim_->frameCount(), frames);
    EXPECT_EQ(ui_.count(), 1u);

    // Switching it on again reads the calibration and resumes the refresh.
    sim_.clearFaults();
    const uint8_t cal[4] = {99, 98, 97, 96};
    sim_->poke(Area::Program, map::kCalibrationAddress, cal);
    cyclicBox()->click();
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(edit(MainDialog::kIdPetrolLeft)->text(), QStringLiteral("99"));
    EXPECT_TRUE(waitRefreshes(2));
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(MainDialogTest, FailedClockReadStopsRefreshWithoutMessage)
{
    MainDialog& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    // The next refresh's first five reads pass; its clock read gets a reply
    // of the wrong type on every attempt.
    sim_->inject(FaultKind::Delay, 5, 0);
    sim_->inject(FaultKind::BadType, 4);

    ASSERT_TRUE(waitUntil([&] { return !cyclicBox()->isChecked(); }));
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
}

TEST_F(MainDialogTest, TypedCalibrationValuesSurviveRefreshes)
{
    MainDialog& d = openDialog();
    QLineEdit* petrol = edit(MainDialog::kIdPetrolLeft);
    QLineEdit* gas = edit(MainDialog::kIdGasRight);
    // Typed over the selection, as the user does. (QTest's key events are
    // avoided: their input device outlives the test application.)
    petrol->setFocus();
    petrol->selectAll();
    petrol->insert(QStringLiteral("77"));
    // An entry out of range is kept as typed, and the refresh goes on.
    gas->selectAll();
    gas->insert(QStringLiteral("300"));

    ASSERT_TRUE(waitRefreshes(3));
    QCoreApplication::processEvents();
    EXPECT_EQ(petrol->text(), QStringLiteral("77"));
    EXPECT_EQ(d.values().leftPetrol, 77u);
    EXPECT_EQ(gas->text(), QStringLiteral("300"));
    EXPECT_EQ(d.values().rightGas, 44u);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u);
    // The controller's calibration is untouched.
    EXPECT_EQ(sim_->peekByte(Area::Program, map::kCalibrationAddress), 11);
}

TEST_F(MainDialogTest, QuitChecksRangesAndCloseBoxDoesNot)
{
    MainDialog& d = openDialog();
    QLineEdit* petrol = edit(MainDialog::kIdPetrolRight);
    petrol->setText(QStringLiteral("256"));
    auto* quit = qobject_cast<QPushButton*>(d.control(MainDialog::kIdOk));
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->text(), QStringLiteral("Beenden"));
    // Enter must not end the program: "Beenden" is no default button.
    EXPECT_FALSE(quit->isDefault());

    d.show();
    quit->click();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_TRUE(ui_.last().text.contains(QStringLiteral("255"))) << ui_.last().text.toStdString();
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Mavik - Lumo 05"));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
    EXPECT_EQ(d.focusWidget(), petrol);

    // The close box ends it with Cancel, without a check.
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(MainDialogTest, QuitWithValidEntriesEndsWithOk)
{
    MainDialog& d = openDialog();
    const int result = test::execWith(d, [](QDialog& dlg) {
        qobject_cast<QPushButton*>(byId(&dlg, MainDialog::kIdOk))->click();
    });
    EXPECT_EQ(result, int(QDialog::Accepted));
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(MainDialogTest, CancellingThePortChoiceEndsAtOnce)
{
    MainDialog d;
    whenModal<PortDialog>([](PortDialog* pd) { pd->reject(); });
    EXPECT_EQ(d.exec(), int(QDialog::Rejected));
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(sim_->frameCount(), 0u);
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(MainDialogTest, DestroyingTheDialogClosesTheConnection)
{
    openDialog();
    ASSERT_NE(Read_COM_Handle(), SERLINK_INVALID_HANDLE);
    dialog_.reset();
    EXPECT_EQ(Read_COM_Handle(), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(MainDialogTest, FailedIdentificationLeavesInitialValuesAndNoTimer)
{
    // The port probe passes; the dialog's own first read gets "P".
    dialog_ = std::make_unique<MainDialog>();
    whenModal<PortDialog>([this](PortDialog* pd) {
        qobject_cast<QLineEdit*>(byId(pd, PortDialog::kIdPort))->setText(QString::number(kPort));
        sim_->inject(FaultKind::Delay, 1, 0);
        sim_->inject(FaultKind::Reject, 1);
        qobject_cast<QPushButton*>(byId(pd, PortDialog::kIdTry))->click();
    });
    ASSERT_TRUE(dialog_->OnInitDialog());
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, QStringLiteral("Kommando wurde zurückgewiesen! (Reject)"));
    EXPECT_TRUE(dialog_->identification().isEmpty());
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_FALSE(dialog_->timerRunning());
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("0"));

    // Nothing was read: the calibration fields can't be sent, and the left
    // reset writes the right side back as the controller holds it, not the
    // zeros on the screen.
    EXPECT_FALSE(dialog_->calibrationRead());
    EXPECT_FALSE(dialog_->control(MainDialog::kIdSendLeft)->isEnabled());
    EXPECT_FALSE(dialog_->control(MainDialog::kIdSendRight)->isEnabled());
    ui_.clear();
    qobject_cast<QPushButton*>(dialog_->control(MainDialog::kIdResetLeft))->click();
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(sim_->peek(Area::Process, map::kCounterLeftAddress, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(sim_->peek(Area::Process, map::kCounterRightAddress, 2), (std::vector<uint8_t>{7, 0}));
    EXPECT_EQ(sim_->peek(Area::Process, map::kErrorTimeRightAddress, 2), (std::vector<uint8_t>{0xDF, 0x10}));
    EXPECT_EQ(edit(MainDialog::kIdHoursRight)->text(), QStringLiteral("71"));
}

// What a technician meets in the field: controller values beyond what a
// user may type, Enter pressed in the wrong place, a screen reader toggling
// the refresh. None of it may block or end the dialog.
TEST_F(MainDialogTest, FieldUseNeverBlocksOrEndsTheDialog)
{
    MainDialog& d = openDialog();
    EXPECT_EQ(d.refreshTimer().timerType(), Qt::PreciseTimer);
    const uint8_t big[4] = {0x10, 0x27, 0x5A, 0xFF};  // 10000; byte 81 = right low byte
    sim_->poke(Area::Process, map::kCounterLeftAddress, big);
    const uint8_t max[2] = {0xFF, 0xFF};
    sim_->poke(Area::Process, map::kCounterRightAddress, max);
    ASSERT_TRUE(waitUntil([&] { return edit(MainDialog::kIdCounterRight)->text() == QStringLiteral("65535"); }));
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("10000"));

    // The refresh follows the box however it is changed.
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(cyclicBox());
    ASSERT_NE(box, nullptr);
    ASSERT_NE(box->actionInterface(), nullptr);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(cyclicBox()->isChecked());
    EXPECT_FALSE(d.timerRunning());
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(cyclicBox()->isChecked());
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();

    // Enter outside a field does nothing; in a field it runs its group's
    // command ("übernehmen" asks first; No sends nothing).
    d.show();
    auto pressEnter = [](QWidget* w) {
        w->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    pressEnter(cyclicBox());
    pressEnter(d.control(MainDialog::kIdOk));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
    EXPECT_EQ(ui_.count(), 0u);
    ui_.queueAnswer(false);
    pressEnter(edit(MainDialog::kIdGasRight));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, QStringLiteral("Gerät stoppen?"));
    EXPECT_TRUE(d.isVisible());

    // The values beyond the entry ranges don't stop "Beenden".
    qobject_cast<QPushButton*>(d.control(MainDialog::kIdOk))->click();
    EXPECT_EQ(d.result(), int(QDialog::Accepted));
    EXPECT_EQ(ui_.count(), 1u);
}

// Enter where nothing can be typed must not reach the controller: right
// after opening, wherever the focus is, and in each display-only field
// (the counters do nothing; the error times open "ändern", which writes
// nothing until it is confirmed).
TEST_F(MainDialogTest, EnterInDisplayOnlyFieldsSendsNoCommand)
{
    MainDialog& d = openDialog();
    d.show();
    d.activateWindow();
    QCoreApplication::processEvents();
    sim_->clearLog();
    auto pressEnter = [](QWidget* w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    };
    QWidget* first = d.focusWidget();
    ASSERT_NE(first, nullptr);
    auto* firstEdit = qobject_cast<QLineEdit*>(first);
    ASSERT_NE(firstEdit, nullptr) << first->objectName().toStdString();
    EXPECT_TRUE(firstEdit->isReadOnly()) << first->objectName().toStdString();
    pressEnter(first);
    for (int id : {MainDialog::kIdCounterLeft, MainDialog::kIdCounterRight}) {
        edit(id)->setFocus();
        pressEnter(edit(id));
        edit(id)->insert(QStringLiteral("5"));  // read-only: nothing to type
        pressEnter(edit(id));
    }
    int timeDialogs = 0;
    for (int id : {MainDialog::kIdHoursLeft, MainDialog::kIdMinutesRight}) {
        whenModal<ErrorTimeDialog>([&timeDialogs](ErrorTimeDialog* t) {
            ++timeDialogs;
            t->reject();
        });
        edit(id)->setFocus();
        pressEnter(edit(id));
    }
    EXPECT_EQ(timeDialogs, 2);
    ASSERT_TRUE(waitRefreshes(1));  // the refresh goes on, reading only
    for (const auto& e : sim_->frames()) {
        ASSERT_GE(e.request.size(), 2u);
        const uint8_t command = e.request[1];
        EXPECT_TRUE(command >= 0x80 && command <= 0x86)
            << "command 0x" << std::hex << int(command) << " sent";
    }
    EXPECT_EQ(edit(MainDialog::kIdCounterLeft)->text(), QStringLiteral("9999"));
    EXPECT_EQ(sim_->peek(Area::Process, map::kCounterLeftAddress, 2), (std::vector<uint8_t>{0x0F, 0x27}));
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
}

TEST_F(MainDialogTest, ControlsCarryIdsCaptionsAndAboutEntry)
{
    MainDialog& d = openDialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05"));
    auto* diagnosis = qobject_cast<QPushButton*>(d.control(MainDialog::kIdDiagnosis));
    ASSERT_NE(diagnosis, nullptr);
    EXPECT_EQ(diagnosis->text(), QStringLiteral("Diagnose"));
    d.show();
    EXPECT_FALSE(diagnosis->isVisible());
    auto* weekday = qobject_cast<QComboBox*>(d.control(MainDialog::kIdWeekday));
    ASSERT_EQ(weekday->count(), 7);
    EXPECT_EQ(weekday->itemText(0), QStringLiteral("Mo"));
    EXPECT_EQ(weekday->itemText(6), QStringLiteral("So"));
    EXPECT_TRUE(edit(MainDialog::kIdCounterLeft)->isReadOnly());
    EXPECT_FALSE(edit(MainDialog::kIdGasLeft)->isReadOnly());

    // The about entry is in the dialog's context menu and on F1.
    QAction* about = nullptr;
    for (QAction* a : d.actions())
        if (a->text() == QStringLiteral("Inf&o über Mavik_Gardo...")) about = a;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->shortcut(), QKeySequence(Qt::Key_F1));
    QString title, version;
    whenModal<AboutDialog>([&](AboutDialog* a) {
        title = a->windowTitle();
        for (QLabel* l : a->findChildren<QLabel*>())
            if (l->text().startsWith(QStringLiteral("Mavik_Lumo"))) version = l->text();
        qobject_cast<QPushButton*>(byId(a, AboutDialog::kIdOk))->click();
    });
    about->trigger();
    EXPECT_EQ(title, QStringLiteral("Info über Mavik - Lumo 05"));
    EXPECT_EQ(version, QStringLiteral("Mavik_Lumo Version 5.02.1"));
}

TEST_F(MainDialogTest, SubDialogFrameStopsAndResumesTheTimer)
{
    MainDialog& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    bool runningInside = true;
    d.RunSubDialog([&] {
        runningInside = d.timerRunning();
        return 0;
    });
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(d.timerRunning());
}

}  // namespace
}  // namespace lumo
