// The "Betankungen" window: opened from the main dialog with its refresh
// resting, reading only; its table and chart; the CSV and PDF it saves
// (the PDF read back with pdftotext) and the page it prints.
#include "refuellings/refuelling_dialog.h"

#include "fake_printers.h"
#include "panel/main_dialog.h"
#include "refuellings/refuelling_chart.h"
#include "records/station_database.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumo {
namespace {

using gardosim::Area;
using test::whenModal;

constexpr int kPort = 6;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RefuellingDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        ASSERT_TRUE(sim_.start(kPort));
        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        const uint8_t figures[6] = {10, 12, 0, 0, 0, 0};
        sim_->poke(Area::Program, map::kThresholdAddress, figures);
        // Left row 14: 98.5 %; row 13: above the band; row 12 erased.
        const uint8_t r1[16] = {0x10, 0x27, 0, 0, 0x7A, 0x26, 0, 0, 0, 0x01, 9, 45, 13, 24, 12, 5};
        const uint8_t r2[16] = {0xE8, 0x03, 0, 0, 0xB0, 0x04, 0, 0, 0, 0, 0, 0, 8, 23, 12, 5};
        sim_->poke(Area::Program, uint32_t(map::RecordAddress(Side::Left, 1)), r1);
        sim_->poke(Area::Program, uint32_t(map::RecordAddress(Side::Left, 2)), r2);
        for (uint32_t a = 0; a < 16; ++a) sim_->pokeByte(Area::Program, uint32_t(map::RecordAddress(Side::Left, 3)) + a, 0xFF);

        // The station file names the station of the controller.
        const QString db = StationDatabase::DefaultFilePath();
        ASSERT_TRUE(db.startsWith(test::testDataHome() + QLatin1Char('/')));
        QDir().mkpath(QFileInfo(db).path());
        station::RecordValues v;
        v.id = "0000001234";
        v.tankstelle = "Tankstelle S\xFC" "d";
        QFile f(db);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(station::BuildRecord(v));
    }

    void TearDown() override { QFile::remove(StationDatabase::DefaultFilePath()); }

    test::RecordingUi ui_;
    test::SimLink sim_;
};

TEST_F(RefuellingDialogTest, OpensFromTheMainDialogWithTheRefreshRestingAndOnlyReads)
{
    MainDialog main;
    test::choosePortWhenAsked(kPort);
    ASSERT_TRUE(main.OnInitDialog());
    ASSERT_TRUE(main.timerRunning());
    auto* button = qobject_cast<QPushButton*>(main.control(MainDialog::kIdRefuellings));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Betankungen"));
    sim_->clearLog();

    bool refreshing = true;
    QString title, header;
    QStringList firstRow, erasedRow;
    std::size_t bars = 0;
    int hoverRow = 0;
    bool hoverErased = false;
    whenModal<RefuellingDialog>([&](RefuellingDialog* d) {
        refreshing = main.timerRunning();
        title = d->windowTitle();
        header = d->report().stationName + QLatin1Char('|') + d->report().identification;
        auto* table = qobject_cast<QTableWidget*>(d->control(RefuellingDialog::kIdTableLeft));
        for (int c = 0; c < table->columnCount(); ++c) {
            firstRow << table->item(0, c)->text();
            erasedRow << table->item(2, c)->text();
        }
        auto* chart = qobject_cast<RefuellingChart*>(d->control(RefuellingDialog::kIdChartLeft));
        bars = std::size_t(chart->model().bars.size());
        // Hovering: the bar under the pointer, none over the erased record.
        const QRectF plot = ChartPlotRect(QRectF(chart->rect()).adjusted(4, 4, -4, -4), chart->font(), chart);
        const double slot = plot.width() / ChartModel::kSlots;
        const ChartBar* hovered = chart->barAt(QPointF(plot.left() + slot * 0.5, plot.bottom() - 2));
        hoverRow = hovered ? hovered->row : 0;
        hoverErased = chart->barAt(QPointF(plot.left() + slot * 2.5, plot.bottom() - 2)) == nullptr;
        d->accept();
    });
    button->click();

    EXPECT_FALSE(refreshing);
    EXPECT_TRUE(main.timerRunning());
    EXPECT_EQ(title, QStringLiteral("Mavik - Lumo 05     Betankungen"));
    EXPECT_EQ(header, QStringLiteral("Tankstelle Süd|0000001234"));
    EXPECT_EQ(firstRow, (QStringList{"14", "24.12.2005 13:45:09", "10.000", "9.850", "98,5 %", "1", "0", "0", "0"}));
    EXPECT_EQ(erasedRow, (QStringList{"12", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(bars, 13u);  // the erased record is left out
    EXPECT_EQ(hoverRow, 14);
    EXPECT_TRUE(hoverErased);
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
    ASSERT_GT(sim_->frameCount(), 57u);  // identification, thresholds, 56 record halves
    for (const auto& f : sim_->frames()) {
        const uint8_t code = f.request.at(1);
        EXPECT_TRUE(code >= 0x80 && code <= 0x82) << "not a read: " << int(code);
    }
}

TEST_F(RefuellingDialogTest, SavesCsvAndPdfAndPrintsThePage)
{
    ASSERT_TRUE(sim_.open());
    RefuellingDialog d;
    ASSERT_EQ(d.ReadValues(), 0);

    // CSV and PDF under the name chosen; an existing file is replaced only
    // after a Yes.
    QTemporaryDir dir;
    const QString base = dir.filePath("betankungen");
    QFile old(base + ".pdf");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("older file");
    old.close();
    ui_.saveFileAnswers << base + ".csv";
    ui_.queueAnswer(false);
    EXPECT_FALSE(d.OnSave());
    EXPECT_EQ(ReadAll(base + ".pdf"), "older file");
    EXPECT_FALSE(QFile::exists(base + ".csv"));
    ui_.saveFileAnswers << base + ".pdf";
    ui_.queueAnswer(true);
    ASSERT_TRUE(d.OnSave()) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(ui_.countCaption(kQuestionCaption), 2u);

    const QList<QByteArray> csv = ReadAll(base + ".csv").split('\n');
    ASSERT_EQ(csv.size(), 1 + 28 + 1);  // header, 28 rows, nothing behind the last line end
    EXPECT_EQ(csv[0], QByteArray("\xEF\xBB\xBF") + RefuellingCsvHeader().toUtf8() + "\r");
    EXPECT_EQ(csv[0], "\xEF\xBB\xBF" "Seite;Nr.;Datum und Uhrzeit;Flüssigkeit ml;Gas ml;Verhältnis %;GNL;GEL;ZPFr;ZVSp;leer\r");
    EXPECT_EQ(csv[1], "links;14;24.12.2005 13:45:09;10000;9850;98,5;1;0;0;0;0\r");
    EXPECT_EQ(csv[2], "links;13;23.12.2005 08:00:00;1000;1200;120,0;0;0;0;0;0\r");
    EXPECT_EQ(csv[3], "links;12;;;;;;;;;1\r");
    EXPECT_TRUE(csv[15].startsWith("rechts;14;"));
    EXPECT_TRUE(csv[29].isEmpty());

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), base + ".pdf", QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(60000));
    ASSERT_EQ(pdftotext.exitCode(), 0) << pdftotext.readAllStandardError().constData();
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (const QString& expected :
         {QStringLiteral("Tankstelle: Tankstelle Süd"), QStringLiteral("Geräte-Id: 0000001234"),
          QStringLiteral("Gelesen am: "), QStringLiteral("Linke Zapfsäule (Fehlerschwelle 10 %)"),
          QStringLiteral("Rechte Zapfsäule (Fehlerschwelle 12 %)"), QStringLiteral("24.12.2005 13:45:09"),
          QStringLiteral("98,5 %"), QStringLiteral("120,0 % ▲"), QStringLiteral("10.000")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();

    // "Drucken": the same page on the first printer of the list.
    test::FakePrinters printers;
    printers.names = {QStringLiteral("A"), QStringLiteral("B")};
    d.OnPrint();
    EXPECT_TRUE(printers.called(QStringLiteral("open A")));
    EXPECT_TRUE(printers.called(QStringLiteral("document Mavik-Gardo Betankungen")));
    ASSERT_FALSE(printers.printed.isNull());
    int dark = 0;
    for (int y = 0; y < printers.printed.height(); y += 2)
        for (int x = 0; x < printers.printed.width(); x += 2) dark += qGray(printers.printed.pixel(x, y)) < 128;
    EXPECT_GT(dark, 500);  // header, charts and tables drawn, not an empty page
}

}  // namespace
}  // namespace lumo
