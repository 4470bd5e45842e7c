// What the refuellings chart of one side shows, as numbers and texts: one
// bar per refuelling (empty records left out) at its row's place, the
// allowed band 100 % +- the side's error threshold, the bars outside it
// with their sign, the axis and the texts under and over each bar. The
// drawing (refuelling_chart.h) only maps these to pixels, so the chart is
// checked without looking at any.
#pragma once

#include "records/refuelling_rows.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumo {

// Where a ratio lies against the band; a ratio on a border is inside.
enum class BandPosition { Inside, Above, Below, Unknown /* no threshold read */ };

struct ChartBar {
    int slot = 0;  // 0 (left, row 14) .. 13 (right, row 1)
    int row = 0;
    double ratioPercent = 0;
    BandPosition position = BandPosition::Unknown;
    bool clipped = false;   // taller than the axis: drawn to its top with a break
    QString ratioText;      // "98,5 %"
    QString mark;           // "▲" above, "▼" below the band, else empty
    QString volumeText;     // liquid volume under the bar, "12,35 l"
    QString toolTip;        // "Nr. 14: 24.12.2005 13:45:09, 98,5 %"
};

struct ChartModel {
    static constexpr int kSlots = 14;
    QString title;  // "Linke Zapfsäule (Fehlerschwelle 15 %)"
    std::optional<double> bandLow;   // percent, not below 0
    std::optional<double> bandHigh;  // percent
    double axisMax = 120;            // top of the value axis, percent
    double gridStep = 20;            // a grid line every so many percent
    QList<ChartBar> bars;
    QString summary;  // one sentence for screen readers and the page

    // 0 at the bottom of the axis, 1 at its top; above is cut to 1.
    double fraction(double percent) const;
    // The bar at a slot, or nullptr for an empty one.
    const ChartBar* barAt(int slot) const;
};

// Highest axis top: a ratio far above it (a meter fault) is clipped, so
// that the other bars keep their height.
inline constexpr double kChartAxisLimit = 200;

BandPosition PositionInBand(double ratioPercent, std::optional<uint8_t> threshold);
ChartModel BuildChartModel(const SideRefuellings& side);

// The cells of a table row: Nr., Datum und Uhrzeit, Flüssigkeit ml, Gas ml,
// Verhältnis (with the band sign), GNL, GEL, ZPFr, ZVSp. An empty record
// gives its number and blank cells.
QStringList RefuellingTableHeader();
QStringList RefuellingTableCells(const RefuellingRow& row, std::optional<uint8_t> threshold);
// The ratio cell as a screen reader says it: "118,2 %, über dem Band".
QString RatioSpokenText(const RefuellingRow& row, std::optional<uint8_t> threshold);

// A text of the chart, the table or the page, marked with
// QT_TRANSLATE_NOOP("lumo::Refuellings", ...), in the language in use.
QString RefuellingText(const char* german);

}  // namespace lumo
