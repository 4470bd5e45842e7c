// The test files are checked with mdbtools' own programs, independently of
// the program's reading layer: mdb-tables must list exactly the written
// tables, mdb-export must give back every written row.
#include "jet4_writer.h"
#include "mdb_fixtures.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <stdexcept>

namespace lumo::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString& tool, const QStringList& args)
{
    ToolRun r;
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " not found: install the Debian package mdbtools";
        return r;
    }
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << tool.toStdString() << " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// What mdb-export -Q -d TAB prints for a table: a header line, then one line
// per row; null and empty both print as nothing, Yes/No as 1 or 0.
QString expectedExport(const jet4::Table& t)
{
    QStringList lines;
    QStringList header;
    for (const auto& c : t.columns) header << QString::fromStdString(c.name);
    lines << header.join('\t');
    for (const auto& row : t.rows) {
        QStringList fields;
        for (const Cell& v : row) {
            switch (v.kind) {
            case Cell::Kind::Null: fields << QString(); break;
            case Cell::Kind::Text: fields << QString::fromStdString(v.text); break;
            case Cell::Kind::Long: fields << QString::number(v.number); break;
            case Cell::Kind::YesNo: fields << (v.flag ? "1" : "0"); break;
            }
        }
        lines << fields.join('\t');
    }
    return lines.join('\n') + '\n';
}

TEST(Jet4Writer, EveryFixtureReadsBackWithMdbtools)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const NamedFixture& f : AllFixtures()) {
        SCOPED_TRACE(f.name);
        const QString path = dir.filePath(QString::fromStdString(f.name) + ".mdb");
        WriteFixture(path, f.db);

        const ToolRun ver = runTool("mdb-ver", {path});
        EXPECT_EQ(ver.out.trimmed(), "JET4");

        QStringList names;
        for (const auto& t : f.db.tables) names << QString::fromStdString(t.name);
        const ToolRun tables = runTool("mdb-tables", {"-1", path});
        ASSERT_EQ(tables.exitCode, 0) << tables.err.toStdString();
        EXPECT_EQ(tables.out.split('\n', Qt::SkipEmptyParts), names);

        for (const auto& t : f.db.tables) {
            SCOPED_TRACE(t.name);
            const ToolRun exported = runTool("mdb-export", {"-Q", "-d", "\t", path, QString::fromStdString(t.name)});
            ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
            EXPECT_EQ(exported.out.toStdString(), expectedExport(t).toStdString());
            const ToolRun count = runTool("mdb-count", {path, QString::fromStdString(t.name)});
            EXPECT_EQ(count.out.trimmed().toLongLong(), qint64(t.rows.size()));
        }
    }
}

TEST(Jet4Writer, ColumnTypesAndSizesAsDefined)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("types.mdb");
    WriteFixture(path, MixedTypes(3));
    const ToolRun schema = runTool("mdb-schema", {path, "access"});
    ASSERT_EQ(schema.exitCode, 0) << schema.err.toStdString();
    const QString s = QString(schema.out).remove('\t');
    EXPECT_TRUE(s.contains("[Nr]Long Integer")) << schema.out.toStdString();
    EXPECT_TRUE(s.contains("[Name]Text (50)")) << schema.out.toStdString();
    EXPECT_TRUE(s.contains("[Aktiv]Boolean")) << schema.out.toStdString();
    EXPECT_TRUE(s.contains("[Größe]Text (20)")) << schema.out.toStdString();
}

TEST(Jet4Writer, MissingTableIsReportedByMdbtools)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("params.mdb");
    WriteFixture(path, WithoutParameterTable());
    const ToolRun exported = runTool("mdb-export", {path, "Saeulenparameter"});
    EXPECT_NE(exported.exitCode, 0);
}

TEST(Jet4Writer, RefusesWhatTheFormatCannotHold)
{
    jet4::Database nullFlag{{jet4::Table{"T", {{"B", ColumnType::YesNo}}, {{Cell()}}}}};
    EXPECT_THROW(jet4::Build(nullFlag), std::invalid_argument);
    jet4::Database tooLong{{jet4::Table{"T", {{"S", ColumnType::Text, 3}}, {{"abcd"}}}}};
    EXPECT_THROW(jet4::Build(tooLong), std::invalid_argument);
    jet4::Database wrongWidth{{jet4::Table{"T", {{"A", ColumnType::Long}}, {{Cell(std::int32_t(1)), "x"}}}}};
    EXPECT_THROW(jet4::Build(wrongWidth), std::invalid_argument);
    jet4::Database outsideBmp{{jet4::Table{"T", {{"S", ColumnType::Text}}, {{"\xF0\x9F\x98\x80"}}}}};
    EXPECT_THROW(jet4::Build(outsideBmp), std::invalid_argument);
    std::string error;
    EXPECT_FALSE(jet4::Write("/nonexistent-dir/x.mdb", MixedTypes(1), &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace lumo::test
