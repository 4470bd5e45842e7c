#include "support/sim_link.h"

#include "core/device_link.h"
#include "widgets/control_tag.h"
#include "panel/port_dialog.h"

#include <gardolink.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace lumo::test {

SimLink::~SimLink() { reset(); }

bool SimLink::start(int port, gardosim::Options options)
{
    reset();
    port_ = port;
    sim_ = std::make_unique<gardosim::Simulator>(options);
    std::string error;
    if (!sim_->start(&error)) {
        ADD_FAILURE() << "simulator: " << error;
        return false;
    }
    if (sim_->registerPort("COM" + std::to_string(port), {}, &error).empty()) {
        ADD_FAILURE() << "port link: " << error;
        return false;
    }
    Change_Wait_Time(kNormalWait);
    return true;
}

QString SimLink::portName() const { return QStringLiteral("COM%1:").arg(port_); }

bool SimLink::open()
{
    const int rc = DeviceLink().OpenConnection(portName());
    if (rc != 0) {
        ADD_FAILURE() << "opening " << portName().toStdString() << " gave " << rc;
        return false;
    }
    opened_ = true;
    return true;
}

void SimLink::close()
{
    if (opened_) DeviceLink().CloseConnection();
    opened_ = false;
}

void SimLink::reset()
{
    close();
    sim_.reset();
    Change_Wait_Time(kNormalWait);
}

void SimLink::silence()
{
    sim_->inject(gardosim::FaultKind::Silence, gardosim::kForever);
    Change_Wait_Time(kShortWait);
}

void SimLink::clearFaults()
{
    sim_->clearFaults();
    Change_Wait_Time(kNormalWait);
}

bool waitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
    return true;
}

void choosePortWhenAsked(int port)
{
    whenModal<PortDialog>([port](PortDialog* pd) {
        auto* edit = byId<QLineEdit>(pd, PortDialog::kIdPort);
        auto* tryButton = byId<QPushButton>(pd, PortDialog::kIdTry);
        if (!edit || !tryButton) {
            ADD_FAILURE() << "port dialog controls missing";
            pd->reject();
            return;
        }
        edit->setText(QString::number(port));
        tryButton->click();
    });
}

QWidget* byId(QWidget* parent, int id)
{
    return FindControl(parent, id);
}

}  // namespace lumo::test
