// DiagnosisDialog against the simulated controller on a pty, with parameter
// and diagnosis databases written into a temporary folder and the recording
// fake of the UI seam.
#include "station/diagnosis_dialog.h"

#include "core/device_link.h"
#include "core/device_map.h"
#include "mdb_fixtures.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumo::test {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

constexpr int kPort = 5;
const QString kIdent = QStringLiteral("0000001234");
const QString kCommCaption = QStringLiteral("Kommunikations-Fehler");

// The next widget of the focus chain that Tab stops at.
QWidget* nextTabStop(QWidget* w)
{
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
        if (n->focusPolicy() & Qt::TabFocus) return n;
    return nullptr;
}

RefuellingRecord makeRecord(uint32_t liquid, uint32_t gas)
{
    RefuellingRecord r;
    r.liquidMl = liquid;
    r.gasMl = gas;
    r.hour = 7;
    r.minute = 5;
    r.second = 3;
    r.day = 1;
    r.month = 2;
    r.year = 6;
    return r;
}

// Diagnosis type "A": every entry wants level 1 and is called "<label>text",
// except I5 ("Gasrückführung blockiert", level 1) and Q6 (empty text, level 0).
jet4::Database diagnosisDatabase()
{
    std::vector<Cell> values;
    for (int k = 0; k < 16; ++k) {
        const std::string label = (k < 8 ? "I" : "Q") + std::to_string(k % 8 + 1);
        values.emplace_back("1");
        values.emplace_back(label + "text");
    }
    values[2 * 4 + 1] = Cell("Gasrückführung blockiert");  // I5
    values[2 * 13] = Cell("0");                             // Q6 level
    values[2 * 13 + 1] = Cell("");                          // Q6 text
    jet4::Database db;
    db.tables.push_back(DiagnosisTable({DiagnosisRow("A", values)}));
    return db;
}

jet4::Database parameterDatabase()
{
    jet4::Database db;
    db.tables.push_back(ParameterTable({{"0000001234", "A"}}));
    return db;
}

class DiagnosisDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApplication();
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(sim_.start(kPort));
        ASSERT_TRUE(sim_.open());
        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        sim_->clearLog();
    }

    void TearDown() override
    {
        dialog_.reset();
        sim_.reset();
    }

    void writeDatabases()
    {
        WriteFixture(dir_.filePath(kParameterDatabaseFile), parameterDatabase());
        WriteFixture(dir_.filePath(kDiagnosisDatabaseFile), diagnosisDatabase());
    }

    void putRecord(Side side, int n, const RefuellingRecord& r)
    {
        const auto bytes = r.encode();
        sim_->poke(Area::Program, uint32_t(map::RecordAddress(side, n)), bytes);
    }

    DiagnosisDialog& makeDialog()
    {
        dialog_ = std::make_unique<DiagnosisDialog>(dir_.path());
        return *dialog_;
    }

    DiagnosisDialog& openDialog()
    {
        makeDialog();
        EXPECT_TRUE(dialog_->OnInitDialog());
        return *dialog_;
    }

    // Addresses of the program memory reads the controller saw, in order.
    std::vector<int> programReads() const
    {
        std::vector<int> out;
        for (const auto& f : sim_->frames()) {
            gardosim::Area area;
            if (f.request.size() == 6 && gardosim::frameKindOf(f.request[1]) == gardosim::FrameKind::Read &&
                gardosim::areaOfCode(f.request[1], &area) && area == Area::Program)
                out.push_back(f.request[3] | (f.request[4] << 8));
        }
        return out;
    }

    QString text(int id) const
    {
        QWidget* w = dialog_->control(id);
        if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
        if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
        ADD_FAILURE() << "no text control " << id;
        return {};
    }
    QAbstractButton* button(int id) const { return qobject_cast<QAbstractButton*>(dialog_->control(id)); }
    bool shown(int id) const { return !dialog_->control(id)->isHidden(); }
    bool cyclicChecked() const { return button(DiagnosisDialog::kIdCyclic)->isChecked(); }

    QTemporaryDir dir_;
    RecordingUi ui_;
    SimLink sim_;
    std::unique_ptr<DiagnosisDialog> dialog_;
};

TEST_F(DiagnosisDialogTest, ControlsCarryIdsCaptionsAndTabOrder)
{
    auto& d = makeDialog();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05     Diagnose"));
    const std::vector<std::pair<int, QString>> captions = {
        {DiagnosisDialog::kIdLeft, QStringLiteral("Linke Zapfsäule")},
        {DiagnosisDialog::kIdRight, QStringLiteral("Rechte Zapfsäule")},
        {1030, QStringLiteral("  1")},
        {1038, QStringLiteral("  9")},
        {1039, QStringLiteral("10")},
        {1043, QStringLiteral("14")},
        {DiagnosisDialog::kIdCyclic, QStringLiteral("Zyklisch aktualisieren")},
        {DiagnosisDialog::kIdClose, QStringLiteral("Schliessen")},
    };
    for (const auto& [id, caption] : captions) {
        ASSERT_NE(button(id), nullptr) << id;
        EXPECT_EQ(button(id)->text(), caption) << id;
    }
    QStringList labels;
    for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
    for (const char* s : {"Identnummer:", "Flüssigkeitszähler:", "Gaszähler:", " l", "Fehlerquote:", "%",
                          "Gas-Geber", "Benzin-Geber"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(s))) << s;

    // Tab order as the controls are listed; every control tagged.
    std::vector<int> order = {1029, 1046, 1047};
    for (int id = 1030; id <= 1043; ++id) order.push_back(id);
    for (int id : {1045, 1044, 1052, 1053, 1025, 1048, 1051, 1}) order.push_back(id);
    for (std::size_t i = 0; i < order.size(); ++i) {
        QWidget* w = d.control(order[i]);
        ASSERT_NE(w, nullptr) << order[i];
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << order[i];
        EXPECT_FALSE(w->objectName().isEmpty()) << order[i];
        EXPECT_FALSE(w->accessibleName().isEmpty()) << order[i];
        if (i + 1 < order.size()) {
            EXPECT_EQ(nextTabStop(w), d.control(order[i + 1])) << order[i];
        }
    }
    for (int id : {1057, 1058, 1059, 1060}) {
        ASSERT_NE(d.control(id), nullptr) << id;
        EXPECT_FALSE(d.control(id)->accessibleName().isEmpty());
    }
    // Read-only values; the volumes start at 0.00.
    for (int id : {1029, 1044, 1045, 1052, 1053, 1025})
        EXPECT_TRUE(qobject_cast<QLineEdit*>(d.control(id))->isReadOnly()) << id;
    EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(d.control(1048))->isReadOnly());
    d.UpdateData(false);
    EXPECT_EQ(text(1052), "0.00");
    EXPECT_EQ(text(1053), "0.00");
}

TEST_F(DiagnosisDialogTest, SetUpShowsLeftRefuellingOneAndStartsTheLamps)
{
    writeDatabases();
    putRecord(Side::Left, 1, makeRecord(10000, 9500));
    auto& d = openDialog();

    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join('|').toStdString();
    EXPECT_EQ(text(1029), kIdent);
    EXPECT_TRUE(button(1046)->isChecked());
    EXPECT_TRUE(button(1030)->isChecked());
    EXPECT_EQ(text(1052), "10.00");
    EXPECT_EQ(text(1053), "9.50");
    EXPECT_EQ(text(1025), "5.00");
    EXPECT_EQ(text(1045), "07:05:03");
    EXPECT_EQ(text(1044), "01.02.2006");
    // Identification, then refuelling 1 of the left side, read once.
    EXPECT_EQ(programReads(), (std::vector<int>{1680, 1216, 1224}));
    EXPECT_EQ(d.pumpRecord().diagnosisType(), "A");
    EXPECT_TRUE(cyclicChecked());
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(d.lampTimer().interval(), 500);
    // The lamps are untouched until the first timer message.
    for (int id : {1057, 1058, 1059, 1060}) EXPECT_TRUE(shown(id)) << id;
}

TEST_F(DiagnosisDialogTest, SideResetsTheRefuellingAndEachChoiceReadsItsRecord)
{
    writeDatabases();
    putRecord(Side::Right, 1, makeRecord(3000, 3000));
    RefuellingRecord last = makeRecord(10000, 10500);
    last.hour = 18;
    putRecord(Side::Right, 14, last);
    openDialog();

    button(1034)->click();  // refuelling 5, left
    button(1047)->click();  // right side: back to refuelling 1
    EXPECT_TRUE(button(1030)->isChecked());
    EXPECT_FALSE(button(1034)->isChecked());
    EXPECT_EQ(text(1052), "3.00");
    EXPECT_EQ(text(1025), "0.00");
    button(1043)->click();  // refuelling 14, right
    EXPECT_EQ(text(1052), "10.00");
    EXPECT_EQ(text(1053), "10.50");
    EXPECT_EQ(text(1025), "-5.00");
    EXPECT_EQ(text(1045), "18:05:03");
    const std::vector<int> expected = {1680, 1216, 1224, 1280, 1288, 1440, 1448, 1648, 1656};
    EXPECT_EQ(programReads(), expected);
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(DiagnosisDialogTest, SmallAndEmptyLiquidVolumes)
{
    putRecord(Side::Left, 2, makeRecord(0, 500));
    putRecord(Side::Left, 3, makeRecord(9, 0));
    openDialog();
    ui_.clear();  // the missing databases' message
    button(1031)->click();
    EXPECT_EQ(text(1052), "0.00");
    EXPECT_EQ(text(1053), "0.50");
    EXPECT_EQ(text(1025), "");
    button(1032)->click();
    EXPECT_EQ(text(1052), "0.00");
    EXPECT_EQ(text(1025), "100.00");
}

TEST_F(DiagnosisDialogTest, RightSideDiagnosisListsItsMatchingEntries)
{
    writeDatabases();
    // Right refuelling 1: I5 set (byte 8 = 0x10), every output clear. Left
    // inputs I1..I4 would match their level 1 if they were considered.
    RefuellingRecord r = makeRecord(1000, 1000);
    r.inputs = 0x1F;
    r.outputs = 0x0F;
    putRecord(Side::Right, 1, r);
    putRecord(Side::Left, 1, r);
    openDialog();
    EXPECT_EQ(dialog_->values().diagnosis,
              QStringLiteral("I1: I1text\r\nI2: I2text\r\nI3: I3text\r\nI4: I4text\r\n"
                             "Q1: Q1text\r\nQ2: Q2text\r\nQ3: Q3text\r\nQ4: Q4text\r\n"));

    button(1047)->click();
    // I5 matches; Q6 (level 0, empty text) matches with its label alone.
    EXPECT_EQ(dialog_->values().diagnosis, QStringLiteral("I5: Gasrückführung blockiert\r\nQ6: \r\n"));
    EXPECT_EQ(text(1048).toStdString(), "I5: Gasrückführung blockiert\nQ6: \n");
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(DiagnosisDialogTest, LampsShowTheSelectedSidesSensorBits)
{
    auto& d = openDialog();
    sim_->pokeByte(Area::Process, map::kSensorAddress, 0x20);
    // A real timer message.
    ASSERT_TRUE(waitUntil([&] { return !shown(1059); }));
    EXPECT_TRUE(shown(1060));   // petrol red
    EXPECT_FALSE(shown(1058));
    EXPECT_TRUE(shown(1057));   // gas green
    EXPECT_TRUE(d.timerRunning());

    button(1047)->click();
    // Choosing a side does not refresh the lamps by itself.
    EXPECT_TRUE(shown(1060));
    d.RefreshLamps();
    EXPECT_FALSE(shown(1060));
    EXPECT_TRUE(shown(1058));
    EXPECT_FALSE(shown(1059));
    EXPECT_TRUE(shown(1057));

    sim_->pokeByte(Area::Process, map::kSensorAddress, 0xC0);
    d.RefreshLamps();
    EXPECT_TRUE(shown(1060));
    EXPECT_TRUE(shown(1059));
    EXPECT_FALSE(shown(1058));
    EXPECT_FALSE(shown(1057));
}

TEST_F(DiagnosisDialogTest, CheckBoxSwitchesTheTimer)
{
    auto& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    QTest::keyClick(button(1051), Qt::Key_Space);
    EXPECT_FALSE(cyclicChecked());
    EXPECT_FALSE(d.timerRunning());
    // A refuelling read leaves the stopped timer stopped.
    button(1031)->click();
    EXPECT_FALSE(d.timerRunning());
    QTest::keyClick(button(1051), Qt::Key_Space);
    EXPECT_TRUE(d.timerRunning());
    button(1032)->click();
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(DiagnosisDialogTest, UnreadableIdentificationLeavesAnEmptyDialogThatStillReads)
{
    writeDatabases();
    putRecord(Side::Left, 2, makeRecord(2000, 1000));
    sim_->inject(FaultKind::Reject, 1);
    auto& d = makeDialog();
    EXPECT_FALSE(d.OnInitDialog());
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_EQ(text(1029), "");
    EXPECT_EQ(text(1052), "0.00");
    EXPECT_EQ(text(1045), "");
    EXPECT_FALSE(cyclicChecked());
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(programReads(), std::vector<int>{1680});

    button(1031)->click();
    EXPECT_EQ(text(1052), "2.00");
    EXPECT_EQ(text(1025), "50.00");
    EXPECT_EQ(text(1048), "");  // no lookup was made
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(DiagnosisDialogTest, FailingSensorReadClearsTheCheckBoxAndStopsTheTimer)
{
    auto& d = openDialog();
    ui_.clear();
    sim_->inject(FaultKind::Reject, gardosim::kForever);
    d.RefreshLamps();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, kCommCaption);
    EXPECT_FALSE(cyclicChecked());
    EXPECT_FALSE(d.timerRunning());
    EXPECT_EQ(d.values().cyclic, 0);
    // No further tick comes, so no further message.
    QTest::qWait(1200);
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(DiagnosisDialogTest, FailedRecordHalvesLeaveNoOtherRefuellingsValues)
{
    writeDatabases();
    RefuellingRecord first = makeRecord(5000, 4000);
    first.inputs = 0x0F;
    putRecord(Side::Left, 1, first);
    RefuellingRecord second = makeRecord(8000, 8000);
    putRecord(Side::Left, 2, second);
    auto& d = openDialog();
    ASSERT_FALSE(d.values().diagnosis.isEmpty());

    // Second half of refuelling 2 fails: its volumes show, the time, date
    // and diagnosis of refuelling 1 do not stay beside them.
    sim_->inject(FaultKind::Delay, 1, 0);  // answered normally
    sim_->inject(FaultKind::Reject, 1);
    button(1031)->click();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(text(1052), "8.00");
    EXPECT_EQ(text(1025), "0.00");
    EXPECT_EQ(text(1045), "");
    EXPECT_EQ(text(1044), "");
    EXPECT_EQ(text(1048), "");
    EXPECT_FALSE(cyclicChecked());
    EXPECT_FALSE(d.timerRunning());

    // First half of refuelling 1 fails: nothing of refuelling 2 stays.
    sim_->inject(FaultKind::Reject, 1);
    button(1030)->click();
    ASSERT_EQ(ui_.count(), 2u);
    for (int id : {1052, 1053, 1025, 1045, 1044, 1048}) EXPECT_EQ(text(id), "") << id;
}

TEST_F(DiagnosisDialogTest, NoLampRefreshWhileARecordErrorIsOnScreen)
{
    auto& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    ui_.clear();
    bool timerDuringBox = true;
    ui_.onShow = [&](const ShownMessage&) { timerDuringBox = d.timerRunning(); };
    sim_->inject(FaultKind::Reject, 1);
    button(1033)->click();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_FALSE(timerDuringBox);
    EXPECT_FALSE(d.timerRunning());
}

TEST_F(DiagnosisDialogTest, BrokenLineDuringSetUpGivesOneMessage)
{
    writeDatabases();
    sim_->inject(FaultKind::Delay, 1, 0);  // the identification is read
    sim_->inject(FaultKind::Reject, gardosim::kForever);
    auto& d = makeDialog();
    EXPECT_TRUE(d.OnInitDialog());
    EXPECT_EQ(ui_.countCaption(kCommCaption), 1u);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_EQ(text(1029), kIdent);
    EXPECT_FALSE(cyclicChecked());
    EXPECT_FALSE(d.timerRunning());
}

TEST_F(DiagnosisDialogTest, MissingDatabasesStillShowTheRefuelling)
{
    RefuellingRecord r = makeRecord(4000, 3000);
    r.inputs = 0xFF;
    r.outputs = 0x00;
    putRecord(Side::Left, 1, r);
    auto& d = openDialog();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, kDatabaseOpenError);
    EXPECT_EQ(ui_.last().caption, kDatabaseErrorCaption);
    EXPECT_EQ(text(1052), "4.00");
    EXPECT_EQ(text(1025), "25.00");
    EXPECT_EQ(text(1048), "");  // no entry has a level
    EXPECT_TRUE(d.timerRunning());
}

// A parameter database that crashes the reader (libmdb, in the helper):
// its text with the exclamation icon; the program and the line go on.
TEST_F(DiagnosisDialogTest, DamagedDatabaseGivesItsTextAndTheLineStaysUsable)
{
    writeDatabases();
    const QString parameters = dir_.filePath(kParameterDatabaseFile);
    ASSERT_TRUE(QFile::remove(parameters));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LUMO_CRASH_MDB_DIR "/bad-usage-map-row.mdb"), parameters));
    putRecord(Side::Left, 1, makeRecord(4000, 3000));
    putRecord(Side::Left, 2, makeRecord(2000, 1000));
    auto& d = openDialog();
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_TRUE(ui_.last().text.startsWith(QStringLiteral("Datenbank ist besch\u00E4digt: \u201E%1\u201C").arg(parameters)))
        << ui_.last().text.toStdString();
    EXPECT_EQ(ui_.last().icon, MsgIcon::Warning);
    EXPECT_EQ(ui_.last().caption, kDatabaseErrorCaption);
    EXPECT_EQ(text(1052), "4.00");
    EXPECT_TRUE(d.timerRunning());

    button(1031)->click();
    EXPECT_EQ(text(1052), "2.00");
    EXPECT_EQ(programReads(), (std::vector<int>{1680, 1216, 1224, 1232, 1240}));
    EXPECT_EQ(ui_.count(), 1u) << ui_.texts().join('|').toStdString();
}

TEST_F(DiagnosisDialogTest, ExecRunsTheSetUpAndSchliessenCloses)
{
    writeDatabases();
    auto& d = makeDialog();
    QString identShown;
    const int result = execWith(d, [&](QDialog&) {
        identShown = text(1029);
        button(DiagnosisDialog::kIdClose)->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(identShown, kIdent);
    EXPECT_FALSE(d.windowIcon().isNull());
    // Closed: no more sensor reads.
    EXPECT_FALSE(d.timerRunning());
}

}  // namespace
}  // namespace lumo::test
