// Which device a port number reaches on this machine, which serial devices
// there are, and why a device could not be opened: what the port dialog
// tells the technician. The name rule and the open rule are the serial
// library's own (the shared port-name module): the name before the ":" is
// a path when it holds a "/", else an entry of the ports folder
// ($SERLINK_PORTS_DIR, else ~/.config/serlink/ports), usually a symbolic
// link such as COM3 -> /dev/ttyUSB0; "COMn" without an entry is
// /dev/ttyS<n-1>. The serial library does the opening itself.
// A URL ("rfc2217://host:4001") or an entry naming one is a remote line
// (remote_line.h): the target shows the URL.
// On Windows "COMn" is the system's own device name (opened as \\.\COMn),
// the ports folder holds only remote-line entries, and the list comes from
// the system's serial device map (port_info_win.cpp).
#pragma once

#ifndef _WIN32
#include "port_names.h"
#endif
#include "remote_line.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

namespace lumo {

struct PortTarget {
    QString name;    // "COM3"
    QString path;    // what the serial library opens: the entry or the device
    QString device;  // the device it ends at (link followed), e.g. /dev/ttyUSB0
    bool fromEntry = false;  // found in the ports folder
    QString remote;          // the URL of a remote line, else empty
};

struct SerialDevice {
    QString path;  // /dev/ttyUSB0
    // What the system tells of the device (USB adapters): how a technician
    // tells two adapters apart. Empty where unknown.
    QString description;   // "FT232R USB UART"
    QString manufacturer;  // "FTDI"
    QString serialNumber;  // "A12345"
    int comNumber = 0;     // the COM number that reaches it, 0 for none
};

#ifdef _WIN32
enum class OpenProblem { None, Missing, NoPermission, InUse, NotSerial, NoHardware, NoConnection, Other };

// What Windows' device manager (SetupAPI, the ports class) tells of one
// port: its "PortName" ("COM3"), friendly name ("USB Serial Port (COM3)"),
// manufacturer ("FTDI"), first hardware id and device instance id
// ("FTDIBUS\VID_0403+PID_6001+A12345A\0000").
struct PortProperties {
    QString portName;
    QString friendlyName;
    QString manufacturer;
    QString hardwareId;
    QString instanceId;
};
#else
using OpenProblem = portnames::OpenProblem;
#endif

struct OpenDiagnosis {
    OpenProblem problem = OpenProblem::None;
    QString device;  // the device looked at
    QString group;   // owning group of the device (NoPermission)
    int error = 0;   // errno (Windows: GetLastError) of the failed step
    QString systemText;  // the system's own text where error alone does not give it
};

class PortInfo {
    Q_DECLARE_TR_FUNCTIONS(lumo::PortInfo)

public:
    // The ports folder in force.
    static QString PortsDir();
    // The target of a device name ("COM3") or of a port number.
    static PortTarget Resolve(const QString& name);
    static PortTarget ForPort(int port);
    // The serial devices the system knows (with description, maker and
    // serial number), each with the COM number that reaches it; then every
    // further COM entry of the ports folder with the device it ends at (e.g.
    // COM1 -> /dev/pts/3). Sorted by COM number, unnumbered devices last.
    // Outside Windows the system's list comes from Qt Serial Port
    // (core/serial_devices.cpp), which needs Qt Core only.
    static QList<SerialDevice> ListSerialDevices();
    // The same for a given list of system devices (tests).
    static QList<SerialDevice> ListSerialDevices(QList<SerialDevice> systemDevices);
#ifdef _WIN32
    // The list from the device manager's ports and the COM names of the
    // serial device map that it does not name (recorded values in tests).
    static QList<SerialDevice> ListSerialDevices(const QList<PortProperties>& ports,
                                                 const QStringList& mappedNames);
    // The ports the device manager lists now.
    static QList<PortProperties> QueryPortProperties();
#endif
    // Why the target cannot be opened (None when it opens now). Opens the
    // device briefly without changing its settings.
    static OpenDiagnosis Diagnose(const PortTarget& target);

    // One-line German texts for the dialog. The diagnosis ends with the
    // system's own error text, as the serial line trace gives it.
    static QString TargetText(const PortTarget& target);
    static QString DiagnosisText(const OpenDiagnosis& diagnosis);
    static QString DeviceListText(const QList<SerialDevice>& devices);

private:
    // Whether a remote line's server can be reached now (connects once).
    static OpenDiagnosis DiagnoseRemote(const PortTarget& target);
    // The German sentence for the problem alone.
    static QString ProblemText(const OpenDiagnosis& diagnosis);
    // Numbered devices first, by number; the others by path.
    static void SortByComNumber(QList<SerialDevice>& devices);
};

}  // namespace lumo
