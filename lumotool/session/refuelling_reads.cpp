#include "session/refuelling_reads.h"

#include "session/reads.h"

namespace lumo::session {

namespace {

// The records of one side; the rows stay empty from the first failure on.
int32_t readSide(DeviceLink& link, Side side, std::optional<uint8_t> threshold, SideRefuellings* out)
{
    std::array<RefuellingRecord, map::kRecordCount> records{};
    std::array<bool, map::kRecordCount> read{};
    int32_t status = 0;
    for (int k = 1; k <= map::kRecordCount && status == 0; ++k) {
        int halves = 0;
        status = ReadRefuelling(link, side, k, &records[size_t(k - 1)], &halves);
        read[size_t(k - 1)] = status == 0;
    }
    *out = SideRows(side, threshold, records, read);
    return status;
}

}  // namespace

int32_t ReadRefuellings(DeviceLink& link, RefuellingsReading* reading, bool left, bool right)
{
    // Until read, every row is an empty one with its side and number.
    *reading = RefuellingsReading{};
    Thresholds t;
    const int32_t s = ReadThresholds(link, &t);
    if (s != 0) return s;
    reading->left.threshold = t.leftThreshold;
    reading->right.threshold = t.rightThreshold;
    if (left)
        if (const int32_t ls = readSide(link, Side::Left, t.leftThreshold, &reading->left)) return ls;
    if (right)
        if (const int32_t rs = readSide(link, Side::Right, t.rightThreshold, &reading->right)) return rs;
    return 0;
}

}  // namespace lumo::session
