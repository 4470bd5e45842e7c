// gardoctl as a script runs it: a separate process on simulated controllers
// entered as COM ports. Each test checks what went over the wire and what
// the controller holds afterwards, not only what was printed.
#include "core/device_link.h"
#include "logs/log_writer.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"
#include "run_gardoctl.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "core/port_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace lumo {
namespace {

using gardosim::Area;

constexpr int kPort = 4;
constexpr int kOtherPort = 5;
constexpr int kMissingPort = 77;  // no entry and no /dev/ttyS76

using test::Outcome;
using test::RunGardoctl;

QJsonObject Json(const Outcome& o)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(o.out, &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << o.out.constData();
    return doc.object();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The command codes of the frames the controller received, in order.
std::vector<uint8_t> Codes(const gardosim::Simulator& sim)
{
    std::vector<uint8_t> codes;
    for (const auto& f : sim.frames()) codes.push_back(f.request.at(1));
    return codes;
}

class GardoctlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(kPort));
        port_ = sim_.portName();
        sim_->clearLog();
    }

    std::vector<uint8_t> Process(uint32_t address, std::size_t count) { return sim_->peek(Area::Process, address, count); }

    test::RecordingUi ui_;
    test::SimLink sim_;
    QString port_;
};

TEST_F(GardoctlTest, ReadingCommandsOnlyReadAndTheirJsonParsesBack)
{
    const uint8_t ident[4] = {0xD2, 0x04, 0, 0};  // 1234
    sim_->poke(Area::Program, 1680, ident);
    const uint8_t cal[4] = {11, 22, 33, 255};
    sim_->poke(Area::Program, 1184, cal);
    const uint8_t meters[8] = {0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0};  // 4294967295, 1
    sim_->poke(Area::Program, 1168, meters);
    const uint8_t figures[6] = {101, 7, 0xD2, 0x04, 5, 0};  // errors 12.34 and 0.05
    sim_->poke(Area::Program, 1190, figures);
    const uint8_t counter[4] = {0x0F, 0x27, 0, 0};  // 9999
    sim_->poke(Area::Process, 78, counter);
    const uint8_t minutes[2] = {0xCB, 0x00};  // 203 = 3:23
    sim_->poke(Area::Process, 56, minutes);
    sim_->setClock({2, 23, 59, 58, 31, 12, 26});  // Mi 2026-12-31 23:59:58

    const QJsonObject status = Json(RunGardoctl({"--port", port_, "--json", "status"}));
    EXPECT_EQ(status["port"].toString(), port_);
    EXPECT_EQ(status["ident"].toString(), "0000001234");
    EXPECT_TRUE(status["counter"]["left"].isDouble());
    EXPECT_EQ(status["counter"]["left"].toInt(), 9999);
    EXPECT_EQ(status["errorTime"]["right"]["hours"].toInt(), 3);
    EXPECT_EQ(status["errorTime"]["right"]["minutes"].toInt(), 23);
    EXPECT_EQ(status["calibration"]["right"]["gas"].toInt(), 255);
    EXPECT_EQ(status["calibration"]["left"]["petrol"].toInt(), 11);
    // The clock runs on; it is at most a few seconds past the value set.
    EXPECT_TRUE(status["clock"].toString().startsWith("2026-12-31T23:59:5") ||
                status["clock"].toString().startsWith("2027-01-01T00:00:0"))
        << status["clock"].toString().toStdString();

    const QJsonObject counters = Json(RunGardoctl({"--port", port_, "--json", "counters"}));
    EXPECT_EQ(counters["meters"]["left"]["liquidMl"].toDouble(), 4294967295.0);
    EXPECT_EQ(counters["meters"]["left"]["gasMl"].toInt(), 1);
    EXPECT_EQ(counters["threshold"]["left"].toInt(), 101);
    EXPECT_DOUBLE_EQ(counters["errorValue"]["left"].toDouble(), 12.34);
    EXPECT_DOUBLE_EQ(counters["errorValue"]["right"].toDouble(), 0.05);

    // Lines for people and shell scripts: the same values, one a line.
    const Outcome plain = RunGardoctl({"--port", QString::number(kPort), "counters"});
    EXPECT_EQ(plain.exit, 0);
    EXPECT_TRUE(plain.out.contains("\nerrorValue.right=0.05\n")) << plain.out.constData();
    EXPECT_TRUE(plain.out.contains("\nmeters.left.liquidMl=4294967295\n")) << plain.out.constData();
    EXPECT_EQ(RunGardoctl({"--port", port_, "ident"}).out, "ident=0000001234\n");

    for (const auto& f : sim_->frames()) {
        const uint8_t code = f.request.at(1);
        EXPECT_TRUE(code >= 0x80 && code <= 0x82) << "not a read: " << int(code);
    }
}

TEST_F(GardoctlTest, WritingCommandsChangeTheControllerAsTheDialogDoes)
{
    // Counters: bytes 2 and 3 of each block go back as the controller held
    // them, and the left block's last byte is the right counter's low byte.
    const uint8_t block[7] = {0x05, 0x00, 0xAA, 0x2A, 0x00, 0xBB, 0xCC};  // 78..84: left 5, right 42
    sim_->poke(Area::Process, 78, block);
    EXPECT_EQ(RunGardoctl({"--port", port_, "counter", "left", "set", "9998"}).out, "counter.left=9998\n");
    EXPECT_EQ(RunGardoctl({"--port", port_, "counter", "left", "count"}).out, "counter.left=9999\n");
    EXPECT_EQ(RunGardoctl({"--port", port_, "counter", "left", "count"}).out, "counter.left=9999\n");
    EXPECT_EQ(Process(78, 7), (std::vector<uint8_t>{0x0F, 0x27, 0xAA, 0x2A, 0x00, 0xBB, 0xCC}));
    EXPECT_EQ(RunGardoctl({"--port", port_, "counter", "right", "reset"}).exit, 0);
    EXPECT_EQ(Process(78, 7), (std::vector<uint8_t>{0x0F, 0x27, 0xAA, 0x00, 0x00, 0xBB, 0xCC}));

    EXPECT_EQ(RunGardoctl({"--port", port_, "errortime", "right", "71:59"}).exit, 0);
    EXPECT_EQ(Process(56, 2), (std::vector<uint8_t>{0xDF, 0x10}));  // 4319
    sim_->clearLog();
    EXPECT_EQ(RunGardoctl({"--port", port_, "errortime", "left", "72:00"}).exit, 2);
    EXPECT_EQ(sim_->frameCount(), 0u);

    // The year 2000 is written as year byte 0; the weekday as given.
    const QJsonObject clock = Json(RunGardoctl({"--port", port_, "--json", "clock", "set", "2000-03-28T02:30:00", "Fr"}));
    EXPECT_TRUE(clock["clock"].toString().startsWith("2000-03-28T02:30:0")) << clock["clock"].toString().toStdString();
    EXPECT_EQ(clock["weekday"].toString(), "Fr");
    const auto written = sim_->clock();
    EXPECT_EQ(written[0], 4);
    EXPECT_EQ(written[4], 28);
    EXPECT_EQ(written[5], 3);
    EXPECT_EQ(written[6], 0);

    EXPECT_EQ(RunGardoctl({"--port", port_, "stop"}).exit, 0);
    EXPECT_FALSE(sim_->running());
    EXPECT_EQ(RunGardoctl({"--port", port_, "start"}).exit, 0);
    EXPECT_TRUE(sim_->running());

    // Calibration without --yes and without a terminal touches nothing;
    // with --yes it runs stop, write, apply, start.
    const uint8_t cal[4] = {1, 2, 3, 4};
    sim_->poke(Area::Program, 1184, cal);
    sim_->clearLog();
    EXPECT_EQ(RunGardoctl({"--port", port_, "calibration", "right", "200", "201"}).exit, 2);
    EXPECT_EQ(sim_->frameCount(), 0u);
    const Outcome calibrated = RunGardoctl({"--port", port_, "--yes", "calibration", "right", "200", "201"});
    EXPECT_EQ(calibrated.exit, 0) << calibrated.err.toStdString();
    EXPECT_EQ(sim_->peek(Area::Program, 1184, 4), (std::vector<uint8_t>{1, 2, 200, 201}));
    std::vector<uint8_t> codes = Codes(sim_.sim());
    codes.erase(codes.begin());  // the identification probe
    EXPECT_EQ(codes, (std::vector<uint8_t>{0xC0, 0xA0, 0xC2, 0xC1, 0x80})) << calibrated.err.toStdString();
    EXPECT_EQ(sim_->state().activeCalibration, (std::array<uint8_t, 4>{1, 2, 200, 201}));
    EXPECT_TRUE(sim_->running());
}

TEST_F(GardoctlTest, LogFilesAreTheDialogsFilesByteForByte)
{
    for (uint32_t a = 1216; a < 1664; ++a) sim_->pokeByte(Area::Program, a, uint8_t(a * 37 + 11));
    sim_->pokeByte(Area::Process, 21, 0x90);

    QTemporaryDir run, out, dialog;
    const Outcome o = RunGardoctl({"--port", port_, "logs"}, run.path());
    ASSERT_EQ(o.exit, 0) << o.err.toStdString();
    const QString outDir = out.filePath("nightly/COM4");  // made when missing
    const Outcome o2 = RunGardoctl({"--port", port_, "--json", "logs", "--out", outDir, "--side", "right"}, run.path());
    ASSERT_EQ(o2.exit, 0) << o2.err.toStdString();
    const QJsonObject files = Json(o2)["files"].toObject();
    EXPECT_EQ(files.keys(), QStringList{"right"});

    // The dialog's writer on the same memory.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dialog.path()));
    ASSERT_TRUE(sim_.open());
    DeviceLink link;
    WriteLogFiles(link, QStringLiteral("0001234567"));
    sim_.close();
    QDir::setCurrent(before);

    for (const char* name : {"0001234567_L.log", "0001234567_R.log"}) {
        const QByteArray expected = ReadAll(dialog.filePath(QStringLiteral("Log/") + name));
        ASSERT_GT(expected.size(), 3000) << name;
        EXPECT_EQ(ReadAll(run.filePath(QStringLiteral("Log/") + name)), expected) << name;
    }
    EXPECT_EQ(ReadAll(files["right"].toString()), ReadAll(dialog.filePath("Log/0001234567_R.log")));
    EXPECT_EQ(QDir(outDir).entryList(QDir::Files), QStringList{"0001234567_R.log"});
}

// A controller that dies in the middle of the log files: the run stops
// after two whole reads timed out in a row, with one message and exit 1,
// and the older files of those names stay as they were.
TEST_F(GardoctlTest, ALineThatDiesStopsTheLogRunAndKeepsTheOlderFiles)
{
    QTemporaryDir run;
    ASSERT_TRUE(QDir(run.path()).mkpath("Log"));
    const QString left = run.filePath("Log/0001234567_L.log");
    const QString right = run.filePath("Log/0001234567_R.log");
    for (const QString& path : {left, right}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("older refuellings");
    }
    sim_->setWireTiming(4800);  // slow enough to fall silent in the left file
    QProcess p;
    p.setWorkingDirectory(run.path());
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(GARDOCTL_PATH), {"--port", port_, "--wait", "100", "logs"});
    ASSERT_TRUE(sim_->waitForFrames(30, std::chrono::milliseconds(20000)));
    sim_->inject(gardosim::FaultKind::Silence, gardosim::kForever);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    // One message of the link (the missing station file has its own).
    EXPECT_EQ(err.count("stopped answering"), 1) << err.toStdString();
    EXPECT_FALSE(err.contains("Timeout-Fehler")) << err.toStdString();
    EXPECT_EQ(ReadAll(left), "older refuellings");
    EXPECT_EQ(ReadAll(right), "older refuellings");
    EXPECT_EQ(QDir(run.filePath("Log")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    // Two whole reads of four attempts each after the last answer, no more.
    std::size_t silent = 0;
    for (const auto& f : sim_->frames()) silent += f.reply.empty() ? 1 : 0;
    EXPECT_EQ(silent, 8u);
}

TEST_F(GardoctlTest, ExitCodesForSilenceMissingPortsAndUsage)
{
    test::SimLink other;
    ASSERT_TRUE(other.start(kOtherPort));
    const QString missing = QStringLiteral("COM%1:").arg(kMissingPort);

    // Several ports: each in turn, labelled, the worst exit code wins.
    const Outcome all = RunGardoctl({"--port", port_, "--port", missing, "--port", other.portName(), "ident"});
    EXPECT_EQ(all.exit, 3);
    EXPECT_EQ(all.out, (port_ + "\tident=0001234567\n" + other.portName() + "\tident=0001234567\n").toUtf8());
    EXPECT_TRUE(all.err.contains(missing + " Nicht verfügbare Schnittstelle angewählt oder Datenüberlauf ist "
                                           "aufgetreten! (SERLINK_E_OVERRUN) Gerät /dev/ttyS76 ist nicht vorhanden."))
        << all.err.toStdString();

    // A silent controller: exit 1 with the link's text and the status name,
    // in the JSON too; the other port still answers.
    sim_->inject(gardosim::FaultKind::Silence, gardosim::kForever);
    const Outcome silent = RunGardoctl({"--port", port_, "--port", other.portName(), "--wait", "100", "--json", "ident"});
    EXPECT_EQ(silent.exit, 1);
    EXPECT_TRUE(silent.err.contains(port_ + " Timeout-Fehler, es wurde kein Zeichen empfangen! (SERLINK_E_READ_TIMEOUT)"))
        << silent.err.toStdString();
    const QList<QByteArray> lines = silent.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject error = QJsonDocument::fromJson(lines[0]).object()["error"].toObject();
    EXPECT_EQ(error["status"].toInt(), -1154);
    EXPECT_EQ(error["name"].toString(), "SERLINK_E_READ_TIMEOUT");
    EXPECT_EQ(QJsonDocument::fromJson(lines[1]).object()["ident"].toString(), "0001234567");
    sim_->clearFaults();

    // Wrong usage never touches a port.
    sim_->clearLog();
    for (const QStringList& args : {QStringList{"--port", port_, "counter", "left", "set", "10000"},
                                    QStringList{"--port", port_, "clock", "set", "2026-13-01T00:00:00"},
                                    // The controller keeps two digits of the year.
                                    QStringList{"--port", port_, "clock", "set", "1899-06-15T10:00:00"},
                                    QStringList{"--port", port_, "clock", "set", "1999-12-31T23:59:59"},
                                    QStringList{"--port", port_, "clock", "set", "2100-01-01T00:00:00"},
                                    QStringList{"--port", port_, "status", "--side", "left"},
                                    QStringList{"ident"}, QStringList{"--port", port_, "frobnicate"}})
        EXPECT_EQ(RunGardoctl(args).exit, 2) << args.join(u' ').toStdString();
    EXPECT_EQ(sim_->frameCount(), 0u);
}

TEST_F(GardoctlTest, PortFormsOfTheHelpAndOneDispenserNamedTwiceIsServedOnce)
{
    // Every form the help names reaches the controller; COM names ignore
    // case as on Windows.
    const QString device = QString::fromStdString(sim_->slavePath());
    for (const QString& form : {QStringLiteral("COM%1").arg(kPort), QStringLiteral("com%1:").arg(kPort),
                                QStringLiteral("Com%1").arg(kPort), device}) {
        const Outcome o = RunGardoctl({"--port", form, "ident"});
        EXPECT_EQ(o.exit, 0) << form.toStdString() << ": " << o.err.toStdString();
        EXPECT_EQ(o.out, "ident=0001234567\n") << form.toStdString();
    }

    // An entry in another case is that COM number for gardoctl and for the
    // port dialog alike.
    test::SimLink other;
    ASSERT_TRUE(other.start(kOtherPort));
    other->clearLog();
    const QString portsDir = PortInfo::PortsDir();
    const QString lower = portsDir + QStringLiteral("/com%1").arg(kOtherPort);
    ASSERT_TRUE(QFile::rename(portsDir + QStringLiteral("/COM%1").arg(kOtherPort), lower));
    EXPECT_EQ(PortInfo::ForPort(kOtherPort).path, lower);
    int listed = 0;
    for (const SerialDevice& d : PortInfo::ListSerialDevices(QList<SerialDevice>{}))
        if (d.comNumber == kOtherPort) ++listed;
    EXPECT_EQ(listed, 1);
    const Outcome lowerEntry = RunGardoctl({"--port", QString::number(kOtherPort), "ident"});
    EXPECT_EQ(lowerEntry.exit, 0) << lowerEntry.err.toStdString();
    EXPECT_EQ(other->frameCount(), 1u);
    QFile::remove(lower);

    // The same dispenser under five names: one count, one line.
    const uint8_t block[2] = {0x05, 0x00};
    sim_->poke(Area::Process, 78, block);
    sim_->clearLog();
    const Outcome once = RunGardoctl({"--port", port_, "--port", port_, "--port", QString::number(kPort), "--port",
                                      QStringLiteral("com%1").arg(kPort), "--port", device, "counter", "left",
                                      "count"});
    EXPECT_EQ(once.exit, 0) << once.err.toStdString();
    EXPECT_EQ(once.out, "counter.left=6\n");
    EXPECT_EQ(Process(78, 2), (std::vector<uint8_t>{0x06, 0x00}));
    EXPECT_TRUE(once.err.contains("served once")) << once.err.toStdString();
}

// File names that are no UTF-8 reach the system as the bytes given.
TEST_F(GardoctlTest, OutAndTraceNamesAreTheSystemsBytes)
{
    QTemporaryDir run;
    const QByteArray base = QFile::encodeName(run.path());
    // "n\xE4chtlich" and "spur\xFC.txt": Latin-1 letters, not UTF-8.
    QProcess p;
    p.setWorkingDirectory(run.path());
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral("/bin/sh"),
            {"-c", "exec \"$0\" --port \"$1\" --trace \"$(printf 'spur\\374.txt')\" logs --out \"$(printf 'n\\344chtlich')\"",
             QStringLiteral(GARDOCTL_PATH), port_});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const QByteArray out = p.readAllStandardOutput();

    struct stat st {};
    EXPECT_EQ(::stat((base + "/spur\xFC.txt").constData(), &st), 0) << "trace not at its name";
    EXPECT_GT(st.st_size, 0);
    EXPECT_EQ(::stat((base + "/n\xE4" "chtlich/0001234567_L.log").constData(), &st), 0) << out.constData();
    EXPECT_EQ(::stat((base + "/n\xE4" "chtlich/0001234567_R.log").constData(), &st), 0);
    // Nothing went to another name, and the output names the folder as given.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(base.constData()))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"n\xE4" "chtlich", "spur\xFC.txt"}));
    EXPECT_TRUE(out.contains("files.left=" + base + "/n\xE4" "chtlich/0001234567_L.log\n")) << out.constData();
    // Qt cannot name these files: removed here.
    std::filesystem::remove_all(base.constData());
}

}  // namespace
}  // namespace lumo
