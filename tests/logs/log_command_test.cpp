// The "Log-Dateien" command of the main dialog against the simulated
// controller, and its two small dialogs.
#include "core/device_map.h"
#include "panel/port_dialog.h"
#include "logs/log_writer.h"
#include "logs/side_select_dialog.h"
#include "logs/wait_dialog.h"
#include "panel/main_dialog.h"
#include "station/station_database.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace lumo {
namespace {

using gardosim::Area;
using gardosim::FaultKind;

constexpr int kPort = 5;
const QString kId = QStringLiteral("0000001234");
const QString kOpenFailed = QStringLiteral("Die Log-Datei konnte nicht geöffnet werden.\n");

using test::byId;
using test::whenModal;

// The recording fake that also notes whether the main dialog's timer ran
// while the desktop had the file.
class DesktopUi : public test::RecordingUi {
public:
    bool openWithDesktop(const QString& path) override {
        timerDuringOpen.push_back(dialog && dialog->timerRunning());
        return RecordingUi::openWithDesktop(path);
    }
    MainDialog* dialog = nullptr;
    std::vector<bool> timerDuringOpen;
};

class LogCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::testApplication();
        ASSERT_TRUE(workDir_.isValid());
        oldDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(workDir_.path()));

        ASSERT_TRUE(sim_.start(kPort));
        const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};  // 1234
        sim_->poke(Area::Program, map::kIdentAddress, ident);
        sim_->setClock({3, 14, 30, 15, 24, 12, 26});

        // A station record, so that the writer shows no database message.
        QDir().mkpath(QFileInfo(StationDatabase::DefaultFilePath()).path());
        QFile db(StationDatabase::DefaultFilePath());
        ASSERT_TRUE(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
        db.write("\r\n[ID-Nummer=0000001234;\r\nTankstelle=Nord;\r\nStrasse=;\r\nPLZ=;\r\nOrt=;\r\n"
                 "ZS-Marke=;\r\nZS-Type=;\r\nZS-Bj=;\r\nL-ZS-Nr=1;\r\nR-ZS-Nr=2;\r\nDiag-Typ=;]\r\n");
    }

    void TearDown() override {
        dialog_.reset();
        sim_.reset();
        QDir::setCurrent(oldDir_);
    }

    MainDialog& openDialog() {
        dialog_ = std::make_unique<MainDialog>();
        ui_.dialog = dialog_.get();
        test::choosePortWhenAsked(kPort);
        EXPECT_TRUE(dialog_->OnInitDialog());
        EXPECT_EQ(dialog_->identification(), kId);
        return *dialog_;
    }

    // Runs the command, answering the side question with act.
    void runCommand(std::function<void(SideSelectDialog*)> act) {
        whenModal<SideSelectDialog>([this, act](SideSelectDialog* d) {
            timerDuringQuestion = dialog_->timerRunning();
            logsDuringQuestion = QFileInfo::exists("Log/" + kId + "_L.log") &&
                                 QFileInfo::exists("Log/" + kId + "_R.log");
            act(d);
        });
        dialog_->OnLogFiles();
    }

    QString logPath(const char* suffix) const { return QDir::currentPath() + "/Log/" + kId + suffix; }

    QTemporaryDir workDir_;
    QString oldDir_;
    DesktopUi ui_;
    test::SimLink sim_;
    std::unique_ptr<MainDialog> dialog_;
    bool timerDuringQuestion = false;
    bool logsDuringQuestion = false;
    bool waitSeen_ = false;
};

TEST_F(LogCommandTest, CancelWritesBothFilesAndShowsNothing) {
    MainDialog& d = openDialog();
    ASSERT_TRUE(d.timerRunning());
    runCommand([](SideSelectDialog* s) { s->cancelButton()->click(); });

    EXPECT_TRUE(logsDuringQuestion);
    EXPECT_TRUE(timerDuringQuestion);  // the question does not stop the refresh
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(ui_.desktopOpenCount(), 0);
    EXPECT_TRUE(QFile(logPath("_L.log")).size() > 0);
    EXPECT_TRUE(QFile(logPath("_R.log")).size() > 0);
    // The wait window is gone.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<WaitDialog*>(w) && w->isVisible());
}

TEST_F(LogCommandTest, OkWithoutSideOpensTheRightFileWithTheTimerStopped) {
    MainDialog& d = openDialog();
    runCommand([](SideSelectDialog* s) { s->okButton()->click(); });

    ASSERT_EQ(ui_.desktopOpenCount(), 1);
    EXPECT_EQ(ui_.desktopOpens().at(0), logPath("_R.log"));
    EXPECT_TRUE(QFileInfo(ui_.desktopOpens().at(0)).isAbsolute());
    ASSERT_EQ(ui_.timerDuringOpen.size(), 1u);
    EXPECT_FALSE(ui_.timerDuringOpen[0]);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(ui_.count(), 0u);
}

TEST_F(LogCommandTest, LeftSideOpensTheLeftFile) {
    openDialog();
    runCommand([](SideSelectDialog* s) {
        s->leftButton()->click();
        s->okButton()->click();
    });
    ASSERT_EQ(ui_.desktopOpenCount(), 1);
    EXPECT_EQ(ui_.desktopOpens().at(0), logPath("_L.log"));
}

TEST_F(LogCommandTest, DesktopFailureShowsTheMessageAndTheTimerRunsAgain) {
    MainDialog& d = openDialog();
    ui_.desktopResult = false;
    bool timerDuringBox = true;
    ui_.onShow = [&](const test::ShownMessage&) { timerDuringBox = d.timerRunning(); };
    runCommand([](SideSelectDialog* s) { s->okButton()->click(); });

    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, kOpenFailed);
    EXPECT_EQ(ui_.last().icon, MsgIcon::None);
    EXPECT_EQ(ui_.last().buttons, MsgButtons::Ok);
    EXPECT_FALSE(timerDuringBox);
    EXPECT_TRUE(d.timerRunning());
    EXPECT_EQ(d.refreshTimer().interval(), MainDialog::kTimerPeriodMs);
}

// A side whose file could not be written, with no older file of that name
// (a folder stands there): the writer's error, then this command's message;
// the desktop is not asked, since it would "succeed" on a missing file.
TEST_F(LogCommandTest, UnwrittenFileIsNeverHandedToTheDesktop) {
    MainDialog& d = openDialog();
    ASSERT_TRUE(QDir().mkpath("Log/" + kId + "_R.log"));
    runCommand([](SideSelectDialog* s) { s->okButton()->click(); });

    EXPECT_EQ(ui_.desktopOpenCount(), 0);
    ASSERT_EQ(ui_.count(), 2u) << ui_.texts().join("|").toStdString();
    EXPECT_EQ(ui_.messages().at(0).caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui_.last().text, kOpenFailed);
    EXPECT_EQ(ui_.last().icon, MsgIcon::None);
    EXPECT_TRUE(d.timerRunning());
}

TEST_F(LogCommandTest, WithCyclicRefreshOffTheTimerStaysOff) {
    MainDialog& d = openDialog();
    auto* box = qobject_cast<QCheckBox*>(d.control(MainDialog::kIdCyclic));
    ASSERT_NE(box, nullptr);
    box->click();
    ASSERT_FALSE(d.timerRunning());
    ui_.desktopResult = false;
    runCommand([](SideSelectDialog* s) { s->okButton()->click(); });
    EXPECT_EQ(ui_.count(), 1u);
    EXPECT_FALSE(d.timerRunning());
}

TEST_F(LogCommandTest, ReadFailureIsShownOverTheWaitWindowAndTheFlowGoesOn) {
    openDialog();
    waitSeen_ = false;
    ui_.onShow = [this](const test::ShownMessage&) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* wait = qobject_cast<WaitDialog*>(w);
            if (!wait || !wait->isVisible()) continue;
            auto* text = byId<QLabel>(wait, WaitDialog::kIdMessage);
            auto* bar = byId<QProgressBar>(wait, WaitDialog::kIdProgress);
            waitSeen_ = text && bar &&
                         text->text() ==
                             QStringLiteral("Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt.") &&
                         wait->windowTitle() == QStringLiteral("Bitte Warten ...") &&
                         bar->maximum() == kLogReadsTotal;
        }
    };
    // The timer must not refresh in between: switch it off first.
    qobject_cast<QCheckBox*>(dialog_->control(MainDialog::kIdCyclic))->click();
    // The first read of the log (calibration) gets a malformed reply.
    sim_->inject(FaultKind::BadLength, 1);
    runCommand([](SideSelectDialog* s) { s->cancelButton()->click(); });
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().text, QStringLiteral("Unbekannter Fehler!"));
    EXPECT_TRUE(waitSeen_);
    EXPECT_TRUE(logsDuringQuestion);
}

TEST(SideSelectDialogTest, ControlsAndAnswers) {
    test::testApplication();
    {
        SideSelectDialog d;
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05     Seitenauswahl"));
        EXPECT_EQ(byId<QRadioButton>(&d, SideSelectDialog::kIdLeft), d.leftButton());
        EXPECT_EQ(byId<QRadioButton>(&d, SideSelectDialog::kIdRight), d.rightButton());
        EXPECT_EQ(byId<QPushButton>(&d, SideSelectDialog::kIdOk)->text(), QStringLiteral("OK"));
        EXPECT_EQ(byId<QPushButton>(&d, SideSelectDialog::kIdCancel)->text(), QStringLiteral("Abbrechen"));
        EXPECT_TRUE(d.okButton()->isDefault());
        EXPECT_FALSE(d.leftButton()->isChecked());
        EXPECT_FALSE(d.rightButton()->isChecked());
        EXPECT_EQ(test::execWith(d, [](QDialog& dlg) {
                      static_cast<SideSelectDialog&>(dlg).okButton()->click();
                  }),
                  QDialog::Accepted);
        EXPECT_EQ(d.side(), SideSelectDialog::kRight);
    }
    {
        SideSelectDialog d;
        EXPECT_EQ(test::execWith(d, [](QDialog& dlg) {
                      auto& s = static_cast<SideSelectDialog&>(dlg);
                      s.rightButton()->click();
                      s.leftButton()->click();  // the buttons exclude each other
                      s.okButton()->click();
                  }),
                  QDialog::Accepted);
        EXPECT_FALSE(d.rightButton()->isChecked());
        EXPECT_EQ(d.side(), SideSelectDialog::kLeft);
    }
    {
        SideSelectDialog d;
        EXPECT_EQ(test::execWith(d, [](QDialog& dlg) {
                      static_cast<SideSelectDialog&>(dlg).cancelButton()->click();
                  }),
                  QDialog::Rejected);
        EXPECT_TRUE(d.side().isEmpty());
    }
}

// The wait window as the log run uses it: shown, then moved on between
// transactions, with no event loop running. What reaches the screen must
// carry the window's text and follow its progress (a window system that
// maps windows some time after show() shows an empty frame otherwise).
TEST(WaitDialogTest, ItsContentReachesTheScreenBetweenTransactions) {
    test::testApplication();
    WaitDialog wait;
    wait.SetText(QStringLiteral("Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt."));
    wait.Create(nullptr, 20);
    auto* label = byId<QLabel>(&wait, WaitDialog::kIdMessage);
    auto* bar = byId<QProgressBar>(&wait, WaitDialog::kIdProgress);
    ASSERT_TRUE(label && bar);
    // What the window system holds of the window, without running events.
    auto onScreen = [&](QWidget* part) {
        const QImage all = wait.screen()->grabWindow(wait.winId()).toImage();
        return all.copy(QRect(part->mapTo(&wait, QPoint(0, 0)), part->size()));
    };
    auto colours = [](const QImage& image) {
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) seen.insert(image.pixel(x, y));
        return seen.size();
    };
    QThread::msleep(300);  // a transaction
    const QImage text = onScreen(label);
    const QImage barBefore = onScreen(bar);
    EXPECT_GT(colours(text), 2) << "the text is not on screen";
    for (int step = 1; step <= 20; ++step) {
        QThread::msleep(10);  // a transaction
        wait.SetProgress(step);
    }
    const QImage barAfter = onScreen(bar);
    EXPECT_NE(barBefore, barAfter) << "the progress did not move on screen";
    wait.DestroyWindow();
}

TEST(WaitDialogTest, ShowsAtOnceBesideTheMainWindow) {
    test::testApplication();
    QWidget main;
    main.setGeometry(200, 100, 600, 400);
    main.show();
    WaitDialog wait;
    wait.SetText(QStringLiteral("Bitte warten"));
    wait.Create(&main, 92);
    EXPECT_TRUE(wait.isVisible());
    EXPECT_FALSE(wait.isModal());
    EXPECT_EQ(wait.parentWidget(), nullptr);
    EXPECT_EQ(byId<QLabel>(&wait, WaitDialog::kIdMessage)->text(), QStringLiteral("Bitte warten"));
    EXPECT_EQ(byId<QLabel>(&wait, WaitDialog::kIdMessage)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(wait.pos(), WaitDialog::PlaceFor(main.frameGeometry()));
    wait.SetProgress(46);
    EXPECT_EQ(byId<QProgressBar>(&wait, WaitDialog::kIdProgress)->value(), 46);
    wait.DestroyWindow();
    EXPECT_FALSE(wait.isVisible());

    // Half of the right and bottom edges, as the window system counts them.
    EXPECT_EQ(WaitDialog::PlaceFor(QRect(100, 50, 601, 401)), QPoint(350, 225));
    EXPECT_EQ(WaitDialog::PlaceFor(QRect(0, 0, 1023, 767)), QPoint(511, 383));
}

}  // namespace
}  // namespace lumo
