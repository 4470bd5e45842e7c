#include "widgets/login_dialog.h"
#include "widgets/control_tag.h"

#include "core/password_table.h"
#include "widgets/title_width.h"
#include "core/ui_seam.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumo {

LoginDialog::LoginDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Mavik - Lumo 05    Anmeldung"));
    setWindowIcon(QApplication::windowIcon());

    auto* userLabel = TagControl(new QLabel(tr("Benutzer:"), this), kIdStatic, "userLabel",
                            tr("Benutzer:"));
    userEdit_ = TagControl(new QLineEdit(this), kIdUser, "userEdit", tr("Benutzer"));
    userLabel->setBuddy(userEdit_);

    auto* passwordLabel = TagControl(new QLabel(tr("Passwort:"), this), kIdStatic, "passwordLabel",
                                tr("Passwort:"));
    passwordEdit_ = TagControl(new QLineEdit(this), kIdPassword, "passwordEdit", tr("Passwort"));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    passwordEdit_->setMaxLength(kPasswordLength);
    passwordLabel->setBuddy(passwordEdit_);

    cancelButton_ = TagControl(new QPushButton(tr("Abbrechen"), this), kIdCancel, "cancelButton",
                          tr("Abbrechen"));
    cancelButton_->setAutoDefault(false);
    okButton_ = TagControl(new QPushButton(tr("OK"), this), kIdOk, "okButton", tr("OK"));
    okButton_->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(userLabel, 0, 0);
    fields->addWidget(userEdit_, 0, 1);
    fields->addWidget(passwordLabel, 1, 0);
    fields->addWidget(passwordEdit_, 1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(okButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    // Wide enough that window managers show the whole title.
    setMinimumWidth(320);
    FitTitle(this);

    setTabOrder(userEdit_, passwordEdit_);
    setTabOrder(passwordEdit_, cancelButton_);
    setTabOrder(cancelButton_, okButton_);
    userEdit_->setFocus();

    connect(okButton_, &QPushButton::clicked, this, &LoginDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &LoginDialog::reject);
}

void LoginDialog::takeEntries()
{
    user_ = userEdit_->text();
    password_ = passwordEdit_->text();
}

void LoginDialog::accept()
{
    takeEntries();
    if (user_.isEmpty()) {
        Message m;
        m.text = tr("Keinen Benutzernamen eingegeben!");
        m.caption = tr("Eingabe-Fehler");
        m.icon = MsgIcon::Stop;
        m.parent = this;
        ui().showMessage(m);
        return;
    }
    const auto bytes = PasswordBytes(password_);
    if (bytes && FindPassword(*bytes)) {
        QDialog::accept();
        return;
    }
    // The dialog goes first; the message follows with no owner, and the
    // program ends once it is closed.
    QDialog::reject();
    Message m;
    m.text = tr("Paßwort ungültig!");
    m.caption = tr("Passworteingabe");
    m.icon = MsgIcon::Stop;
    m.modality = Modality::Application;
    ui().showMessage(m);
}

}  // namespace lumo
