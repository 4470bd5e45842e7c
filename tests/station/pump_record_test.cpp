#include "records/pump_record.h"

#include "demo_databases.h"
#include "mdb_fixtures.h"
#include "support/recording_ui.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace lumo::test {
namespace {

class PumpRecordTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    void useDatabases(const jet4::Database& parameters, const jet4::Database& diagnosis)
    {
        WriteFixture(dir_.filePath(kParameterDatabaseFile), parameters);
        WriteFixture(dir_.filePath(kDiagnosisDatabaseFile), diagnosis);
    }

    static QString expectedText(const std::string& prefix, int k)
    {
        return QString::fromStdString(prefix + " " + std::to_string(k));
    }

    void expectEntries(const PumpRecord& r, int level, const std::string& prefix)
    {
        for (int k = 0; k < PumpRecord::kEntryCount; ++k) {
            EXPECT_EQ(r.entry(k).level, level) << k;
            EXPECT_EQ(r.entry(k).text, expectedText(prefix, k)) << k;
        }
    }

    static void expectNothing(const PumpRecord& r)
    {
        for (int k = 0; k < PumpRecord::kEntryCount; ++k) {
            EXPECT_EQ(r.entry(k).level, PumpRecord::kNoLevel) << k;
            EXPECT_TRUE(r.entry(k).text.isEmpty()) << k;
        }
    }

    QTemporaryDir dir_;
    RecordingUi ui_;
};

TEST_F(PumpRecordTest, FreshRecordHoldsNothing)
{
    PumpRecord r(dir_.path());
    EXPECT_TRUE(r.diagnosisType().isEmpty());
    expectNothing(r);
}

TEST_F(PumpRecordTest, LooksUpTypeThenEntriesOfThatType)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    EXPECT_EQ(r.diagnosisType(), "1");
    expectEntries(r, 1, "Typ 1");
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(PumpRecordTest, FirstOfSeveralRowsWithTheSameKeyIsUsed)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    // Parameters hold 0000000003 with type "2" and then "1"; the diagnosis
    // table holds type "2" twice.
    ASSERT_TRUE(r.LookupDiagnosis("0000000003"));
    EXPECT_EQ(r.diagnosisType(), "2");
    expectEntries(r, 0, "Typ 2 erste Zeile");
}

TEST_F(PumpRecordTest, UnknownNumberQueriesTheEmptyType)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    // Neither the parameter row without a number nor the diagnosis row
    // without a type counts as a match for the empty text.
    ASSERT_TRUE(r.LookupDiagnosis("0009999999"));
    EXPECT_TRUE(r.diagnosisType().isEmpty());
    expectNothing(r);
    EXPECT_EQ(ui_.count(), 0u);

    // A row whose type is the empty text is what that query finds.
    useDatabases(StandardParameters(), DiagnosisWithEmptyKey());
    PumpRecord withEmpty(dir_.path());
    ASSERT_TRUE(withEmpty.LookupDiagnosis("0009999999"));
    expectEntries(withEmpty, 1, "Leerer Typ");
}

TEST_F(PumpRecordTest, TenColumnParameterTableNeverSetsTheType)
{
    useDatabases(TenColumnParameters(), DiagnosisWithEmptyKey());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupParameters("0000000001"));
    EXPECT_TRUE(r.diagnosisType().isEmpty());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    expectEntries(r, 1, "Leerer Typ");
}

TEST_F(PumpRecordTest, NullTypeReadsAsEmptyAndNumericTypeAsItsText)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupParameters("0000000004"));
    EXPECT_EQ(r.diagnosisType(), "");

    useDatabases(NumericTypeParameters(), StandardDiagnosis());
    PumpRecord numeric(dir_.path());
    ASSERT_TRUE(numeric.LookupDiagnosis("0000000009"));
    EXPECT_EQ(numeric.diagnosisType(), "2");
    expectEntries(numeric, 0, "Typ 2 erste Zeile");
}

TEST_F(PumpRecordTest, OnlyExactlyOneMeansLevelOne)
{
    useDatabases(jet4::Database{{ParameterTable({{"0000000001", "L"}})}}, StandardDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    ASSERT_EQ(r.diagnosisType(), "L");
    // Level texts: "1", "01", "-1", "True", "", null, " 1", "1 ", then "0".
    const int levels[9] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(r.entry(k).level, levels[k]) << k;
    EXPECT_EQ(r.entry(0).text, "");  // null
    EXPECT_EQ(r.entry(1).text, "Öl-Überlauf ä ö ü ß");
    EXPECT_EQ(r.entry(2).text, "");  // empty
    EXPECT_EQ(r.entry(3).text, "T4");
    EXPECT_EQ(r.entry(8).text, "Q1 aus");
    // Columns present but null give level 0 and the empty text.
    for (int k = 9; k < PumpRecord::kEntryCount; ++k) {
        EXPECT_EQ(r.entry(k).level, 0) << k;
        EXPECT_EQ(r.entry(k).text, "") << k;
    }
}

TEST_F(PumpRecordTest, NumberAndYesNoColumnsGiveTheirTextForms)
{
    useDatabases(StandardParameters(), TypedDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    EXPECT_EQ(r.entry(0).level, 1);  // the number 1
    EXPECT_EQ(r.entry(0).text, "Eins");
    EXPECT_EQ(r.entry(1).level, 0);  // Yes is a true/false value, not "1"
    EXPECT_EQ(r.entry(1).text, "42");
    EXPECT_EQ(r.entry(2).level, 0);
    EXPECT_EQ(r.entry(2).text, "");
    // The table ends after I3: the other entries stay as they were.
    for (int k = 3; k < PumpRecord::kEntryCount; ++k) {
        EXPECT_EQ(r.entry(k).level, PumpRecord::kNoLevel) << k;
        EXPECT_TRUE(r.entry(k).text.isEmpty()) << k;
    }
}

TEST_F(PumpRecordTest, ColumnsBeyondTheSixteenEntriesAreIgnored)
{
    useDatabases(StandardParameters(), WideDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    expectEntries(r, 1, "Breit");
}

TEST_F(PumpRecordTest, KeysWithQuotesMatchExactlyAndNeverWiden)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("12'34"));
    EXPECT_EQ(r.diagnosisType(), "x'y");
    expectEntries(r, 1, "Anführung");

    // Texts that would have turned a filter built from them into "every row".
    for (const char* id : {"' OR ''='", "0000000001' OR '1'='1", "0000000001'--", "*", "%", "0000000001 "}) {
        PumpRecord other(dir_.path());
        ASSERT_TRUE(other.LookupDiagnosis(QString::fromUtf8(id))) << id;
        EXPECT_TRUE(other.diagnosisType().isEmpty()) << id;
        for (int k = 0; k < PumpRecord::kEntryCount; ++k) EXPECT_TRUE(other.entry(k).text.isEmpty()) << id;
    }
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(PumpRecordTest, MissingParameterFileShowsTheMessageAndStops)
{
    WriteFixture(dir_.filePath(kDiagnosisDatabaseFile), StandardDiagnosis());
    PumpRecord r(dir_.path());
    EXPECT_FALSE(r.LookupDiagnosis("0000000001"));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, "Datenbank konnte nicht geöffnet werden!");
    EXPECT_EQ(ui_.last().caption, "Datenbank-Fehler");
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);
    EXPECT_EQ(ui_.last().modality, Modality::Application);
    expectNothing(r);
}

TEST_F(PumpRecordTest, MissingOrBrokenDiagnosisFileShowsTheMessage)
{
    WriteFixture(dir_.filePath(kParameterDatabaseFile), StandardParameters());
    PumpRecord r(dir_.path());
    EXPECT_FALSE(r.LookupDiagnosis("0000000002"));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, kDatabaseOpenError);
    EXPECT_EQ(r.diagnosisType(), "2");  // read before the failure, kept
    expectNothing(r);

    QFile broken(dir_.filePath(kDiagnosisDatabaseFile));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("Standard Jet DB, but not really");
    broken.close();
    EXPECT_FALSE(r.LookupDiagnosis("0000000002"));
    ASSERT_EQ(ui_.count(), 2u);
    EXPECT_EQ(ui_.last().text, kDatabaseOpenError);
}

TEST_F(PumpRecordTest, MissingTableOrKeyColumnShowsTheLayersTextWithExclamation)
{
    useDatabases(WithoutParameterTable(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    EXPECT_FALSE(r.LookupParameters("0000000001"));
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().icon, MsgIcon::Warning);
    EXPECT_EQ(ui_.last().caption, kDatabaseErrorCaption);
    EXPECT_TRUE(ui_.last().text.contains("Saeulenparameter")) << ui_.last().text.toStdString();

    useDatabases(WithoutKeyColumn(), StandardDiagnosis());
    EXPECT_FALSE(r.LookupDiagnosis("0000000001"));
    ASSERT_EQ(ui_.count(), 2u);
    EXPECT_EQ(ui_.last().icon, MsgIcon::Warning);
    EXPECT_TRUE(ui_.last().text.contains("ID-Nummer")) << ui_.last().text.toStdString();

    // The diagnosis file holding the parameter table instead of its own.
    useDatabases(StandardParameters(), StandardParameters());
    EXPECT_FALSE(r.LookupDiagnosis("0000000001"));
    ASSERT_EQ(ui_.count(), 3u);
    EXPECT_EQ(ui_.last().icon, MsgIcon::Warning);
    EXPECT_TRUE(ui_.last().text.contains("Fehlerdiagnose")) << ui_.last().text.toStdString();
    EXPECT_EQ(r.diagnosisType(), "1");
}

TEST_F(PumpRecordTest, ALaterLookupKeepsNothingOfAnEarlierOne)
{
    useDatabases(StandardParameters(), StandardDiagnosis());
    PumpRecord r(dir_.path());
    ASSERT_TRUE(r.LookupDiagnosis("0000000001"));
    ASSERT_EQ(r.diagnosisType(), "1");
    // A number the parameters lack must not inherit type "1".
    ASSERT_TRUE(r.LookupDiagnosis("0009999999"));
    EXPECT_TRUE(r.diagnosisType().isEmpty());
    expectNothing(r);
}

TEST_F(PumpRecordTest, FilesLieInTheProgramsFolderByDefault)
{
    PumpRecord r;
    const QString dir = QCoreApplication::applicationDirPath();
    EXPECT_EQ(r.parameterDatabasePath(), QDir(dir).filePath("Saeulenparameter.mdb"));
    EXPECT_EQ(r.diagnosisDatabasePath(), QDir(dir).filePath("Fehlerdiagnose.mdb"));
}

// The demo's stored databases: what the generator gives, and what the
// simulated controller's number finds in them.
TEST(DemoDatabases, StoredFilesMatchTheirSourceAndServeTheSimulator)
{
    const QString stored = QStringLiteral(LUMO_DEMO_DB_DIR);
    const std::pair<QString, jet4::Database> files[] = {
        {kParameterDatabaseFile, DemoParameterDatabase()},
        {kDiagnosisDatabaseFile, DemoDiagnosisDatabase()},
    };
    for (const auto& [name, db] : files) {
        QFile f(QDir(stored).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const std::vector<std::uint8_t> built = jet4::Build(db);
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes == QByteArray(reinterpret_cast<const char*>(built.data()), qsizetype(built.size())))
            << name.toStdString() << " differs from make_demo_db's output";
    }

    RecordingUi ui;
    PumpRecord r(stored);
    ASSERT_TRUE(r.LookupDiagnosis(kDemoIdent));
    EXPECT_EQ(r.diagnosisType(), "1");
    EXPECT_EQ(r.entry(0).level, 1);
    EXPECT_EQ(r.entry(0).text, "Zapfventil links ausgehängt: Tankvorgang läuft");
    EXPECT_EQ(r.entry(4).text, "Zapfventil rechts ausgehängt: Tankvorgang läuft");
    EXPECT_EQ(r.entry(9).level, 1);
    EXPECT_TRUE(r.entry(9).text.startsWith("Proportionalventil links")) << r.entry(9).text.toStdString();
    for (int k = 0; k < PumpRecord::kEntryCount; ++k) EXPECT_FALSE(r.entry(k).text.isEmpty()) << k;
    EXPECT_EQ(ui.count(), 0u);
}

}  // namespace
}  // namespace lumo::test
