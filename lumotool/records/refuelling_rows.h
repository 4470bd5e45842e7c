// The fourteen recorded refuellings of a side as rows of values: row number
// as the log file numbers them, volumes, recovery ratio, time and the four
// output flags, with the records that hold no refuelling marked empty. Plus
// the German number and time notation of the window and its CSV text. Pure
// and Qt Core only: the window, its printout and gardoctl share it.
#pragma once

#include "core/device_map.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lumo {

struct RefuellingRow {
    Side side = Side::Left;
    int row = 0;  // 14 (lowest address) .. 1 (highest), as in the log file
    bool read = true;  // both halves of the record arrived
    // No refuelling: liquid volume 0, erased memory (all bytes 0xFF), bytes
    // that are no date and time, or a record that could not be read.
    bool empty = true;
    uint32_t liquidMl = 0;
    uint32_t gasMl = 0;
    // gas / liquid x 100, rounded to one decimal; none when liquid is 0.
    std::optional<double> ratioPercent;
    // Year 2000 + the two digits; none when the bytes are no valid date
    // and time.
    std::optional<QDateTime> time;
    uint8_t outputs = 0;  // the side's Q1..Q4 as bits 0-3

    bool output(int q) const { return (outputs >> (q - 1)) & 1; }  // q = 1..4
};

// Names of the four outputs, Q1 to Q4.
inline constexpr std::array<const char*, 4> kOutputNames = {"GNL", "GEL", "ZPFr", "ZVSp"};

// Log-file row number of record k (1..14, record 1 at the side's base).
constexpr int RowOfRecord(int k) { return map::kRecordCount + 1 - k; }

// The row of record k of the side. read = false gives an empty row that
// still carries its side and number.
RefuellingRow DecodeRefuellingRow(Side side, int k, const RefuellingRecord& record, bool read = true);

// All fourteen records of one side and its error threshold, as read.
struct SideRefuellings {
    Side side = Side::Left;
    std::optional<uint8_t> threshold;  // percent, the controller's byte
    // In log order: rows[0] is row 14 (record 1), rows[13] row 1.
    std::array<RefuellingRow, map::kRecordCount> rows{};
};
// rows in log order from the records of the side (records[k - 1] is
// record k; read[k - 1] whether it arrived).
SideRefuellings SideRows(Side side, std::optional<uint8_t> threshold,
                         const std::array<RefuellingRecord, map::kRecordCount>& records,
                         const std::array<bool, map::kRecordCount>& read);

// ---- German notation -----------------------------------------------------------
// 98.5 -> "98,5 %" (one decimal).
QString FormatPercentDe(double percent);
// 12345 -> "12.345" (thousands with a point).
QString FormatMlDe(uint32_t ml);
// 12345 ml -> "12,35 l" (two decimals).
QString FormatLitresDe(uint32_t ml);
// "24.12.2005 13:45:09".
QString FormatTimeDe(const QDateTime& time);
// "links" / "rechts".
QString SideWordDe(Side side);

// ---- CSV -------------------------------------------------------------------------
// The header line and one line per row, ';'-separated, decimal commas, no
// thousands separator, CR LF line ends, UTF-8 (without a byte order mark;
// a file written for spreadsheets adds one in front). Columns: Seite, Nr.,
// Datum und Uhrzeit, Flüssigkeit ml, Gas ml, Verhältnis %, GNL, GEL, ZPFr,
// ZVSp, leer (1 for a record that holds no refuelling). Empty rows carry
// only side, number and the 1 of "leer".
QString RefuellingCsvHeader();
QString RefuellingCsvLine(const RefuellingRow& row);
QByteArray RefuellingCsv(const QList<RefuellingRow>& rows);

}  // namespace lumo
