// The system's serial devices for the port dialog and gardoctl --list-ports,
// from Qt Serial Port, a module on Qt Core alone (on Windows
// core/port_info_win.cpp reads the system's device map instead).
#ifndef _WIN32

#include "core/port_info.h"

#include <QSerialPortInfo>

namespace lumo {

QList<SerialDevice> PortInfo::ListSerialDevices()
{
    QList<SerialDevice> system;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        system.append({port.systemLocation(), port.description(), port.manufacturer(), port.serialNumber(), 0});
    return ListSerialDevices(system);
}

}  // namespace lumo

#endif
