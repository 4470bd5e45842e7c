#include "logs/side_select_dialog.h"
#include "widgets/control_tag.h"
#include "widgets/title_width.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumo {

SideSelectDialog::SideSelectDialog() : QDialog(nullptr) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(tr("Mavik - Lumo 05     Seitenauswahl"));
    TagControl(this, kIdDialog, "sideSelectDialog", windowTitle());
    setModal(true);

    const QString question = tr("Für welche Seite soll die Log-Datei angezeigt werden?");
    auto* group = new QGroupBox(question, this);
    group->setObjectName(QStringLiteral("sideGroup"));
    group->setAccessibleName(question);

    left_ = new QRadioButton(tr("Linke Seite"), group);
    TagControl(left_, kIdLeft, "leftSide", left_->text());
    right_ = new QRadioButton(tr("Rechte Seite"), group);
    TagControl(right_, kIdRight, "rightSide", right_->text());
    // One group, neither button checked at first.
    auto* buttons = new QButtonGroup(this);
    buttons->addButton(left_, kIdLeft);
    buttons->addButton(right_, kIdRight);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(left_);
    groupLayout->addWidget(right_);

    auto* separator = new QFrame(this);
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    separator->setObjectName(QStringLiteral("separator"));

    ok_ = new QPushButton(tr("OK"), this);
    TagControl(ok_, kIdOk, "ok", ok_->text());
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = new QPushButton(tr("Abbrechen"), this);
    TagControl(cancel_, kIdCancel, "cancel", cancel_->text());
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &SideSelectDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &SideSelectDialog::reject);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(ok_);
    buttonRow->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(separator);
    layout->addLayout(buttonRow);
    // The whole title in the title bar, also where the question is shorter
    // than the title (in English).
    FitTitle(this);
}

void SideSelectDialog::accept() {
    side_ = left_->isChecked() ? kLeft : kRight;
    QDialog::accept();
}

}  // namespace lumo
