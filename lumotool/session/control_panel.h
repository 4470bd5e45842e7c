// The controller steps of the control panel, as plain calls over the device
// link: values in, values out, the link's status returned. No widgets: the
// main dialog and the command line both call these, and tests run them
// against the simulator without a dialog.
//
// Every step returns 0 or the status of the first failed call; the device
// link has then shown its message (a failed clock read excepted, see
// ReadClock). What was read before a failure is handed out all the same.
#pragma once

#include "core/device_link.h"
#include "core/device_map.h"
#include "session/reads.h"

#include <QCoreApplication>
#include <QDate>
#include <QString>
#include <QTime>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace lumo::session {

// What one refresh reads, in reading order; a value is empty when the
// refresh stopped before it.
struct PanelReading {
    std::optional<QString> identification;  // "%010u"
    std::optional<uint16_t> leftCounter;
    std::optional<uint16_t> rightCounter;
    std::optional<ErrorTime> leftTime;
    std::optional<ErrorTime> rightTime;
    std::optional<ClockValue> clock;
};

// How a calibration step ended.
enum class CalibrationOutcome {
    NotStopped,   // "Gerät stoppen?" answered No: nothing was sent
    Failed,       // a call failed (the returned status); the controller may be stopped
    LeftStopped,  // taken over, "Gerät starten?" answered No: the controller stays stopped
    Started,      // taken over and started again
};

// Which clock field the user changed.
enum class ClockChange { Date, Time, Weekday };

// A clock for a calendar date and time of day; a weekday outside 0 ("Mo")
// to 6 ("So") gives the date's own weekday.
ClockValue ClockOf(const QDate& date, const QTime& time, int weekday);

// The 7 clock bytes to write after a change: the changed part from the
// fields, the rest from `fresh`, the controller's clock as just read.
std::array<uint8_t, 7> MergeClock(ClockChange change, const ClockValue& fresh, int weekdayIndex,
                                  const QDate& fieldDate, const QTime& fieldTime);

class ControlPanel {
    Q_DECLARE_TR_FUNCTIONS(lumo::ControlPanel)

public:
    explicit ControlPanel(DeviceLink& link) : link_(link) {}

    // Called with true before and false after each stretch of talk with the
    // controller inside a step that also asks the user something, so that a
    // caller can hold its refresh while the line is busy and let it run
    // while a question is on screen.
    std::function<void(bool talking)> onTalk;
    // Asks a Yes/No question; by default through the UI seam without a
    // parent window (a dialog passes itself as the parent).
    std::function<bool(const QString& question)> ask;
    // Called with true before and false after the pause in which the
    // controller takes over a new calibration (a dialog shows a wait cursor).
    std::function<void(bool waiting)> onApplyWait;

    // Identification, counters, error times and clock, stopping at the
    // first failure. A failed clock read shows no message.
    int32_t Refresh(PanelReading* reading);

    // Counts one error (up to 9999); *counter is the counter read back.
    int32_t CountError(Side side, uint16_t* counter);
    // Resets the counter of the side. The left reset writes the right
    // counter and the right error time back as the controller holds them
    // (read in the same step); *right gets them as read back.
    struct RightSide {
        uint16_t counter = 0;
        ErrorTime time;
    };
    int32_t ResetCounter(Side side, uint16_t* counter, RightSide* right = nullptr);
    // Sets the side's counter to value (bytes 2 and 3 go back as read);
    // *counter is the counter read back.
    int32_t SetCounter(Side side, uint16_t value, uint16_t* counter);
    int32_t WriteErrorTime(Side side, ErrorTime time);

    // Asks "Gerät stoppen?"; on Yes stops the controller, writes the pair,
    // takes it over and waits for the controller, then asks "Gerät
    // starten?" and on Yes starts it. Returns the first failed status (0
    // also when the user said No); *outcome tells how it ended.
    int32_t SendCalibration(Side side, uint32_t petrol, uint32_t gas, CalibrationOutcome* outcome = nullptr);
    int32_t StartDevice() { return link_.StartDevice(); }
    int32_t StopDevice() { return link_.StopDevice(); }

    // Reads the clock; on failure shows the communication message, which
    // the device link leaves to the caller for clock reads.
    int32_t ReadClock(ClockValue* clock);
    // Reads the clock, replaces what the user changed, writes it and reads
    // it back into *written.
    // Writes all seven clock bytes and reads the clock back into *written.
    int32_t WriteClock(const ClockValue& clock, ClockValue* written);
    int32_t SetClock(ClockChange change, int weekdayIndex, const QDate& fieldDate, const QTime& fieldTime,
                     ClockValue* written);

private:
    int32_t writeClockBytes(const std::array<uint8_t, 7>& bytes, ClockValue* written);

    DeviceLink& link_;
};

}  // namespace lumo::session
