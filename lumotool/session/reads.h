// The controller reads of the viewing dialogs and the log files, one call a
// read over the device link, plus the few composed steps built from them.
// No widgets. Each returns 0 or the status of its (first) failed read; the
// device link has then shown its message.
#pragma once

#include "core/device_link.h"
#include "core/device_map.h"

#include <cstdint>
#include <optional>

namespace lumo::session {

// Single reads.
int32_t ReadIdentification(DeviceLink& link, QString* identification);  // "%010u"
int32_t ReadCalibration(DeviceLink& link, Calibration* calibration);
int32_t ReadMeters(DeviceLink& link, Side side, MeterReadings* meters);
int32_t ReadTrigger(DeviceLink& link, TriggerValues* trigger);
int32_t ReadThresholds(DeviceLink& link, Thresholds* thresholds);  // and the error values
int32_t ReadErrorCounter(DeviceLink& link, Side side, uint16_t* counter);
int32_t ReadErrorTime(DeviceLink& link, Side side, ErrorTime* time);
// The sensor inputs byte of the process data (the lamps of both sides).
int32_t ReadSensors(DeviceLink& link, uint8_t* sensors);
// Half 0 (volumes) or 1 (flags, time, date) of record k (1 to 14) of the
// side, into bytes[8 * half .. 8 * half + 7] of a 16-byte record.
int32_t ReadRecordHalf(DeviceLink& link, Side side, int k, int half, uint8_t* record);

// Record k of the side in its two transfers. *halves tells how many
// arrived (0, 1 or 2); *record holds what arrived, zeros behind it.
int32_t ReadRefuelling(DeviceLink& link, Side side, int k, RefuellingRecord* record, int* halves);

// The four blocks of the counter readings, in order, each only after the
// previous one succeeded; what was read before a failure stays.
struct CounterReadings {
    std::optional<MeterReadings> left;
    std::optional<MeterReadings> right;
    std::optional<TriggerValues> trigger;
    std::optional<Thresholds> thresholds;  // thresholds and error values
};
int32_t ReadCounterReadings(DeviceLink& link, CounterReadings* readings);

}  // namespace lumo::session
