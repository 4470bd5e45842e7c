#include "panel/port_dialog.h"

#include "widgets/control_tag.h"

#include "core/device_link.h"
#include "core/port_info.h"
#include "core/settings.h"
#include "widgets/title_width.h"
#include "widgets/data_exchange.h"
#include "session/connection.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace lumo {

namespace {

constexpr int kIdStatic = -1;

}  // namespace

PortDialog::PortDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Mavik - Lumo 05   Schnittstelle"));
    setWindowIcon(QApplication::windowIcon());

    label_ = TagControl(new QLabel(tr("Schnittstelle:"), this), kIdLabel, "portLabel",
                   tr("Schnittstelle:"));
    edit_ = TagControl(new QLineEdit(this), kIdPort, "portEdit", tr("Schnittstelle"));
    // Digits only, like a number edit; the range is checked on "Versuchen".
    edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
    label_->setBuddy(edit_);

    // What the number reaches on this machine, the devices there are, and
    // why the last attempt failed: help for the technician, not part of the
    // entry.
    deviceLabel_ = TagControl(new QLabel(this), kIdStatic, "deviceLabel", QString());
    deviceLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    devicesFound_ = TagControl(new QLabel(this), kIdStatic, "devicesLabel", QString());
    devicesFound_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    diagnosis_ = TagControl(new QLabel(this), kIdStatic, "diagnosisLabel", QString());
    diagnosis_->setWordWrap(true);
    diagnosis_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    diagnosis_->hide();

    tryButton_ = TagControl(new QPushButton(tr("Versuchen"), this), kIdTry, "tryButton",
                       tr("Versuchen"));
    tryButton_->setDefault(true);
    quitButton_ = TagControl(new QPushButton(tr("Beenden"), this), kIdQuit, "quitButton",
                        tr("Beenden"));
    quitButton_->setAutoDefault(false);

    auto* row = new QGridLayout;
    row->addWidget(label_, 0, 0);
    row->addWidget(edit_, 0, 1);
    row->addWidget(deviceLabel_, 0, 2);
    row->setColumnStretch(2, 1);
    edit_->setMaximumWidth(60);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(tryButton_);
    buttons->addWidget(quitButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(devicesFound_);
    layout->addWidget(diagnosis_);
    layout->addLayout(buttons);

    FitTitle(this);

    setTabOrder(edit_, tryButton_);
    setTabOrder(tryButton_, quitButton_);

    connect(tryButton_, &QPushButton::clicked, this, &PortDialog::accept);
    connect(quitButton_, &QPushButton::clicked, this, &PortDialog::reject);
    connect(edit_, &QLineEdit::textChanged, this, &PortDialog::updateDeviceHint);

    // Opening: the stored number (0 when none) replaces the initial 1.
    port_ = Settings::ReadPort();
    showEntries();
    devicesFound_->setText(PortInfo::DeviceListText(PortInfo::ListSerialDevices()));
    edit_->setFocus();
    edit_->selectAll();
}

QString PortDialog::portName(int port)
{
    return Settings::PortText(port);
}

bool PortDialog::takeEntries()
{
    qint64 value = 0;
    if (!TakeNumber(edit_, kMinPort, kMaxPort, &value))
        return false;
    port_ = static_cast<int>(value);
    return true;
}

void PortDialog::showEntries()
{
    edit_->setText(QString::number(port_));
    updateDeviceHint();
}

void PortDialog::updateDeviceHint()
{
    qint64 value = 0;
    if (!ParseNumber(edit_->text(), kMinPort, kMaxPort, &value)) {
        deviceLabel_->clear();
        deviceLabel_->setAccessibleName(QString());
        return;
    }
    const QString text = PortInfo::TargetText(PortInfo::ForPort(static_cast<int>(value)));
    deviceLabel_->setText(text);
    deviceLabel_->setAccessibleName(text);
}

void PortDialog::setDiagnosis(const QString& text)
{
    diagnosis_->setText(text);
    diagnosis_->setAccessibleName(text);
    diagnosis_->setVisible(!text.isEmpty());
}

void PortDialog::accept()
{
    setDiagnosis(QString());
    // A device may have been plugged in since the dialog opened.
    devicesFound_->setText(PortInfo::DeviceListText(PortInfo::ListSerialDevices()));
    // 1. The number, 1 to 99; otherwise the range message and stay.
    if (!takeEntries())
        return;

    // 2.-4. Open the port at 4800 baud and probe that a controller
    // answers; a failure has shown its message.
    DeviceLink link;
    const PortTarget target = PortInfo::ForPort(port_);
    switch (session::Connect(link, portName(port_))) {
    case session::ConnectOutcome::OpenFailed:
        setDiagnosis(PortInfo::DiagnosisText(PortInfo::Diagnose(target)));
        return;
    case session::ConnectOutcome::NoAnswer:
        setDiagnosis(tr("%1 ließ sich öffnen, aber kein Regler hat geantwortet.")
                         .arg(target.device.isEmpty() ? target.path : target.device));
        return;
    case session::ConnectOutcome::Connected:
        break;
    }

    // 5. Store the number and end with the connection open.
    Settings::WritePort(port_);
    showEntries();
    QDialog::accept();
}

}  // namespace lumo
