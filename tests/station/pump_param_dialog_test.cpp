// PumpParamDialog against the simulated controller, with the station file
// in the test's own data folder and the recording fake of the UI seam.
#include "station/pump_param_dialog.h"

#include "core/device_link.h"
#include "core/device_map.h"
#include "records/station_database.h"
#include "station_test_util.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumo {
namespace {

using gardosim::Area;
using gardosim::FaultKind;
using Id = PumpParamDialog::ControlId;

constexpr int kPort = 9;
const QString kIdent = QStringLiteral("0000001234");

// The empty record a controller gets when it is shown for the first time.
const QByteArray kEmptyRecord =
    "\r\n[ID-Nummer=0000001234;\r\n"
    "Tankstelle=;\r\nStrasse=;\r\nPLZ=;\r\nOrt=;\r\n"
    "ZS-Marke=;\r\nZS-Type=;\r\nZS-Bj=;\r\nL-ZS-Nr=;\r\nR-ZS-Nr=;\r\n"
    "Diag-Typ=2;]\r\n";

QByteArray record(const QByteArray& id, const QByteArray& diag, const QByteArray& name = "Nord")
{
    return "\r\n[ID-Nummer=" + id + ";\r\nTankstelle=" + name +
           ";\r\nStrasse=Hauptstr. 1;\r\nPLZ=12345;\r\nOrt=Ortsweg;\r\n"
           "ZS-Marke=Acme;\r\nZS-Type=T4;\r\nZS-Bj=1999;\r\nL-ZS-Nr=3;\r\nR-ZS-Nr=4;\r\n"
           "Diag-Typ=" + diag + ";]\r\n";
}

// The next widget behind w in the focus chain that Tab can reach.
QWidget* nextTabStop(QWidget* w)
{
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
        if (n->focusPolicy() & Qt::TabFocus) return n;
    return nullptr;
}

class PumpParamDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        path_ = StationDatabase::DefaultFilePath();
        // Never a real user's station file.
        ASSERT_FALSE(test::testDataHome().isEmpty());
        ASSERT_TRUE(path_.startsWith(test::testDataHome() + QLatin1Char('/'))) << path_.toStdString();
        QFile::remove(path_);

        ASSERT_TRUE(sim_.start(kPort));
        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        ASSERT_TRUE(sim_.open());
        ASSERT_EQ(ui_.count(), 0u);
    }

    void TearDown() override
    {
        sim_.reset();
        QFile::remove(path_);
    }

    void writeFile(const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QByteArray readFile() const
    {
        QFile f(path_);
        if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
        return f.readAll();
    }

    // Runs the dialog; act sees it filled and must end it.
    int run(PumpParamDialog& d, const std::function<void(PumpParamDialog&)>& act)
    {
        return test::execWith(d, [&](QDialog&) { act(d); });
    }

    static QLineEdit* edit(PumpParamDialog& d, int id) { return qobject_cast<QLineEdit*>(d.control(id)); }
    static QRadioButton* radio(PumpParamDialog& d, int id)
    {
        return qobject_cast<QRadioButton*>(d.control(id));
    }

    QString path_;
    test::RecordingUi ui_;
    test::SimLink sim_;
};

TEST_F(PumpParamDialogTest, ControlsCaptionsAndTabOrder)
{
    PumpParamDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05     Anzeige Säulenparameter"));

    struct Expected {
        int id;
        QString accessibleName;
    };
    // In tab order.
    const Expected controls[] = {
        {Id::kIdIdent, QStringLiteral("Identnummer")}, {Id::kIdTankstelle, QStringLiteral("Tankstelle")},
        {Id::kIdStrasse, QStringLiteral("Straße")},    {Id::kIdPlz, QStringLiteral("PLZ")},
        {Id::kIdOrt, QStringLiteral("Ort")},           {Id::kIdZsMarke, QStringLiteral("Marke")},
        {Id::kIdZsType, QStringLiteral("Typ")},        {Id::kIdZsBj, QStringLiteral("Baujahr")},
        {Id::kIdDiag1, QStringLiteral("Diagnose 1")},  {Id::kIdDiag2, QStringLiteral("Diagnose 2")},
        {Id::kIdLZsNr, QStringLiteral("Linke ZS-Nr.")}, {Id::kIdRZsNr, QStringLiteral("Rechte ZS-Nr.")},
        {Id::kIdOk, QStringLiteral("Schliessen")},
    };
    QWidget* previous = nullptr;
    for (const Expected& e : controls) {
        QWidget* w = d.control(e.id);
        ASSERT_NE(w, nullptr) << e.id;
        EXPECT_FALSE(w->objectName().isEmpty()) << e.id;
        EXPECT_EQ(w->accessibleName(), e.accessibleName) << e.id;
        if (previous) {
            EXPECT_EQ(nextTabStop(previous), w) << e.id;
        }
        previous = w;
    }

    // The labels beside the edits (their buddies), the group titles.
    QStringList labels;
    for (QLabel* l : d.findChildren<QLabel*>())
        if (l->buddy()) labels << l->text() + QLatin1Char('>') + l->buddy()->property("controlId").toString();
    labels.sort();
    EXPECT_EQ(labels, QStringList({"Baujahr:>1020", "Diagnose:>1064", "Identnummer:>1029",
                                   "Linke ZS-Nr.:>1027", "Marke:>1018", "Ort:>1016", "PLZ:>1015",
                                   "Rechte ZS-Nr.:>1026", "Straße:>1014", "Tankstelle:>1017", "Typ:>1019"}));
    EXPECT_EQ(d.control(Id::kIdTankstelle)->parentWidget()->property("title").toString(),
              QStringLiteral("Adresse"));
    EXPECT_EQ(d.control(Id::kIdZsMarke)->parentWidget()->property("title").toString(),
              QStringLiteral("Zapfsäule"));
    EXPECT_EQ(radio(d, Id::kIdDiag1)->text(), QStringLiteral("1"));
    EXPECT_EQ(radio(d, Id::kIdDiag2)->text(), QStringLiteral("2"));
    EXPECT_EQ(qobject_cast<QPushButton*>(d.control(Id::kIdOk))->text(), QStringLiteral("Schliessen"));
    EXPECT_TRUE(edit(d, Id::kIdIdent)->isReadOnly());
    EXPECT_FALSE(edit(d, Id::kIdTankstelle)->isReadOnly());
}

TEST_F(PumpParamDialogTest, FirstOpeningAppendsTheEmptyRecordAndSavingKeepsIt)
{
    // No station file yet: the failed read says so, then the record is made.
    PumpParamDialog d;
    const int result = run(d, [&](PumpParamDialog& dlg) {
        EXPECT_EQ(edit(dlg, Id::kIdIdent)->text(), kIdent);
        for (int id : {Id::kIdTankstelle, Id::kIdStrasse, Id::kIdPlz, Id::kIdOrt, Id::kIdZsMarke,
                       Id::kIdZsType, Id::kIdZsBj, Id::kIdLZsNr, Id::kIdRZsNr})
            EXPECT_TRUE(edit(dlg, id)->text().isEmpty()) << id;
        EXPECT_FALSE(radio(dlg, Id::kIdDiag1)->isChecked());
        EXPECT_FALSE(radio(dlg, Id::kIdDiag2)->isChecked());
        EXPECT_EQ(readFile(), kEmptyRecord);
        qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui_.last().icon, MsgIcon::Stop);

    // The same empty values and "2" again; a field update leaves no final
    // line end.
    EXPECT_EQ(readFile(), kEmptyRecord.chopped(2));

    // A second opening finds the record: nothing appended, radio "2".
    PumpParamDialog again;
    run(again, [&](PumpParamDialog& dlg) {
        EXPECT_TRUE(radio(dlg, Id::kIdDiag2)->isChecked());
        dlg.reject();
    });
    EXPECT_EQ(readFile(), kEmptyRecord.chopped(2));
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(PumpParamDialogTest, DiagnosisTypeOneSelectsRadioOneAnythingElseRadioTwo)
{
    const struct {
        QByteArray stored;
        int radio;
        QByteArray saved;
    } cases[] = {{"1", Id::kIdDiag1, "1"}, {"2", Id::kIdDiag2, "2"}, {"", Id::kIdDiag2, "2"},
                 {"3", Id::kIdDiag2, "2"}, {"11", Id::kIdDiag2, "2"}, {" 1", Id::kIdDiag2, "2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        writeFile(record("0000001234", c.stored));
        PumpParamDialog d;
        run(d, [&](PumpParamDialog& dlg) {
            EXPECT_TRUE(radio(dlg, c.radio)->isChecked());
            EXPECT_EQ(edit(dlg, Id::kIdTankstelle)->text(), QStringLiteral("Nord"));
            EXPECT_EQ(edit(dlg, Id::kIdOrt)->text(), QStringLiteral("Ortsweg"));
            EXPECT_EQ(edit(dlg, Id::kIdRZsNr)->text(), QStringLiteral("4"));
            qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click();
        });
        // Saving untouched fields rewrites only the diagnosis type.
        EXPECT_EQ(readFile(), record("0000001234", c.saved).chopped(2));
    }
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
}

TEST_F(PumpParamDialogTest, SavingWritesTheEditedValuesAndKeepsOtherRecords)
{
    const QByteArray before = record("0000000012", "1", "Vorne");
    const QByteArray after = record("0000012345", "2", "Hinten");
    writeFile(before + record("0000001234", "2").chopped(2) + after);

    PumpParamDialog d;
    const int result = run(d, [&](PumpParamDialog& dlg) {
        const struct {
            int id;
            const char* text;
        } entries[] = {{Id::kIdTankstelle, "Süd"},  {Id::kIdStrasse, "Ring 5"}, {Id::kIdPlz, "54321"},
                       {Id::kIdOrt, "Neustadt"},    {Id::kIdZsMarke, "Beta"},   {Id::kIdZsType, "X2"},
                       {Id::kIdZsBj, "2004"},       {Id::kIdLZsNr, "7"},        {Id::kIdRZsNr, ""}};
        for (const auto& e : entries) {
            // Typed over the whole old text.
            QLineEdit* field = edit(dlg, e.id);
            field->selectAll();
            field->insert(QString::fromUtf8(e.text));
        }
        QTest::mouseClick(radio(dlg, Id::kIdDiag1), Qt::LeftButton);
        // Enter in a field is "Schliessen", the default button.
        QTest::keyClick(edit(dlg, Id::kIdRZsNr), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();

    const QByteArray expected =
        before +
        "\r\n[ID-Nummer=0000001234;\r\nTankstelle=S\xFC" "d;\r\nStrasse=Ring 5;\r\nPLZ=54321;\r\n"
        "Ort=Neustadt;\r\nZS-Marke=Beta;\r\nZS-Type=X2;\r\nZS-Bj=2004;\r\nL-ZS-Nr=7;\r\nR-ZS-Nr=;\r\n"
        "Diag-Typ=1;]" +
        after.chopped(2);
    EXPECT_EQ(readFile(), expected);
}

TEST_F(PumpParamDialogTest, EscapeAndCloseBoxLeaveTheFileAsItWas)
{
    const QByteArray text = record("0000000012", "1") + record("0000001234", "1");
    writeFile(text);
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "Escape" : "close box");
        PumpParamDialog d;
        const int result = run(d, [&](PumpParamDialog& dlg) {
            edit(dlg, Id::kIdTankstelle)->insert(QStringLiteral("geändert"));
            edit(dlg, Id::kIdZsBj)->setText(QStringLiteral("2020"));
            QTest::mouseClick(radio(dlg, Id::kIdDiag2), Qt::LeftButton);
            if (way == 0)
                QTest::keyClick(edit(dlg, Id::kIdZsBj), Qt::Key_Escape);
            else
                dlg.close();
        });
        EXPECT_EQ(result, QDialog::Rejected);
        EXPECT_EQ(readFile(), text);
    }
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
}

TEST_F(PumpParamDialogTest, RecordRemovedWhileOpenIsWrittenAnewOnSaving)
{
    writeFile(record("0000001234", "1"));
    PumpParamDialog d;
    run(d, [&](PumpParamDialog& dlg) {
        // Another record takes the file's place while the dialog is open.
        writeFile(record("0000000077", "2"));
        edit(dlg, Id::kIdPlz)->setText(QStringLiteral("99999"));
        qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click();
    });
    QByteArray mine = record("0000001234", "1");
    mine.replace("PLZ=12345;", "PLZ=99999;");
    EXPECT_EQ(readFile(), record("0000000077", "2").chopped(2) + mine);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
}

// A record edited by hand that lost its "Diag-Typ" line: shown, never
// changed, and saying so once instead of closing as if it had saved.
TEST_F(PumpParamDialogTest, DamagedRecordIsNotChangedAndSaysSoOnce)
{
    QByteArray damaged = record("0000001234", "1");
    damaged.replace("Diag-Typ=1;", "");
    const QByteArray text = damaged + record("0000012345", "2");
    writeFile(text);
    PumpParamDialog d;
    const int result = run(d, [&](PumpParamDialog& dlg) {
        EXPECT_EQ(edit(dlg, Id::kIdTankstelle)->text(), "Nord");
        edit(dlg, Id::kIdTankstelle)->setText(QStringLiteral("Süd"));
        qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(readFile(), text);
    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join(" | ").toStdString();
    EXPECT_TRUE(ui_.last().text.contains("ID-Nummer=0000001234")) << ui_.last().text.toStdString();
    EXPECT_TRUE(ui_.last().text.contains("repariert")) << ui_.last().text.toStdString();
    EXPECT_EQ(ui_.last().icon, MsgIcon::Warning);
}

TEST_F(PumpParamDialogTest, SilentControllerShowsOneMessageAndSavesNothing)
{
    sim_.silence();
    PumpParamDialog d;
    EXPECT_FALSE(d.OnInitDialog());
    ASSERT_EQ(ui_.count(), 1u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(ui_.last().caption, QStringLiteral("Kommunikations-Fehler"));
    EXPECT_EQ(ui_.last().text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));

    // Empty, and nothing can be typed that would then be dropped.
    EXPECT_TRUE(edit(d, Id::kIdIdent)->text().isEmpty());
    EXPECT_TRUE(edit(d, Id::kIdTankstelle)->isReadOnly());
    EXPECT_FALSE(radio(d, Id::kIdDiag1)->isEnabled());
    EXPECT_FALSE(radio(d, Id::kIdDiag1)->isChecked());
    EXPECT_FALSE(radio(d, Id::kIdDiag2)->isChecked());

    const int result = run(d, [](PumpParamDialog& dlg) {
        qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(QFile::exists(path_));
    EXPECT_EQ(ui_.count(), 1u);
}

TEST_F(PumpParamDialogTest, SilentControllerLeavesAnExistingFileAlone)
{
    const QByteArray text = record("0000001234", "1");
    writeFile(text);
    sim_.silence();
    PumpParamDialog d;
    run(d, [](PumpParamDialog& dlg) { qobject_cast<QPushButton*>(dlg.control(Id::kIdOk))->click(); });
    EXPECT_EQ(ui_.countCaption(QStringLiteral("Kommunikations-Fehler")), 1u);
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_EQ(readFile(), text);
}

}  // namespace
}  // namespace lumo
