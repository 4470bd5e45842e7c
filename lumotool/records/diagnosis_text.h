// The texts the diagnosis dialog shows for one refuelling record: volumes,
// fault rate, time, date and the plain-language diagnosis of the side's
// inputs and outputs. Pure functions: values in, text out.
#pragma once

#include "core/device_map.h"
#include "records/pump_record.h"

#include <QString>

#include <array>
#include <cstdint>

namespace lumo {

// Millilitres as litres with two decimals, the last millilitre digit cut
// off: 12345 -> "12.34", 9 -> "0.00".
QString FormatRecordVolume(uint32_t millilitres);

// (liquid - gas) / liquid x 100 with two decimals, negative when more gas
// than liquid was recorded; empty when the liquid volume is 0.
QString FormatFaultRate(uint32_t liquidMl, uint32_t gasMl);

// "HH:MM:SS" from the record's hour, minute and second.
QString FormatRecordTime(const RefuellingRecord& record);
// "DD.MM.20YY" from the record's day, month and year byte.
QString FormatRecordDate(const RefuellingRecord& record);

// Label of diagnosis entry k (0 = I1 .. 15 = Q8): "I1: " .. "Q8: ".
QString DiagnosisLabel(int entry);

// One line per input, then output, of the side whose recorded state equals
// the level of its entry: label, the entry's text and "\r\n". The left side
// tests I1..I4 and Q1..Q4, the right side I5..I8 and Q5..Q8. An entry that
// no diagnosis row has set (level PumpRecord::kNoLevel) never matches.
QString BuildDiagnosisText(const RefuellingRecord& record, Side side,
                           const std::array<PumpRecord::Entry, PumpRecord::kEntryCount>& entries);

// Which lamps are red for the side: the sensor bit is set.
struct LampState {
    bool gasRed = false;
    bool petrolRed = false;
};
LampState LampsFor(uint8_t sensorByte, Side side);

}  // namespace lumo
