// gardoctl over several dispensers as a nightly script runs it: a list file,
// children serving dispensers at once, a dead line among live ones, and the
// JSON Lines a script reads back.
#include "support/recording_ui.h"
#include "support/sim_link.h"
#include "run_gardoctl.h"

#include <gardosim/simulator.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

namespace lumo {
namespace {

using gardosim::Area;

using test::Outcome;
using test::RunGardoctl;

QList<QJsonObject> Records(const QByteArray& out)
{
    QList<QJsonObject> records;
    for (const QByteArray& line : out.trimmed().split('\n')) {
        QJsonParseError e;
        records << QJsonDocument::fromJson(line, &e).object();
        EXPECT_EQ(e.error, QJsonParseError::NoError) << line.constData();
    }
    return records;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FleetTest : public ::testing::Test {
protected:
    // COM4 .. COM6, each with an identification and log memory of its own.
    void SetUp() override
    {
        test::testApplication();
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(sims_[i].start(4 + i));
            const uint8_t ident[4] = {uint8_t(0x11 * (i + 1)), 0x04, 0, 0};
            sims_[i]->poke(Area::Program, 1680, ident);
            for (uint32_t a = 1216; a < 1664; ++a) sims_[i]->pokeByte(Area::Program, a, uint8_t(a * (7 + i) + i));
            sims_[i]->clearLog();
        }
        ASSERT_TRUE(dir_.isValid());
    }

    std::size_t Frames() const
    {
        std::size_t n = 0;
        for (const auto& s : sims_) n += s->frameCount();
        return n;
    }

    test::RecordingUi ui_;
    std::array<test::SimLink, 3> sims_;
    QTemporaryDir dir_;
};

TEST_F(FleetTest, ListFileTakesCommentsLabelsAndStandardInputAndRefusesBadLines)
{
    const QString list = dir_.filePath("dispensers");
    ASSERT_TRUE(WriteFile(list, "\xEF\xBB\xBF# Station Nord\n\n  4   Zapfsaeule-3 Nord\r\nCOM5:\tS\xC3\xBC" "d\t\tHalle\n  # end\n"));
    const Outcome fromFile = RunGardoctl({"--ports-from", list, "--port", "6", "ident"}, dir_.path());
    EXPECT_EQ(fromFile.exit, 0) << fromFile.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(fromFile.out), QStringLiteral("COM4:\tZapfsaeule-3 Nord\tident=0000001041\n"
                                                              "COM5:\tSüd Halle\tident=0000001058\n"
                                                              "COM6:\t\tident=0000001075\n"));

    // "-" is standard input, in its place among the --port options.
    const Outcome fromInput = RunGardoctl({"--port", "6", "--ports-from", "-", "--json", "ident"}, dir_.path(), "5 Süd\n");
    EXPECT_EQ(fromInput.exit, 0) << fromInput.err.toStdString();
    const QList<QJsonObject> records = Records(fromInput.out);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0]["port"].toString(), "COM6:");
    EXPECT_FALSE(records[0].contains("label"));
    EXPECT_EQ(records[1]["port"].toString(), "COM5:");
    EXPECT_EQ(records[1]["label"].toString(), "Süd");

    // Usage errors name the file and the line, and no port is touched.
    for (auto& sim : sims_) sim->clearLog();
    ASSERT_TRUE(WriteFile(list, "4 Nord\n\nNord 4\n"));
    const Outcome bad = RunGardoctl({"--ports-from", list, "ident"}, dir_.path());
    EXPECT_EQ(bad.exit, 2);
    EXPECT_TRUE(bad.err.contains(list + ":3: not a port: Nord")) << bad.err.toStdString();
    const Outcome missing = RunGardoctl({"--port", "4", "--ports-from", dir_.filePath("none"), "ident"}, dir_.path());
    EXPECT_EQ(missing.exit, 2);
    EXPECT_TRUE(missing.err.contains(dir_.filePath("none"))) << missing.err.toStdString();
    EXPECT_EQ(RunGardoctl({"--ports-from", "-", "ident"}, dir_.path(), "# only a comment\n").exit, 2);
    for (const char* jobs : {"0", "x", "-1"})
        EXPECT_EQ(RunGardoctl({"--port", "4", "--port", "5", "--jobs", jobs, "ident"}, dir_.path()).exit, 2) << jobs;
    EXPECT_EQ(Frames(), 0u);
}

TEST_F(FleetTest, ChildrenKeepTheListOrderAndADeadDispenserHoldsUpNobody)
{
    // The dead one comes first and takes longest: its four silent attempts.
    sims_[0]->inject(gardosim::FaultKind::Silence, gardosim::kForever);
    const QString serial = dir_.filePath("serial"), parallel = dir_.filePath("parallel");
    const Outcome one = RunGardoctl({"--wait", "300", "--port", "4", "--port", "5", "--port", "6", "logs", "--out", serial},
                                 dir_.path());
    EXPECT_EQ(one.exit, 1);

    const QString list = dir_.filePath("dispensers");
    ASSERT_TRUE(WriteFile(list, "4 Tot\n5 Nord\n6 Süd\n"));
    const Outcome all = RunGardoctl({"--wait", "300", "--ports-from", list, "--jobs", "3", "--json", "logs", "--out", parallel},
                                 dir_.path());
    EXPECT_EQ(all.exit, 1) << all.err.toStdString();

    // The live dispensers' files are complete and the same as one at a time.
    const QStringList names{"0000001058_L.log", "0000001058_R.log", "0000001075_L.log", "0000001075_R.log"};
    EXPECT_EQ(QDir(serial).entryList(QDir::Files), names);
    EXPECT_EQ(QDir(parallel).entryList(QDir::Files), names);
    for (const QString& name : names) {
        const QByteArray expected = ReadAll(serial + "/" + name);
        EXPECT_GT(expected.size(), 3000) << name.toStdString();
        EXPECT_EQ(ReadAll(parallel + "/" + name), expected) << name.toStdString();
    }
    EXPECT_FALSE(QDir(dir_.path()).exists("Log"));

    // One record a dispenser, in the list's order.
    const QList<QJsonObject> records = Records(all.out);
    ASSERT_EQ(records.size(), 3);
    const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
    const char* ports[] = {"COM4:", "COM5:", "COM6:"};
    const char* labels[] = {"Tot", "Nord", "Süd"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i]["format"].toInt(), 1);
        EXPECT_EQ(records[i]["port"].toString(), ports[i]);
        EXPECT_EQ(records[i]["label"].toString(), QString::fromUtf8(labels[i]));
        EXPECT_TRUE(iso.match(records[i]["time"].toString()).hasMatch()) << records[i]["time"].toString().toStdString();
        EXPECT_EQ(records[i]["ok"].toBool(), i > 0);
    }
    EXPECT_FALSE(records[0].contains("ident"));
    EXPECT_EQ(records[0]["error"]["name"].toString(), "SERLINK_E_READ_TIMEOUT");
    EXPECT_TRUE(records[0]["error"]["text"].toString().startsWith("Timeout-Fehler"));
    EXPECT_EQ(records[1]["ident"].toString(), "0000001058");
    EXPECT_EQ(records[2]["files"]["right"].toString(), QDir(parallel).absoluteFilePath("0000001075_R.log"));
    EXPECT_FALSE(records[2].contains("error"));

    // The summary: one line for the count, one for each failure.
    EXPECT_TRUE(all.err.contains("gardoctl: 2 of 3 dispensers succeeded, 1 failed\n"
                                 "gardoctl: failed: COM4: [Tot] Timeout-Fehler"))
        << all.err.toStdString();

    // The same device under two names is never served twice at once: the
    // serial library would refuse the second open.
    sims_[0]->clearFaults();
    const QString device = QString::fromStdString(sims_[1]->slavePath()) + ":";
    const Outcome twice = RunGardoctl({"--jobs", "2", "--port", "5", "--port", device, "status"}, dir_.path());
    EXPECT_EQ(twice.exit, 0) << twice.err.toStdString();
}

TEST_F(FleetTest, ListPortsShowsTheEntriesAndTalksToNoController)
{
    const Outcome text = RunGardoctl({"--list-ports"}, dir_.path());
    EXPECT_EQ(text.exit, 0);
    EXPECT_TRUE(text.out.contains("COM5 = " + QByteArray::fromStdString(sims_[1]->slavePath()) + "\n"))
        << text.out.constData();

    const Outcome json = RunGardoctl({"--list-ports", "--json"}, dir_.path());
    EXPECT_EQ(json.exit, 0);
    int found = 0;
    for (const QJsonObject& o : Records(json.out)) {
        if (o["com"].toInt() < 4 || o["com"].toInt() > 6) continue;
        EXPECT_EQ(o["port"].toString(), QStringLiteral("COM%1").arg(o["com"].toInt()));
        EXPECT_EQ(o["device"].toString().toStdString(), sims_[o["com"].toInt() - 4]->slavePath());
        ++found;
    }
    EXPECT_EQ(found, 3);
    EXPECT_EQ(RunGardoctl({"--list-ports", "--port", "4"}, dir_.path()).exit, 2);
    EXPECT_EQ(Frames(), 0u);
}

}  // namespace
}  // namespace lumo
