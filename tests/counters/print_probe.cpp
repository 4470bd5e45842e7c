// Helper program of the print test driver (scripts/cups-print-test.sh):
// prints the counter dialog on the system's printers and checks the
// printed page against the window.
//
//   print_probe print OUTDIR    opens the dialog against a simulated
//                               controller, saves the window as
//                               OUTDIR/window.png, prints it on the first
//                               printer and writes OUTDIR/info.txt
//   print_probe noprinter       prints with no printer installed; checks
//                               that "Kein Drucker gefunden!" is shown once
//                               with the stop icon
//   print_probe compare OUTDIR PAGE.png X Y
//                               checks margin, scale and pixels of the
//                               rendered page (a crop whose top left is
//                               page pixel X,Y) against window.png
// Exit code 0 when all checks hold, 1 otherwise (the reason on stderr).
#include "core/device_link.h"
#include "core/device_map.h"
#include "counters/counter_dialog.h"
#include "widgets/window_copy.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>
#include <QTest>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace lumo;

int fail(const QString& why)
{
    std::fprintf(stderr, "print_probe: %s\n", qPrintable(why));
    return 1;
}

QString iconName(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Stop: return QStringLiteral("stop");
    case MsgIcon::Warning: return QStringLiteral("exclamation");
    case MsgIcon::Information: return QStringLiteral("information");
    case MsgIcon::Question: return QStringLiteral("question");
    case MsgIcon::None: break;
    }
    return QStringLiteral("none");
}

// A controller with known readings on COM1.
struct Controller {
    test::SimLink link;
    bool start()
    {
        // The normal byte wait: the dialog's refresh keeps reading while the
        // window is captured and printed, and a late answer on a loaded
        // machine must not show a time-out.
        if (!link.start(1)) {
            std::fprintf(stderr, "print_probe: simulator could not be set up on COM1\n");
            return false;
        }
        gardosim::Simulator& sim = link.sim();
        uint8_t meters[8];
        map::PutU32(meters, 123456789);
        map::PutU32(meters + 4, 98765432);
        sim.poke(gardosim::Area::Program, map::kMetersLeftAddress, meters);
        map::PutU32(meters, 5550001);
        map::PutU32(meters + 4, 4440002);
        sim.poke(gardosim::Area::Program, map::kMetersRightAddress, meters);
        const uint8_t trigger[2] = {12, 14};
        sim.poke(gardosim::Area::Program, map::kTriggerAddress, trigger);
        const uint8_t thresholds[6] = {10, 20, 0xD2, 0x04, 5, 0};  // 12.34, 0.05
        sim.poke(gardosim::Area::Program, map::kThresholdAddress, thresholds);
        return link.open();
    }
};

// True when Qt knows of a window manager frame around w: a title bar above
// the client area, which lies inside the frame.
bool hasFrame(const QWidget& w)
{
    const QRect frame = w.frameGeometry();
    const QRect client = w.geometry();
    return frame.top() < client.top() && frame.contains(client);
}

// Under X11: waits until a window manager puts frames around new windows.
// On a loaded machine it may still be starting, and a window mapped before
// it runs may never learn about its frame, so each try uses a new window.
bool waitForWindowManager()
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) return true;
    for (int attempt = 0; attempt < 30; ++attempt) {
        QWidget probe;
        probe.resize(60, 40);
        probe.show();
        if (QTest::qWaitForWindowExposed(&probe) &&
            QTest::qWaitFor([&] { return hasFrame(probe); }, 1000))
            return true;
    }
    return false;
}

int runPrint(const QString& outDir)
{
    test::RecordingUi ui;
    Controller controller;
    if (!controller.start()) return fail(QStringLiteral("no connection to the simulator"));

    if (!waitForWindowManager()) return fail(QStringLiteral("no window manager frames windows"));
    CounterDialog dialog;
    dialog.OnInitDialog();
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return fail(QStringLiteral("dialog not exposed"));
    // Under X11 a window manager puts a frame around the window; on a loaded
    // machine it may still be starting up, so wait until the frame is there.
    if (QGuiApplication::platformName() == QStringLiteral("xcb") &&
        !QTest::qWaitFor([&] { return hasFrame(dialog); }, 30000))
        return fail(QStringLiteral("no window manager frame came around the dialog"));
    QTest::qWait(300);  // let the frame be painted
    const QImage before = CaptureWindowImage(&dialog);
    QElapsedTimer clock;
    clock.start();
    dialog.PrintWindowCopy();
    const double printMs = clock.nsecsElapsed() / 1e6;
    const QImage after = CaptureWindowImage(&dialog);
    const QSize client = dialog.grab().size();
    dialog.reject();
    controller.link.close();

    if (ui.count() != 0) return fail(QStringLiteral("messages shown: ") + ui.texts().join(QLatin1Char('|')));
    if (before != after) return fail(QStringLiteral("the window changed while printing"));
    if (!before.save(outDir + QStringLiteral("/window.png"))) return fail(QStringLiteral("cannot save window.png"));

    // What the print job saw: the first printer and its page in device pixels.
    const QList<QPrinterInfo> list = QPrinterInfo::availablePrinters();
    if (list.isEmpty()) return fail(QStringLiteral("no printer listed"));
    QPrinter printer(list.first(), QPrinter::HighResolution);
    const int res = printer.resolution();
    const QRect paint = printer.pageLayout().paintRectPixels(res);
    const QRect full = printer.pageLayout().fullRectPixels(res);
    const WindowCopyGeometry g = ComputeWindowCopyGeometry(printer.width(), before.width());

    QFile f(outDir + QStringLiteral("/info.txt"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text)) return fail(QStringLiteral("cannot write info.txt"));
    QTextStream s(&f);
    QStringList names;
    for (const QPrinterInfo& p : list) names << p.printerName();
    s << "printers " << names.join(QLatin1Char(',')) << "\n";
    s << "default " << QPrinterInfo::defaultPrinter().printerName() << "\n";
    s << "resolution " << res << "\n";
    s << "page " << printer.width() << " " << printer.height() << "\n";
    s << "full " << full.width() << " " << full.height() << "\n";
    s << "offset " << paint.left() << " " << paint.top() << "\n";
    s << "window " << before.width() << " " << before.height() << "\n";
    s << "client " << client.width() << " " << client.height() << "\n";
    s << "margin " << g.margin << "\n";
    s << "scale " << g.scale << "\n";
    s << "platform " << QGuiApplication::platformName() << "\n";
    std::printf("printed on %s in %.1f ms: %d dpi, page %d x %d, window %d x %d, margin %d, scale %d\n",
                qPrintable(names.first()), printMs, res, printer.width(), printer.height(), before.width(),
                before.height(), g.margin, g.scale);
    return 0;
}

int runNoPrinter()
{
    test::RecordingUi ui;
    CounterDialog dialog;  // not opened: no controller is needed
    dialog.show();
    dialog.PrintWindowCopy();
    for (const auto& m : ui.messages())
        std::printf("message: %s | %s | %s\n", qPrintable(m.caption), qPrintable(m.text),
                    qPrintable(iconName(m.icon)));
    if (ui.count() != 1) return fail(QStringLiteral("expected one message, got %1").arg(ui.count()));
    const auto m = ui.last();
    if (m.text != QStringLiteral("Kein Drucker gefunden!") || m.caption != QStringLiteral("Fehler") ||
        m.icon != MsgIcon::Stop || m.parent != &dialog)
        return fail(QStringLiteral("wrong message"));
    return 0;
}

QMap<QString, QStringList> readInfo(const QString& path)
{
    QMap<QString, QStringList> info;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return info;
    while (!f.atEnd()) {
        QStringList parts = QString::fromUtf8(f.readLine()).trimmed().split(QLatin1Char(' '));
        const QString key = parts.takeFirst();
        info[key] = parts;
    }
    return info;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool isWhite(QRgb c)
{
    return qRed(c) > 250 && qGreen(c) > 250 && qBlue(c) > 250;
}

int runCompare(const QString& outDir, const QString& pagePath, int cropX, int cropY)
{
    const auto info = readInfo(outDir + QStringLiteral("/info.txt"));
    const QImage window = QImage(outDir + QStringLiteral("/window.png")).convertToFormat(QImage::Format_RGB32);
    const QImage page = QImage(pagePath).convertToFormat(QImage::Format_RGB32);
    if (info.isEmpty() || window.isNull() || page.isNull()) return fail(QStringLiteral("missing input"));
    const int margin = info.value(QStringLiteral("margin")).value(0).toInt();
    const int scale = info.value(QStringLiteral("scale")).value(0).toInt();
    const int offX = info.value(QStringLiteral("offset")).value(0).toInt();
    const int offY = info.value(QStringLiteral("offset")).value(1).toInt();
    if (scale <= 0) return fail(QStringLiteral("scale 0: nothing to compare"));

    // Bounding box of everything that is not white.
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            if (isWhite(line[x])) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return fail(QStringLiteral("the page is empty"));
    // Where the picture must start within the crop.
    const int x0 = offX + margin - cropX, y0 = offY + margin - cropY;
    const int w = window.width() * scale, h = window.height() * scale;
    std::printf("picture at page pixel %d,%d, %d x %d; expected %d,%d, %d x %d\n", left + cropX, top + cropY,
                right - left + 1, bottom - top + 1, x0 + cropX, y0 + cropY, w, h);
    // The window's outermost rows and columns may be white-ish themselves:
    // the box lies within the expected rectangle and covers nearly all of it.
    if (left < x0 - 1 || top < y0 - 1 || right > x0 + w || bottom > y0 + h)
        return fail(QStringLiteral("ink outside the expected picture rectangle"));
    if (left > x0 + 2 * scale || top > y0 + 2 * scale || right < x0 + w - 2 * scale - 1 ||
        bottom < y0 + h - 2 * scale - 1)
        return fail(QStringLiteral("picture smaller than expected"));

    // Every window pixel: the middle of its block has its colour, and the
    // block is one flat colour (nearest-neighbour, no smoothing).
    long checked = 0, bad = 0, blurred = 0;
    const int inset = scale >= 4 ? 1 : 0;
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
            const QRgb want = window.pixel(x, y);
            const int bx = x0 + x * scale, by = y0 + y * scale;
            const QRgb mid = page.pixel(bx + scale / 2, by + scale / 2);
            ++checked;
            if (!near(mid, want, 6)) {
                if (++bad <= 5)
                    std::fprintf(stderr, "window pixel %d,%d: %08x printed as %08x\n", x, y, want, mid);
            }
            for (int j = inset; j < scale - inset; ++j)
                for (int i = inset; i < scale - inset; ++i)
                    if (!near(page.pixel(bx + i, by + j), mid, 2)) {
                        ++blurred;
                        j = scale;
                        break;
                    }
        }
    }
    std::printf("%ld window pixels checked: %ld with a wrong colour, %ld blocks not flat\n", checked, bad,
                blurred);
    if (bad > 0 || blurred > 0) return fail(QStringLiteral("printed pixels differ from the window"));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    lumo::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("print") && args.size() == 3) return runPrint(args[2]);
    if (mode == QLatin1String("noprinter")) return runNoPrinter();
    if (mode == QLatin1String("compare") && args.size() == 6)
        return runCompare(args[2], args[3], args[4].toInt(), args[5].toInt());
    std::fprintf(stderr, "usage: print_probe print OUTDIR | noprinter | compare OUTDIR PAGE.png X Y\n");
    return 2;
}
