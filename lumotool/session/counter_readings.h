// The counter readings step: the four blocks the counter readings view
// shows, read in order over the device link, each only after the previous
// one succeeded. No widgets; the dialog and the command line both call it.
#pragma once

#include "core/device_link.h"
#include "core/device_map.h"

#include <cstdint>
#include <optional>

namespace lumo::session {

struct CounterReadings {
    std::optional<MeterReadings> left;
    std::optional<MeterReadings> right;
    std::optional<TriggerValues> trigger;
    std::optional<Thresholds> thresholds;  // thresholds and error values
};

// Returns 0 or the status of the first failed read (the device link has
// shown its message); what was read before stays in *readings.
int32_t ReadCounterReadings(DeviceLink& link, CounterReadings* readings);

}  // namespace lumo::session
