// Commands of MainDialog's buttons and fields: counting and resetting the
// error counters, changing the error times, sending the calibration values,
// starting and stopping the controller, setting its clock, and opening the
// sub-dialogs. Each is bound to its control in MainDialog::buildControls.
//
// Every controller access goes through the dialog's DeviceLink, which shows
// the communication message for a failed call; a command only decides what
// follows. While a command talks to the controller the refresh timer is held
// still, so that no refresh can start while one of the command's message
// boxes is open; it runs on while the command asks the user a question and
// while the error time dialog is open.
#include "panel/main_dialog.h"

#include "core/device_map.h"
#include "core/ui_seam.h"
#include "counters/counter_dialog.h"
#include "panel/error_time_dialog.h"
#include "station/diagnosis_dialog.h"
#include "station/pump_param_dialog.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <functional>
#include <memory>

namespace lumo {

namespace {

// Pause between taking over a new calibration and asking to start again.
constexpr unsigned long kApplyWaitMs = 2000;

// Holds the refresh timer still for the life of the object and restarts it
// afterwards if it ran before and cyclic refresh is still on (a failure that
// took the cyclic-off path leaves it stopped; one that re-applied the check
// box has already started it).
class RefreshPause {
public:
    using Switch = std::function<void(bool run)>;
    RefreshPause(const MainDialog& dialog, Switch setRunning)
        : dialog_(dialog), setRunning_(std::move(setRunning)), wasRunning_(dialog.timerRunning())
    {
        if (wasRunning_) setRunning_(false);
    }
    ~RefreshPause()
    {
        if (wasRunning_ && dialog_.values().cyclic && !dialog_.timerRunning()) setRunning_(true);
    }
    RefreshPause(const RefreshPause&) = delete;
    RefreshPause& operator=(const RefreshPause&) = delete;

private:
    const MainDialog& dialog_;
    Switch setRunning_;
    bool wasRunning_;
};

// Reads a counter block, lets change() set its counter, writes the whole
// block back and reads it again. Bytes 2 and 3 go back as the controller
// had them, so whatever it keeps there is not lost. Stops at the first
// failed call; *readBack gets the counter read back.
bool updateCounter(DeviceLink& link, Side side, const std::function<void(CounterBlock&)>& change,
                   uint16_t* readBack)
{
    const int32_t address = map::CounterAddress(side);
    uint8_t b[map::kCounterLength] = {};
    if (link.ReadProcessData(address, map::kCounterLength, b) != 0) return false;
    CounterBlock block = CounterBlock::Decode(b);
    change(block);
    if (link.WriteProcessData(address, map::kCounterLength, block.bytes.data()) != 0) return false;
    if (link.ReadProcessData(address, map::kCounterLength, b) != 0) return false;
    *readBack = CounterBlock::Decode(b).counter();
    return true;
}

// Monday = 0 .. Sunday = 6; 0 for an invalid date.
uint8_t weekdayOf(const QDate& date)
{
    return date.isValid() ? uint8_t(date.dayOfWeek() - 1) : 0;
}

bool validWeekday(int index)
{
    return index >= 0 && index <= 6;
}

}  // namespace

// The clock to write for a change in one field: the changed part comes from
// the fields, the rest from the controller's clock as read in the same
// command, so that nothing stale is written back. A part of that reading
// that is no valid time of day or date is replaced by the field's value, so
// the controller always gets a whole valid clock.
//
// The weekday byte: a new weekday is the selected entry; a changed date
// keeps the selected entry too; a changed time keeps the controller's
// weekday. Where none of these is a weekday, the weekday of the date
// written is sent, so that the controller's weekday and date agree.
std::array<uint8_t, 7> MergeClock(ClockChange change, const ClockValue& fresh, int weekdayIndex,
                                  const QDate& fieldDate, const QTime& fieldTime)
{
    const QDate freshDate(fresh.year, fresh.month, fresh.day);
    const QTime freshTime(fresh.hour, fresh.minute, fresh.second);
    const QDate date = change == ClockChange::Date || !freshDate.isValid() ? fieldDate : freshDate;
    const QTime time = change == ClockChange::Time || !freshTime.isValid() ? fieldTime : freshTime;

    ClockValue c;
    c.hour = uint8_t(time.hour());
    c.minute = uint8_t(time.minute());
    c.second = uint8_t(time.second());
    c.day = uint8_t(date.day());
    c.month = uint8_t(date.month());
    c.year = date.year();
    int weekday = weekdayIndex;
    if (change == ClockChange::Time && validWeekday(fresh.weekday)) weekday = fresh.weekday;
    c.weekday = validWeekday(weekday) ? uint8_t(weekday) : weekdayOf(date);
    return c.encode();
}

// ---- Error counters ------------------------------------------------------

void MainDialog::OnSetLeft()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    uint16_t counter = 0;
    if (!updateCounter(link(), Side::Left, [](CounterBlock& b) { b.increment(); }, &counter)) {
        SwitchCyclicOff();
        return;
    }
    mutableValues().leftCounter = counter;
    UpdateData(false);
}

void MainDialog::OnSetRight()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    uint16_t counter = 0;
    if (!updateCounter(link(), Side::Right, [](CounterBlock& b) { b.increment(); }, &counter)) {
        SwitchCyclicOff();
        return;
    }
    mutableValues().rightCounter = counter;
    UpdateData(false);
}

void MainDialog::OnResetRight()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    uint16_t counter = 0;
    if (!updateCounter(link(), Side::Right, [](CounterBlock& b) { b.setCounter(0); }, &counter)) {
        SwitchCyclicOff();
        return;
    }
    mutableValues().rightCounter = counter;
    UpdateData(false);
}

void MainDialog::OnResetLeft()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    // The fields used below are read-only and come before any field a range
    // check can stop at, so they are taken in any case.
    UpdateData(true);
    Values& v = mutableValues();

    // The left block's last byte is the right counter's low byte; it goes
    // back as read, and the right counter is written again below.
    uint16_t left = 0;
    if (!updateCounter(link(), Side::Left, [](CounterBlock& b) { b.setCounter(0); }, &left)) {
        SwitchCyclicOff();
        return;
    }
    v.leftCounter = left;
    UpdateData(false);

    // The right counter and the right error time are written back as the
    // controller holds them now, read in this command: the screen may be
    // stale (refresh off, a failed opening showing zeros).
    uint16_t right = 0;
    if (!updateCounter(link(), Side::Right, [](CounterBlock&) {}, &right)) {
        SwitchCyclicOff();
        return;
    }
    v.rightCounter = right;

    uint8_t minutes[map::kErrorTimeLength] = {};
    if (link().ReadProcessData(map::kErrorTimeRightAddress, map::kErrorTimeLength, minutes) != 0 ||
        link().WriteProcessData(map::kErrorTimeRightAddress, map::kErrorTimeLength, minutes) != 0 ||
        link().ReadProcessData(map::kErrorTimeRightAddress, map::kErrorTimeLength, minutes) != 0) {
        SwitchCyclicOff();
        return;
    }
    const ErrorTime readBack = ErrorTime::Decode(minutes);
    v.rightHours = readBack.hours;
    v.rightMinutes = readBack.minutes;
    UpdateData(false);
}

// ---- Error times -----------------------------------------------------------

namespace {

// Shows the error time dialog for one side. The refresh goes on while it is
// open; only its write holds the timer still.
void runErrorTimeDialog(MainDialog& dialog, Side side, uint32_t hours, uint32_t minutes,
                        const RefreshPause::Switch& setRunning)
{
    ErrorTimeDialog timeDialog(hours, minutes, side, &dialog);
    std::unique_ptr<RefreshPause> pause;
    QObject::connect(&timeDialog, &ErrorTimeDialog::writeStarting, &dialog,
                     [&] { pause = std::make_unique<RefreshPause>(dialog, setRunning); });
    QObject::connect(&timeDialog, &ErrorTimeDialog::writeFinished, &dialog, [&] { pause.reset(); });
    timeDialog.exec();
    // Nothing follows: the next refresh shows the new time.
}

}  // namespace

void MainDialog::OnChangeTimeLeft()
{
    runErrorTimeDialog(*this, Side::Left, values().leftHours, values().leftMinutes,
                       [this](bool run) { run ? startTimer1() : stopTimer1(); });
}

void MainDialog::OnChangeTimeRight()
{
    runErrorTimeDialog(*this, Side::Right, values().rightHours, values().rightMinutes,
                       [this](bool run) { run ? startTimer1() : stopTimer1(); });
}

// ---- Calibration -------------------------------------------------------------

namespace {

// Stop, write the pair, take it over, wait, and on request start again.
// A failed step ends the sequence there and leaves cyclic refresh as it is;
// the timer runs on while a question is on screen.
void sendCalibration(MainDialog& dialog, Side side, uint32_t petrol, uint32_t gas,
                     const RefreshPause::Switch& setRunning)
{
    const auto bytes = EncodeCalibrationPair(petrol, gas);
    if (!askYesNo(QStringLiteral("Gerät stoppen?"), &dialog)) return;
    {
        RefreshPause pause(dialog, setRunning);
        DeviceLink& link = dialog.link();
        if (link.StopDevice() != 0) return;
        if (link.WriteProgram(map::CalibrationWriteAddress(side), map::kCalibrationWriteLength, bytes.data()) !=
            0)
            return;
        if (link.ApplyProgram() != 0) return;
        // The controller takes its time over the new values; the program
        // blocks meanwhile and takes no input.
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        QThread::msleep(kApplyWaitMs);
        QGuiApplication::restoreOverrideCursor();
    }
    if (askYesNo(QStringLiteral("Gerät starten?"), &dialog)) {
        RefreshPause pause(dialog, setRunning);
        dialog.link().StartDevice();
    }
}

}  // namespace

void MainDialog::OnSendCalibrationLeft()
{
    if (!UpdateData(true)) return;
    sendCalibration(*this, Side::Left, values().leftPetrol, values().leftGas,
                    [this](bool run) { run ? startTimer1() : stopTimer1(); });
}

void MainDialog::OnSendCalibrationRight()
{
    if (!UpdateData(true)) return;
    sendCalibration(*this, Side::Right, values().rightPetrol, values().rightGas,
                    [this](bool run) { run ? startTimer1() : stopTimer1(); });
}

// ---- Start and stop ------------------------------------------------------------

void MainDialog::OnStartDevice()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    link().StartDevice();
}

void MainDialog::OnStopDevice()
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    link().StopDevice();
}

// ---- Clock -------------------------------------------------------------------------
// Only the user's changes arrive here: showing the values blocks the
// fields' signals. The weekday, time and date fields come first in the
// exchange, so they are taken even when a later field fails its range check.
//
// Each command reads the controller's clock first and replaces only what the
// user changed, writes it, and reads it back to show it. A failed read shows
// the communication message here (the device link leaves clock reads to the
// caller) and nothing is written.

void MainDialog::setClock(ClockChange change)
{
    RefreshPause pause(*this, [this](bool run) { run ? startTimer1() : stopTimer1(); });
    UpdateData(true);
    auto fail = [this, change] {
        if (change == ClockChange::Date) {
            UpdateData(false);
            ApplyCyclicSetting();
        } else {
            SwitchCyclicOff();
        }
    };
    auto readClock = [this](ClockValue* out) {
        uint8_t b[map::kClockLength] = {};
        const int32_t status = link().ReadClock(map::kClockAddress, map::kClockLength, b);
        if (status != 0) {
            DeviceLink::ShowCommError(status);
            return false;
        }
        *out = ClockValue::Decode(b);
        return true;
    };

    ClockValue fresh;
    if (!readClock(&fresh)) return fail();
    const Values& v = values();
    const auto clock = MergeClock(change, fresh, v.weekday, v.date.date(), v.time.time());
    if (link().WriteClock(map::kClockAddress, map::kClockLength, clock.data()) != 0) return fail();
    ClockValue written;
    if (!readClock(&written)) return fail();
    takeClock(written);
    UpdateData(false);
}

void MainDialog::OnDateChanged()
{
    setClock(ClockChange::Date);
}

void MainDialog::OnTimeChanged()
{
    setClock(ClockChange::Time);
}

void MainDialog::OnWeekdayChanged()
{
    setClock(ClockChange::Weekday);
}

// ---- Sub-dialogs ---------------------------------------------------------------------

void MainDialog::OnPumpParams()
{
    RunSubDialog([this] {
        PumpParamDialog dialog(this);
        return dialog.exec();
    });
}

void MainDialog::OnCounters()
{
    RunSubDialog([this] {
        CounterDialog dialog(this);
        return dialog.exec();
    });
}

void MainDialog::OnDiagnosis()
{
    RunSubDialog([this] {
        DiagnosisDialog dialog(this);
        return dialog.exec();
    });
}


}  // namespace lumo
