#include "session/counter_readings.h"

namespace lumo::session {

int32_t ReadCounterReadings(DeviceLink& link, CounterReadings* r)
{
    uint8_t b[map::kMaxTransfer] = {};
    if (const int32_t s = link.ReadProgram(map::kMetersLeftAddress, map::kMetersLength, b)) return s;
    r->left = MeterReadings::Decode(b);
    if (const int32_t s = link.ReadProgram(map::kMetersRightAddress, map::kMetersLength, b)) return s;
    r->right = MeterReadings::Decode(b);
    if (const int32_t s = link.ReadProgram(map::kTriggerAddress, map::kTriggerLength, b)) return s;
    r->trigger = TriggerValues::Decode(b);
    if (const int32_t s = link.ReadProgram(map::kThresholdAddress, map::kThresholdLength, b)) return s;
    r->thresholds = Thresholds::Decode(b);
    return 0;
}

}  // namespace lumo::session
