// The refuellings chart of one side: a small widget that draws a
// ChartModel with QPainter, and the drawing itself, which the printed page
// uses too. Bars outside the band carry a hatch pattern and their sign
// (▲ above, ▼ below) besides their colour, so that they stand out in black
// and white and for colour-blind readers.
#pragma once

#include "refuellings/refuelling_chart_model.h"

#include <QRectF>
#include <QWidget>

class QPainter;

namespace lumo {

// Where the bars go inside area: the area less the room for the title, the
// axis labels and the texts under the bars, in the font's sizes on the
// device.
QRectF ChartPlotRect(const QRectF& area, const QFont& font, QPaintDevice* device);

// Draws the chart into area with the font (whose point size sets the text
// size on any device).
void DrawRefuellingChart(QPainter& painter, const QRectF& area, const ChartModel& model, const QFont& font);

class RefuellingChart : public QWidget {
    Q_OBJECT
public:
    explicit RefuellingChart(QWidget* parent = nullptr);

    void setModel(const ChartModel& model);
    const ChartModel& model() const { return model_; }
    // The bar under a point of the widget, or nullptr.
    const ChartBar* barAt(const QPointF& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF chartArea() const;

    ChartModel model_;
};

}  // namespace lumo
