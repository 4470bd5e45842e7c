// The port dialog's view of the serial ports on Windows: "COMn" is the
// system's own device name, opened as \\.\COMn like the serial library does;
// the list is the system's serial device map; a failed open is explained
// from GetLastError().
#ifdef _WIN32

#include "core/port_info.h"

#include <QRegularExpression>

#include <windows.h>

namespace lumo {

namespace {

// "COM12" -> 12; 0 for any other name.
int comNumberOf(const QString& name)
{
    static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

OpenProblem classify(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return OpenProblem::Missing;
    // A COM port opens only once: a second open is refused with "access
    // denied" while another program holds it.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return OpenProblem::InUse;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        return OpenProblem::NotSerial;
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
        return OpenProblem::NoHardware;
    default:
        return OpenProblem::Other;
    }
}

}  // namespace

QString PortInfo::PortsDir()
{
    return QString::fromLocal8Bit(portnames::PortsDir().c_str());
}

PortTarget PortInfo::Resolve(const QString& rawName)
{
    PortTarget t;
    const std::string text = rawName.toLocal8Bit().toStdString();
    t.name = QString::fromLocal8Bit(text.substr(0, portnames::DeviceNameLength(text.c_str())).c_str());
    portnames::RemoteUrl url;
    std::string entry;
    if (portnames::RemoteFor(t.name.toLocal8Bit().toStdString(), &url, &entry)) {
        t.remote = QString::fromStdString(url.text);
        t.fromEntry = !entry.empty();
        t.path = t.fromEntry ? QString::fromLocal8Bit(entry.c_str()) : t.remote;
        t.device = t.remote;
        return t;
    }
    t.path = t.name.startsWith(QLatin1String("\\\\.\\")) ? t.name : QStringLiteral("\\\\.\\") + t.name;
    t.device = t.path;
    return t;
}

QList<SerialDevice> PortInfo::ListSerialDevices()
{
    // HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value a port, named after the
    // driver's device ("\Device\Serial0", "\Device\VCP0"), holding "COMn".
    QList<SerialDevice> system;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            wchar_t data[64];
            DWORD nameLength = 256;
            DWORD dataBytes = sizeof data - sizeof(wchar_t);
            DWORD type = 0;
            const LONG rc = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
            data[dataBytes / sizeof(wchar_t)] = L'\0';
            const QString port = QString::fromWCharArray(data);
            system.append({port, QString::fromWCharArray(name, int(nameLength)), {}, {}, 0});
        }
        RegCloseKey(key);
    }
    return ListSerialDevices(system);
}

QList<SerialDevice> PortInfo::ListSerialDevices(QList<SerialDevice> devices)
{
    for (auto& d : devices)
        if (d.comNumber == 0) d.comNumber = comNumberOf(d.path);
    SortByComNumber(devices);
    return devices;
}

OpenDiagnosis PortInfo::Diagnose(const PortTarget& target)
{
    if (!target.remote.isEmpty())
        return DiagnoseRemote(target);
    OpenDiagnosis d;
    d.device = target.name.isEmpty() ? target.path : target.name;
    // The serial library's own open, briefly, without changing settings:
    // exclusive, and only a serial port answers GetCommState.
    const std::wstring path = target.path.toStdWString();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        d.error = int(GetLastError());
        d.problem = classify(DWORD(d.error));
        return d;
    }
    DCB probe {};
    probe.DCBlength = sizeof probe;
    if (!GetCommState(h, &probe)) {
        d.error = int(GetLastError());
        d.problem = d.error == ERROR_FILE_NOT_FOUND ? OpenProblem::Missing : OpenProblem::NotSerial;
    }
    CloseHandle(h);
    return d;
}

}  // namespace lumo

#endif  // _WIN32
