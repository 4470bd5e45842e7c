#include "widgets/service_app.h"

#include "widgets/login_dialog.h"
#include "widgets/qt_ui.h"
#include "core/settings.h"
#include "resources/resources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>

namespace lumo {

ServiceApp::ServiceApp()
{
    // The program's boxes and questions are Qt's, unless a test installed
    // its own seam.
    setDefaultUi(&QtUiSeam());
}

ServiceApp::~ServiceApp() = default;

int ServiceApp::Run()
{
    // 1. One running program per user.
    if (guard_.Guard() != SingleInstance::Outcome::Admitted) {
        SingleInstance::ShowRefusal();
        return 0;
    }
    // 2. Settings root: QSettings without arguments and the message captions
    //    use these names.
    QCoreApplication::setOrganizationName(Settings::kOrganization);
    QCoreApplication::setApplicationName(Settings::kApplication);
    // The application icon in every title bar from the first dialog on (the
    // login and port dialogs take the application's icon).
    QApplication::setWindowIcon(AppIcon());

    // 3. Login; anything but OK ends the program.
    if (ExecLogin() != QDialog::Accepted)
        return 0;

    // 4. The main dialog; the program ends with it.
    ExecMain();
    return 0;
}

int ServiceApp::ExecLogin()
{
    LoginDialog login;
    return login.exec();
}

}  // namespace lumo
