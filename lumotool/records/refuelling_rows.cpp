#include "records/refuelling_rows.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace lumo {

namespace {

bool erased(const RefuellingRecord& r)
{
    const std::array<uint8_t, 16> bytes = r.encode();
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; });
}

std::optional<QDateTime> timeOf(const RefuellingRecord& r)
{
    // The controller counts years from 2000 in two digits; a byte above 99
    // is no year.
    if (r.year > 99) return std::nullopt;
    const QDate date(2000 + r.year, r.month, r.day);
    const QTime time(r.hour, r.minute, r.second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

QString decimalComma(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
}

}  // namespace

RefuellingRow DecodeRefuellingRow(Side side, int k, const RefuellingRecord& record, bool read)
{
    RefuellingRow row;
    row.side = side;
    row.row = RowOfRecord(k);
    row.read = read;
    if (!read) return row;
    row.liquidMl = record.liquidMl;
    row.gasMl = record.gasMl;
    row.outputs = SideFlags(record.outputs, side);
    if (record.liquidMl != 0)
        row.ratioPercent = std::round(double(record.gasMl) / double(record.liquidMl) * 1000.0) / 10.0;
    row.time = timeOf(record);
    row.empty = record.liquidMl == 0 || erased(record) || !row.time;
    return row;
}

SideRefuellings SideRows(Side side, std::optional<uint8_t> threshold,
                         const std::array<RefuellingRecord, map::kRecordCount>& records,
                         const std::array<bool, map::kRecordCount>& read)
{
    SideRefuellings s;
    s.side = side;
    s.threshold = threshold;
    for (int k = 1; k <= map::kRecordCount; ++k)
        s.rows[size_t(k - 1)] = DecodeRefuellingRow(side, k, records[size_t(k - 1)], read[size_t(k - 1)]);
    return s;
}

QString FormatPercentDe(double percent)
{
    return decimalComma(percent, 1) + QStringLiteral(" %");
}

QString FormatMlDe(uint32_t ml)
{
    QString digits = QString::number(ml);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char('.'));
    return digits;
}

QString FormatLitresDe(uint32_t ml)
{
    return decimalComma(ml / 1000.0, 2) + QStringLiteral(" l");
}

QString FormatTimeDe(const QDateTime& time)
{
    return time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString SideWordDe(Side side)
{
    return side == Side::Left ? QStringLiteral("links") : QStringLiteral("rechts");
}

QString RefuellingCsvHeader()
{
    QStringList cells = {QStringLiteral("Seite"), QStringLiteral("Nr."), QStringLiteral("Datum und Uhrzeit"),
                         QStringLiteral("Flüssigkeit ml"), QStringLiteral("Gas ml"), QStringLiteral("Verhältnis %")};
    for (const char* name : kOutputNames) cells << QString::fromLatin1(name);
    cells << QStringLiteral("leer");
    return cells.join(QLatin1Char(';'));
}

QString RefuellingCsvLine(const RefuellingRow& row)
{
    QStringList cells = {SideWordDe(row.side), QString::number(row.row)};
    if (row.empty) {
        for (int i = 0; i < 4 + 4; ++i) cells << QString();
    } else {
        cells << FormatTimeDe(*row.time) << QString::number(row.liquidMl) << QString::number(row.gasMl)
              << decimalComma(*row.ratioPercent, 1);
        for (int q = 1; q <= 4; ++q) cells << (row.output(q) ? QStringLiteral("1") : QStringLiteral("0"));
    }
    cells << (row.empty ? QStringLiteral("1") : QStringLiteral("0"));
    return cells.join(QLatin1Char(';'));
}

QByteArray RefuellingCsv(const QList<RefuellingRow>& rows)
{
    QString text = RefuellingCsvHeader() + QStringLiteral("\r\n");
    for (const RefuellingRow& row : rows) text += RefuellingCsvLine(row) + QStringLiteral("\r\n");
    return text.toUtf8();
}

}  // namespace lumo
