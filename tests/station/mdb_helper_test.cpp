// Lookups through the lumo-mdb helper process: the rows it finds are those
// that reading in this process finds, its answer travels framed, and a
// damaged file, a FIFO or a helper that misbehaves becomes a failure with a
// text instead of a crash or a hang.
#include "station/mdb_reader.h"

#include "mdb_fixtures.h"
#include "mdbhelper/mdb_file.h"
#include "mdbhelper/row_answer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <set>
#include <sys/stat.h>

namespace lumo::test {
namespace {

using mdb::RowLookup;

const QString kDamaged = QStringLiteral("Datenbank ist besch\u00E4digt: ");

TEST(MdbRowAnswer, RoundTripsAndAnythingElseIsNoAnswer)
{
    mdbrow::Answer row;
    row.outcome = mdbrow::Outcome::Row;
    row.values = {std::string("1"), std::nullopt, std::string(), std::string("zwei\nZeilen\nend\n"),
                  std::string("\xC3\xB6l")};
    const std::string framed = mdbrow::Encode(row);
    const std::optional<mdbrow::Answer> back = mdbrow::Decode(framed);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->outcome, mdbrow::Outcome::Row);
    EXPECT_EQ(back->values, row.values);

    // A helper that dies half-way leaves a cut answer: no cut is an answer,
    // and neither is anything behind the end.
    for (std::size_t n = 0; n < framed.size(); ++n)
        EXPECT_FALSE(mdbrow::Decode(framed.substr(0, n))) << n;
    EXPECT_FALSE(mdbrow::Decode(framed + "x"));
    EXPECT_FALSE(mdbrow::Decode("lumo-mdb 1\nrow 1\nt 99\nkurz\nend\n"));
    EXPECT_FALSE(mdbrow::Decode("lumo-mdb 1\nrow -1\nend\n"));
    EXPECT_FALSE(mdbrow::Decode("lumo-mdb 1\nrow 99999999\nend\n"));
    EXPECT_FALSE(mdbrow::Decode("lumo-mdb 1\nvielleicht\nend\n"));
    EXPECT_FALSE(mdbrow::Decode("Segmentation fault\n"));

    for (mdbrow::Outcome outcome : {mdbrow::Outcome::NoRow, mdbrow::Outcome::NotOpened, mdbrow::Outcome::NoTable,
                                    mdbrow::Outcome::UnreadableTable, mdbrow::Outcome::NoKeyColumn}) {
        mdbrow::Answer other;
        other.outcome = outcome;
        const std::optional<mdbrow::Answer> decoded = mdbrow::Decode(mdbrow::Encode(other));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->outcome, outcome);
        EXPECT_TRUE(decoded->values.empty());
    }
}

// What reading in this process finds for a key: the first row whose key
// column is not null and holds exactly the key.
std::optional<std::vector<std::optional<QString>>> FirstRowInProcess(mdb::Table& table, int keyColumn,
                                                                     const std::string& key)
{
    table.rewind();
    while (table.next()) {
        if (table.isNull(keyColumn) || table.text(keyColumn) != key) continue;
        std::vector<std::optional<QString>> values;
        for (int c = 0; c < table.columnCount(); ++c) {
            if (table.isNull(c))
                values.emplace_back(std::nullopt);
            else
                values.emplace_back(QString::fromStdString(table.text(c)));
        }
        return values;
    }
    return std::nullopt;
}

// Every table of the file, keyed by each of its first columns, with the
// first few texts of that column, the empty text and a text it lacks.
// Returns how many of these lookups found a row.
int ExpectSameRowsAsInProcess(const QString& path)
{
    SCOPED_TRACE(path.toStdString());
    int found = 0;
    auto file = mdb::Database::open(path.toStdString());
    EXPECT_TRUE(file);
    if (!file) return found;
    for (const std::string& name : file->tableNames()) {
        auto table = file->table(name);
        EXPECT_TRUE(table) << name;
        if (!table) continue;
        for (int keyColumn = 0; keyColumn < std::min(table->columnCount(), 3); ++keyColumn) {
            std::set<std::string> keys = {"", "nicht vorhanden"};
            table->rewind();
            for (int row = 0; row < 6 && table->next(); ++row) keys.insert(table->text(keyColumn));
            const std::string columnName = table->columnNames()[std::size_t(keyColumn)];
            for (const std::string& key : keys) {
                SCOPED_TRACE(name + "." + columnName + " = '" + key + "'");
                const auto expected = FirstRowInProcess(*table, keyColumn, key);
                const RowLookup got = mdb::LookUpRow(path, QString::fromStdString(name),
                                                     QString::fromStdString(columnName), QString::fromStdString(key));
                if (!expected) {
                    EXPECT_EQ(got.status, RowLookup::Status::NoMatch) << got.error.toStdString();
                    continue;
                }
                EXPECT_EQ(got.status, RowLookup::Status::Found) << got.error.toStdString();
                EXPECT_EQ(got.values, *expected);
                ++found;
            }
        }
    }
    return found;
}

TEST(MdbHelper, FindsTheSameRowsAsReadingInProcess)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int found = 0;
    for (const NamedFixture& fixture : AllFixtures()) {
        const QString path = dir.filePath(QString::fromStdString(fixture.name) + ".mdb");
        WriteFixture(path, fixture.db);
        found += ExpectSameRowsAsInProcess(path);
    }
    for (const char* demo : {"Saeulenparameter.mdb", "Fehlerdiagnose.mdb"})
        found += ExpectSameRowsAsInProcess(QDir(QStringLiteral(LUMO_DEMO_DB_DIR)).filePath(demo));
    EXPECT_GT(found, 50);
    const QString sample = QStringLiteral(LUMO_SAMPLE_MDB_DIR "/Monitor.mdb");
    if (QFileInfo::exists(sample))
        EXPECT_EQ(ExpectSameRowsAsInProcess(sample), 3);  // one row, keyed by three columns
    else
        std::printf("Monitor.mdb not fetched (scripts/fetch-sample-mdb.sh); compared fixtures only\n");
}

TEST(MdbHelper, DamagedFilesThatCrashTheReaderAreFailuresWithTheText)
{
    const QStringList files = QDir(QStringLiteral(LUMO_CRASH_MDB_DIR)).entryList({"*.mdb"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const QString path = QDir(QStringLiteral(LUMO_CRASH_MDB_DIR)).filePath(name);
        const RowLookup got = mdb::LookUpRow(path, "Saeulenparameter", "ID-Nummer", "0001234567");
        EXPECT_EQ(got.status, RowLookup::Status::Failed) << name.toStdString();
        EXPECT_TRUE(got.error.startsWith(kDamaged)) << got.error.toStdString();
        EXPECT_TRUE(got.error.contains(path)) << got.error.toStdString();
    }
}

TEST(MdbHelper, OnlyRegularFilesAreReadAndAFifoNeverBlocks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath("fifo.mdb");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, dir.path(), dir.filePath("fehlt.mdb"), QString()})
        EXPECT_EQ(mdb::LookUpRow(path, "T", "K", "1").status, RowLookup::Status::NotOpened) << path.toStdString();

    // The helper checks on its own as well (a file swapped after the
    // program looked).
    QProcess helper;
    helper.start(mdb::HelperProgram(), {fifo, "T", "K", "1"});
    ASSERT_TRUE(helper.waitForFinished(mdb::kHelperTimeoutMs)) << "the helper blocked on a FIFO";
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_EQ(helper.readAllStandardOutput(), QByteArray("lumo-mdb 1\nnot-opened\nend\n"));
}

// libmdb writes to standard output itself: its row dumps (switched on
// through MDBOPTS) and remarks on some damaged files. The answer stays
// apart from all of it.
TEST(MdbHelper, LibmdbsOwnOutputStaysOutOfTheAnswer)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("Saeulenparameter.mdb");
    WriteFixture(path, StandardParameters());
    const RowLookup clean = mdb::LookUpRow(path, "Saeulenparameter", "ID-Nummer", "0000000001");
    ASSERT_EQ(clean.status, RowLookup::Status::Found) << clean.error.toStdString();

    qputenv("MDBOPTS", "debug_row");
    const RowLookup noisy = mdb::LookUpRow(path, "Saeulenparameter", "ID-Nummer", "0000000001");
    QProcess helper;
    helper.start(mdb::HelperProgram(), {path, "Saeulenparameter", "ID-Nummer", "0000000001"});
    const bool finished = helper.waitForFinished(mdb::kHelperTimeoutMs);
    qunsetenv("MDBOPTS");
    EXPECT_EQ(noisy.status, RowLookup::Status::Found) << noisy.error.toStdString();
    EXPECT_EQ(noisy.values, clean.values);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(helper.readAllStandardOutput().startsWith("lumo-mdb 1\nrow "));
    EXPECT_TRUE(helper.readAllStandardError().contains("bitmask_sz"));  // libmdb's dump went there
}

class FakeHelper : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        database_ = dir_.filePath("Saeulenparameter.mdb");
        WriteFixture(database_, StandardParameters());
    }
    void TearDown() override { qunsetenv("LUMO_MDB_HELPER"); }

    // Installs a shell script as the helper.
    void useHelper(const QByteArray& script)
    {
        const QString path = dir_.filePath("helper.sh");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("#!/bin/sh\n" + script + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("LUMO_MDB_HELPER", QFile::encodeName(path));
    }

    RowLookup lookUp(int timeoutMs = mdb::kHelperTimeoutMs)
    {
        return mdb::LookUpRow(database_, "Saeulenparameter", "ID-Nummer", "0000000001", timeoutMs);
    }

    QTemporaryDir dir_;
    QString database_;
};

TEST_F(FakeHelper, CrashHangExitCodeAndGarbageAreFailuresWithTheText)
{
    const struct {
        QByteArray script;
        QString reason;
    } cases[] = {
        {"kill -SEGV $$", "das Leseprogramm brach ab"},
        {"exec sleep 60", "keine Antwort nach 0,3 Sekunden"},
        {"printf 'lumo-mdb 1\\nnone\\nend\\n'; exit 3", "das Leseprogramm endete mit dem Code 3"},
        {"printf 'lumo-mdb 1\\nrow 2\\nt 1\\n1\\n'", "unverst\u00E4ndliche Antwort des Leseprogramms"},
        {"echo hallo", "unverst\u00E4ndliche Antwort des Leseprogramms"},
    };
    for (const auto& c : cases) {
        useHelper(c.script);
        const RowLookup got = lookUp(300);
        EXPECT_EQ(got.status, RowLookup::Status::Failed) << c.script.constData();
        EXPECT_EQ(got.error, kDamaged + QString("\u201E%1\u201C kann nicht gelesen werden (%2).").arg(database_, c.reason))
            << got.error.toStdString();
    }

    // A well-formed answer of the stand-in is taken as it is.
    useHelper("printf 'lumo-mdb 1\\nrow 2\\nt 1\\n7\\nn\\nend\\n'");
    const RowLookup row = lookUp();
    ASSERT_EQ(row.status, RowLookup::Status::Found);
    EXPECT_EQ(row.text(0), "7");
    EXPECT_EQ(row.values[1], std::nullopt);
    EXPECT_EQ(row.text(5), "");
}

// A reader that writes without end, or far more than any row, is a
// damaged database: it is stopped, and what it wrote is not kept.
TEST_F(FakeHelper, AnAnswerPastOneMegabyteIsADamagedDatabase)
{
    const QString tooLong = kDamaged + QString("\u201E%1\u201C kann nicht gelesen werden (die Antwort des "
                                               "Leseprogramms ist l\u00E4nger als 1 MB).")
                                           .arg(database_);
    useHelper("exec cat /dev/zero");
    RowLookup got = lookUp(60000);
    EXPECT_EQ(got.status, RowLookup::Status::Failed);
    EXPECT_EQ(got.error, tooLong) << got.error.toStdString();

    // Well framed, but longer than any row can be.
    useHelper("printf 'lumo-mdb 1\\nrow 1\\nt 1100000\\n'; head -c 1100000 /dev/zero | tr '\\0' x; "
              "printf '\\nend\\n'");
    got = lookUp();
    EXPECT_EQ(got.status, RowLookup::Status::Failed);
    EXPECT_EQ(got.error, tooLong) << got.error.toStdString();
}

TEST_F(FakeHelper, MissingHelperIsAFailureThatNamesIt)
{
    qputenv("LUMO_MDB_HELPER", QFile::encodeName(dir_.filePath("fehlt/lumo-mdb")));
    const RowLookup got = lookUp();
    EXPECT_EQ(got.status, RowLookup::Status::Failed);
    EXPECT_TRUE(got.error.startsWith("Das Programm zum Lesen der Datenbank")) << got.error.toStdString();
    EXPECT_TRUE(got.error.contains(dir_.filePath("fehlt/lumo-mdb"))) << got.error.toStdString();
}

}  // namespace
}  // namespace lumo::test
