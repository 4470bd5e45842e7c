#include "refuellings/refuelling_page.h"

#include "widgets/print_job.h"
#include "refuellings/refuelling_chart.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <memory>

namespace lumo {

namespace {

// A PDF document in memory, as a device of the print job.
class PdfDevice final : public PrintDevice {
public:
    explicit PdfDevice(QByteArray* out) : buffer_(out) {}
    ~PdfDevice() override
    {
        if (painter_.isActive()) painter_.end();
    }

    bool createContext() override
    {
        if (!buffer_.open(QIODevice::WriteOnly)) return false;
        writer_ = std::make_unique<QPdfWriter>(&buffer_);
        writer_->setResolution(kDpi);
        writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                           QPageLayout::Millimeter));
        writer_->setCreator(QStringLiteral("lumotool"));
        return true;
    }
    QSize pagePixels() const override
    {
        return writer_ ? QSize(writer_->width(), writer_->height()) : QSize();
    }
    bool startDocument(const QString& documentName) override
    {
        writer_->setTitle(documentName);
        return painter_.begin(writer_.get());
    }
    QPainter* startPage() override { return painter_.isActive() ? &painter_ : nullptr; }
    void endPage() override {}
    void endDocument() override
    {
        if (painter_.isActive()) painter_.end();
        buffer_.close();
    }

private:
    static constexpr int kDpi = 300;
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
};

// A font of the given point size on the painter's device.
QFont pageFont(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

void drawTable(QPainter& p, const QRectF& area, const SideRefuellings& side)
{
    const QStringList head = RefuellingTableHeader();
    // Column widths in parts of the table width.
    const double parts[] = {0.6, 2.3, 1.4, 1.4, 1.4, 0.7, 0.7, 0.7, 0.7};
    double total = 0;
    for (double w : parts) total += w;
    const int lines = 1 + map::kRecordCount;
    const double h = area.height() / lines;
    const auto drawRow = [&](int line, const QStringList& cells) {
        double x = area.left();
        for (int c = 0; c < cells.size(); ++c) {
            const double w = area.width() * parts[c] / total;
            const QRectF cell(x, area.top() + line * h, w, h);
            p.drawText(cell.adjusted(h * 0.15, 0, -h * 0.15, 0),
                       (c == 1 ? Qt::AlignLeft : c >= 5 ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter,
                       cells[c]);
            x += w;
        }
    };
    p.save();
    p.setFont(pageFont(7.5, true));
    drawRow(0, head);
    p.setFont(pageFont(7.5));
    for (int i = 0; i < map::kRecordCount; ++i) drawRow(1 + i, RefuellingTableCells(side.rows[size_t(i)], side.threshold));
    p.setPen(QPen(Qt::gray, 0));
    for (int line = 1; line <= lines; ++line)
        p.drawLine(QPointF(area.left(), area.top() + line * h), QPointF(area.right(), area.top() + line * h));
    p.restore();
}

}  // namespace

QStringList RefuellingPageHeader(const RefuellingReport& report)
{
    // In the language in use, as the window it is a page of.
    return {RefuellingText(kRefuellingsTitle),
            RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Tankstelle: %1")).arg(report.stationName),
            RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Geräte-Id: %1")).arg(report.identification),
            RefuellingText(QT_TRANSLATE_NOOP("lumo::Refuellings", "Gelesen am: %1"))
                .arg(report.readAt.isValid() ? FormatTimeDe(report.readAt) : QString())};
}

void DrawRefuellingPage(QPainter& p, const QSize& page, const RefuellingReport& report)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), QSizeF(page));
    const QStringList header = RefuellingPageHeader(report);
    p.setFont(pageFont(13, true));
    const double titleLine = QFontMetricsF(p.font(), p.device()).height();
    p.drawText(QRectF(all.left(), all.top(), all.width(), titleLine), Qt::AlignLeft | Qt::AlignVCenter, header[0]);
    p.setFont(pageFont(9));
    const double line = QFontMetricsF(p.font(), p.device()).height();
    double y = titleLine * 1.3;
    for (int i = 1; i < header.size(); ++i, y += line)
        p.drawText(QRectF(all.left(), y, all.width(), line), Qt::AlignLeft | Qt::AlignVCenter, header[i]);
    y += line * 0.5;

    // The rest in two halves, one per side: chart above, table below.
    const double half = (all.bottom() - y) / 2;
    for (const Side side : {Side::Left, Side::Right}) {
        const SideRefuellings& rows = report.reading.of(side);
        const QRectF chart(all.left(), y, all.width(), half * 0.5);
        DrawRefuellingChart(p, chart, BuildChartModel(rows), pageFont(8));
        drawTable(p, QRectF(all.left(), y + half * 0.52, all.width(), half * 0.44), rows);
        y += half;
    }
    p.restore();
}

QByteArray RefuellingPdf(const RefuellingReport& report, const QString& documentName)
{
    QByteArray bytes;
    bool drawn = false;
    {
        PdfDevice device(&bytes);
        if (device.createContext())
            drawn = PrintOnDevice(device, documentName, [&report](QPainter& painter, const QSize& page) {
                DrawRefuellingPage(painter, page, report);
            });
    }
    return drawn ? bytes : QByteArray();
}

}  // namespace lumo
