// PortDialog against the simulated controller, headless.
#include "panel/port_dialog.h"

#include "core/device_link.h"
#include "core/settings.h"
#include "support/sim_link.h"
#include "support/recording_ui.h"

#include <gardolink.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumo;
using lumo::test::execWith;
using lumo::test::RecordingUi;
using lumo::test::byId;

namespace {

QLineEdit* edit(QDialog& d) { return byId<QLineEdit>(d, PortDialog::kIdPort); }

void tryPort(QDialog& d, const QString& text)
{
    edit(d)->setText(text);
    byId<QPushButton>(d, PortDialog::kIdTry)->click();
}

void quit(QDialog& d) { byId<QPushButton>(d, PortDialog::kIdQuit)->click(); }

QString diagnosis(QDialog& d)
{
    auto* label = d.findChild<QLabel*>(QStringLiteral("diagnosisLabel"));
    return label && !label->isHidden() ? label->text() : QString();
}

QWidget* nextTab(QWidget* w)
{
    QWidget* n = w->nextInFocusChain();
    while (n != w && !(n->focusPolicy() & Qt::TabFocus))
        n = n->nextInFocusChain();
    return n;
}

const QString kCommCaption = QStringLiteral("Kommunikations-Fehler");

}  // namespace

TEST(PortDialog, ControlsTitleAndTabOrder)
{
    PortDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05   Schnittstelle"));
    auto* label = byId<QLabel>(d, 1079);
    auto* e = byId<QLineEdit>(d, 1025);
    auto* tryButton = byId<QPushButton>(d, 1);
    auto* quitButton = byId<QPushButton>(d, 1050);
    ASSERT_TRUE(label && e && tryButton && quitButton);
    EXPECT_EQ(label->text(), QStringLiteral("Schnittstelle:"));
    EXPECT_EQ(tryButton->text(), QStringLiteral("Versuchen"));
    EXPECT_EQ(quitButton->text(), QStringLiteral("Beenden"));
    EXPECT_TRUE(tryButton->isDefault());
    EXPECT_EQ(e->accessibleName(), QStringLiteral("Schnittstelle"));
    EXPECT_EQ(nextTab(e), tryButton);
    EXPECT_EQ(nextTab(tryButton), quitButton);
    // Digits only.
    e->clear();
    QTest::keyClicks(e, QStringLiteral("a1-2b"));
    EXPECT_EQ(e->text(), QStringLiteral("12"));
    // The device that number reaches is shown beside it.
    auto* device = d.findChild<QLabel*>(QStringLiteral("deviceLabel"));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->text(), QStringLiteral("COM12 = /dev/ttyS11"));
    EXPECT_EQ(PortDialog::portName(3), QStringLiteral("COM3:"));
}

TEST(PortDialog, FirstStartShowsZeroAndOutOfRangeOpensNothing)
{
    lumo::test::SimLink port;
    ASSERT_TRUE(port.start(1));  // a controller would answer on COM1
    RecordingUi rec;
    PortDialog d;
    EXPECT_EQ(edit(d)->text(), QStringLiteral("0"));
    // The simulator's ports folder entry is listed with the terminal it
    // points at, though no device scan finds a pseudo-terminal.
    auto* found = d.findChild<QLabel*>(QStringLiteral("devicesLabel"));
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->text().contains(QRegularExpression(QStringLiteral("\nCOM1 = /dev/pts/[0-9]+(\n|$)"))))
        << found->text().toStdString();
    const int result = execWith(d, [&](QDialog& dlg) {
        byId<QPushButton>(dlg, PortDialog::kIdTry)->click();  // 0 as shown
        tryPort(dlg, QStringLiteral("100"));
        tryPort(dlg, QString());
        EXPECT_TRUE(dlg.isVisible());
        quit(dlg);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(rec.count(), 3u);
    for (const auto& m : rec.messages()) {
        EXPECT_NE(m.caption, kCommCaption);
        EXPECT_TRUE(m.text.contains(QStringLiteral("1 und 99"))) << m.text.toStdString();
    }
    EXPECT_EQ(port->frameCount(), 0u);
    EXPECT_EQ(Settings::ReadPort(), 0);
}

TEST(PortDialog, MissingPortShowsTheMessageAndWhatWasFound)
{
    ASSERT_TRUE(Settings::WritePort(42));
    RecordingUi rec;
    PortDialog d;
    EXPECT_EQ(edit(d)->text(), QStringLiteral("42"));  // shown although that port is gone
    QString line;
    const int result = execWith(d, [&](QDialog& dlg) {
        tryPort(dlg, QStringLiteral("77"));  // no entry: /dev/ttyS76, not there
        EXPECT_TRUE(dlg.isVisible());
        line = diagnosis(dlg);
        quit(dlg);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().caption, kCommCaption);
    EXPECT_EQ(rec.last().text,
              QStringLiteral("Nicht verfügbare Schnittstelle angewählt oder\nDatenüberlauf ist aufgetreten!"));
    EXPECT_TRUE(line.contains(QStringLiteral("/dev/ttyS76"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("nicht vorhanden"))) << line.toStdString();
    EXPECT_EQ(Settings::ReadPort(), 42);  // not rewritten
}

TEST(PortDialog, SuccessStoresTheNumberAndLeavesTheConnectionOpen)
{
    lumo::test::SimLink port;
    ASSERT_TRUE(port.start(5));
    port->poke(gardosim::Area::Program, 1680, std::vector<uint8_t>{1, 2, 3, 4});
    RecordingUi rec;
    PortDialog d;
    const int result = execWith(d, [](QDialog& dlg) { tryPort(dlg, QStringLiteral("5")); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(Settings::ReadPort(), 5);
    EXPECT_EQ(d.portNumber(), 5);
    // The probe read 4 bytes at 1680: C1 80 04 90 06 checksum.
    const auto frames = port->frames();
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_GE(frames[0].request.size(), 5u);
    EXPECT_EQ(frames[0].request[2], 4);
    EXPECT_EQ(frames[0].request[3] | (frames[0].request[4] << 8), 1680);
    // Still open: the next read goes through without opening again.
    DeviceLink link;
    uint8_t buf[4] = {};
    EXPECT_EQ(link.ReadProgram(1680, 4, buf), 0);
    EXPECT_EQ(buf[3], 4);
    link.CloseConnection();
}

TEST(PortDialog, SilentControllerClosesAgainAndMayBeRetried)
{
    lumo::test::SimLink port;
    ASSERT_TRUE(port.start(6));
    port.silence();
    RecordingUi rec;
    PortDialog d;
    bool closedAfterFailure = false;
    QString line;
    const int result = execWith(d, [&](QDialog& dlg) {
        tryPort(dlg, QStringLiteral("6"));
        EXPECT_TRUE(dlg.isVisible());
        line = diagnosis(dlg);
        // The connection was closed: a read now fails without the port.
        uint8_t buf[4];
        closedAfterFailure = Read_Program(1680, 4, buf) != 0;
        port.clearFaults();
        tryPort(dlg, QStringLiteral("6"));  // starts again from a closed port
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(closedAfterFailure);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().text, QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
    EXPECT_TRUE(line.contains(QStringLiteral("kein Regler"))) << line.toStdString();
    EXPECT_EQ(Settings::ReadPort(), 6);
    DeviceLink().CloseConnection();
}
