#include "records/diagnosis_text.h"

namespace lumo {

QString FormatRecordVolume(uint32_t millilitres)
{
    // Whole hundredths of a litre first, then the scaling, so that the
    // cut-off digit never rounds the shown value up.
    const uint32_t centilitres = millilitres / 10u;
    return QString::asprintf("%.2f", double(centilitres) * 0.01);
}

QString FormatFaultRate(uint32_t liquidMl, uint32_t gasMl)
{
    if (liquidMl == 0) return {};
    // In floating point: the difference of the unsigned volumes may be
    // negative.
    const double liquid = liquidMl;
    const double rate = (liquid - double(gasMl)) / liquid * 100.0;
    return QString::asprintf("%.02f", rate);
}

QString FormatRecordTime(const RefuellingRecord& record)
{
    return QString::asprintf("%02u:%02u:%02u", unsigned(record.hour), unsigned(record.minute),
                             unsigned(record.second));
}

QString FormatRecordDate(const RefuellingRecord& record)
{
    return QString::asprintf("%02u.%02u.20%02u", unsigned(record.day), unsigned(record.month),
                             unsigned(record.year));
}

QString DiagnosisLabel(int entry)
{
    const QChar kind = entry < 8 ? QLatin1Char('I') : QLatin1Char('Q');
    return QStringLiteral("%1%2: ").arg(kind).arg(entry % 8 + 1);
}

QString BuildDiagnosisText(const RefuellingRecord& record, Side side,
                           const std::array<PumpRecord::Entry, PumpRecord::kEntryCount>& entries)
{
    // The left side owns bits 0-3 (I1..I4, Q1..Q4), the right side bits 4-7.
    const int firstBit = side == Side::Left ? 0 : 4;
    QString text;
    auto testFlags = [&](uint8_t flags, int entryBase) {
        for (int bit = firstBit; bit < firstBit + 4; ++bit) {
            const int state = (flags >> bit) & 1;
            const PumpRecord::Entry& e = entries[std::size_t(entryBase + bit)];
            if (state != e.level) continue;
            text += DiagnosisLabel(entryBase + bit);
            text += e.text;
            text += QStringLiteral("\r\n");
        }
    };
    testFlags(record.inputs, 0);   // I1..I8 are entries 0..7
    testFlags(record.outputs, 8);  // Q1..Q8 are entries 8..15
    return text;
}

LampState LampsFor(uint8_t sensorByte, Side side)
{
    const SensorFlags flags{sensorByte};
    return {flags.gas(side), flags.petrol(side)};
}

}  // namespace lumo
