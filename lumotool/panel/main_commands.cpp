// Commands of MainDialog's buttons and fields: counting and resetting the
// error counters, changing the error times, sending the calibration values,
// starting and stopping the controller, setting its clock, and opening the
// sub-dialogs. Each is bound to its control in MainDialog::buildControls.
//
// The controller steps themselves are the session layer's (ControlPanel);
// a command runs one and decides what follows on screen. While a command
// talks to the controller the refresh is held still, so that no refresh can
// start while one of the command's message boxes is open; it runs on while
// the command asks the user a question and while the error time dialog is
// open.
#include "panel/main_dialog.h"

#include "core/device_map.h"
#include "counters/counter_dialog.h"
#include "logs/log_command.h"
#include "panel/error_time_dialog.h"
#include "refuellings/refuelling_dialog.h"
#include "station/diagnosis_dialog.h"
#include "station/pump_param_dialog.h"

#include <memory>

namespace lumo {

// ---- Error counters ------------------------------------------------------

void MainDialog::runCounterCommand(Side side, bool reset)
{
    const auto pause = pauseRefresh();
    // The left reset takes the entries first (a calibration entry out of
    // range shows its message); the read-only fields are not taken.
    if (reset && side == Side::Left) UpdateData(true);
    // What the step read before a failure is shown all the same.
    int& counter = side == Side::Left ? values_.leftCounter : values_.rightCounter;
    uint16_t readBack = uint16_t(counter);
    session::ControlPanel::RightSide right{uint16_t(values_.rightCounter), {values_.rightHours, values_.rightMinutes}};
    const int32_t status = reset ? panel_.ResetCounter(side, &readBack, &right) : panel_.CountError(side, &readBack);
    counter = readBack;
    if (reset && side == Side::Left) {
        values_.rightCounter = right.counter;
        values_.rightHours = right.time.hours;
        values_.rightMinutes = right.time.minutes;
    }
    if (status != 0) {
        SwitchCyclicOff();
        return;
    }
    UpdateData(false);
}

void MainDialog::OnSetLeft() { runCounterCommand(Side::Left, false); }
void MainDialog::OnSetRight() { runCounterCommand(Side::Right, false); }
void MainDialog::OnResetLeft() { runCounterCommand(Side::Left, true); }
void MainDialog::OnResetRight() { runCounterCommand(Side::Right, true); }

// ---- Error times -----------------------------------------------------------

// Shows the error time dialog for one side. The refresh goes on while it is
// open; only its write holds the refresh still. Nothing follows: the next
// refresh shows the new time.
void MainDialog::runErrorTimeDialog(Side side)
{
    const bool left = side == Side::Left;
    ErrorTimeDialog timeDialog(left ? values_.leftHours : values_.rightHours,
                               left ? values_.leftMinutes : values_.rightMinutes, side, this);
    std::unique_ptr<CyclicRefresh::Pause> pause;
    connect(&timeDialog, &ErrorTimeDialog::writeStarting, this, [&] { pause = pauseRefresh(); });
    connect(&timeDialog, &ErrorTimeDialog::writeFinished, this, [&] { pause.reset(); });
    timeDialog.exec();
}

void MainDialog::OnChangeTimeLeft() { runErrorTimeDialog(Side::Left); }
void MainDialog::OnChangeTimeRight() { runErrorTimeDialog(Side::Right); }

// ---- Calibration -------------------------------------------------------------
// A failed step ends the sequence there and leaves cyclic refresh as it is.

void MainDialog::OnSendCalibrationLeft()
{
    if (!UpdateData(true)) return;
    panel_.SendCalibration(Side::Left, values_.leftPetrol, values_.leftGas);
}

void MainDialog::OnSendCalibrationRight()
{
    if (!UpdateData(true)) return;
    panel_.SendCalibration(Side::Right, values_.rightPetrol, values_.rightGas);
}

// ---- Start and stop ------------------------------------------------------------

void MainDialog::OnStartDevice()
{
    const auto pause = pauseRefresh();
    panel_.StartDevice();
}

void MainDialog::OnStopDevice()
{
    const auto pause = pauseRefresh();
    panel_.StopDevice();
}

// ---- Clock -------------------------------------------------------------------------
// Only the user's changes arrive here: showing the values blocks the
// fields' signals. The weekday, time and date fields come first in the
// exchange, so they are taken even when a later field fails its range check.
// The step reads the controller's clock, replaces only what the user
// changed, writes it and reads it back; the result is shown.

void MainDialog::setClock(session::ClockChange change)
{
    const auto pause = pauseRefresh();
    UpdateData(true);
    ClockValue written;
    if (panel_.SetClock(change, values_.weekday, values_.date.date(), values_.time.time(), &written) != 0) {
        if (change == session::ClockChange::Date) {
            UpdateData(false);
            ApplyCyclicSetting();
        } else {
            SwitchCyclicOff();
        }
        return;
    }
    takeClock(written);
    UpdateData(false);
}

void MainDialog::OnDateChanged() { setClock(session::ClockChange::Date); }
void MainDialog::OnTimeChanged() { setClock(session::ClockChange::Time); }
void MainDialog::OnWeekdayChanged() { setClock(session::ClockChange::Weekday); }

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

void MainDialog::OnRefuellings()
{
    RunSubDialog([this] {
        RefuellingDialog dialog(this);
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

// ---- Log files -----------------------------------------------------------------------
// The refresh runs on while the files are written and the side is asked
// for; it rests while the desktop takes the chosen file.

void MainDialog::OnLogFiles()
{
    LogCommandHooks hooks;
    hooks.takeEntries = [this] { UpdateData(true); };
    hooks.withRefreshStopped = [this](const std::function<void()>& handOver) {
        RunSubDialog([&handOver] {
            handOver();
            return 0;
        });
    };
    RunLogCommand(link_, ident_, this, hooks);
}

}  // namespace lumo
