// LoginDialog: user name and six-character password. OK with a non-empty
// user name and a password of the built-in table accepts; a wrong password
// rejects the dialog and then says "Paßwort ungültig!" (the program ends).
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumo {

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId"); -1 for the labels.
    static constexpr int kIdUser = 1025;
    static constexpr int kIdPassword = 1005;
    static constexpr int kIdCancel = 1050;
    static constexpr int kIdOk = 1;
    static constexpr int kIdStatic = -1;

    explicit LoginDialog(QWidget* parent = nullptr);

    const QString& userName() const { return user_; }

    // "OK": check the entries.
    void accept() override;

private:
    void takeEntries();

    QString user_;
    QString password_;
    QLineEdit* userEdit_ = nullptr;
    QLineEdit* passwordEdit_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace lumo
