// The text of a log file: a fixed-layout table of one dispenser side's
// settings and its fourteen refuelling records, built from the values read
// from the controller. Pure: it takes values and returns Windows-1252 bytes
// with CR LF line ends, so every line and cell can be checked without a
// device.
#pragma once

#include "core/device_map.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace lumo {

// One table row: the record and process byte 21 as read for that row. A row
// is read in three steps (record bytes 0-7, process byte 21, record bytes
// 8-15); a failed step leaves the cells that depend on it blank, and the
// steps behind a failed one are not taken.
struct LogRowValues {
    RefuellingRecord record;
    uint8_t sensors = 0;            // process byte 21
    bool volumesRead = true;        // record bytes 0-7
    bool sensorsRead = true;        // process byte 21
    bool flagsAndTimeRead = true;   // record bytes 8-15
};

// Everything one log file shows. A header value that could not be read is
// nullopt and shows as "?".
struct LogFileValues {
    Side side = Side::Left;
    QString identification;    // "%010u" text, may be empty
    QString stationName;       // "Tankstelle" of the station database
    QString dispenserNumber;   // "L-ZS-Nr" or "R-ZS-Nr"
    std::optional<uint8_t> liquidCalibration;  // Impl/l
    std::optional<uint8_t> gasCalibration;     // Impl/l
    std::optional<uint8_t> triggerThreshold;   // l/Min
    std::optional<uint8_t> errorThreshold;     // percent
    std::optional<uint16_t> errorCounter;
    // rows[k - 1] holds record k of the side: rows[0] lies at the side's
    // record base and is printed as row 14, rows[13] as row 1.
    std::array<LogRowValues, map::kRecordCount> rows{};
};

// The whole file text.
QByteArray BuildLogText(const LogFileValues& values);

// File name of a side's log: identification + "_L.log" or "_R.log".
QString LogFileName(Side side, const QString& identification);

// The parts of the text, for the writer's tests.
namespace logtext {

// Text shown for a header value that could not be read.
inline constexpr char kUnreadValue[] = "?";

// The twelve header lines (the last is the empty line).
QByteArray Header(const LogFileValues& values);
// The six lines of the table head, the last being the row separator.
QByteArray TableHead();
QByteArray RowSeparator();
// One complete row, its line end and the row separator behind it. n is the
// printed row number (14 .. 1).
QByteArray Row(Side side, int n, const LogRowValues& row);

// "%02u.%02u.%02u" of day, month, year, or "00:00:00" when that is not
// eight characters (a byte above 99).
QByteArray DateText(uint8_t day, uint8_t month, uint8_t year);
// "%02u:%02u:%02u" of hour, minute, second, with the same rule.
QByteArray TimeText(uint8_t hour, uint8_t minute, uint8_t second);
// Relative difference of the two volumes in percent, "%.02f".
QByteArray DeviationText(uint32_t liquidMl, uint32_t gasMl);
// The deviation cell with its closing bar: " " + text padded to 8.
QByteArray DeviationCell(const QByteArray& text);
// The error threshold as printed: the number, or "--" above 100 on the left
// side.
QByteArray ErrorThresholdText(Side side, std::optional<uint8_t> threshold);

}  // namespace logtext

}  // namespace lumo
