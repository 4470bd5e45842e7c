// The requests a whole service session sends, in order, compared with a
// recording kept as test data: opening, one refresh, every command of the
// main dialog, the log files and the counter readings. The recording pins
// down the wire behaviour, so that a change in how the program is put
// together can't change what the controller receives.
//
// LUMO_RECORD_FRAMES=1 rewrites the recording (after a deliberate change of
// the wire behaviour; review the difference before committing it).
#include "commands_fixture.h"

#include "counters/counter_dialog.h"
#include "logs/side_select_dialog.h"
#include "panel/error_time_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeEdit>

namespace lumo::cmdtest {
namespace {

// One request a line, in hex. A clock write carries the running clock's
// seconds, so its data and checksum are left out.
QString describe(const std::vector<uint8_t>& request)
{
    QStringList bytes;
    const bool clockWrite = request.size() > 1 && request[1] == kWriteClock;
    for (std::size_t i = 0; i < request.size(); ++i)
        bytes << (clockWrite && i >= 5 ? QStringLiteral("..")
                                       : QStringLiteral("%1").arg(request[i], 2, 16, QLatin1Char('0')));
    return bytes.join(QLatin1Char(' '));
}

TEST_F(CommandTest, AWholeSessionSendsTheRecordedRequests)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString oldDir = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));

    MainDialog& d = openDialog();
    cyclicBox()->click();  // no refresh ticks between the steps
    ASSERT_FALSE(d.timerRunning());
    d.RefreshValues();

    click(MainDialog::kIdSetLeft);
    click(MainDialog::kIdSetRight);
    click(MainDialog::kIdResetLeft);
    click(MainDialog::kIdResetRight);
    whenModal<ErrorTimeDialog>([](ErrorTimeDialog* t) {
        qobject_cast<QLineEdit*>(test::byId(t, ErrorTimeDialog::kIdHours))->setText(QStringLiteral("3"));
        qobject_cast<QLineEdit*>(test::byId(t, ErrorTimeDialog::kIdMinutes))->setText(QStringLiteral("4"));
        qobject_cast<QPushButton*>(test::byId(t, ErrorTimeDialog::kIdOk))->click();
    });
    click(MainDialog::kIdChangeTimeRight);
    edit(MainDialog::kIdPetrolLeft)->setText(QStringLiteral("55"));
    ui_.queueAnswers({true, true});
    click(MainDialog::kIdSendLeft);
    click(MainDialog::kIdStop);
    click(MainDialog::kIdStart);
    qobject_cast<QTimeEdit*>(d.control(MainDialog::kIdTime))->setTime(QTime(9, 8, 7));
    qobject_cast<QDateEdit*>(d.control(MainDialog::kIdDate))->setDate(QDate(2027, 1, 2));
    qobject_cast<QComboBox*>(d.control(MainDialog::kIdWeekday))->setCurrentIndex(5);

    whenModal<SideSelectDialog>([](SideSelectDialog* s) { s->cancelButton()->click(); });
    d.OnLogFiles();
    whenModal<CounterDialog>([](CounterDialog* c) {
        auto* box = qobject_cast<QCheckBox*>(test::byId(c, CounterDialog::kIdCyclic));
        if (box->isChecked()) box->click();
        qobject_cast<QPushButton*>(test::byId(c, CounterDialog::kIdOk))->click();
    });
    click(MainDialog::kIdCounters);
    QDir::setCurrent(oldDir);

    QStringList got;
    for (const auto& e : sim_->frames()) got << describe(e.request);
    const QString path = QStringLiteral(LUMO_SESSION_FRAMES);
    if (qEnvironmentVariableIsSet("LUMO_RECORD_FRAMES")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write((got.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLatin1());
        GTEST_SKIP() << "recording written to " << path.toStdString();
    }
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << path.toStdString();
    const QStringList want = QString::fromLatin1(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // As one text, so that a failure prints the difference line by line.
    EXPECT_EQ(got.join(QLatin1Char('\n')).toStdString(), want.join(QLatin1Char('\n')).toStdString());
    EXPECT_EQ(ui_.countCaption(kCommCaption), 0u) << ui_.texts().join(" | ").toStdString();
}

}  // namespace
}  // namespace lumo::cmdtest
