#include "refuellings/refuelling_chart.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <cmath>

namespace lumo {

namespace {

const QColor kInsideColour(70, 110, 170);
const QColor kAboveColour(190, 40, 40);
const QColor kBelowColour(215, 140, 0);
const QColor kBandColour(205, 235, 205);

QColor colourOf(BandPosition p)
{
    switch (p) {
    case BandPosition::Above: return kAboveColour;
    case BandPosition::Below: return kBelowColour;
    default: return kInsideColour;
    }
}

// Hatching that tells above from below without colour.
Qt::BrushStyle patternOf(BandPosition p)
{
    switch (p) {
    case BandPosition::Above: return Qt::BDiagPattern;
    case BandPosition::Below: return Qt::CrossPattern;
    default: return Qt::SolidPattern;
    }
}

struct Metrics {
    double line;        // one text line
    double axisLabels;  // width of "200 %"
    double volume;      // width of the longest volume text, drawn upright
};

// Text sizes on the device drawn on (a printer has many more pixels per
// point than the screen).
Metrics metricsOf(const QFont& font, QPaintDevice* device)
{
    const QFontMetricsF fm(font, device);
    return {fm.height(), fm.horizontalAdvance(QStringLiteral("200 %")) + fm.averageCharWidth(),
            fm.horizontalAdvance(QStringLiteral("4294967,30 l"))};
}

}  // namespace

QRectF ChartPlotRect(const QRectF& area, const QFont& font, QPaintDevice* device)
{
    const Metrics m = metricsOf(font, device);
    // Title and a line for the signs above; the row numbers and the
    // volumes (turned upright) below.
    return area.adjusted(m.axisLabels, 2.2 * m.line, -m.line * 0.5, -(m.line * 1.4 + m.volume * 0.55 + m.line));
}

void DrawRefuellingChart(QPainter& p, const QRectF& area, const ChartModel& model, const QFont& font)
{
    p.save();
    p.setFont(font);
    const Metrics mt = metricsOf(font, p.device());
    const QRectF plot = ChartPlotRect(area, font, p.device());
    const double slotWidth = plot.width() / ChartModel::kSlots;
    const auto yOf = [&](double percent) { return plot.bottom() - model.fraction(percent) * plot.height(); };
    const double thin = std::max(1.0, mt.line / 14.0);

    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), mt.line), Qt::AlignLeft | Qt::AlignVCenter,
               model.title);

    // The band behind everything, its borders dashed, 100 % solid.
    if (model.bandLow && model.bandHigh) {
        const QRectF band(QPointF(plot.left(), yOf(*model.bandHigh)), QPointF(plot.right(), yOf(*model.bandLow)));
        p.fillRect(band, kBandColour);
        p.setPen(QPen(Qt::darkGreen, thin, Qt::DashLine));
        p.drawLine(QPointF(plot.left(), band.top()), QPointF(plot.right(), band.top()));
        p.drawLine(QPointF(plot.left(), band.bottom()), QPointF(plot.right(), band.bottom()));
    }
    // Grid and axis labels.
    for (double v = 0; v <= model.axisMax + 0.01; v += model.gridStep) {
        const double y = yOf(v);
        p.setPen(QPen(QColor(200, 200, 200), thin * 0.5));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), y - mt.line / 2, mt.axisLabels - mt.line * 0.3, mt.line),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(int(v)));
    }
    p.setPen(QPen(Qt::black, thin));
    p.drawLine(QPointF(plot.left(), yOf(100)), QPointF(plot.right(), yOf(100)));

    for (const ChartBar& b : model.bars) {
        const double x = plot.left() + b.slot * slotWidth;
        const QRectF bar(QPointF(x + slotWidth * 0.18, yOf(b.ratioPercent)), QPointF(x + slotWidth * 0.82, plot.bottom()));
        const QColor c = colourOf(b.position);
        if (b.position == BandPosition::Above || b.position == BandPosition::Below) {
            // A light fill under a dark hatch: the pattern shows on paper.
            p.fillRect(bar, c.lighter(170));
            QBrush hatch(c.darker(130), patternOf(b.position));
            // Hatch lines scale with the device (a printer has many pixels).
            hatch.setTransform(QTransform::fromScale(thin * 1.2, thin * 1.2));
            p.fillRect(bar, hatch);
        } else {
            p.fillRect(bar, c);
        }
        p.setPen(QPen(c.darker(150), thin));
        p.drawRect(bar);
        if (b.clipped) {
            // A white break across the top: the bar goes on beyond the axis.
            const double y = bar.top() + mt.line * 0.4;
            p.setPen(QPen(Qt::white, thin * 3));
            p.drawLine(QPointF(bar.left(), y + mt.line * 0.15), QPointF(bar.right(), y - mt.line * 0.15));
        }
        p.setPen(Qt::black);
        if (!b.mark.isEmpty())
            p.drawText(QRectF(x, bar.top() - mt.line, slotWidth, mt.line), Qt::AlignCenter, b.mark);
    }
    // Under every slot its row number, and under a bar its liquid volume.
    p.setPen(QPen(Qt::black, thin));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    for (int slot = 0; slot < ChartModel::kSlots; ++slot) {
        const double x = plot.left() + slot * slotWidth;
        p.drawText(QRectF(x, plot.bottom() + mt.line * 0.2, slotWidth, mt.line), Qt::AlignCenter,
                   QString::number(ChartModel::kSlots - slot));
        if (const ChartBar* b = model.barAt(slot)) {
            p.save();
            QFont small = font;
            small.setPointSizeF(font.pointSizeF() * 0.8);
            p.setFont(small);
            p.translate(x + slotWidth / 2, plot.bottom() + mt.line * 1.4);
            p.rotate(-90);
            p.drawText(QRectF(-mt.volume, -mt.line / 2, mt.volume, mt.line), Qt::AlignRight | Qt::AlignVCenter,
                       b->volumeText);
            p.restore();
        }
    }
    p.restore();
}

RefuellingChart::RefuellingChart(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
}

void RefuellingChart::setModel(const ChartModel& model)
{
    model_ = model;
    setAccessibleDescription(model.summary);
    update();
}

const ChartBar* RefuellingChart::barAt(const QPointF& point) const
{
    const QRectF plot = ChartPlotRect(chartArea(), font(), const_cast<RefuellingChart*>(this));
    if (point.x() < plot.left() || point.x() >= plot.right() || point.y() > plot.bottom() ||
        point.y() < plot.top() - fontMetrics().height())
        return nullptr;
    const int slot = int((point.x() - plot.left()) / (plot.width() / ChartModel::kSlots));
    return model_.barAt(slot);
}

QRectF RefuellingChart::chartArea() const
{
    return QRectF(rect()).adjusted(4, 4, -4, -4);
}

QSize RefuellingChart::sizeHint() const
{
    return {520, 260};
}

QSize RefuellingChart::minimumSizeHint() const
{
    return {360, 200};
}

bool RefuellingChart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const ChartBar* b = barAt(help->pos()))
            QToolTip::showText(help->globalPos(), b->toolTip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void RefuellingChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    DrawRefuellingChart(p, chartArea(), model_, font());
}

}  // namespace lumo
