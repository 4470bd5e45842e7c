// The port dialog's view of the serial ports on Windows: "COMn" is the
// system's own device name, opened as \\.\COMn like the serial library does;
// the list is the device manager's ports class (SetupAPI: friendly name,
// manufacturer, USB serial number), completed by the system's serial device
// map; a failed open is explained from GetLastError().
#ifdef _WIN32

#include "core/port_info.h"

#include <QRegularExpression>

#include <algorithm>

#include <windows.h>

#include <setupapi.h>

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

namespace {

// The ports class of the device manager, {4D36E978-E325-11CE-BFC1-08002BE10318}.
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

QString registryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property)
{
    wchar_t buffer[512] = {};
    DWORD type = 0;
    // REG_SZ, or REG_MULTI_SZ whose first string is wanted: both end at the
    // first NUL; one character is kept free for it.
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                           sizeof buffer - sizeof(wchar_t), nullptr))
        return {};
    if (type != REG_SZ && type != REG_MULTI_SZ) return {};
    return QString::fromWCharArray(buffer);
}

QString portNameOf(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[64] = {};
    DWORD bytes = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    QString port;
    if (RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes) ==
            ERROR_SUCCESS && type == REG_SZ)
        port = QString::fromWCharArray(name);
    RegCloseKey(key);
    return port;
}

// The USB serial number in a device instance id: "USB\VID_0403&PID_6001\A12345"
// gives "A12345"; FTDI's own bus "FTDIBUS\VID_0403+PID_6001+A12345A\0000"
// gives "A12345A". Ids that Windows made up itself (with "&", as in
// "USB\VID_067B&PID_2303\5&2A3B4C&0&1") carry none.
QString serialNumberOf(const QString& instanceId)
{
    const QStringList parts = instanceId.split(QLatin1Char('\\'));
    if (parts.size() < 3) return {};
    const QString bus = parts[0].toUpper();
    QString serial;
    if (bus == QLatin1String("USB")) serial = parts[2];
    else if (bus == QLatin1String("FTDIBUS")) serial = parts[1].section(QLatin1Char('+'), 2, 2);
    if (serial.contains(QLatin1Char('&'))) return {};
    return serial;
}

}  // namespace

QList<PortProperties> PortInfo::QueryPortProperties()
{
    QList<PortProperties> ports;
    const HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return ports;
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        PortProperties p;
        p.portName = portNameOf(set, device);
        if (p.portName.isEmpty()) continue;  // a printer port (LPT) has none of the COM kind
        p.friendlyName = registryText(set, device, SPDRP_FRIENDLYNAME);
        p.manufacturer = registryText(set, device, SPDRP_MFG);
        p.hardwareId = registryText(set, device, SPDRP_HARDWAREID);
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr)) p.instanceId = QString::fromWCharArray(id);
        ports.append(p);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ports;
}

QList<SerialDevice> PortInfo::ListSerialDevices(const QList<PortProperties>& ports, const QStringList& mappedNames)
{
    QList<SerialDevice> devices;
    for (const PortProperties& p : ports) {
        if (comNumberOf(p.portName) == 0) continue;  // "LPT1" and the like
        // The manufacturer "(Standard port types)" of the built-in ports
        // tells nothing; a description without one is kept as it is.
        QString manufacturer = p.manufacturer;
        if (manufacturer.startsWith(QLatin1Char('('))) manufacturer.clear();
        devices.append({p.portName.toUpper(), p.friendlyName, manufacturer, serialNumberOf(p.instanceId), 0});
    }
    for (const QString& name : mappedNames) {
        const int n = comNumberOf(name);
        if (n == 0 || std::any_of(devices.begin(), devices.end(), [n](const SerialDevice& d) {
                return comNumberOf(d.path) == n;
            }))
            continue;
        devices.append({name.toUpper(), {}, {}, {}, 0});
    }
    return ListSerialDevices(devices);
}

QList<SerialDevice> PortInfo::ListSerialDevices()
{
    // HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value a port, named after the
    // driver's device ("\Device\Serial0", "\Device\VCP0"), holding "COMn":
    // ports whose driver registers with no device manager entry (virtual
    // ports of some drivers) are there only.
    QStringList mapped;
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
            mapped.append(QString::fromWCharArray(data));
        }
        RegCloseKey(key);
    }
    return ListSerialDevices(QueryPortProperties(), mapped);
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
