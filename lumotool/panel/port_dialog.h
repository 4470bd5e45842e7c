// PortDialog: asks for the number of the serial port, opens the connection
// to the controller and checks that it answers. Accepted means: the
// connection is open, the controller has answered and the number is stored.
// Rejected ("Beenden", Escape, close box) means: no connection is open.
#pragma once

#include "core/settings.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumo {

class PortDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId").
    static constexpr int kIdLabel = 1079;
    static constexpr int kIdPort = 1025;
    static constexpr int kIdTry = 1;
    static constexpr int kIdQuit = 1050;
    static constexpr int kMinPort = Settings::kMinPort;
    static constexpr int kMaxPort = Settings::kMaxPort;

    explicit PortDialog(QWidget* parent = nullptr);

    // The port number the dialog holds (the stored one after opening, the
    // tried one after a successful "Versuchen").
    int portNumber() const { return port_; }
    // The port name handed to the connection, "COM<n>:".
    static QString portName(int port);

    // "Versuchen": range check, open, probe, store. A failure leaves the
    // dialog open with a line saying what was found at the device.
    void accept() override;

private:
    bool takeEntries();
    void showEntries();
    void updateDeviceHint();
    void setDiagnosis(const QString& text);

    int port_ = 1;
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QLabel* deviceLabel_ = nullptr;
    QLabel* devicesFound_ = nullptr;
    QLabel* diagnosis_ = nullptr;
    QPushButton* tryButton_ = nullptr;
    QPushButton* quitButton_ = nullptr;
};

}  // namespace lumo
