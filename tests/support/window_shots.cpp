// Pictures of every window, for the documentation: the main dialog against
// the simulated controller, and from it each window a technician opens, as
// the screen shows them (with the window manager's title bar where there is
// one). Run by scripts/screenshots.sh under Xvfb with a window manager.
//
//   lumo_window_shots OUTDIR [--language de|en]
#include "widgets/control_tag.h"
#include "core/device_map.h"
#include "core/language.h"
#include "widgets/login_dialog.h"
#include "widgets/window_copy.h"
#include "logs/wait_dialog.h"
#include "panel/main_dialog.h"
#include "panel/port_dialog.h"
#include "widgets/qt_ui.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>

namespace {

QString g_out;
int g_failures = 0;

bool framed(const QWidget* window)
{
    return window->frameGeometry().top() < window->geometry().top();
}

// Drawn and framed by the window manager (up to 6 s).
void settle(QWidget* window)
{
    QTest::qWait(600);
    for (int i = 0; i < 60 && !framed(window); ++i) QTest::qWait(100);
}

void shoot(QWidget* window, const char* name)
{
    const QString path = g_out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (!lumo::CaptureWindowImage(window).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Later, from the event loop: a window that the click opens runs its own
// event loop, and the pilot's timer does not fire again inside its own
// handler.
void later(std::function<void()> act)
{
    QTimer::singleShot(0, qApp, std::move(act));
}

void click(QWidget* window, int id)
{
    if (auto* b = qobject_cast<QAbstractButton*>(lumo::FindControl(window, id))) later([b] { b->click(); });
}

// What to do with the next modal window of a kind: take its picture after
// it has settled, then act. The main dialog comes back after every window
// it opened and opens the next one each time.
struct Pilot {
    int mainVisits = 0;
    QWidget* seen = nullptr;
    int ticks = 0;

    void step()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (modal != seen) {
            seen = modal;
            ticks = 0;
        }
        // Drawn (4 ticks of 150 ms) and framed by the window manager (up
        // to 6 s more).
        ++ticks;
        if (ticks < 4 || (!framed(modal) && ticks < 40)) return;
        seen = nullptr;
        if (qobject_cast<lumo::WaitDialog*>(modal)) return;  // taken on its own
        if (auto* port = qobject_cast<lumo::PortDialog*>(modal)) {
            auto* edit = qobject_cast<QLineEdit*>(lumo::FindControl(port, lumo::PortDialog::kIdPort));
            if (edit->text() != QLatin1String("7")) {
                edit->setText(QStringLiteral("7"));  // on the screen by the next picture
                return;
            }
            shoot(port, "port");
            click(port, lumo::PortDialog::kIdTry);
        } else if (auto* main = qobject_cast<lumo::MainDialog*>(modal)) {
            switch (mainVisits++) {
            case 0: shoot(main, "main"); click(main, lumo::MainDialog::kIdCounters); break;
            case 1: click(main, lumo::MainDialog::kIdPumpParams); break;
            case 2: click(main, lumo::MainDialog::kIdDiagnosis); break;
            case 3: click(main, lumo::MainDialog::kIdChangeTimeLeft); break;
            case 4: click(main, lumo::MainDialog::kIdLogFiles); break;
            case 5: click(main, lumo::MainDialog::kIdRefuellings); break;
            case 6: later([main] { main->ShowAboutBox(); }); break;
            case 7: click(main, lumo::MainDialog::kIdSendLeft); break;  // asks first
            default: later([main] { main->reject(); }); break;
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            // The question; another box (a fresh data folder has no
            // station file yet) is only closed.
            if (box->icon() == QMessageBox::Question) shoot(box, "question");
            later([box] { box->done(QMessageBox::No); });
        } else {
            // The windows opened from the main dialog, by their classes.
            static const std::map<QString, const char*> names = {
                {QStringLiteral("lumo::CounterDialog"), "counter"},
                {QStringLiteral("lumo::PumpParamDialog"), "pump_param"},
                {QStringLiteral("lumo::DiagnosisDialog"), "diagnosis"},
                {QStringLiteral("lumo::ErrorTimeDialog"), "error_time"},
                {QStringLiteral("lumo::SideSelectDialog"), "side_select"},
                {QStringLiteral("lumo::AboutDialog"), "about"},
                {QStringLiteral("lumo::RefuellingDialog"), "refuellings"},
            };
            const auto name = names.find(QString::fromLatin1(modal->metaObject()->className()));
            shoot(modal, name != names.end() ? name->second : "unknown");
            if (auto* d = qobject_cast<QDialog*>(modal)) later([d] { d->reject(); });
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    lumo::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: lumo_window_shots OUTDIR [--language de|en]\n");
        return 2;
    }
    g_out = args.at(1);
    // Real message boxes, as the program shows them.
    lumo::setDefaultUi(&lumo::QtUiSeam());
    const int at = int(args.indexOf(QStringLiteral("--language")));
    lumo::UseLanguageFor(at > 0 ? lumo::ParseLanguage(args.value(at + 1)) : std::nullopt);

    // The login, on its own.
    {
        lumo::LoginDialog login;
        QTimer::singleShot(0, &login, [&login] {
            settle(&login);
            shoot(&login, "login");
            login.reject();
        });
        login.exec();
    }
    // The wait message while the log files are written (on its own: the
    // program shows it without an event loop).
    {
        lumo::WaitDialog wait;
        wait.SetText(QCoreApplication::translate("lumo::LogCommand",
                                                 "Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt."));
        wait.Create(nullptr, 10);
        wait.SetProgress(4);
        settle(&wait);
        shoot(&wait, "wait");
        wait.DestroyWindow();
    }

    // The controller with the values of a dispenser in service.
    lumo::test::SimLink sim;
    if (!sim.start(7)) return 1;
    using gardosim::Area;
    const uint8_t ident[4] = {0xD2, 0x04, 0x00, 0x00};
    sim->poke(Area::Program, lumo::map::kIdentAddress, ident);
    const uint8_t cal[4] = {100, 98, 102, 97};
    sim->poke(Area::Program, lumo::map::kCalibrationAddress, cal);
    const uint8_t left[4] = {3, 0, 0, 0};
    sim->poke(Area::Process, lumo::map::kCounterLeftAddress, left);
    const uint8_t right[4] = {7, 0, 0, 0};
    sim->poke(Area::Process, lumo::map::kCounterRightAddress, right);
    const uint8_t tl[2] = {90, 0};
    sim->poke(Area::Process, lumo::map::kErrorTimeLeftAddress, tl);
    const uint8_t tr[2] = {135, 0};
    sim->poke(Area::Process, lumo::map::kErrorTimeRightAddress, tr);

    // The clicks answer each window; the whole run ends in any case.
    Pilot pilot;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&pilot] { pilot.step(); });
    ticks.start(150);
    QTimer::singleShot(90000, [] {
        std::fprintf(stderr, "timeout\n");
        ++g_failures;
        QApplication::exit(1);
    });
    lumo::MainDialog main;
    main.setDiagnosisButtonVisible(true);
    main.exec();
    return g_failures == 0 ? 0 : 1;
}
