#include "core/port_info.h"

#include "line_trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#ifndef _WIN32
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumo {

namespace {

#ifndef _WIN32
// The file a path ends at when links are followed; the link's own target
// text (made absolute) when it points nowhere.
QString finalTarget(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    if (info.isSymLink())
        return info.symLinkTarget();
    return path;
}
#endif

QString homeShort(const QString& path)
{
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

}  // namespace

// The ports folder, the device links and the opening are POSIX; Windows has
// its own in port_info_win.cpp. The texts below are shared.
#ifndef _WIN32
QString PortInfo::PortsDir()
{
    return QFile::decodeName(portnames::PortsDir().c_str());
}

PortTarget PortInfo::Resolve(const QString& rawName)
{
    const std::string text = QFile::encodeName(rawName).toStdString();
    const portnames::Target resolved = portnames::Resolve(text);
    PortTarget t;
    t.name = QFile::decodeName(text.substr(0, portnames::DeviceNameLength(text.c_str())).c_str());
    t.path = QFile::decodeName(resolved.path.c_str());
    t.fromEntry = resolved.fromEntry;
    t.remote = QString::fromStdString(resolved.remote);
    t.device = t.remote.isEmpty() ? finalTarget(t.path) : t.remote;
    return t;
}

QList<SerialDevice> PortInfo::ListSerialDevices(QList<SerialDevice> devices)
{
    // The COM number of each device: a ports folder entry pointing at it, else
    // the ttyS default (unless an entry of that name points elsewhere).
    const QString portsDir = PortsDir();
    // Each COM entry of the ports folder with its number and what it
    // reaches: a remote line's URL, else the device its link ends at.
    struct Entry {
        int number;
        QString reached;
    };
    QList<Entry> entries;
    for (const std::string& e : portnames::ComEntries()) {
        portnames::RemoteUrl url;
        const QString path = portsDir + QLatin1Char('/') + QString::fromStdString(e);
        const QString reached = portnames::EntryUrl(QFile::encodeName(path).toStdString(), &url)
                                    ? QString::fromStdString(url.text)
                                    : finalTarget(path);
        entries.append({int(portnames::ComNumber(e)), reached});
    }
    for (auto& d : devices) {
        const QString path = finalTarget(d.path);
        for (const Entry& entry : entries) {
            if (d.comNumber == 0 && entry.reached == path) d.comNumber = entry.number;
        }
        static const QRegularExpression ttyS(QStringLiteral("^/dev/ttyS([0-9]+)$"));
        if (const auto m = ttyS.match(d.path); d.comNumber == 0 && m.hasMatch()) {
            const int n = m.captured(1).toInt() + 1;
            const bool taken =
                std::any_of(entries.cbegin(), entries.cend(), [n](const Entry& entry) { return entry.number == n; });
            if (!taken) d.comNumber = n;
        }
    }
    // Every other COM entry of the ports folder, with the device it ends at
    // (a pseudo-terminal of the simulator, a device under another name, or
    // a link pointing nowhere): the technician types these numbers too.
    for (const Entry& entry : entries) {
        const bool shown = std::any_of(devices.cbegin(), devices.cend(),
                                       [&entry](const SerialDevice& d) { return d.comNumber == entry.number; });
        if (!shown)
            devices.append(SerialDevice{entry.reached, {}, {}, {}, entry.number});
    }
    SortByComNumber(devices);
    return devices;
}

OpenDiagnosis PortInfo::Diagnose(const PortTarget& target)
{
    if (!target.remote.isEmpty())
        return DiagnoseRemote(target);
    OpenDiagnosis d;
    d.device = target.device.isEmpty() ? target.path : target.device;
    const std::string path = QFile::encodeName(target.path).toStdString();

    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (const group* g = ::getgrgid(st.st_gid))
            d.group = QString::fromLocal8Bit(g->gr_name);
    }
    // The serial library's own open, briefly, without changing settings.
    portnames::OpenStep step;
    const int fd = portnames::OpenPort(path, &step);
    if (fd >= 0) {
        ::close(fd);
        return d;
    }
    d.error = errno;
    d.problem = portnames::Classify(step, d.error);
    return d;
}
#endif  // !_WIN32

OpenDiagnosis PortInfo::DiagnoseRemote(const PortTarget& target)
{
    OpenDiagnosis d;
    d.device = target.remote;
    portnames::RemoteUrl url;
    if (portnames::ParseRemote(target.remote.toStdString().c_str(), &url) == 0) {
        d.problem = OpenProblem::Missing;
        return d;
    }
    // The serial library's own connect. It comes after the library's own
    // attempt (at most 5 s) has failed, so it gets less: together they
    // keep the window no longer than a silent controller on a local line
    // would (four attempts of 2 s).
    std::string text, address;
    const intptr_t s = portnames::ConnectTcp(url, 3000, &d.error, &text, &address);
    if (s >= 0) {
        portnames::CloseSocket(s);
        return d;
    }
    d.problem = OpenProblem::NoConnection;
    d.systemText = QString::fromLocal8Bit(text.c_str());
    return d;
}

PortTarget PortInfo::ForPort(int port)
{
    return Resolve(QStringLiteral("COM%1").arg(port));
}

void PortInfo::SortByComNumber(QList<SerialDevice>& devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        if ((a.comNumber == 0) != (b.comNumber == 0))
            return a.comNumber != 0;
        if (a.comNumber != b.comNumber)
            return a.comNumber < b.comNumber;
        return a.path < b.path;
    });
}

QString PortInfo::TargetText(const PortTarget& t)
{
    if (!t.remote.isEmpty())
        return QStringLiteral("%1 = %2").arg(t.name, t.remote);
    if (t.fromEntry) {
        const QString entry = homeShort(t.path);
        if (t.device != t.path)
            return tr("%1 = %2 (Eintrag %3)").arg(t.name, t.device, entry);
        return QStringLiteral("%1 = %2").arg(t.name, entry);
    }
    if (t.device != t.path)
        return QStringLiteral("%1 = %2 (%3)").arg(t.name, t.path, t.device);
    return QStringLiteral("%1 = %2").arg(t.name, t.path);
}

QString PortInfo::DiagnosisText(const OpenDiagnosis& d)
{
    // The line names the system's own error text as the serial line trace
    // does, so that the two can be matched.
    const QString system = !d.systemText.isEmpty() ? tr(" Systemmeldung: %1").arg(d.systemText)
                           : d.error == 0          ? QString()
                                                   : tr(" Systemmeldung: %1")
                                                .arg(QString::fromLocal8Bit(linktrace::os_error_text(
                                                    static_cast<unsigned long>(d.error)).c_str()));
    return ProblemText(d) + system;
}

QString PortInfo::ProblemText(const OpenDiagnosis& d)
{
    switch (d.problem) {
    case OpenProblem::None:
        return tr("%1 lässt sich öffnen.").arg(d.device);
    case OpenProblem::Missing:
        return tr("Gerät %1 ist nicht vorhanden.").arg(d.device);
    case OpenProblem::NoPermission: {
        const QString group = d.group.isEmpty() || d.group == QLatin1String("root")
                                  ? QStringLiteral("dialout")
                                  : d.group;
        return tr("Keine Berechtigung für %1: den Benutzer in die Gruppe „%2“ aufnehmen "
                              "(sudo usermod -aG %2 $USER) und neu anmelden.")
            .arg(d.device, group);
    }
    case OpenProblem::InUse:
        return tr("%1 wird von einem anderen Programm benutzt.").arg(d.device);
    case OpenProblem::NotSerial:
        return tr("%1 ist keine serielle Schnittstelle.").arg(d.device);
    case OpenProblem::NoHardware:
        return tr("Hinter %1 ist keine Schnittstelle vorhanden.").arg(d.device);
    case OpenProblem::NoConnection:
        return tr("Keine Verbindung zu %1.").arg(d.device);
    case OpenProblem::Other:
        break;
    }
    return tr("%1 lässt sich nicht öffnen.").arg(d.device);
}

QString PortInfo::DeviceListText(const QList<SerialDevice>& devices)
{
    if (devices.isEmpty())
        return tr("Keine seriellen Schnittstellen gefunden.");
    QStringList lines;
    for (const auto& d : devices) {
        QString line = d.comNumber > 0 ? QStringLiteral("COM%1 = %2").arg(d.comNumber).arg(d.path)
                                       : tr("%1 (ohne COM-Nummer)").arg(d.path);
        // "(FT232R USB UART, FTDI, A12345)": how two adapters differ.
        QStringList about;
        for (const QString& part : {d.description, d.manufacturer, d.serialNumber})
            if (!part.isEmpty()) about.append(part);
        // On Windows the device is the COM name itself: "COM3 = USB Serial
        // Port (COM3), FTDI".
        const bool selfNamed = d.comNumber > 0 && d.path.compare(QStringLiteral("COM%1").arg(d.comNumber),
                                                                 Qt::CaseInsensitive) == 0;
        if (selfNamed)
            line = about.isEmpty() ? d.path : QStringLiteral("COM%1 = %2").arg(d.comNumber).arg(about.join(QStringLiteral(", ")));
        else if (!about.isEmpty())
            line += QStringLiteral(" (%1)").arg(about.join(QStringLiteral(", ")));
        lines.append(line);
    }
    return tr("Gefundene Schnittstellen:\n") + lines.join(QLatin1Char('\n'));
}

}  // namespace lumo
