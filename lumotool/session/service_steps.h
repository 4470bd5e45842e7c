// Controller steps that only the command line offers: setting an error
// counter to a given value and writing the whole clock at once. Plain calls
// over the device link like the control panel's steps; each returns 0 or
// the status of its first failed call (the link has shown its message).
#pragma once

#include "core/device_link.h"
#include "core/device_map.h"

#include <cstdint>

namespace lumo::session {

// Reads the side's counter block, sets its counter to value (bytes 2 and 3
// go back as read), writes it and reads it back into *readBack.
int32_t SetErrorCounter(DeviceLink& link, Side side, uint16_t value, uint16_t* readBack);

// Writes all seven clock bytes of clock and reads the clock back into
// *written. A failed read-back shows the communication message.
int32_t WriteWholeClock(DeviceLink& link, const ClockValue& clock, ClockValue* written);

}  // namespace lumo::session
