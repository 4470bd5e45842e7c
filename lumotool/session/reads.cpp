#include "session/reads.h"

namespace lumo::session {

namespace {

enum class Memory { Program, Process };

// One read of bytes that Value::Decode turns into the value.
template <typename Value>
int32_t readDecoded(DeviceLink& link, Memory memory, int32_t address, int32_t length, Value* out)
{
    uint8_t b[map::kMaxTransfer] = {};
    const int32_t s = memory == Memory::Program ? link.ReadProgram(address, length, b)
                                                : link.ReadProcessData(address, length, b);
    if (s != 0) return s;
    *out = Value::Decode(b);
    return 0;
}

}  // namespace

int32_t ReadIdentification(DeviceLink& link, QString* identification)
{
    uint8_t id[map::kIdentLength] = {};
    if (const int32_t s = link.ReadProgram(map::kIdentAddress, map::kIdentLength, id)) return s;
    *identification = DecodeIdentification(id);
    return 0;
}

int32_t ReadCalibration(DeviceLink& link, Calibration* c)
{
    return readDecoded(link, Memory::Program, map::kCalibrationAddress, map::kCalibrationLength, c);
}

int32_t ReadMeters(DeviceLink& link, Side side, MeterReadings* m)
{
    const int32_t address = side == Side::Left ? map::kMetersLeftAddress : map::kMetersRightAddress;
    return readDecoded(link, Memory::Program, address, map::kMetersLength, m);
}

int32_t ReadTrigger(DeviceLink& link, TriggerValues* t)
{
    return readDecoded(link, Memory::Program, map::kTriggerAddress, map::kTriggerLength, t);
}

int32_t ReadThresholds(DeviceLink& link, Thresholds* t)
{
    return readDecoded(link, Memory::Program, map::kThresholdAddress, map::kThresholdLength, t);
}

int32_t ReadErrorCounter(DeviceLink& link, Side side, uint16_t* counter)
{
    CounterBlock block;
    if (const int32_t s = readDecoded(link, Memory::Process, map::CounterAddress(side), map::kCounterLength, &block))
        return s;
    *counter = block.counter();
    return 0;
}

int32_t ReadErrorTime(DeviceLink& link, Side side, ErrorTime* time)
{
    return readDecoded(link, Memory::Process, map::ErrorTimeAddress(side), map::kErrorTimeLength, time);
}

int32_t ReadSensors(DeviceLink& link, uint8_t* sensors)
{
    return link.ReadProcessData(map::kSensorAddress, map::kSensorLength, sensors);
}

int32_t ReadRecordHalf(DeviceLink& link, Side side, int k, int half, uint8_t* record)
{
    const int32_t offset = half * map::kRecordTransfer;
    return link.ReadProgram(map::RecordAddress(side, k) + offset, map::kRecordTransfer, record + offset);
}

int32_t ReadRefuelling(DeviceLink& link, Side side, int k, RefuellingRecord* record, int* halves)
{
    uint8_t bytes[map::kRecordSize] = {};
    *halves = 0;
    for (int half = 0; half < 2; ++half) {
        if (const int32_t s = ReadRecordHalf(link, side, k, half, bytes)) return s;
        *record = RefuellingRecord::Decode(bytes);
        *halves = half + 1;
    }
    return 0;
}

int32_t ReadCounterReadings(DeviceLink& link, CounterReadings* r)
{
    MeterReadings m;
    if (const int32_t s = ReadMeters(link, Side::Left, &m)) return s;
    r->left = m;
    if (const int32_t s = ReadMeters(link, Side::Right, &m)) return s;
    r->right = m;
    TriggerValues t;
    if (const int32_t s = ReadTrigger(link, &t)) return s;
    r->trigger = t;
    Thresholds th;
    if (const int32_t s = ReadThresholds(link, &th)) return s;
    r->thresholds = th;
    return 0;
}

}  // namespace lumo::session
