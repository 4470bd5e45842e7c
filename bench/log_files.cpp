// Time to write both log files (92 controller reads, two files) against
// gardosim:
//  - with wire timing at BAUD, as a ratio to the pure wire time of the 92
//    transactions (request and reply bytes, ten bit times each); goal <= 1.05;
//  - without wire timing, the program's own cost; goal < 100 ms;
//  - without wire timing and with the wait window's progress bar painted at
//    every read (offscreen).
//
//   log_files_bench [ROUNDS] [BAUD]
#include "core/device_link.h"
#include "logs/log_writer.h"
#include "logs/wait_dialog.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include "bench_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;


// Runs one writing round per call and returns its time in ms.
std::vector<double> Rounds(int rounds, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 4800;
    if (rounds < 1 || baud < 300) {
        std::fprintf(stderr, "usage: log_files_bench [ROUNDS>=1] [BAUD>=300]\n");
        return 2;
    }

    // Private folders: ports, station data, and the current directory that
    // receives "Log".
    QTemporaryDir work;
    if (!work.isValid()) return 1;
    UsePrivateFolders(work.path().toStdString());
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QDir().mkpath(work.path() + "/data/Mavik");
    QDir::setCurrent(work.path());

    QApplication app(argc, argv);

    const QString id = QStringLiteral("0001234567");
    {
        QFile db(work.path() + "/data/Mavik/MavikDatenbank.txt");
        if (!db.open(QIODevice::WriteOnly)) return 1;
        db.write("\r\n[ID-Nummer=0001234567;\r\nTankstelle=Bench;\r\nStrasse=;\r\nPLZ=;\r\nOrt=;\r\n"
                 "ZS-Marke=;\r\nZS-Type=;\r\nZS-Bj=;\r\nL-ZS-Nr=1;\r\nR-ZS-Nr=2;\r\nDiag-Typ=;]\r\n");
    }

    gardosim::Simulator sim;
    std::string err;
    if (!sim.start(&err) || sim.registerPort("COM1", work.path().toStdString() + "/ports", &err).empty()) {
        std::fprintf(stderr, "gardosim: %s\n", err.c_str());
        return 1;
    }
    for (uint32_t a = 1216; a < 1664; ++a) sim.pokeByte(gardosim::Area::Program, a, uint8_t(a * 7));
    if (int32_t rc = InitCommunication("COM1:", baud); rc != 0) {
        std::fprintf(stderr, "InitCommunication: %d\n", rc);
        return 1;
    }

    lumo::DeviceLink link;
    auto writeBoth = [&] { lumo::WriteLogFiles(link, id); };
    writeBoth();  // warm-up
    const QByteArray reference = [] {
        QFile f("Log/0001234567_L.log");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    if (reference.isEmpty()) {
        std::fprintf(stderr, "no log file written\n");
        return 1;
    }

    // With wire timing.
    sim.setWireTiming(baud);
    sim.clearLog();
    const Figures wired = Summarise(Rounds(rounds, writeBoth));
    const auto frames = sim.frames();
    std::size_t bytes = 0;
    for (const auto& f : frames) bytes += f.request.size() + f.reply.size();
    const double byteMs = 10.0 * 1000.0 / baud;
    const double transactions = double(frames.size()) / rounds;
    const double wire = double(bytes) / rounds * byteMs;

    // The same with the wait window and its progress bar.
    auto writeShown = [&] {
        lumo::WaitDialog wait;
        wait.SetText(QStringLiteral("Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt."));
        wait.Create(nullptr, lumo::kLogReadsTotal);
        lumo::LogWriteHooks hooks;
        hooks.onStep = [&wait](int done) { wait.SetProgress(done); };
        lumo::WriteLogFiles(link, id, hooks);
        wait.DestroyWindow();
    };
    const Figures wiredShown = Summarise(Rounds(rounds, writeShown));

    // Without wire timing.
    sim.setWireTiming(0);
    const int fastRounds = std::max(rounds, 50);
    const Figures fast = Summarise(Rounds(fastRounds, writeBoth));

    // Without wire timing, with the wait window and its progress bar.
    const Figures shown = Summarise(Rounds(fastRounds, writeShown));

    CloseCommunication();
    sim.stop();

    std::printf("Both log files (WriteLogFiles) against gardosim\n");
    std::printf("  at %d baud, %d rounds: %.1f transactions, %.1f bytes on the wire a round\n", baud, rounds,
                transactions, double(bytes) / rounds);
    std::printf("    wire time %.1f ms; mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms\n", wire,
                wired.mean, wired.median, wired.min, wired.max);
    std::printf("    ratio to wire time: mean %.4f, median %.4f, min %.4f (goal <= 1.05)\n", wired.mean / wire,
                wired.median / wire, wired.min / wire);
    std::printf("    with the wait window: mean %.1f ms, median %.1f ms, min %.1f ms; ratio mean %.4f, median %.4f, "
                "min %.4f\n",
                wiredShown.mean, wiredShown.median, wiredShown.min, wiredShown.mean / wire,
                wiredShown.median / wire, wiredShown.min / wire);
    std::printf("  without wire timing, %d rounds: mean %.2f ms, median %.2f ms, max %.2f ms (goal < 100 ms)\n",
                fastRounds, fast.mean, fast.median, fast.max);
    std::printf("  same with the wait window's progress bar (%s): mean %.2f ms, median %.2f ms, max %.2f ms\n",
                qPrintable(QGuiApplication::platformName()), shown.mean, shown.median, shown.max);
    return 0;
}
