// Both log files of a fleet with gardoctl, against eight gardosim
// dispensers with wire timing at BAUD (each a controller of its own, with
// its own identification): the run over one dispenser against the run over
// all eight with --jobs 8 (goal: at most 1.3 times the one), and once the
// eight in turn (--jobs 1) for comparison. The files of the --jobs 8 runs
// are compared with those of the run in turn.
//
//   fleet_logs_bench [ROUNDS] [BAUD]
#include "bench_support.h"

#include <gardosim/simulator.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kDispensers = 8;

// Runs gardoctl; its time in ms, or -1 when it failed.
double Run(const QStringList& args)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(GARDOCTL_PATH), args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "gardoctl %s failed:\n%s\n", qPrintable(args.join(u' ')),
                     p.readAllStandardError().constData());
        return -1;
    }
    return double(t.nsecsElapsed()) / 1e6;
}

QStringList Ports(int count)
{
    QStringList args;
    for (int i = 1; i <= count; ++i) args << QStringLiteral("--port") << QString::number(i);
    return args;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether every file of a equals the same file of b, and there are 2 * count.
bool SameFiles(const QString& a, const QString& b, int count)
{
    const QStringList names = QDir(a).entryList(QDir::Files);
    if (names.size() != 2 * count || names != QDir(b).entryList(QDir::Files)) return false;
    for (const QString& name : names)
        if (ReadAll(a + '/' + name) != ReadAll(b + '/' + name)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 4800;
    if (rounds < 1 || baud < 300) {
        std::fprintf(stderr, "usage: fleet_logs_bench [ROUNDS>=1] [BAUD>=300]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    if (!work.isValid()) return 1;
    UsePrivateFolders(work.path().toStdString());
    QDir::setCurrent(work.path());

    std::vector<std::unique_ptr<gardosim::Simulator>> sims;
    for (int i = 1; i <= kDispensers; ++i) {
        gardosim::Options o;
        o.wireBaud = baud;
        auto sim = std::make_unique<gardosim::Simulator>(o);
        std::string err;
        if (!sim->start(&err) ||
            sim->registerPort("COM" + std::to_string(i), work.path().toStdString() + "/ports", &err).empty()) {
            std::fprintf(stderr, "gardosim: %s\n", err.c_str());
            return 1;
        }
        const uint8_t ident[4] = {uint8_t(i), 0x10, 0, 0};
        sim->poke(gardosim::Area::Program, 1680, ident);
        for (uint32_t a = 1216; a < 1664; ++a) sim->pokeByte(gardosim::Area::Program, a, uint8_t(a * 7 + i));
        sims.push_back(std::move(sim));
    }

    const QString out = work.path() + "/out";
    std::printf("Both log files with gardoctl against %d gardosim dispensers at %d baud, %d rounds\n", kDispensers,
                baud, rounds);
    std::printf("  load average before: %s", ReadAll("/proc/loadavg").constData());
    const double inTurn = Run(Ports(kDispensers) + QStringList{"logs", "--out", out + "/turn"});
    if (inTurn < 0) return 1;

    std::vector<double> one, eight;
    bool same = true;
    for (int r = 0; r < rounds; ++r) {
        const double o = Run(Ports(1) + QStringList{"logs", "--out", out + QStringLiteral("/one%1").arg(r)});
        const QString dir = out + QStringLiteral("/eight%1").arg(r);
        const double e = Run(Ports(kDispensers) + QStringList{"--jobs", "8", "logs", "--out", dir});
        if (o < 0 || e < 0) return 1;
        one.push_back(o);
        eight.push_back(e);
        same = same && SameFiles(dir, out + "/turn", kDispensers);
    }
    const Figures f1 = Summarise(one), f8 = Summarise(eight);
    std::printf("  one dispenser:           mean %.0f ms, median %.0f ms, min %.0f ms, max %.0f ms\n", f1.mean,
                f1.median, f1.min, f1.max);
    std::printf("  eight with --jobs 8:     mean %.0f ms, median %.0f ms, min %.0f ms, max %.0f ms\n", f8.mean,
                f8.median, f8.min, f8.max);
    std::printf("    ratio eight/one: mean %.3f, median %.3f (goal <= 1.3)\n", f8.mean / f1.mean,
                f8.median / f1.median);
    std::printf("  eight in turn (--jobs 1, once): %.0f ms, %.2f x one\n", inTurn, inTurn / f1.median);
    std::printf("  files of the --jobs 8 runs equal to those of the run in turn: %s\n", same ? "yes" : "NO");
    std::printf("  load average after: %s", ReadAll("/proc/loadavg").constData());
    return same ? 0 : 1;
}
