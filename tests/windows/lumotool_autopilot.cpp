// The program's start-up, run by the Windows build under Wine with nobody
// at the keyboard: the same ServiceApp and MainDialog that lumotool.exe
// runs (single-instance mutex, login, port choice, identification and first
// refresh), with a timer that answers each modal dialog as a technician
// would. Prints what the main dialog read, then closes it. Under the
// windows platform (a display) it also picks the About entry of the main
// dialog's system menu and takes the window picture the printing uses.
//
//   lumo_autopilot.exe --password PW [--port N] [--out FILE] [--shot FILE.png]
//
// Output lines (to FILE, else standard output):
//   platform=<Qt platform plugin in use>
//   ident=<the ten digits the main dialog read>
//   counter.left=<text>  counter.right=<text>
//   sysmenu.about=<text of the system menu entry 16>  about=shown  (windows platform)
//   message=<text of a message box that appeared>   (then exit status 1)
// Exit status: 0 when the main dialog opened with an identification.
#include "widgets/control_tag.h"
#include "widgets/login_dialog.h"
#include "widgets/service_app.h"
#include "widgets/window_copy.h"
#include "panel/about_dialog.h"
#include "panel/main_dialog.h"
#include "panel/port_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

#include <windows.h>

namespace {

struct Options {
    QString password;
    QString user = QStringLiteral("Wine");
    int port = 1;
    QString out;
    QString shot;
};

QStringList g_lines;
bool g_failed = false;
bool g_mainSeen = false;
bool g_aboutShown = false;
int g_waits = 0;

template <class W>
W* control(QWidget* dialog, int id)
{
    return qobject_cast<W*>(lumo::FindControl(dialog, id));
}

// Answers whatever modal dialog is up; called every 100 ms.
void step(const Options& o)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (auto* login = qobject_cast<lumo::LoginDialog*>(modal)) {
        control<QLineEdit>(login, lumo::LoginDialog::kIdUser)->setText(o.user);
        control<QLineEdit>(login, lumo::LoginDialog::kIdPassword)->setText(o.password);
        control<QAbstractButton>(login, lumo::LoginDialog::kIdOk)->click();
    } else if (auto* port = qobject_cast<lumo::PortDialog*>(modal)) {
        control<QLineEdit>(port, lumo::PortDialog::kIdPort)->setText(QString::number(o.port));
        control<QAbstractButton>(port, lumo::PortDialog::kIdTry)->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        g_lines << QStringLiteral("message=") + box->text();
        g_failed = true;
        box->done(QMessageBox::Ok);
    } else if (auto* about = qobject_cast<lumo::AboutDialog*>(modal)) {
        g_lines << QStringLiteral("about=shown");
        g_aboutShown = true;
        about->accept();
    } else if (auto* main = qobject_cast<lumo::MainDialog*>(modal)) {
        if (g_mainSeen) {  // back from the About box, or it did not come in 2 s
            if (!g_aboutShown && ++g_waits < 20) return;
            main->reject();
            return;
        }
        g_mainSeen = true;
        g_lines << QStringLiteral("platform=") + QGuiApplication::platformName();
        // exec() shows the dialog only after its opening reads are done.
        g_lines << QStringLiteral("ident=") + main->identification();
        g_lines << QStringLiteral("counter.left=") +
                       control<QLineEdit>(main, lumo::MainDialog::kIdCounterLeft)->text();
        g_lines << QStringLiteral("counter.right=") +
                       control<QLineEdit>(main, lumo::MainDialog::kIdCounterRight)->text();
        if (main->identification().isEmpty()) g_failed = true;
        if (!o.shot.isEmpty()) lumo::CaptureWindowImage(main).save(o.shot);
        if (QGuiApplication::platformName() != QLatin1String("windows")) {
            main->reject();
            return;
        }
        // The system menu entry, picked as the window manager would.
        const HWND hwnd = reinterpret_cast<HWND>(main->winId());
        wchar_t text[128] = {};
        GetMenuStringW(GetSystemMenu(hwnd, FALSE), lumo::MainDialog::kIdmAboutBox, text, 128, MF_BYCOMMAND);
        g_lines << QStringLiteral("sysmenu.about=") + QString::fromWCharArray(text);
        PostMessageW(hwnd, WM_SYSCOMMAND, lumo::MainDialog::kIdmAboutBox, 0);
    }
}

class AutopilotApp : public lumo::ServiceApp {
protected:
    int ExecMain() override
    {
        lumo::MainDialog dialog;
        return dialog.exec();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Options o;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--password")) o.password = args[i + 1];
        else if (args[i] == QLatin1String("--port")) o.port = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--out")) o.out = args[i + 1];
        else if (args[i] == QLatin1String("--shot")) o.shot = args[i + 1];
    }
    QTimer pilot;
    QObject::connect(&pilot, &QTimer::timeout, [&o] { step(o); });
    pilot.start(100);
    // However the dialogs go, the run ends: a hung port must not hang the test.
    QTimer::singleShot(60000, [] {
        g_lines << QStringLiteral("message=timeout");
        g_failed = true;
        QApplication::exit(1);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
    });
    AutopilotApp service;
    service.Run();

    const QString text = g_lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (o.out.isEmpty()) {
        std::fputs(text.toUtf8().constData(), stdout);
    } else {
        QFile f(o.out);
        if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
    }
    return g_failed || g_lines.isEmpty() ? 1 : 0;
}
