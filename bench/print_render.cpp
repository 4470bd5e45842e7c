// Figures of the counter readings printout, printed, never asserted:
//  - capturing the dialog window (CaptureWindowImage);
//  - rendering the page, A4 at 600 dpi: into a PDF file (what the CUPS
//    print path hands to the print service) and into a raster page image
//    (what a raster driver would get), each from QPainter::begin to end;
//  - for comparison, the raster page drawn pixel block by pixel block
//    (one fillRect per window pixel) instead of one scaled image.
// Runs offscreen unless QT_QPA_PLATFORM is set; median of several runs.
#include "counters/counter_dialog.h"
#include "widgets/window_copy.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 9;
constexpr int kDpi = 600;

struct Stats {
    double median, min, max;
};

Stats measure(const std::function<void()>& run)
{
    std::vector<double> ms;
    run();  // warm-up
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void report(const char* what, const Stats& s)
{
    std::printf("%-44s median %8.2f ms   (min %.2f, max %.2f, %d runs)\n", what, s.median, s.min, s.max, kRuns);
}

void pdfPage(const QImage& window, const QString& path, qint64* bytes)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setResolution(kDpi);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(lumo::CounterDialog::kDocumentName);
    QPainter p(&printer);
    lumo::DrawWindowCopy(p, printer.width(), window);
    p.end();
    if (bytes) *bytes = QFileInfo(path).size();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);

    lumo::CounterDialog dialog;  // not opened: no controller needed
    dialog.show();
    app.processEvents();
    QImage window;
    report("capture the dialog window", measure([&] { window = lumo::CaptureWindowImage(&dialog); }));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    QPrinter probe(QPrinter::HighResolution);
    probe.setOutputFormat(QPrinter::PdfFormat);
    probe.setResolution(kDpi);
    probe.setPageSize(QPageSize(QPageSize::A4));
    const int pageWidth = probe.width();
    const lumo::WindowCopyGeometry g = lumo::ComputeWindowCopyGeometry(pageWidth, window.width());
    std::printf("page A4 at %d dpi: %d x %d device pixels; window %d x %d; margin %d, scale %d -> %d x %d\n",
                kDpi, pageWidth, probe.height(), window.width(), window.height(), g.margin, g.scale,
                window.width() * g.scale, window.height() * g.scale);

    qint64 bytes = 0;
    report("render the page into a PDF file", measure([&] { pdfPage(window, pdf, &bytes); }));
    std::printf("    PDF size %lld bytes\n", static_cast<long long>(bytes));

    // The full A4 sheet at 600 dpi as an image (the printable area would
    // be slightly smaller).
    const QSize sheet = QPageSize(QPageSize::A4).sizePixels(kDpi);
    QImage raster(sheet, QImage::Format_RGB32);
    report("render the page into a raster image", measure([&] {
               raster.fill(Qt::white);
               QPainter p(&raster);
               lumo::DrawWindowCopy(p, pageWidth, window);
           }));
    report("  of which filling the white sheet", measure([&] { raster.fill(Qt::white); }));
    report("  same, one fillRect per window pixel", measure([&] {
               raster.fill(Qt::white);
               QPainter p(&raster);
               for (int y = 0; y < window.height(); ++y)
                   for (int x = 0; x < window.width(); ++x)
                       p.fillRect(g.margin + x * g.scale, g.margin + y * g.scale, g.scale, g.scale,
                                  QColor::fromRgb(window.pixel(x, y)));
           }));
    std::printf("raster sheet %d x %d (%.0f MB)\n", sheet.width(), sheet.height(),
                raster.sizeInBytes() / (1024.0 * 1024.0));
    std::printf("goal: page rendered in < 100 ms\n");
    return EXIT_SUCCESS;
}
