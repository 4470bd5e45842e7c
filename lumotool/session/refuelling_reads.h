// The refuellings step: the error thresholds and the fourteen records of
// both sides, read through the device link, as rows of values. Only reads.
#pragma once

#include "core/device_link.h"
#include "records/refuelling_rows.h"

#include <cstdint>

namespace lumo::session {

// Until read, every row is an empty one with its side and number.
struct RefuellingsReading {
    SideRefuellings left = SideRows(Side::Left, std::nullopt, {}, {});
    SideRefuellings right = SideRows(Side::Right, std::nullopt, {}, {});

    const SideRefuellings& of(Side s) const { return s == Side::Left ? left : right; }
};

// Reads the thresholds, then the records of the left side and of the right
// side (records 1 to 14 each, two transfers a record), for the sides asked.
// Stops at the first failed read (the link has shown its message) and
// returns its status; what was read before stays, the rest are empty rows.
int32_t ReadRefuellings(DeviceLink& link, RefuellingsReading* reading, bool left = true, bool right = true);

}  // namespace lumo::session
