#include "records/log_text.h"

#include "core/cp1252.h"

#include <algorithm>
#include <cstdio>

namespace lumo {

namespace logtext {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

// Windows-1252 bytes of a literal written in this (UTF-8) source file.
QByteArray Text(const char* utf8) { return ToCp1252(QString::fromUtf8(utf8)); }

// Appends blanks until text is at least width bytes long; never cuts.
QByteArray PadRight(QByteArray text, qsizetype width) {
    if (text.size() < width) text.append(QByteArray(width - text.size(), ' '));
    return text;
}

QByteArray Number(std::optional<unsigned> value) {
    return value ? QByteArray::number(*value) : QByteArray(kUnreadValue);
}

template <typename T>
std::optional<unsigned> Widen(std::optional<T> value) {
    if (!value) return std::nullopt;
    return unsigned(*value);
}

QByteArray Printf(const char* format, unsigned a, unsigned b, unsigned c) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return QByteArray(buffer, length < 0 ? 0 : std::min<int>(length, sizeof buffer - 1));
}

// Eight characters or the placeholder: a three-digit byte makes the text
// longer than its cell.
QByteArray EightOrPlaceholder(QByteArray text) {
    return text.size() == 8 ? text : QByteArrayLiteral("00:00:00");
}

QByteArray FlagCell(bool set) { return set ? QByteArrayLiteral("  1 |") : QByteArrayLiteral("  0 |"); }

QByteArray VolumeText(uint32_t ml) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%010u", unsigned(ml));
    return QByteArray(buffer);
}

// Blank cells of a row from a given column on, each as wide as in the
// table head, ending the line.
const QByteArray kBlankFromLiquid =
    QByteArrayLiteral("           |          |    |    |    |    |    |    |        |        |        |\r\n");
const QByteArray kBlankFromSensors =
    QByteArrayLiteral("    |    |    |    |    |    |        |        |        |\r\n");
const QByteArray kBlankFromOutputs =
    QByteArrayLiteral("    |    |    |    |        |        |        |\r\n");

}  // namespace

QByteArray DateText(uint8_t day, uint8_t month, uint8_t year) {
    return EightOrPlaceholder(Printf("%02u.%02u.%02u", day, month, year));
}

QByteArray TimeText(uint8_t hour, uint8_t minute, uint8_t second) {
    return EightOrPlaceholder(Printf("%02u:%02u:%02u", hour, minute, second));
}

QByteArray DeviationText(uint32_t liquidMl, uint32_t gasMl) {
    const double liquid = liquidMl;
    const double gas = gasMl;
    const double larger = liquid > gas ? liquid : gas;
    const double smaller = liquid > gas ? gas : liquid;
    const double deviation = larger > 0 ? (larger - smaller) / larger * 100.0 : 0.0;
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, "%.02f", deviation);
    return QByteArray(buffer, length < 0 ? 0 : std::min<int>(length, sizeof buffer - 1));
}

QByteArray DeviationCell(const QByteArray& text) {
    if (text.size() < 1 || text.size() > 6) return QByteArrayLiteral("        |");
    return PadRight(' ' + text, 8) + '|';
}

QByteArray ErrorThresholdText(Side side, std::optional<uint8_t> threshold) {
    if (side == Side::Left && threshold && *threshold > 100) return QByteArrayLiteral("--");
    return Number(Widen(threshold));
}

QByteArray Header(const LogFileValues& v) {
    const QByteArray equalsLine = QByteArrayLiteral(
        "=========================================+================================+\r\n");
    const QByteArray dashLine = QByteArrayLiteral(
        "-----------------------------------------+--------------------------------+\r\n");

    // With tab stops every 8 columns the bar behind the station field stands
    // in the same column as the one behind the ID field.
    const QByteArray idField = PadRight(Text(" Geräte-Id: ") + ToCp1252(v.identification), 41);
    const QByteArray stationField = PadRight(Text(" Tankstelle:\t") + ToCp1252(v.stationName), 38);


    QByteArray out;
    out += equalsLine;
    out += idField + Text("| Fehlerzählerinhalt: ") + Number(Widen(v.errorCounter)) +
           "          |" + kCrLf;
    out += dashLine;
    out += stationField + Text("| Zapfsäulennr.:\t") + ToCp1252(v.dispenserNumber) + "         |" +
           kCrLf;
    out += dashLine;
    out += " Geberanpassung:                                                          |" + kCrLf;
    out += "                                                                          |" + kCrLf;
    out += Text(" Flüssigkeitszähler:\t") + Number(Widen(v.liquidCalibration)) + Text(" Impl/l\t | Gaszähler:\t") +
           Number(Widen(v.gasCalibration)) + " Impl/l\t  |" + kCrLf;
    out += dashLine;
    out += " Triggerschwelle:\t" + Number(Widen(v.triggerThreshold)) +
           " l/Min\t | Fehlerschwelle:\t" + ErrorThresholdText(v.side, v.errorThreshold) +
           "%\t  |" + kCrLf;
    out += equalsLine;
    out += kCrLf;
    return out;
}

QByteArray RowSeparator() {
    return QByteArrayLiteral(
        "+---------+-----------+----------+----+----+----+----+----+----+--------+--------+--------+\r\n");
}

QByteArray TableHead() {
    const QByteArray outer = QByteArrayLiteral(
        "+---------+----------------------+---------+-------------------+--------+--------+--------+\r\n");
    QByteArray out;
    out += outer;
    out += "| Tankung |   Istwert [ml]       | Sorten  | Ausgang Q         | Datum  | Zeit   | Fehler |" +
           kCrLf;
    out += outer;
    out += Text("|   Nr.   |Flüssigkeit|  Gas     | DK | VK |  1 |  2 |  3 |  4 | T.M.J. | H:M:S  |   %    |") +
           kCrLf;
    out += "|         |           |          |    |    |GNL |GEL |ZPFr|ZVSp|        |        |        |" + kCrLf;
    out += RowSeparator();
    return out;
}

QByteArray Row(Side side, int n, const LogRowValues& row) {
    char number[16];
    std::snprintf(number, sizeof number, "%4d", n);
    QByteArray out = "|   " + QByteArray(number) + "  |";

    const RefuellingRecord& r = row.record;
    if (!row.volumesRead) {
        out += kBlankFromLiquid;
    } else {
        out += VolumeText(r.liquidMl) + " |" + VolumeText(r.gasMl) + "|";
        if (!row.sensorsRead) {
            out += kBlankFromSensors;
        } else {
            const SensorFlags sensors{row.sensors};
            out += FlagCell(sensors.petrol(side));  // DK
            out += FlagCell(sensors.gas(side));     // VK
            if (!row.flagsAndTimeRead) {
                out += kBlankFromOutputs;
            } else {
                const uint8_t outputs = SideFlags(r.outputs, side);
                for (int bit = 0; bit < 4; ++bit) out += FlagCell((outputs >> bit) & 1);
                out += DateText(r.day, r.month, r.year) + "|";
                out += TimeText(r.hour, r.minute, r.second) + "|";
                out += DeviationCell(DeviationText(r.liquidMl, r.gasMl)) + kCrLf;
            }
        }
    }
    out += RowSeparator();
    return out;
}

}  // namespace logtext

QByteArray BuildLogText(const LogFileValues& values) {
    QByteArray out = logtext::Header(values) + logtext::TableHead();
    for (int index = 0; index < map::kRecordCount; ++index)
        out += logtext::Row(values.side, map::kRecordCount - index, values.rows[size_t(index)]);
    return out;
}

QString LogFileName(Side side, const QString& identification) {
    return identification + (side == Side::Left ? QStringLiteral("_L.log") : QStringLiteral("_R.log"));
}

}  // namespace lumo
