// LoginDialog run headless with the recording fake.
#include "widgets/login_dialog.h"

#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace lumo;
using lumo::test::execWith;
using lumo::test::RecordingUi;
using lumo::test::byId;

namespace {

// Types the entries and presses OK.
void enter(QDialog& d, const QString& user, const QString& password)
{
    auto* u = byId<QLineEdit>(d, LoginDialog::kIdUser);
    auto* p = byId<QLineEdit>(d, LoginDialog::kIdPassword);
    u->clear();
    p->clear();
    QTest::keyClicks(u, user);
    // QTest types ASCII only; other characters go in as typed text.
    bool ascii = true;
    for (QChar c : password)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        QTest::keyClicks(p, password);
    else
        p->insert(password);
    byId<QPushButton>(d, LoginDialog::kIdOk)->click();
}

// The next control the Tab key reaches.
QWidget* nextTab(QWidget* w)
{
    QWidget* n = w->nextInFocusChain();
    while (n != w && !(n->focusPolicy() & Qt::TabFocus))
        n = n->nextInFocusChain();
    return n;
}

}  // namespace

TEST(LoginDialog, ControlsTitleAndTabOrder)
{
    LoginDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Mavik - Lumo 05    Anmeldung"));
    auto* user = byId<QLineEdit>(d, 1025);
    auto* password = byId<QLineEdit>(d, 1005);
    auto* cancel = byId<QPushButton>(d, 1050);
    auto* ok = byId<QPushButton>(d, 1);
    ASSERT_TRUE(user && password && cancel && ok);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->maxLength(), 6);
    EXPECT_EQ(cancel->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(user->accessibleName(), QStringLiteral("Benutzer"));
    EXPECT_FALSE(user->objectName().isEmpty());
    QStringList labels;
    for (auto* l : d.findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Benutzer:")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Passwort:")));
    EXPECT_EQ(nextTab(user), password);
    EXPECT_EQ(nextTab(password), cancel);
    EXPECT_EQ(nextTab(cancel), ok);
}

TEST(LoginDialog, EmptyUserNameIsCheckedFirstAndKeepsTheDialogOpen)
{
    RecordingUi rec;
    LoginDialog d;
    const int result = execWith(d, [&rec](QDialog& dlg) {
        enter(dlg, QString(), QStringLiteral("wrong!"));  // wrong password, but no user name
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_EQ(rec.count(), 1u);
        enter(dlg, QStringLiteral("Techniker"), QStringLiteral("Lumo05"));
    });
    EXPECT_EQ(result, QDialog::Accepted);
    ASSERT_EQ(rec.count(), 1u);
    const auto m = rec.last();
    EXPECT_EQ(m.text, QStringLiteral("Keinen Benutzernamen eingegeben!"));
    EXPECT_EQ(m.caption, QStringLiteral("Eingabe-Fehler"));
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(d.userName(), QStringLiteral("Techniker"));
}

TEST(LoginDialog, WrongPasswordCancelsThenSaysSo)
{
    RecordingUi rec;
    LoginDialog d;
    bool visibleDuringMessage = true;
    rec.onShow = [&](const lumo::test::ShownMessage&) { visibleDuringMessage = d.isVisible(); };
    const int result = execWith(d, [](QDialog& dlg) { enter(dlg, QStringLiteral("x"), QStringLiteral("Lumo06")); });
    EXPECT_EQ(result, QDialog::Rejected);
    ASSERT_EQ(rec.count(), 1u);
    const auto m = rec.last();
    EXPECT_EQ(m.text, QStringLiteral("Paßwort ungültig!"));
    EXPECT_EQ(m.caption, QStringLiteral("Passworteingabe"));
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_EQ(m.modality, Modality::Application);
    EXPECT_FALSE(visibleDuringMessage);  // the dialog is gone first
}

TEST(LoginDialog, ShortWrongCaseAndOverlongPasswords)
{
    {
        RecordingUi rec;
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { enter(dlg, QStringLiteral("x"), QStringLiteral("Lumo0")); }),
                  QDialog::Rejected);
        EXPECT_EQ(rec.countText(QStringLiteral("Paßwort ungültig!")), 1u);
    }
    {
        RecordingUi rec;
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { enter(dlg, QStringLiteral("x"), QStringLiteral("lumo05")); }),
                  QDialog::Rejected);
        EXPECT_EQ(rec.countText(QStringLiteral("Paßwort ungültig!")), 1u);
    }
    {
        // A seventh character cannot be typed: "Lumo05x" arrives as "Lumo05".
        RecordingUi rec;
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { enter(dlg, QStringLiteral("x"), QStringLiteral("Lumo05x")); }),
                  QDialog::Accepted);
        EXPECT_EQ(rec.count(), 0u);
    }
    {
        // Umlauts are typed as themselves.
        RecordingUi rec;
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { enter(dlg, QStringLiteral("x"), QStringLiteral("Mävik7")); }),
                  QDialog::Accepted);
    }
}

TEST(LoginDialog, CancelAndEscapeEndWithoutMessage)
{
    RecordingUi rec;
    {
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { byId<QPushButton>(dlg, LoginDialog::kIdCancel)->click(); }),
                  QDialog::Rejected);
    }
    {
        LoginDialog d;
        EXPECT_EQ(execWith(d, [](QDialog& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }), QDialog::Rejected);
    }
    {
        // Return in the password field presses the default button.
        LoginDialog d;
        EXPECT_EQ(execWith(d,
                           [](QDialog& dlg) {
                               QTest::keyClicks(byId<QLineEdit>(dlg, LoginDialog::kIdUser), QStringLiteral("x"));
                               auto* p = byId<QLineEdit>(dlg, LoginDialog::kIdPassword);
                               QTest::keyClicks(p, QStringLiteral("Gardo1"));
                               QTest::keyClick(p, Qt::Key_Return);
                           }),
                  QDialog::Accepted);
    }
    EXPECT_EQ(rec.count(), 0u);
}
