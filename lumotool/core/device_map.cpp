#include "core/device_map.h"

namespace lumo {

QString FormatIdentification(uint32_t number)
{
    return QString::asprintf("%010u", number);
}

QString DecodeIdentification(const uint8_t* bytes)
{
    return FormatIdentification(map::GetU32(bytes));
}

CounterBlock CounterBlock::Decode(const uint8_t* b)
{
    CounterBlock block;
    for (int i = 0; i < 4; ++i) block.bytes[i] = b[i];
    return block;
}

void CounterBlock::increment()
{
    const uint16_t value = counter();
    if (value < map::kCounterMax) setCounter(static_cast<uint16_t>(value + 1));
}

std::array<uint8_t, 2> ErrorTime::encode() const
{
    std::array<uint8_t, 2> out{};
    map::PutU16(out.data(), totalMinutes());
    return out;
}

std::array<uint8_t, 2> EncodeCalibrationPair(uint32_t petrol, uint32_t gas)
{
    return {static_cast<uint8_t>(petrol & 0xFF), static_cast<uint8_t>(gas & 0xFF)};
}

QStringList WeekdayNames()
{
    return {QStringLiteral("Mo"), QStringLiteral("Di"), QStringLiteral("Mi"), QStringLiteral("Do"),
            QStringLiteral("Fr"), QStringLiteral("Sa"), QStringLiteral("So")};
}

ClockValue ClockValue::Decode(const uint8_t* b)
{
    ClockValue c;
    c.weekday = b[0];
    c.hour = b[1];
    c.minute = b[2];
    c.second = b[3];
    c.day = b[4];
    c.month = b[5];
    c.year = 2000 + b[6];
    return c;
}

uint8_t ClockValue::YearByte(int year)
{
    if (year < 2000) return 0;
    return static_cast<uint8_t>((year - 2000) % 256);
}

std::array<uint8_t, 7> ClockValue::encode() const
{
    return {weekday, hour, minute, second, day, month, YearByte(year)};
}

QString FormatErrorValue(uint16_t hundredths)
{
    // Same text as "%2.2f" of hundredths x 0.01, but exact: integer digits.
    return QString::asprintf("%u.%02u", unsigned(hundredths / 100u), unsigned(hundredths % 100u));
}

RefuellingRecord RefuellingRecord::Decode(const uint8_t* b)
{
    RefuellingRecord r;
    r.liquidMl = map::GetU32(b);
    r.gasMl = map::GetU32(b + 4);
    r.inputs = b[8];
    r.outputs = b[9];
    r.second = b[10];
    r.minute = b[11];
    r.hour = b[12];
    r.day = b[13];
    r.month = b[14];
    r.year = b[15];
    return r;
}

std::array<uint8_t, 16> RefuellingRecord::encode() const
{
    std::array<uint8_t, 16> out{};
    map::PutU32(out.data(), liquidMl);
    map::PutU32(out.data() + 4, gasMl);
    out[8] = inputs;
    out[9] = outputs;
    out[10] = second;
    out[11] = minute;
    out[12] = hour;
    out[13] = day;
    out[14] = month;
    out[15] = year;
    return out;
}

}  // namespace lumo
