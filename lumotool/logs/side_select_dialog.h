// SideSelectDialog: asks which side's log file to show. OK gives "LEFT"
// when "Linke Seite" is checked and "RIGHT" in every other case, also when
// neither button is checked.
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QRadioButton;

namespace lumo {

class SideSelectDialog : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kIdDialog = 134,
        kIdLeft = 1080,
        kIdRight = 1081,
    };

    static inline const QString kLeft = QStringLiteral("LEFT");
    static inline const QString kRight = QStringLiteral("RIGHT");

    // No parent: run modally on its own.
    SideSelectDialog();

    // "LEFT" or "RIGHT" after OK; empty before.
    const QString& side() const { return side_; }

    QRadioButton* leftButton() const { return left_; }
    QRadioButton* rightButton() const { return right_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

public slots:
    void accept() override;

private:
    QString side_;
    QRadioButton* left_ = nullptr;
    QRadioButton* right_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace lumo
