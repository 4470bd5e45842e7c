// Start-up order: guard, settings root, login, main dialog.
#include "widgets/service_app.h"

#include "core/settings.h"
#include "support/recording_ui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumo;

namespace {

class ScriptedApp : public ServiceApp {
public:
    int loginResult = QDialog::Accepted;
    QStringList calls;
    bool iconBeforeLogin = false;

protected:
    int ExecLogin() override
    {
        iconBeforeLogin = !QApplication::windowIcon().isNull();
        calls << QStringLiteral("login:") + QCoreApplication::organizationName();
        return loginResult;
    }
    int ExecMain() override
    {
        calls << QStringLiteral("main");
        return QDialog::Rejected;
    }
};

}  // namespace

TEST(ServiceApp, LoginThenMainDialogWithTheSettingsRootSet)
{
    lumo::test::RecordingUi rec;
    ScriptedApp app;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.calls, QStringList({QStringLiteral("login:Mavik"), QStringLiteral("main")}));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("lumotool"));
    EXPECT_TRUE(app.guard().isHeld());
    EXPECT_TRUE(app.iconBeforeLogin);
    EXPECT_EQ(rec.count(), 0u);
}

TEST(ServiceApp, CancelledLoginEndsWithoutMainDialog)
{
    ScriptedApp app;
    app.loginResult = QDialog::Rejected;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.calls, QStringList({QStringLiteral("login:Mavik")}));
}

TEST(ServiceApp, RefusedStartShowsTheMessageAndNothingElse)
{
    // A running program (held in this process) answers the knock.
    SingleInstance running;
    ASSERT_EQ(running.Guard(), SingleInstance::Outcome::Admitted);
    QDialog main;
    ASSERT_NE(running.StartListening(&main), nullptr);

    lumo::test::RecordingUi rec;
    ScriptedApp app;
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(app.calls.isEmpty());
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().text, QStringLiteral("Die Software kann nicht mehrmals gestartet werden."));
}
