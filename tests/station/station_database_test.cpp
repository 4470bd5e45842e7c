#include "records/station_database.h"

#include "core/data_paths.h"

#include "station_test_util.h"
#include "support/recording_ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumo {
namespace {

using test::RecordingUi;
using test::StationFile;

// The record AppendRecord writes for these values, written out by hand.
const QByteArray kRecord123 =
    "\r\n[ID-Nummer=0000000123;\r\n"
    "Tankstelle=Tankstelle Nord;\r\n"
    "Strasse=Ringstr. 1;\r\n"
    "PLZ=50667;\r\n"
    "Ort=K\xF6" "ln;\r\n"
    "ZS-Marke=Marke A;\r\n"
    "ZS-Type=Typ 7;\r\n"
    "ZS-Bj=1998;\r\n"
    "L-ZS-Nr=3;\r\n"
    "R-ZS-Nr=4;\r\n"
    "Diag-Typ=2;]\r\n";

void Append123(StationDatabase& db) {
    db.AppendRecord(QStringLiteral("0000000123"), QStringLiteral("1998"), QStringLiteral("Marke A"),
                    QStringLiteral("Tankstelle Nord"), QStringLiteral("Köln"),
                    QStringLiteral("50667"), QStringLiteral("Ringstr. 1"), QStringLiteral("Typ 7"),
                    QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("2"));
}

QByteArray Record(const QByteArray& id, const QByteArray& ort, const QByteArray& diag = "1") {
    return "\r\n[ID-Nummer=" + id + ";\r\nTankstelle=T" + id + ";\r\nStrasse=S;\r\nPLZ=P;\r\nOrt=" +
           ort + ";\r\nZS-Marke=M;\r\nZS-Type=Y;\r\nZS-Bj=B;\r\nL-ZS-Nr=L;\r\nR-ZS-Nr=R;\r\nDiag-Typ=" +
           diag + ";]\r\n";
}

TEST(StationTextTest, RecordsEndAtTheirOwnBracketOrAtTheNextRecord) {
    const QByteArray one = Record("0000000001", "A");
    const QByteArray noDiag = "\r\n[ID-Nummer=0000000002;\r\nOrt=B;]\r\n";
    const QByteArray three = Record("0000000003", "C");
    const QByteArray text = one + noDiag + three;

    const auto first = station::FindRecord(text, "0000000001");
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->complete);
    EXPECT_EQ(text.mid(first->begin, first->end - first->begin), one.mid(2, one.size() - 4));

    // No "Diag-Typ" key: the "]" of its own line does not close it, and the
    // key of the next record is not taken for its own.
    const auto second = station::FindRecord(text, "0000000002");
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->complete);
    EXPECT_EQ(second->end, text.indexOf("[ID-Nummer=0000000003"));

    EXPECT_FALSE(station::FindRecord(text, "000000000"));
    EXPECT_FALSE(station::FindRecord(text, "00000000011"));

    const QByteArray record = "Strasse=Ortsweg 3;\r\nOrt=Bonn;\r\n";
    EXPECT_EQ(station::FieldValue(record, "Ort"), QByteArray("Bonn"));
    EXPECT_EQ(station::ReplaceField(record, "Ort", ""), QByteArray("Strasse=Ortsweg 3;\r\nOrt=;\r\n"));
    EXPECT_FALSE(station::ReplaceField("Ort=Bonn", "Ort", "X"));  // no ";"
    EXPECT_FALSE(station::FieldValue(record, "PLZ"));
}

class StationDatabaseTest : public ::testing::Test {
protected:
    StationFile file;
    RecordingUi ui;
};

TEST_F(StationDatabaseTest, FirstAppendCreatesFileWithExactlyOneRecord) {
    ASSERT_FALSE(file.exists());
    StationDatabase db(file.path());
    Append123(db);
    EXPECT_EQ(file.read(), kRecord123);
    EXPECT_EQ(ui.count(), 0u);
    // Nothing but the file is left in the folder.
    EXPECT_EQ(QDir(file.folder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("MavikDatenbank.txt")});
}

TEST_F(StationDatabaseTest, SecondAppendKeepsFirstRecordByteForByte) {
    StationDatabase first(file.path());
    Append123(first);
    StationDatabase second(file.path());
    second.AppendRecord(QStringLiteral("0000000007"), {}, {}, {}, {}, {}, {}, {}, {}, {},
                        QStringLiteral("1"));
    const QByteArray expected = kRecord123.left(kRecord123.size() - 2) +
                                "\r\n[ID-Nummer=0000000007;\r\nTankstelle=;\r\nStrasse=;\r\nPLZ=;\r\n"
                                "Ort=;\r\nZS-Marke=;\r\nZS-Type=;\r\nZS-Bj=;\r\nL-ZS-Nr=;\r\n"
                                "R-ZS-Nr=;\r\nDiag-Typ=1;]\r\n";
    EXPECT_EQ(file.read(), expected);
}

TEST_F(StationDatabaseTest, LoadFindsOnlyTheExactNumberAndReadsEveryField) {
    file.write(kRecord123);
    StationDatabase db(file.path());
    EXPECT_EQ(db.LoadRecord(QStringLiteral("12")), 1);
    EXPECT_TRUE(db.RecordText().isEmpty());
    EXPECT_EQ(db.LoadRecord(QStringLiteral("000000012")), 1);
    EXPECT_TRUE(db.RecordText().isEmpty());

    EXPECT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(db.RecordText(), kRecord123.mid(2, kRecord123.size() - 4));
    EXPECT_EQ(db.ReadTankstelle(), QStringLiteral("Tankstelle Nord"));
    EXPECT_EQ(db.ReadStrasse(), QStringLiteral("Ringstr. 1"));
    EXPECT_EQ(db.ReadPlz(), QStringLiteral("50667"));
    EXPECT_EQ(db.ReadOrt(), QStringLiteral("Köln"));
    EXPECT_EQ(db.ReadZsMarke(), QStringLiteral("Marke A"));
    EXPECT_EQ(db.ReadZsType(), QStringLiteral("Typ 7"));
    EXPECT_EQ(db.ReadZsBj(), QStringLiteral("1998"));
    EXPECT_EQ(db.ReadLZsNr(), QStringLiteral("3"));
    EXPECT_EQ(db.ReadRZsNr(), QStringLiteral("4"));
    EXPECT_EQ(db.ReadDiagTyp(), QStringLiteral("2"));
    EXPECT_EQ(ui.count(), 0u);
}

TEST_F(StationDatabaseTest, SetterKeepsOtherRecordsAndLineEnds) {
    const QByteArray a = Record("0000000001", "A");
    const QByteArray b = Record("0000000002", "B");
    const QByteArray c = Record("0000000003", "C");
    file.write(a + b + c);

    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000002")), 1);
    db.WriteOrt(QStringLiteral("Neustadt"));
    QByteArray expected = a + Record("0000000002", "Neustadt") + c;
    expected.chop(2);  // the final line end lies behind the last "]"
    EXPECT_EQ(file.read(), expected);
    EXPECT_EQ(db.ReadOrt(), QStringLiteral("Neustadt"));

    // A later append puts the new record directly behind that "]".
    StationDatabase next(file.path());
    next.AppendRecord(QStringLiteral("0000000004"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {});
    EXPECT_TRUE(file.read().startsWith(expected + "\r\n[ID-Nummer=0000000004;\r\n"));
}

TEST_F(StationDatabaseTest, EachSetterChangesOnlyItsOwnKey) {
    struct Case {
        void (StationDatabase::*write)(const QString&);
        QByteArray line;
    };
    const Case cases[] = {
        {&StationDatabase::WriteTankstelle, "Tankstelle="}, {&StationDatabase::WriteStrasse, "Strasse="},
        {&StationDatabase::WritePlz, "PLZ="},               {&StationDatabase::WriteOrt, "Ort="},
        {&StationDatabase::WriteZsMarke, "ZS-Marke="},      {&StationDatabase::WriteZsType, "ZS-Type="},
        {&StationDatabase::WriteZsBj, "ZS-Bj="},            {&StationDatabase::WriteLZsNr, "L-ZS-Nr="},
        {&StationDatabase::WriteRZsNr, "R-ZS-Nr="},         {&StationDatabase::WriteDiagTyp, "Diag-Typ="},
    };
    for (const Case& c : cases) {
        file.write(kRecord123);
        StationDatabase db(file.path());
        ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
        (db.*c.write)(QStringLiteral("X"));
        QByteArray expected = kRecord123;
        const qsizetype at = expected.indexOf("\n" + c.line) + 1 + c.line.size();
        expected.replace(at, expected.indexOf(';', at) - at, "X");
        expected.chop(2);
        EXPECT_EQ(file.read(), expected) << c.line.constData();
    }
}

TEST_F(StationDatabaseTest, TextBehindLastBracketIsDropped) {
    file.write(kRecord123 + "Notiz vom Techniker\r\n");
    {
        StationDatabase db(file.path());
        ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
        db.WritePlz(QStringLiteral("50668"));
    }
    QByteArray expected = kRecord123;
    expected.replace("PLZ=50667;", "PLZ=50668;");
    expected.chop(2);
    EXPECT_EQ(file.read(), expected);

    // A file without any "]" reads as empty: an append leaves only its record.
    file.write("\r\n[ID-Nummer=0000000009;\r\nOrt=kaputt;\r\n");
    StationDatabase db(file.path());
    EXPECT_EQ(db.LoadRecord(QStringLiteral("0000000009")), 1);
    EXPECT_TRUE(db.RecordText().isEmpty());
    Append123(db);
    EXPECT_EQ(file.read(), kRecord123);
}

TEST_F(StationDatabaseTest, EmptyValuesRoundTrip) {
    StationDatabase db(file.path());
    db.AppendRecord(QStringLiteral("0000000005"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {});
    StationDatabase reader(file.path());
    ASSERT_EQ(reader.LoadRecord(QStringLiteral("0000000005")), 1);
    ASSERT_FALSE(reader.RecordText().isEmpty());
    for (const QString& value : {reader.ReadTankstelle(), reader.ReadStrasse(), reader.ReadPlz(),
                                 reader.ReadOrt(), reader.ReadZsMarke(), reader.ReadZsType(),
                                 reader.ReadZsBj(), reader.ReadLZsNr(), reader.ReadRZsNr(),
                                 reader.ReadDiagTyp()})
        EXPECT_TRUE(value.isEmpty());

    // Setting a value empty and reading it back.
    file.write(kRecord123);
    StationDatabase writer(file.path());
    ASSERT_EQ(writer.LoadRecord(QStringLiteral("0000000123")), 1);
    writer.WriteOrt(QString());
    StationDatabase again(file.path());
    ASSERT_EQ(again.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(again.ReadOrt(), QString());
    EXPECT_EQ(again.ReadZsMarke(), QStringLiteral("Marke A"));
}

TEST_F(StationDatabaseTest, KeyLettersInsideAValueDoNotDisturbTheKey) {
    StationDatabase db(file.path());
    db.AppendRecord(QStringLiteral("0000000123"), {}, {}, QStringLiteral("PLZ Tankstelle"),
                    QStringLiteral("Berlin"), QStringLiteral("10115"), QStringLiteral("Ortsweg 3"),
                    {}, {}, {}, QStringLiteral("1"));
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(db.ReadOrt(), QStringLiteral("Berlin"));
    EXPECT_EQ(db.ReadPlz(), QStringLiteral("10115"));
    db.WriteOrt(QStringLiteral("Hamburg"));
    StationDatabase reader(file.path());
    ASSERT_EQ(reader.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(reader.ReadStrasse(), QStringLiteral("Ortsweg 3"));
    EXPECT_EQ(reader.ReadOrt(), QStringLiteral("Hamburg"));
    EXPECT_EQ(reader.ReadTankstelle(), QStringLiteral("PLZ Tankstelle"));
}

TEST_F(StationDatabaseTest, GettersKeepEarlierValueWhenKeyIsMissing) {
    file.write("\r\n[ID-Nummer=0000000001;\r\nOrt=Bonn;\r\nDiag-Typ=1;]");
    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000001")), 1);
    EXPECT_EQ(db.ReadOrt(), QStringLiteral("Bonn"));
    EXPECT_EQ(db.ReadPlz(), QString());
    db.WritePlz(QStringLiteral("53111"));  // key missing: nothing written
    EXPECT_EQ(file.read(), QByteArray("\r\n[ID-Nummer=0000000001;\r\nOrt=Bonn;\r\nDiag-Typ=1;]"));
    EXPECT_EQ(db.ReadPlz(), QStringLiteral("53111"));
}

TEST_F(StationDatabaseTest, DamagedRecordIsNeverWrittenAndNeverSpillsIntoTheNext) {
    // The first record lacks its "Diag-Typ" key and its "Ort" key; the
    // record behind it has both.
    const QByteArray damaged = "\r\n[ID-Nummer=0000000001;\r\nTankstelle=Alt;\r\nPLZ=1;\r\n";
    const QByteArray next = Record("0000000002", "Nachbarort");
    file.write(damaged + next);

    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000001")), 1);
    EXPECT_FALSE(db.RecordText().isEmpty());
    EXPECT_FALSE(db.RecordText().contains("Nachbarort"));
    EXPECT_EQ(db.ReadTankstelle(), QStringLiteral("Alt"));
    EXPECT_EQ(db.ReadOrt(), QString());  // not the next record's value
    db.WriteOrt(QStringLiteral("Fremd"));
    db.WriteTankstelle(QStringLiteral("Neu"));
    db.WriteDiagTyp(QStringLiteral("2"));
    EXPECT_EQ(file.read(), damaged + next);

    // A record whose closing "]" is missing, in the middle of the file.
    const QByteArray open = "\r\n[ID-Nummer=0000000003;\r\nOrt=X;\r\nDiag-Typ=1;\r\n";
    file.write(Record("0000000001", "A") + open + next);
    StationDatabase db2(file.path());
    ASSERT_EQ(db2.LoadRecord(QStringLiteral("0000000003")), 1);
    EXPECT_EQ(db2.ReadOrt(), QStringLiteral("X"));
    db2.WriteOrt(QStringLiteral("Y"));
    db2.WriteDiagTyp(QStringLiteral("2"));
    EXPECT_EQ(file.read(), Record("0000000001", "A") + open + next);
    EXPECT_EQ(ui.count(), 0u);
}

TEST_F(StationDatabaseTest, ValuesTheFormatCannotHoldAreMadeSafe) {
    file.write(kRecord123);
    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    db.WriteTankstelle(QStringLiteral("A;B [Nord]\r\nOrt=x Diag-Typ=2 [ID-Nummer=0000000009;"));
    const QString safe = QStringLiteral("A,B (Nord)  Ort:x Diag-Typ:2 (ID-Nummer:0000000009,");
    EXPECT_EQ(db.ReadTankstelle(), safe);
    db.WriteDiagTyp(QStringLiteral("1]"));
    db.AppendRecord(QStringLiteral("0000000124"), {}, {}, QStringLiteral("x;]"), {}, {}, {}, {}, {},
                    {}, QStringLiteral("2]"));

    StationDatabase reader(file.path());
    ASSERT_EQ(reader.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(reader.ReadTankstelle(), safe);
    EXPECT_EQ(reader.ReadOrt(), QStringLiteral("Köln"));
    EXPECT_EQ(reader.ReadPlz(), QStringLiteral("50667"));
    EXPECT_EQ(reader.ReadDiagTyp(), QStringLiteral("1)"));
    EXPECT_EQ(reader.LoadRecord(QStringLiteral("0000000009")), 1);
    EXPECT_TRUE(reader.RecordText().isEmpty());
    ASSERT_EQ(reader.LoadRecord(QStringLiteral("0000000124")), 1);
    EXPECT_EQ(reader.ReadTankstelle(), QStringLiteral("x,)"));
    EXPECT_EQ(reader.ReadDiagTyp(), QStringLiteral("2)"));
    EXPECT_EQ(file.read().count("[ID-Nummer="), 2);
}

TEST_F(StationDatabaseTest, TextIsWindows1252OnDisk) {
    file.write(kRecord123);
    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    db.WriteStrasse(QStringLiteral("Hauptstraße 5 – €"));
    EXPECT_TRUE(file.read().contains(QByteArray("Strasse=Hauptstra\xDF" "e 5 \x96 \x80;\r\n")));
    // A character outside the code page is stored as "?", and read back so.
    db.WriteZsMarke(QStringLiteral("Ω-Werk"));
    EXPECT_TRUE(file.read().contains(QByteArray("ZS-Marke=?-Werk;")));
    EXPECT_EQ(db.ReadZsMarke(), QStringLiteral("?-Werk"));
}

TEST_F(StationDatabaseTest, EmptyIdentificationShowsMessageAndTouchesNothing) {
    StationDatabase db(file.path());
    EXPECT_EQ(db.LoadRecord(QString()), 0);
    ASSERT_EQ(ui.count(), 1u);
    EXPECT_EQ(ui.last().text, QStringLiteral("Fehler beim Lesen der Parameter"));
    EXPECT_EQ(ui.last().icon, MsgIcon::None);
    EXPECT_EQ(ui.last().buttons, MsgButtons::Ok);
    EXPECT_FALSE(file.exists());
}

TEST_F(StationDatabaseTest, MissingFileIsReportedByLoadAndCreatedByAppend) {
    StationDatabase db(file.path());
    EXPECT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 0);
    ASSERT_EQ(ui.count(), 1u);
    EXPECT_EQ(ui.last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.last().icon, MsgIcon::Stop);
    EXPECT_FALSE(ui.last().text.isEmpty());
    EXPECT_LE(ui.last().text.size(), 127);
    EXPECT_TRUE(db.RecordText().isEmpty());
    Append123(db);
    EXPECT_EQ(file.read(), kRecord123);
    EXPECT_EQ(ui.count(), 1u);
}

TEST_F(StationDatabaseTest, UnreadableFileIsNeverReplacedByAppend) {
    // A folder where the file should be: it exists but cannot be read as a
    // file. Appending must not replace it with a file holding only the new
    // record.
    ASSERT_TRUE(QDir().mkpath(file.path()));
    ASSERT_TRUE(QDir(file.path()).exists());
    StationDatabase db(file.path());
    Append123(db);
    EXPECT_EQ(ui.count(), 1u);
    EXPECT_EQ(ui.last().icon, MsgIcon::Stop);
    EXPECT_TRUE(QFileInfo(file.path()).isDir());
}

TEST_F(StationDatabaseTest, FailedSaveLeavesTheOldFileWhole) {
    // A disk that fills up during the save: the file size limit lets the
    // temporary file grow to 64 bytes only.
    const QByteArray old = kRecord123 + Record("0000000001", "A");
    file.write(old);
    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    db.WriteOrt(QStringLiteral("Bonn"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(file.read(), old);
    ASSERT_EQ(ui.count(), 1u);
    EXPECT_EQ(ui.last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.last().icon, MsgIcon::Stop);
    EXPECT_EQ(QDir(file.folder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("MavikDatenbank.txt")});

    // With room again the same change goes through.
    db.WriteOrt(QStringLiteral("Bonn"));
    EXPECT_TRUE(file.read().contains("Ort=Bonn;"));
}

// The station save probe as a user who may write the station file but not
// create files in its folder (on Windows the Windows folder), with a data
// folder of that user's own. As root the probe runs as "nobody".
class InPlaceSave {
public:
    explicit InPlaceSave(const StationFile& file) : file_(file) {}

    // Empty when the probe cannot run as another user.
    QString skipReason() const {
        if (::getuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            return QStringLiteral("running as root without setpriv to become an unprivileged user");
        return {};
    }
    // The probe's own per-user data folder, where the copy goes.
    QString dataHome() const { return dataHome_.path(); }
    QString copyPath() const {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
        const QString copy = StationDatabase::InPlaceCopyPath(file_.path());
        qputenv("XDG_DATA_HOME", saved);
        return copy;
    }
    // What the next start does about a cut write, in the probe's data folder.
    void recover() const {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
        StationDatabase::RecoverInPlaceWrite(file_.path());
        qputenv("XDG_DATA_HOME", saved);
    }

    // Sets "Ort" of record 0000000123 in the probe; extra: [LIMIT [die]].
    struct Result {
        bool finished = false;
        QProcess::ExitStatus status = QProcess::NormalExit;
        int code = -1;
        QByteArray output;
    };
    Result run(const QString& value, const QStringList& extra = {}) const {
        const QByteArray path = QFile::encodeName(file_.path());
        const QByteArray data = QFile::encodeName(dataHome());
        const QString probe = QCoreApplication::applicationDirPath() + QStringLiteral("/station_save_probe");
        QStringList command = QStringList{probe, file_.path(), QStringLiteral("0000000123"), value} + extra;
        if (::getuid() == 0) {
            if (::chown(path.constData(), 65534, 65534) != 0 || ::chown(data.constData(), 65534, 65534) != 0)
                ADD_FAILURE() << "chown";
            command = QStringList{QStandardPaths::findExecutable(QStringLiteral("setpriv")), "--reuid=65534",
                                  "--regid=65534", "--clear-groups"} + command;
        }
        const QByteArray folder = QFile::encodeName(file_.folder());
        EXPECT_EQ(::chmod(folder.constData(), 0555), 0);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        child.setProcessEnvironment(environment);
        child.start(command.takeFirst(), command);
        Result result;
        result.finished = child.waitForFinished(60000);
        ::chmod(folder.constData(), 0700);
        result.status = child.exitStatus();
        result.code = child.exitCode();
        result.output = child.readAllStandardOutput();
        return result;
    }

private:
    const StationFile& file_;
    QTemporaryDir dataHome_;
};

// Where the folder allows it, the file is replaced by a new one.
TEST_F(StationDatabaseTest, WritableFileInAReadOnlyFolderIsSavedInPlace) {
    InPlaceSave save(file);
    if (!save.skipReason().isEmpty()) GTEST_SKIP() << save.skipReason().toStdString();
    const QByteArray old = kRecord123 + Record("0000000001", "A");
    file.write(old);
    const QByteArray path = QFile::encodeName(file.path());
    struct stat before {};
    ASSERT_EQ(::stat(path.constData(), &before), 0);

    const InPlaceSave::Result child = save.run(QStringLiteral("Bonn"));
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(child.status, QProcess::NormalExit);
    EXPECT_EQ(child.code, 0) << child.output.constData();

    QByteArray expected = old;
    expected.replace("Ort=K\xF6" "ln;", "Ort=Bonn;");
    EXPECT_EQ(file.read(), expected.left(expected.lastIndexOf(']') + 1));
    struct stat after {};
    ASSERT_EQ(::stat(path.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, written in place
    EXPECT_FALSE(QFile::exists(save.copyPath()));  // the copy went with the write done

    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    db.WriteOrt(QStringLiteral("Köln"));
    EXPECT_EQ(ui.count(), 0u);
    ASSERT_EQ(::stat(path.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file renamed over the old
}

// Written in place, the file is cut to nothing first: a full disk or a kill
// in the middle must not leave it cut short.
TEST_F(StationDatabaseTest, AWriteInPlaceThatFailsOrIsCutOffLeavesTheOldFile) {
    InPlaceSave save(file);
    if (!save.skipReason().isEmpty()) GTEST_SKIP() << save.skipReason().toStdString();
    QByteArray old = kRecord123;
    for (int i = 0; i < 100; ++i) old += Record(QByteArray::number(1000000000 + i), "Ort" + QByteArray::number(i));
    const QString longer(4000, QLatin1Char('x'));  // the new text is 4000 bytes longer
    const QString between = QString::number(old.size() + 2000);

    // Room for the copy, not for the new text: the old file is put back.
    file.write(old);
    InPlaceSave::Result child = save.run(longer, {between});
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(child.code, 1) << child.output.constData();
    EXPECT_EQ(file.read(), old);
    EXPECT_FALSE(QFile::exists(save.copyPath()));

    // No room even for the copy: the file is not touched, and the message
    // says why.
    child = save.run(QStringLiteral("Bonn"), {QString::number(old.size() / 2)});
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(child.code, 1) << child.output.constData();
    EXPECT_TRUE(child.output.contains("keine Kopie")) << child.output.constData();
    EXPECT_EQ(file.read(), old);

    // Killed in the middle of the write: the copy stays, and the next start
    // puts it back and says so.
    child = save.run(longer, {between, "die"});
    ASSERT_TRUE(child.finished);
    EXPECT_EQ(child.status, QProcess::CrashExit);
    ASSERT_NE(file.read(), old);
    ASSERT_TRUE(QFile::exists(save.copyPath()));
    save.recover();
    EXPECT_EQ(file.read(), old);
    ASSERT_EQ(ui.count(), 1u);
    EXPECT_TRUE(ui.last().text.contains(file.path())) << ui.last().text.toStdString();
    EXPECT_TRUE(ui.last().text.contains(save.copyPath())) << ui.last().text.toStdString();
    EXPECT_FALSE(QFile::exists(save.copyPath()));

    // A change made on a file left cut puts the copy back first and drops
    // the change, which was made on the cut text.
    child = save.run(longer, {between, "die"});
    ASSERT_EQ(child.status, QProcess::CrashExit);
    child = save.run(QStringLiteral("Bonn"));
    EXPECT_EQ(child.code, 1) << child.output.constData();
    EXPECT_EQ(file.read(), old);
    EXPECT_FALSE(QFile::exists(save.copyPath()));

    // A file cut shorter than its copy (21,605 bytes to 8,192 in the field)
    // is put back; a whole one stays as it is and the copy goes.
    QFile copy(save.copyPath());
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(old);
    copy.close();
    file.write(old.left(8192));
    save.recover();
    EXPECT_EQ(file.read(), old);
    EXPECT_EQ(ui.count(), 2u);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(old);
    copy.close();
    const QByteArray changed = old + Record("0000000999", "Neu");
    file.write(changed);
    save.recover();
    EXPECT_EQ(file.read(), changed);
    EXPECT_EQ(ui.count(), 2u);
    EXPECT_FALSE(QFile::exists(save.copyPath()));
}

TEST_F(StationDatabaseTest, ASuccessfulSaveRemovesTemporariesOfAKilledSave) {
    file.write(kRecord123);
    const QDir folder(file.folder());
    for (const char* name : {"MavikDatenbank.txt.QxWzTb", "MavikDatenbank.txt.backup", "MavikDatenbank.txt.Backup"}) {
        QFile left(folder.filePath(name));
        ASSERT_TRUE(left.open(QIODevice::WriteOnly));
        left.write(kRecord123.left(40));
    }
    ASSERT_TRUE(QFile::link(folder.filePath("MavikDatenbank.txt.backup"), folder.filePath("MavikDatenbank.txt.AbCdEf")));

    StationDatabase db(file.path());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    db.WriteOrt(QStringLiteral("Bonn"));
    EXPECT_EQ(ui.count(), 0u);
    // The leftover went; copies a user may have made, and links, stay.
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
              QStringList({"MavikDatenbank.txt", "MavikDatenbank.txt.AbCdEf", "MavikDatenbank.txt.Backup",
                           "MavikDatenbank.txt.backup"}));
}

TEST_F(StationDatabaseTest, DefaultFileLivesInTheUserDataFolder) {
    const QString path = StationDatabase::DefaultFilePath();
    EXPECT_EQ(path, test::testDataHome() + QStringLiteral("/Mavik/MavikDatenbank.txt"));
    ASSERT_FALSE(QFile::exists(path));
    StationDatabase db;
    Append123(db);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), kRecord123);
    f.close();
    QFile::remove(path);
}

// The file of earlier Windows versions (in the Windows folder) is read
// while only it exists; the save goes to the new place, the old file stays
// as it was, the user is told once, and from then on the new file is read.
TEST_F(StationDatabaseTest, OldPlaceIsReadUntilTheFirstSaveToTheNewPlace) {
    StationFile old;
    old.write(kRecord123);
    const QString newPath = file.folder() + QStringLiteral("/Mavik/MavikDatenbank.txt");
    EXPECT_EQ(StationFileToRead(newPath, QString()), newPath);
    EXPECT_EQ(StationFileToRead(newPath, old.path()), old.path());

    StationDatabase db(newPath, old.path());
    EXPECT_TRUE(db.FileExists());
    EXPECT_FALSE(StationDatabase(newPath).FileExists());
    ASSERT_EQ(db.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(db.ReadOrt(), QStringLiteral("Köln"));
    ASSERT_EQ(ui.count(), 1u);
    EXPECT_TRUE(ui.last().text.contains(QDir::toNativeSeparators(newPath)));
    db.WriteOrt(QStringLiteral("Bonn"));
    EXPECT_EQ(old.read(), kRecord123);
    QFile saved(newPath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    // The text as read, up to its last "]", with the change.
    QByteArray expected = kRecord123.left(kRecord123.lastIndexOf(']') + 1);
    expected.replace("Ort=K\xF6" "ln;", "Ort=Bonn;");
    EXPECT_EQ(saved.readAll(), expected);

    EXPECT_EQ(StationFileToRead(newPath, old.path()), newPath);
    StationDatabase again(newPath, old.path());
    ASSERT_EQ(again.LoadRecord(QStringLiteral("0000000123")), 1);
    EXPECT_EQ(again.ReadOrt(), QStringLiteral("Bonn"));
    EXPECT_EQ(ui.count(), 1u);
}

}  // namespace
}  // namespace lumo
