// The log writer against the simulated controller: the files written are
// compared with text built from the simulator's memory, decoded here on its
// own; a controller that falls silent half-way; file errors.
#include "core/device_link.h"
#include "core/device_map.h"
#include "logs/log_text.h"
#include "logs/log_writer.h"
#include "station/station_database.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <random>
#include <sys/file.h>
#include <sys/resource.h>

namespace lumo {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

constexpr int kPort = 3;
const QString kId = QStringLiteral("0001234567");
const QString kTimeoutText = QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "text does not end with a line end";
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
    }
    return lines;
}

// An older file at path, as an earlier run left it.
void PutFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::testApplication();
        ASSERT_TRUE(workDir_.isValid());
        oldDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workDir_.path()));

        // Station record of the identification.
        const QString dbPath = StationDatabase::DefaultFilePath();
        QDir().mkpath(QFileInfo(dbPath).path());
        station::RecordValues r;
        r.id = kId.toLatin1();
        r.tankstelle = "Tankstelle S\xFC" "d";
        r.lZsNr = "3";
        r.rZsNr = "4";
        QFile db(dbPath);
        ASSERT_TRUE(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
        db.write(station::BuildRecord(r));
        db.close();

        ASSERT_TRUE(sim_.start(kPort));
        ASSERT_EQ(InitCommunication(sim_.portName().toLatin1().constData(), 4800), 0);
        FillMemory();
        sim_->clearLog();
    }

    void TearDown() override {
        CloseCommunication();
        sim_.reset();
        QDir::setCurrent(oldDir_);
    }

    // Records with varied volumes, flags, dates (some out of range) and
    // header values on both sides.
    void FillMemory() {
        std::mt19937 rng(20261207);
        for (int side = 0; side < 2; ++side) {
            const uint32_t base = side == 0 ? 1216 : 1440;
            for (int k = 0; k < 14; ++k) {
                uint8_t rec[16];
                for (uint8_t& b : rec) b = uint8_t(rng());
                rec[10] = uint8_t(rng() % 60);
                rec[11] = uint8_t(rng() % 60);
                rec[12] = uint8_t(rng() % 24);
                rec[13] = uint8_t(1 + rng() % 31);
                rec[14] = uint8_t(1 + rng() % 12);
                rec[15] = uint8_t(rng() % 100);
                if (k == 3) rec[15] = 200;  // date placeholder
                if (k == 5) rec[12] = 150;  // time placeholder
                if (k == 7) std::fill(rec, rec + 8, 0);  // both volumes 0
                sim_->poke(Area::Program, base + uint32_t(16 * k), rec);
            }
        }
        const uint8_t cal[4] = {11, 22, 33, 255};
        sim_->poke(Area::Program, 1184, cal);
        const uint8_t trig[2] = {7, 9};
        sim_->poke(Area::Program, 1188, trig);
        const uint8_t thr[6] = {101, 101, 0x34, 0x12, 0x01, 0x00};
        sim_->poke(Area::Program, 1190, thr);
        const uint8_t left[4] = {0x0F, 0x27, 0x5A, 0xA5};  // 9999
        sim_->poke(Area::Process, 78, left);
        const uint8_t right[4] = {0x2A, 0x00, 0x00, 0x00};  // 42
        sim_->poke(Area::Process, 81, right);
        sim_->pokeByte(Area::Process, 21, 0x90);  // left VK, right DK
    }

    // The file a side should get, from the simulator's memory decoded here.
    QByteArray ExpectedText(Side side) {
        const bool left = side == Side::Left;
        LogFileValues v;
        v.side = side;
        v.identification = kId;
        v.stationName = QStringLiteral("Tankstelle Süd");
        v.dispenserNumber = left ? QStringLiteral("3") : QStringLiteral("4");
        const auto cal = sim_->peek(Area::Program, 1184, 4);
        v.liquidCalibration = cal[left ? 0 : 2];
        v.gasCalibration = cal[left ? 1 : 3];
        v.triggerThreshold = sim_->peekByte(Area::Program, left ? 1188 : 1189);
        v.errorThreshold = sim_->peekByte(Area::Program, left ? 1190 : 1191);
        const auto counter = sim_->peek(Area::Process, left ? 78 : 81, 2);
        v.errorCounter = uint16_t(counter[0] | counter[1] << 8);
        const uint8_t sensors = sim_->peekByte(Area::Process, 21);
        for (int k = 0; k < 14; ++k) {
            const auto b = sim_->peek(Area::Program, uint32_t((left ? 1216 : 1440) + 16 * k), 16);
            LogRowValues& row = v.rows[size_t(k)];
            row.sensors = sensors;
            row.record.liquidMl = U32(b, 0);
            row.record.gasMl = U32(b, 4);
            row.record.inputs = b[8];
            row.record.outputs = b[9];
            row.record.second = b[10];
            row.record.minute = b[11];
            row.record.hour = b[12];
            row.record.day = b[13];
            row.record.month = b[14];
            row.record.year = b[15];
        }
        return BuildLogText(v);
    }

    QTemporaryDir workDir_;
    QString oldDir_;
    test::RecordingUi ui_;
    test::SimLink sim_;
    DeviceLink link_;
};

TEST_F(LogWriterTest, BothFilesMatchTheControllerMemory) {
    // An older, longer file of the same name must not leave its tail behind.
    QDir().mkdir("Log");
    {
        QFile old("Log/" + kId + "_R.log");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(20000, 'x'));
    }

    std::vector<int> steps;
    LogWriteHooks hooks;
    hooks.onStep = [&](int done) { steps.push_back(done); };
    int beforeOpen = 0;
    hooks.beforeOpen = [&] { ++beforeOpen; };
    WriteLogFiles(link_, kId, hooks);

    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(beforeOpen, 2);
    ASSERT_EQ(steps.size(), size_t(kLogReadsTotal));
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i], int(i) + 1);

    const QByteArray leftText = ReadAll("Log/" + kId + "_L.log");
    const QByteArray rightText = ReadAll("Log/" + kId + "_R.log");
    EXPECT_EQ(leftText, ExpectedText(Side::Left));
    EXPECT_EQ(rightText, ExpectedText(Side::Right));

    // A few cells written out by hand, independent of the text builder.
    const QList<QByteArray> left = Lines(leftText);
    const QList<QByteArray> right = Lines(rightText);
    ASSERT_EQ(left.size(), 18 + 28);
    ASSERT_EQ(right.size(), 18 + 28);
    for (int k = 0; k < 14; ++k) {
        for (int s = 0; s < 2; ++s) {
            const auto b = sim_->peek(Area::Program, uint32_t((s == 0 ? 1216 : 1440) + 16 * k), 16);
            char cells[64];
            std::snprintf(cells, sizeof cells, "|%010u |%010u|", U32(b, 0), U32(b, 4));
            const QByteArray& row = (s == 0 ? left : right)[18 + 2 * k];
            EXPECT_EQ(row.mid(10, 24), QByteArray(cells)) << row.constData();
            char date[16];
            std::snprintf(date, sizeof date, "%02u.%02u.%02u", b[13], b[14], b[15]);
            char time[16];
            std::snprintf(time, sizeof time, "%02u:%02u:%02u", b[12], b[11], b[10]);
            EXPECT_EQ(row.mid(64, 8), b[15] > 99 ? QByteArray("00:00:00") : QByteArray(date));
            EXPECT_EQ(row.mid(73, 8), b[12] > 99 ? QByteArray("00:00:00") : QByteArray(time));
            EXPECT_EQ(row.size(), 91);
        }
    }
    EXPECT_TRUE(left[1].startsWith(" Ger\xE4te-Id: 0001234567 "));
    EXPECT_TRUE(left[1].contains("| Fehlerz\xE4hlerinhalt: 9999 "));
    EXPECT_TRUE(right[1].contains("| Fehlerz\xE4hlerinhalt: 42 "));
    EXPECT_TRUE(left[3].startsWith(" Tankstelle:\tTankstelle S\xFC" "d"));
    EXPECT_TRUE(left[9].contains("\t--%\t"));
    EXPECT_TRUE(right[9].contains("\t101%\t"));
    EXPECT_TRUE(right[7].contains("Gasz\xE4hler:\t255 Impl/l"));

    // The reads of the access summary, in order: per side the three header
    // blocks, the counter, then per record 8 bytes, process byte 21, 8 bytes.
    const auto frames = sim_->frames();
    ASSERT_EQ(frames.size(), size_t(kLogReadsTotal));
    std::vector<std::pair<int, int>> expected;  // (address, count)
    for (int s = 0; s < 2; ++s) {
        expected.insert(expected.end(), {{1184, 4}, {1188, 2}, {1190, 6}, {s == 0 ? 78 : 81, 4}});
        for (int k = 0; k < 14; ++k) {
            const int a = (s == 0 ? 1216 : 1440) + 16 * k;
            expected.insert(expected.end(), {{a, 8}, {21, 1}, {a + 8, 8}});
        }
    }
    const uint8_t programCmd = frames[0].request.at(1);
    const uint8_t processCmd = frames[3].request.at(1);
    EXPECT_NE(programCmd, processCmd);
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto& r = frames[i].request;
        ASSERT_GE(r.size(), 5u);
        EXPECT_EQ(std::make_pair(r[3] | r[4] << 8, int(r[2])), expected[i]) << "read " << i;
        const bool process = expected[i].first < 100;
        EXPECT_EQ(r[1], process ? processCmd : programCmd) << "read " << i;
    }
}

TEST_F(LogWriterTest, ReadsFailingHalfWayGiveMessagesWholeFilesAndKeepTheOlderFile) {
    // The controller misses every attempt of the 21st read (process byte 21
    // of the sixth row, printed 9) and of the 26th (the first of the eighth
    // row, printed 7) and answers in between and afterwards: those rows have blank
    // cells, and the file with them keeps the older one as ".bak".
    QDir().mkdir("Log");
    const QString leftPath = "Log/" + kId + "_L.log";
    PutFile(leftPath, "older refuellings");
    Change_Wait_Time(test::kShortWait);
    LogWriteHooks hooks;
    hooks.onStep = [&](int done) {
        if (done == 20 || done == 25) sim_->inject(FaultKind::Silence, 4);
    };
    EXPECT_TRUE(WriteLogFiles(link_, kId, hooks));
    Change_Wait_Time(test::kNormalWait);

    EXPECT_EQ(ui_.count(), 2u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(int(ui_.countText(kTimeoutText)), 2);
    EXPECT_EQ(ReadAll(leftPath + ".bak"), QByteArray("older refuellings"));
    EXPECT_FALSE(QFileInfo::exists("Log/" + kId + "_R.log.bak"));
    EXPECT_EQ(ReadAll("Log/" + kId + "_R.log"), ExpectedText(Side::Right));

    const QList<QByteArray> left = Lines(ReadAll(leftPath));
    const QList<QByteArray> healthy = Lines(ExpectedText(Side::Left));
    ASSERT_EQ(left.size(), 18 + 28);
    for (int i = 12; i < left.size(); ++i) EXPECT_EQ(left[i].size(), 91) << i << left[i].constData();
    for (int i = 0; i < left.size(); ++i)
        if (i != 28 && i != 32) {
            EXPECT_EQ(left[i], healthy[i]) << i;
        }
    EXPECT_TRUE(left[28].startsWith("|      9  |"));
    EXPECT_TRUE(left[28].endsWith("|    |    |    |    |    |    |        |        |        |"))
        << left[28].constData();
    EXPECT_FALSE(left[28].mid(11, 10).trimmed().isEmpty());  // the volumes were read
    EXPECT_EQ(left[32], "|      7  |           |          |    |    |    |    |    |    |        |        |        |");
}

TEST_F(LogWriterTest, ALineThatDiesStopsTheRunWithOneMessageAndKeepsTheFiles) {
    // The controller stops answering for good after the 20th read: the 21st
    // and the first read of the next row time out whole, and the run stops
    // there, on the left side; the right side is not read at all.
    QDir().mkdir("Log");
    for (Side side : {Side::Left, Side::Right}) PutFile("Log/" + LogFileName(side, kId), "older refuellings");
    std::vector<int> steps;
    LogWriteHooks hooks;
    hooks.onStep = [&](int done) {
        steps.push_back(done);
        if (done == 20) sim_.silence();
    };
    EXPECT_FALSE(WriteLogFiles(link_, kId, hooks));

    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(ui_.last().text, kLineDeadText);
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Kommunikations-Fehler"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);
    EXPECT_EQ(steps.back(), 22);  // the sixth row, behind its failed read
    EXPECT_EQ(int(sim_->frameCount()), 20 + 2 * 4);
    for (Side side : {Side::Left, Side::Right})
        EXPECT_EQ(ReadAll("Log/" + LogFileName(side, kId)), QByteArray("older refuellings"));
    EXPECT_EQ(QDir("Log").entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);

    // Dying between the sides (the left file's last read and the right
    // file's first): the left file is written, the right one stays.
    sim_.clearFaults();
    sim_->clearLog();
    ui_.clear();
    hooks.onStep = [&](int done) {
        if (done == kLogReadsPerSide - 1) sim_->inject(FaultKind::Silence, 4);
        if (done == kLogReadsPerSide) sim_.silence();
    };
    Change_Wait_Time(test::kShortWait);
    EXPECT_FALSE(WriteLogFiles(link_, kId, hooks));
    // The left file's failed read, then the run's end.
    ASSERT_EQ(ui_.count(), 2u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(ui_.texts(), (QStringList{kTimeoutText, kLineDeadText}));
    EXPECT_EQ(ReadAll("Log/" + kId + "_R.log"), QByteArray("older refuellings"));
    EXPECT_EQ(ReadAll("Log/" + kId + "_L.log.bak"), QByteArray("older refuellings"));
    EXPECT_NE(ReadAll("Log/" + kId + "_L.log"), QByteArray("older refuellings"));
}

// At the controller's wire speed, one bad or late reply in the middle of a
// run: the rest of it must not pass for the next answer. The retries take
// it in, the files are a clean run's, and the next opening works at once.
// A bad or late reply in the middle of a run costs at most the reads it
// answered: a late reply is taken in by the retries, a garbled one fails its
// own read (a read is repeated only after silence or a bad checksum), and
// neither leaves the rest of the run or the next opening confused.
TEST_F(LogWriterTest, ABadOrLateReplyMidRunCostsNoOtherRead) {
    sim_->setWireTiming(4800);
    struct Fault {
        FaultKind kind;
        int count;
        int value;
        int failedReads;
    };
    const Fault faults[] = {{FaultKind::Delay, 1, 2500, 0},
                            {FaultKind::Garbage, 2, -1, 2},
                            {FaultKind::BadLength, 2, -1, 2},
                            {FaultKind::LongReply, 3, -1, 3}};
    const QByteArray left = ExpectedText(Side::Left);
    const QByteArray right = ExpectedText(Side::Right);
    for (const Fault& f : faults) {
        SCOPED_TRACE(gardosim::faultName(f.kind));
        LogWriteHooks hooks;
        hooks.onStep = [&](int done) {
            if (done == 30) sim_->inject(f.kind, f.count, f.value);
        };
        EXPECT_TRUE(WriteLogFiles(link_, kId, hooks));
        EXPECT_TRUE(sim_->pendingFaults().empty());
        EXPECT_EQ(ui_.count(), std::size_t(f.failedReads)) << ui_.texts().join("|").toStdString();
        if (f.failedReads == 0) {
            EXPECT_EQ(ReadAll("Log/" + kId + "_L.log"), left);
            EXPECT_EQ(ReadAll("Log/" + kId + "_R.log"), right);
        }

        // The next opening: every read answered at its first request.
        ASSERT_EQ(CloseCommunication(), 0);
        ASSERT_EQ(InitCommunication(sim_.portName().toLatin1().constData(), 4800), 0);
        sim_->clearLog();
        uint8_t ident[4];
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Read_Program(1680, 4, ident), GARDO_OK);
        EXPECT_EQ(sim_->frameCount(), 3u);
        ui_.clear();
    }
}

// Temporary files of runs killed while writing stay behind; a later run
// removes those of its own files' pattern that are old and held by no one.
TEST_F(LogWriterTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
    QDir().mkdir("Log");
    const QString own = "Log/." + kId + "_L.log.";
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    auto make = [&](const QString& path, bool aged) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write("partial");
        f.flush();
        if (aged) {
            ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
        }
    };
    make(own + "1kz9q0.tmp", true);      // left behind: removed
    make(own + "7hv3.tmp", false);       // a concurrent run's, just made
    make(own + "held1.tmp", true);       // a concurrent run still writes it
    make("Log/.other.log.1kz9q0.tmp", true);       // not ours
    make(own + "1kz9q0.tmp.keep", true);  // not our pattern
    make("Log/" + kId + "_L.log.1kz9q0.tmp", true);  // not hidden: not ours
    QFile held(own + "held1.tmp");
    ASSERT_TRUE(held.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX | LOCK_NB), 0);

    WriteLogFiles(link_, kId);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join("|").toStdString();
    QStringList left = QDir("Log").entryList(QDir::Files | QDir::Hidden | QDir::System);
    left.sort();
    QStringList expected = {"." + kId + "_L.log.1kz9q0.tmp.keep", "." + kId + "_L.log.7hv3.tmp",
                            "." + kId + "_L.log.held1.tmp", ".other.log.1kz9q0.tmp",
                            kId + "_L.log", kId + "_L.log.1kz9q0.tmp", kId + "_R.log"};
    expected.sort();
    EXPECT_EQ(left, expected);
}

TEST_F(LogWriterTest, FileErrorsShowTheSystemTextAndTheOtherSideIsStillWritten) {
    QDir().mkpath("Log/" + kId + "_L.log");  // a folder where the file should be
    LogWriteHooks hooks;
    QWidget owner;
    hooks.owner = &owner;
    EXPECT_FALSE(WriteLogFile(link_, Side::Left, kId, hooks));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);
    EXPECT_EQ(ui_.last().parent, &owner);
    EXPECT_FALSE(ui_.last().text.isEmpty());

    // All reads of the side took place before the file was tried.
    EXPECT_EQ(int(sim_->frameCount()), kLogReadsPerSide);

    ui_.clear();
    WriteLogFiles(link_, kId);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ReadAll("Log/" + kId + "_R.log"), ExpectedText(Side::Right));
}

TEST_F(LogWriterTest, LinksAtTheFileNamesAreReplacedNeverFollowed) {
    // One link to a file outside "Log", one to a file that does not exist.
    QDir().mkdir("Log");
    QDir().mkdir("elsewhere");
    {
        QFile victim("elsewhere/victim.txt");
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
        victim.write("keep me");
    }
    ASSERT_TRUE(QFile::link("../elsewhere/victim.txt", "Log/" + kId + "_L.log"));
    ASSERT_TRUE(QFile::link("../elsewhere/dangling.txt", "Log/" + kId + "_R.log"));

    WriteLogFiles(link_, kId);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(ReadAll("elsewhere/victim.txt"), QByteArray("keep me"));
    EXPECT_FALSE(QFileInfo::exists("elsewhere/dangling.txt"));
    for (Side side : {Side::Left, Side::Right}) {
        const QFileInfo file("Log/" + LogFileName(side, kId));
        EXPECT_FALSE(file.isSymLink());
        EXPECT_TRUE(file.isFile());
        EXPECT_EQ(ReadAll(file.filePath()), ExpectedText(side));
    }
    EXPECT_EQ(QDir("Log").entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

// The file size limit makes the system refuse the writes as a full disk
// does: a real write failure, without a disk to fill.
TEST_F(LogWriterTest, AFailedWriteLeavesTheOlderFileAndNoTemporaryFile) {
    QDir().mkdir("Log");
    const QString path = "Log/" + kId + "_L.log";
    PutFile(path, "older log");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1000;  // the log text is several times this
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteLogFile(link_, Side::Left, kId);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);
    EXPECT_FALSE(ui_.last().text.isEmpty());
    EXPECT_EQ(ReadAll(path), QByteArray("older log"));
    EXPECT_EQ(QDir("Log").entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{kId + "_L.log"});

    // With room again the same call replaces it.
    EXPECT_TRUE(WriteLogFile(link_, Side::Left, kId));
    EXPECT_EQ(ReadAll(path), ExpectedText(Side::Left));
}

TEST_F(LogWriterTest, EmptyIdentificationWritesUnnamedFiles) {
    // The main dialog never read an identification: the files are still
    // written, and the station database says once per side that it has no key.
    WriteLogFiles(link_, QString());
    EXPECT_EQ(ui_.count(), 2u) << ui_.texts().join("|").toStdString();
    const QList<QByteArray> left = Lines(ReadAll("Log/_L.log"));
    ASSERT_EQ(left.size(), 46);
    EXPECT_EQ(left[1].left(41), " Ger\xE4te-Id: " + QByteArray(29, ' '));
    EXPECT_TRUE(QFileInfo::exists("Log/_R.log"));
}

}  // namespace
}  // namespace lumo
