#include "refuellings/refuelling_chart_model.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace lumo {

namespace {

const QString kMarkAbove = QStringLiteral("▲");
const QString kMarkBelow = QStringLiteral("▼");

QString markOf(BandPosition p)
{
    return p == BandPosition::Above ? kMarkAbove : p == BandPosition::Below ? kMarkBelow : QString();
}

QString sideTitle(Side s)
{
    return s == Side::Left ? RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Linke Zapfsäule"))
                           : RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Rechte Zapfsäule"));
}

}  // namespace

QString RefuellingText(const char* german)
{
    return QCoreApplication::translate("lumo::Refuellings", german);
}

double ChartModel::fraction(double percent) const
{
    if (axisMax <= 0) return 0;
    return std::clamp(percent / axisMax, 0.0, 1.0);
}

const ChartBar* ChartModel::barAt(int slot) const
{
    for (const ChartBar& b : bars)
        if (b.slot == slot) return &b;
    return nullptr;
}

BandPosition PositionInBand(double ratioPercent, std::optional<uint8_t> threshold)
{
    if (!threshold) return BandPosition::Unknown;
    if (ratioPercent > 100.0 + *threshold) return BandPosition::Above;
    if (ratioPercent < 100.0 - *threshold) return BandPosition::Below;
    return BandPosition::Inside;
}

ChartModel BuildChartModel(const SideRefuellings& side)
{
    ChartModel m;
    m.title = sideTitle(side.side);
    if (side.threshold) {
        m.title += RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", " (Fehlerschwelle %1 %)")).arg(*side.threshold);
        m.bandLow = std::max(0.0, 100.0 - *side.threshold);
        m.bandHigh = 100.0 + *side.threshold;
    }
    double highest = m.bandHigh.value_or(100.0);
    int outside = 0;
    for (int i = 0; i < ChartModel::kSlots; ++i) {
        const RefuellingRow& row = side.rows[size_t(i)];
        if (row.empty) continue;
        ChartBar b;
        b.slot = i;
        b.row = row.row;
        b.ratioPercent = *row.ratioPercent;
        b.position = PositionInBand(b.ratioPercent, side.threshold);
        b.ratioText = FormatPercentDe(b.ratioPercent);
        b.mark = markOf(b.position);
        b.volumeText = FormatLitresDe(row.liquidMl);
        b.toolTip = RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Nr. %1: %2, %3"))
                        .arg(row.row)
                        .arg(FormatTimeDe(*row.time), b.ratioText);
        if (b.position == BandPosition::Above || b.position == BandPosition::Below) ++outside;
        highest = std::max(highest, b.ratioPercent);
        m.bars << b;
    }
    // Room above the highest bar and the band, in whole grid steps, at
    // least 120 % and at most the limit.
    m.axisMax = std::clamp(std::ceil((highest + 5.0) / m.gridStep) * m.gridStep, 120.0, kChartAxisLimit);
    for (ChartBar& b : m.bars) b.clipped = b.ratioPercent > m.axisMax;

    if (m.bars.isEmpty())
        m.summary = RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "%1: keine Betankung aufgezeichnet."))
                        .arg(sideTitle(side.side));
    else if (!side.threshold)
        m.summary =
            RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "%1: %2 Betankungen, Fehlerschwelle nicht gelesen."))
                .arg(sideTitle(side.side))
                .arg(m.bars.size());
    else
        m.summary = RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings",
                                                     "%1: %2 Betankungen, davon %3 außerhalb von 100 % ± %4 %."))
                        .arg(sideTitle(side.side))
                        .arg(m.bars.size())
                        .arg(outside)
                        .arg(*side.threshold);
    return m;
}

QStringList RefuellingTableHeader()
{
    QStringList h = {RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Nr.")),
                     RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Datum und Uhrzeit")),
                     RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Flüssigkeit ml")),
                     RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Gas ml")),
                     RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Verhältnis"))};
    for (const char* name : kOutputNames) h << QString::fromLatin1(name);
    return h;
}

QStringList RefuellingTableCells(const RefuellingRow& row, std::optional<uint8_t> threshold)
{
    QStringList cells = {QString::number(row.row)};
    if (row.empty) {
        while (cells.size() < RefuellingTableHeader().size()) cells << QString();
        return cells;
    }
    QString ratio = FormatPercentDe(*row.ratioPercent);
    const QString mark = markOf(PositionInBand(*row.ratioPercent, threshold));
    if (!mark.isEmpty()) ratio += QLatin1Char(' ') + mark;
    cells << FormatTimeDe(*row.time) << FormatMlDe(row.liquidMl) << FormatMlDe(row.gasMl) << ratio;
    for (int q = 1; q <= 4; ++q) cells << (row.output(q) ? QStringLiteral("1") : QStringLiteral("0"));
    return cells;
}

QString RatioSpokenText(const RefuellingRow& row, std::optional<uint8_t> threshold)
{
    if (row.empty) return RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "keine Betankung"));
    const QString ratio = FormatPercentDe(*row.ratioPercent);
    switch (PositionInBand(*row.ratioPercent, threshold)) {
    case BandPosition::Above: return ratio + RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", ", über dem Band"));
    case BandPosition::Below: return ratio + RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", ", unter dem Band"));
    case BandPosition::Inside: return ratio + RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", ", im Band"));
    case BandPosition::Unknown: break;
    }
    return ratio;
}

}  // namespace lumo
