#include "session/service_steps.h"

#include "session/control_panel.h"

namespace lumo::session {

int32_t SetErrorCounter(DeviceLink& link, Side side, uint16_t value, uint16_t* readBack)
{
    const int32_t address = map::CounterAddress(side);
    uint8_t b[map::kCounterLength] = {};
    if (const int32_t s = link.ReadProcessData(address, map::kCounterLength, b)) return s;
    CounterBlock block = CounterBlock::Decode(b);
    block.setCounter(value);
    if (const int32_t s = link.WriteProcessData(address, map::kCounterLength, block.bytes.data())) return s;
    return ReadErrorCounter(link, side, readBack);
}

int32_t WriteWholeClock(DeviceLink& link, const ClockValue& clock, ClockValue* written)
{
    const auto bytes = clock.encode();
    if (const int32_t s = link.WriteClock(map::kClockAddress, map::kClockLength, bytes.data())) return s;
    return ControlPanel(link).ReadClock(written);
}

}  // namespace lumo::session
