// The trace as the program drives it: the context menu entry starts and
// stops it on the open connection, the about box names the file, and the
// port dialog names a failure with the system text the trace gives.
#include "core/device_link.h"
#include "panel/port_dialog.h"
#include "core/settings.h"
#include "widgets/trace_control.h"
#include "panel/about_dialog.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumo;
using lumo::test::RecordingUi;

namespace {

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(TraceControl, TheMenuEntryStartsAndStopsATraceOnTheOpenConnection)
{
    qunsetenv("SERLINK_TRACE");
    lumo::test::SimLink port;
    ASSERT_TRUE(port.start(3));
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(Settings::WritePort(3));
    RecordingUi rec;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("trace.txt"));
    QWidget owner;
    QAction* action = TraceControl::CreateAction(&owner);
    EXPECT_EQ(action->text(), QStringLiteral("Schnittstellen-Mitschnitt starten..."));

    action->trigger();  // the file dialog cancelled: nothing changes
    EXPECT_EQ(rec.saveFileCaptions.size(), 1);
    EXPECT_TRUE(TraceControl::Target().isEmpty());

    rec.saveFileAnswers << file;
    action->trigger();
    EXPECT_EQ(TraceControl::Target(), file);
    EXPECT_EQ(action->text(), QStringLiteral("Schnittstellen-Mitschnitt beenden"));
    {
        AboutDialog about;
        auto* line = about.findChild<QLabel*>(QStringLiteral("aboutTrace"));
        ASSERT_TRUE(line);
        EXPECT_EQ(line->text(), QStringLiteral("Schnittstellen-Mitschnitt: ") + file);
    }
    DeviceLink link;
    uint8_t buf[4] = {};
    EXPECT_EQ(link.ReadProgram(1680, 4, buf), 0);

    action->trigger();  // stop
    EXPECT_TRUE(TraceControl::Target().isEmpty());
    EXPECT_EQ(link.ReadProgram(1680, 4, buf), 0);  // still connected, no longer traced
    EXPECT_EQ(rec.count(), 0u);

    const QStringList lines = readLines(file);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines.first().contains(QStringLiteral("serlink   open \"COM3:\""))) << lines.first().toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("gardolink Read_Program (80) program address 1680 count 4: "
                                          "attempt 1 reply C0 14 with 4 data bytes"))
                  .size(),
              1);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("serlink   close"))) << lines.last().toStdString();
    {
        AboutDialog about;
        EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("aboutTrace"))->text(),
                  QStringLiteral("Schnittstellen-Mitschnitt: aus"));
    }
}

TEST(TraceControl, ThePortDialogNamesTheSystemErrorOfTheTrace)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("trace.txt"));
    qputenv("SERLINK_TRACE", QFile::encodeName(file));
    const QString entry = qEnvironmentVariable("SERLINK_PORTS_DIR") + QStringLiteral("/COM8");
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), entry));
    RecordingUi rec;
    QString diagnosis;
    {
        PortDialog d;
        lumo::test::execWith(d, [&](QDialog& dlg) {
            lumo::test::byId<QLineEdit>(dlg, PortDialog::kIdPort)->setText(QStringLiteral("8"));
            lumo::test::byId<QPushButton>(dlg, PortDialog::kIdTry)->click();
            diagnosis = dlg.findChild<QLabel*>(QStringLiteral("diagnosisLabel"))->text();
            dlg.reject();
        });
    }
    qunsetenv("SERLINK_TRACE");
    QFile::remove(entry);

    const QStringList lines = readLines(file);
    ASSERT_EQ(lines.size(), 1);
    // "... open failed: <the system's text> -> -1162 SERLINK_E_OVERRUN"
    const QString failed = QStringLiteral(" open failed: ");
    const int from = lines[0].indexOf(failed);
    const int to = lines[0].lastIndexOf(QStringLiteral(" -> "));
    ASSERT_GT(from, 0) << lines[0].toStdString();
    const QString systemText = lines[0].mid(from + failed.size(), to - from - failed.size());
    EXPECT_TRUE(systemText.contains(QStringLiteral("(errno 2)"))) << systemText.toStdString();
    EXPECT_TRUE(diagnosis.endsWith(QStringLiteral(" Systemmeldung: ") + systemText)) << diagnosis.toStdString();
    EXPECT_TRUE(diagnosis.contains(QStringLiteral("nicht vorhanden"))) << diagnosis.toStdString();
}
