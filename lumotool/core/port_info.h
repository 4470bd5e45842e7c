// Which device a port number reaches on this machine, which serial devices
// there are, and why a device could not be opened. The lookup follows the
// serial library's rule: the name before the ":" is a path when it holds a
// "/", else an entry of the ports folder ($SERLINK_PORTS_DIR, else
// ~/.config/serlink/ports), usually a symbolic link such as
// COM3 -> /dev/ttyUSB0; "COMn" without an entry is /dev/ttyS<n-1>.
// Only used to tell the technician what a number means; the serial library
// does the opening itself.
#pragma once

#include <QList>
#include <QString>

namespace lumo {

struct PortTarget {
    QString name;    // "COM3"
    QString path;    // what the serial library opens: the entry or the device
    QString device;  // the device it ends at (link followed), e.g. /dev/ttyUSB0
    bool fromEntry = false;  // found in the ports folder
};

struct SerialDevice {
    QString path;   // /dev/ttyUSB0
    QString byId;   // its /dev/serial/by-id name, if any
    int comNumber = 0;  // the COM number that reaches it, 0 for none
};

enum class OpenProblem {
    None,          // the device opens now
    Missing,       // no such device (or the entry points nowhere)
    NoPermission,  // the user may not open it
    InUse,         // another program holds it
    NotSerial,     // it is no terminal device
    NoHardware,    // the device node exists but nothing answers behind it
    Other,
};

struct OpenDiagnosis {
    OpenProblem problem = OpenProblem::None;
    QString device;  // the device looked at
    QString group;   // owning group of the device (NoPermission)
    int error = 0;   // errno of the failed step
};

class PortInfo {
public:
    // The ports folder in force.
    static QString PortsDir();
    // The target of a device name ("COM3") or of a port number.
    static PortTarget Resolve(const QString& name);
    static PortTarget ForPort(int port);
    // Serial devices of this machine: /dev/serial/by-id names where they
    // exist, ttyUSB*, ttyACM*, and ttyS* ports that have hardware behind
    // them (or whose state the kernel does not tell), each with the COM
    // number that reaches it; then every further COM entry of the ports
    // folder with the device it ends at (e.g. COM1 -> /dev/pts/3). Sorted
    // by COM number. devDir and sysTtyDir are for tests.
    static QList<SerialDevice> ListSerialDevices(const QString& devDir = QStringLiteral("/dev"),
                                                 const QString& sysTtyDir = QStringLiteral("/sys/class/tty"));
    // Why the target cannot be opened (None when it opens now). Opens the
    // device briefly without changing its settings.
    static OpenDiagnosis Diagnose(const PortTarget& target);

    // One-line German texts for the dialog.
    static QString TargetText(const PortTarget& target);
    static QString DiagnosisText(const OpenDiagnosis& diagnosis);
    static QString DeviceListText(const QList<SerialDevice>& devices);
};

}  // namespace lumo
