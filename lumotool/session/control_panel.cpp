#include "session/control_panel.h"

#include "core/ui_seam.h"

#include <QThread>

namespace lumo::session {

namespace {

// Pause between taking over a new calibration and asking to start again.
constexpr unsigned long kApplyWaitMs = 2000;

// Monday = 0 .. Sunday = 6; 0 for an invalid date.
uint8_t weekdayOf(const QDate& date)
{
    return date.isValid() ? uint8_t(date.dayOfWeek() - 1) : 0;
}

bool validWeekday(int index)
{
    return index >= 0 && index <= 6;
}

// Reads a counter block, lets change() set its counter, writes the whole
// block back and reads it again. Bytes 2 and 3 go back as the controller
// had them, so whatever it keeps there is not lost.
int32_t updateCounter(DeviceLink& link, Side side, const std::function<void(CounterBlock&)>& change,
                      uint16_t* readBack)
{
    const int32_t address = map::CounterAddress(side);
    uint8_t b[map::kCounterLength] = {};
    if (const int32_t s = link.ReadProcessData(address, map::kCounterLength, b)) return s;
    CounterBlock block = CounterBlock::Decode(b);
    change(block);
    if (const int32_t s = link.WriteProcessData(address, map::kCounterLength, block.bytes.data())) return s;
    if (const int32_t s = link.ReadProcessData(address, map::kCounterLength, b)) return s;
    *readBack = CounterBlock::Decode(b).counter();
    return 0;
}

}  // namespace

// The changed part comes from the fields, the rest from the controller's
// clock as read in the same command, so that nothing stale is written back.
// A part of that reading that is no valid time of day or date is replaced by
// the field's value, so the controller always gets a whole valid clock.
//
// The weekday byte: a new weekday is the selected entry; a changed date
// keeps the selected entry too; a changed time keeps the controller's
// weekday. Where none of these is a weekday, the weekday of the date written
// is sent, so that the controller's weekday and date agree.
std::array<uint8_t, 7> MergeClock(ClockChange change, const ClockValue& fresh, int weekdayIndex,
                                  const QDate& fieldDate, const QTime& fieldTime)
{
    const QDate freshDate(fresh.year, fresh.month, fresh.day);
    const QTime freshTime(fresh.hour, fresh.minute, fresh.second);
    const QDate date = change == ClockChange::Date || !freshDate.isValid() ? fieldDate : freshDate;
    const QTime time = change == ClockChange::Time || !freshTime.isValid() ? fieldTime : freshTime;

    const bool keepFresh = change == ClockChange::Time && validWeekday(fresh.weekday);
    return ClockOf(date, time, keepFresh ? fresh.weekday : weekdayIndex).encode();
}

ClockValue ClockOf(const QDate& date, const QTime& time, int weekday)
{
    ClockValue c;
    c.hour = uint8_t(time.hour());
    c.minute = uint8_t(time.minute());
    c.second = uint8_t(time.second());
    c.day = uint8_t(date.day());
    c.month = uint8_t(date.month());
    c.year = date.year();
    c.weekday = validWeekday(weekday) ? uint8_t(weekday) : weekdayOf(date);
    return c;
}

int32_t ControlPanel::Refresh(PanelReading* r)
{
    QString ident;
    if (const int32_t s = ReadIdentification(link_, &ident)) return s;
    r->identification = ident;
    uint16_t counter = 0;
    if (const int32_t s = ReadErrorCounter(link_, Side::Left, &counter)) return s;
    r->leftCounter = counter;
    if (const int32_t s = ReadErrorCounter(link_, Side::Right, &counter)) return s;
    r->rightCounter = counter;
    ErrorTime time;
    if (const int32_t s = ReadErrorTime(link_, Side::Left, &time)) return s;
    r->leftTime = time;
    if (const int32_t s = ReadErrorTime(link_, Side::Right, &time)) return s;
    r->rightTime = time;
    uint8_t clock[map::kClockLength] = {};
    if (const int32_t s = link_.ReadClock(map::kClockAddress, map::kClockLength, clock)) return s;
    r->clock = ClockValue::Decode(clock);
    return 0;
}

int32_t ControlPanel::CountError(Side side, uint16_t* counter)
{
    return updateCounter(link_, side, [](CounterBlock& b) { b.increment(); }, counter);
}

int32_t ControlPanel::ResetCounter(Side side, uint16_t* counter, RightSide* right)
{
    // The left block's last byte is the right counter's low byte; it goes
    // back as read, and the right counter is written again below.
    if (const int32_t s = SetCounter(side, 0, counter)) return s;
    if (side == Side::Right) return 0;

    // The right counter and error time go back as the controller holds them
    // now: whatever a screen shows may be stale.
    RightSide unused;
    RightSide& out = right ? *right : unused;
    if (const int32_t s = updateCounter(link_, Side::Right, [](CounterBlock&) {}, &out.counter)) return s;
    uint8_t minutes[map::kErrorTimeLength] = {};
    const int32_t address = map::kErrorTimeRightAddress;
    if (const int32_t s = link_.ReadProcessData(address, map::kErrorTimeLength, minutes)) return s;
    if (const int32_t s = link_.WriteProcessData(address, map::kErrorTimeLength, minutes)) return s;
    if (const int32_t s = link_.ReadProcessData(address, map::kErrorTimeLength, minutes)) return s;
    out.time = ErrorTime::Decode(minutes);
    return 0;
}

int32_t ControlPanel::SetCounter(Side side, uint16_t value, uint16_t* counter)
{
    return updateCounter(link_, side, [value](CounterBlock& b) { b.setCounter(value); }, counter);
}

int32_t ControlPanel::WriteErrorTime(Side side, ErrorTime time)
{
    const auto b = time.encode();
    return link_.WriteProcessData(map::ErrorTimeAddress(side), map::kErrorTimeLength, b.data());
}

int32_t ControlPanel::SendCalibration(Side side, uint32_t petrol, uint32_t gas, CalibrationOutcome* outcome)
{
    auto talking = [this](bool on) {
        if (onTalk) onTalk(on);
    };
    auto question = [this](const QString& text) { return ask ? ask(text) : askYesNo(text); };
    CalibrationOutcome unused;
    CalibrationOutcome& result = outcome ? *outcome : unused;
    const auto bytes = EncodeCalibrationPair(petrol, gas);
    result = CalibrationOutcome::NotStopped;
    if (!question(tr("Gerät stoppen?"))) return 0;
    result = CalibrationOutcome::Failed;
    talking(true);
    int32_t s = link_.StopDevice();
    if (s == 0) s = link_.WriteProgram(map::CalibrationWriteAddress(side), map::kCalibrationWriteLength, bytes.data());
    if (s == 0) s = link_.ApplyProgram();
    if (s == 0) {
        // The controller takes its time over the new values; the program
        // blocks meanwhile and takes no input.
        if (onApplyWait) onApplyWait(true);
        QThread::msleep(kApplyWaitMs);
        if (onApplyWait) onApplyWait(false);
    }
    talking(false);
    if (s != 0) return s;
    if (!question(tr("Gerät starten?"))) {
        result = CalibrationOutcome::LeftStopped;
        return 0;
    }
    talking(true);
    s = link_.StartDevice();
    talking(false);
    if (s == 0) result = CalibrationOutcome::Started;
    return s;
}

int32_t ControlPanel::ReadClock(ClockValue* clock)
{
    uint8_t b[map::kClockLength] = {};
    const int32_t s = link_.ReadClock(map::kClockAddress, map::kClockLength, b);
    if (s != 0) {
        DeviceLink::ShowCommError(s);
        return s;
    }
    *clock = ClockValue::Decode(b);
    return 0;
}

int32_t ControlPanel::WriteClock(const ClockValue& clock, ClockValue* written)
{
    return writeClockBytes(clock.encode(), written);
}

int32_t ControlPanel::writeClockBytes(const std::array<uint8_t, 7>& bytes, ClockValue* written)
{
    if (const int32_t s = link_.WriteClock(map::kClockAddress, map::kClockLength, bytes.data())) return s;
    return ReadClock(written);
}

int32_t ControlPanel::SetClock(ClockChange change, int weekdayIndex, const QDate& fieldDate,
                               const QTime& fieldTime, ClockValue* written)
{
    ClockValue fresh;
    if (const int32_t s = ReadClock(&fresh)) return s;
    return writeClockBytes(MergeClock(change, fresh, weekdayIndex, fieldDate, fieldTime), written);
}

}  // namespace lumo::session
