#include "mdbhelper/mdb_file.h"

#include "mdb_fixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace lumo::test {
namespace {

using Names = std::vector<std::string>;

class MdbReader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string write(const QString& name, const jet4::Database& db)
    {
        const QString path = dir_.filePath(name);
        WriteFixture(path, db);
        return path.toStdString();
    }
    std::string path(const QString& name) const { return dir_.filePath(name).toStdString(); }
    QTemporaryDir dir_;
};

TEST_F(MdbReader, ColumnsInTableOrderAndRowsInStoredOrder)
{
    const int rows = 3000;  // several data pages
    const jet4::Database db = MixedTypes(rows);
    auto file = mdb::Database::open(write("mixed.mdb", db));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->tableNames(), Names({"Gemischt", "Leer"}));

    auto table = file->table("gemischt");  // names compare without regard to case
    ASSERT_TRUE(table);
    EXPECT_EQ(table->name(), "Gemischt");
    EXPECT_EQ(table->columnNames(), Names({"Nr", "Name", "Aktiv", "Größe", "Zähler"}));
    EXPECT_EQ(table->columnTypeName(0), "Long Integer");
    EXPECT_EQ(table->columnTypeName(1), "Text");
    EXPECT_EQ(table->columnTypeName(2), "Boolean");
    EXPECT_EQ(table->findColumn("zähler"), 4);
    EXPECT_EQ(table->findColumn("Fehlt"), -1);

    const auto& expected = db.tables[0].rows;
    std::size_t n = 0;
    while (table->next()) {
        ASSERT_LT(n, expected.size());
        const auto& row = expected[n];
        for (int c = 0; c < 5; ++c) {
            const Cell& v = row[std::size_t(c)];
            SCOPED_TRACE(testing::Message() << "row " << n << " column " << c);
            switch (v.kind) {
            case Cell::Kind::Null:
                EXPECT_TRUE(table->isNull(c));
                EXPECT_EQ(table->text(c), "");
                break;
            case Cell::Kind::Text:
                EXPECT_FALSE(table->isNull(c));
                EXPECT_EQ(table->text(c), v.text);
                break;
            case Cell::Kind::Long:
                EXPECT_FALSE(table->isNull(c));
                EXPECT_EQ(table->text(c), std::to_string(v.number));
                break;
            case Cell::Kind::YesNo:
                EXPECT_FALSE(table->isNull(c));
                EXPECT_EQ(table->text(c), v.flag ? "TRUE" : "FALSE");
                break;
            }
        }
        ++n;
    }
    EXPECT_EQ(n, expected.size());
    EXPECT_FALSE(table->next());

    table->rewind();
    ASSERT_TRUE(table->next());
    EXPECT_EQ(table->text(0), "0");

    auto empty = file->table("Leer");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->next());
    EXPECT_TRUE(empty->isNull(0));
}

TEST_F(MdbReader, MissingTableIsTold)
{
    auto file = mdb::Database::open(write("p.mdb", WithoutParameterTable()));
    ASSERT_TRUE(file);
    mdb::Database::TableError error = mdb::Database::TableError::None;
    EXPECT_FALSE(file->table("Saeulenparameter", &error));
    EXPECT_EQ(error, mdb::Database::TableError::Missing);
}

TEST_F(MdbReader, FilesThatAreNoDatabaseDoNotOpen)
{
    EXPECT_FALSE(mdb::Database::open(path("fehlt.mdb")));
    EXPECT_FALSE(mdb::Database::open(std::string()));
    EXPECT_FALSE(mdb::Database::open(dir_.path().toStdString()));  // a folder

    QFile text(dir_.filePath("text.mdb"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(8192, 'x'));
    text.close();
    EXPECT_FALSE(mdb::Database::open(text.fileName().toStdString()));

    QFile empty(dir_.filePath("leer.mdb"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(mdb::Database::open(empty.fileName().toStdString()));
}

TEST_F(MdbReader, DatabaseWithoutTables)
{
    auto file = mdb::Database::open(write("leer.mdb", jet4::Database{}));
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->tableNames().empty());
    EXPECT_FALSE(file->table("Saeulenparameter"));
}

// A file that Access itself wrote (fetched by scripts/fetch-sample-mdb.sh).
TEST(MdbReaderSample, ReadsAFileWrittenByAccess)
{
    const QString path = QStringLiteral(LUMO_SAMPLE_MDB_DIR "/Monitor.mdb");
    if (!QFileInfo::exists(path))
        GTEST_SKIP() << path.toStdString()
                     << " is missing: scripts/fetch-sample-mdb.sh could not download the "
                        "Debian package mrtg-contrib (no network?)";
    auto file = mdb::Database::open(path.toStdString());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->tableNames(), Names({"Monitor_Authenticate"}));
    auto table = file->table("Monitor_Authenticate");
    ASSERT_TRUE(table);
    EXPECT_EQ(table->columnNames(),
              Names({"ID", "LineNumber", "LinePassword", "LineSpeed", "EMail_Address", "Graph_Day",
                           "Graph_Week", "Graph_Month", "Graph_Year", "Graph_EMail", "LastVisit",
                           "Comment"}));
    EXPECT_EQ(table->columnTypeName(10), "DateTime");
    ASSERT_TRUE(table->next());
    EXPECT_EQ(table->text(0), "1");
    EXPECT_EQ(table->text(1), "1234567890");  // a Numeric column
    EXPECT_EQ(table->text(2), "12345678");
    EXPECT_EQ(table->text(3), "33600");
    EXPECT_EQ(table->text(4), "nobody@sunnyline.co.za");
    EXPECT_EQ(table->text(5), "TRUE");
    EXPECT_EQ(table->text(9), "FALSE");
    EXPECT_NE(table->text(10).find("20:36:24"), std::string::npos) << table->text(10);
    EXPECT_EQ(table->text(11), "Example Circuit Added For Monitor Example To Potential New Clients");
    for (int c = 0; c < table->columnCount(); ++c) EXPECT_FALSE(table->isNull(c)) << c;
    EXPECT_FALSE(table->next());
}

}  // namespace
}  // namespace lumo::test
