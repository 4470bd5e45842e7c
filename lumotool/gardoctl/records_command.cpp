#include "gardoctl/records_command.h"

#include "gardoctl/commands.h"

#include "session/refuelling_reads.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace gardoctl {

using lumo::RefuellingRow;
using lumo::Side;

QJsonObject RefuellingJson(const RefuellingRow& row)
{
    QJsonObject outputs;
    for (int q = 1; q <= 4; ++q) outputs[QString::fromLatin1(lumo::kOutputNames[size_t(q - 1)])] = row.output(q);
    return {
        {QStringLiteral("side"), SideKey(row.side)},
        {QStringLiteral("row"), row.row},
        {QStringLiteral("liquidMl"), double(row.liquidMl)},
        {QStringLiteral("gasMl"), double(row.gasMl)},
        {QStringLiteral("ratioPercent"), row.ratioPercent ? QJsonValue(*row.ratioPercent) : QJsonValue()},
        {QStringLiteral("time"),
         row.time ? QJsonValue(row.time->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QJsonValue()},
        {QStringLiteral("outputs"), outputs},
        {QStringLiteral("empty"), row.empty},
    };
}

int32_t RunRecords(lumo::DeviceLink& link, bool left, bool right, QJsonObject& out, QStringList* csv)
{
    lumo::session::RefuellingsReading reading;
    const int32_t s = lumo::session::ReadRefuellings(link, &reading, left, right);
    if (s != 0) return s;
    QJsonArray records;
    for (const Side side : {Side::Left, Side::Right}) {
        if (!(side == Side::Left ? left : right)) continue;
        for (const RefuellingRow& row : reading.of(side).rows) {
            records.append(RefuellingJson(row));
            *csv << lumo::RefuellingCsvLine(row);
        }
    }
    out[QStringLiteral("records")] = records;
    out[QStringLiteral("errorThresholdPercent")] =
        QJsonObject{{QStringLiteral("left"), int(*reading.left.threshold)},
                    {QStringLiteral("right"), int(*reading.right.threshold)}};
    return 0;
}

QString CsvHeader(bool records)
{
    return records ? lumo::RefuellingCsvHeader() : QStringLiteral("Schlüssel;Wert");
}

QString CsvCell(QString text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QStringList CsvFromPlainLines(const QStringList& plainLines)
{
    static const QRegularExpression decimal(QStringLiteral("^-?\\d+\\.\\d+$"));
    QStringList lines;
    for (const QString& line : plainLines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        QString value = line.mid(eq + 1);
        if (decimal.match(value).hasMatch()) value.replace(QLatin1Char('.'), QLatin1Char(','));
        lines << line.left(eq) + QLatin1Char(';') + CsvCell(value);
    }
    return lines;
}

}  // namespace gardoctl
