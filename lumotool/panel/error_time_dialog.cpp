#include "panel/error_time_dialog.h"

#include "widgets/control_tag.h"
#include "widgets/data_exchange.h"
#include "widgets/title_width.h"
#include "resources/resources.h"
#include "session/control_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace lumo {

namespace {

QLineEdit* digitsEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    e->setAlignment(Qt::AlignRight);
    e->setMaxLength(10);
    e->setMinimumWidth(40);
    e->setMaximumWidth(60);
    return e;
}

}  // namespace

ErrorTimeDialog::ErrorTimeDialog(QWidget* parent) : ErrorTimeDialog(0, 0, Side::Left, parent) {}

ErrorTimeDialog::ErrorTimeDialog(uint32_t hours, uint32_t minutes, Side side, QWidget* parent)
    : QDialog(parent), hours_(hours), minutes_(minutes), side_(side)
{
    setObjectName(QStringLiteral("ErrorTimeDialog"));
    setWindowTitle(tr("Mavik - Lumo 05  Fehlerzeit"));
    setWindowIcon(AppIcon());
    buildControls();
    UpdateData(false);
}

void ErrorTimeDialog::buildControls()
{
    auto* label = new QLabel(QStringLiteral("HH:MM"), this);
    hoursEdit_ = digitsEdit(this);
    TagControl(hoursEdit_, kIdHours, "hours", tr("Stunden"));
    label->setBuddy(hoursEdit_);
    auto* colon = new QLabel(QStringLiteral(":"), this);
    minutesEdit_ = digitsEdit(this);
    TagControl(minutesEdit_, kIdMinutes, "minutes", tr("Minuten"));

    auto* ok = new QPushButton(tr("OK"), this);
    TagControl(ok, kIdOk, "ok", tr("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Abbrechen"), this);
    TagControl(cancel, kIdCancel, "cancel", tr("Abbrechen"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &ErrorTimeDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(hoursEdit_);
    row->addWidget(colon);
    row->addWidget(minutesEdit_);
    row->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FitTitle(this);
}

bool ErrorTimeDialog::UpdateData(bool saveAndValidate)
{
    if (!saveAndValidate) {
        hoursEdit_->setText(QString::number(hours_));
        minutesEdit_->setText(QString::number(minutes_));
        return true;
    }
    qint64 h = 0, m = 0;
    if (!TakeNumber(hoursEdit_, 0, map::kErrorTimeHoursMax, &h)) return false;
    hours_ = uint32_t(h);
    if (!TakeNumber(minutesEdit_, 0, map::kErrorTimeMinutesMax, &m)) return false;
    minutes_ = uint32_t(m);
    return true;
}

void ErrorTimeDialog::accept()
{
    if (!UpdateData(true)) return;
    emit writeStarting();
    writeStatus_ = session::ControlPanel(link_).WriteErrorTime(side_, ErrorTime{hours_, minutes_});
    emit writeFinished(writeStatus_);
    // Closes also after a failed write: the message has been shown.
    QDialog::accept();
}

}  // namespace lumo
