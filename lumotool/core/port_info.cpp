#include "core/port_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace lumo {

namespace {

// "COMn" (any case) with n from 1 to 999; 0 otherwise.
int comNumber(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(name);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    return ok ? n : 0;
}

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

QString homeShort(const QString& path)
{
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QLatin1String("/") && path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

}  // namespace

QString PortInfo::PortsDir()
{
    const QString env = qEnvironmentVariable("SERLINK_PORTS_DIR");
    if (!env.isEmpty())
        return env;
    return QDir::homePath() + QStringLiteral("/.config/serlink/ports");
}

PortTarget PortInfo::Resolve(const QString& rawName)
{
    PortTarget t;
    // The device name is the port text up to its first ":".
    t.name = rawName.section(QLatin1Char(':'), 0, 0);
    if (t.name.contains(QLatin1Char('/'))) {
        t.path = t.name;
    } else {
        const QString entry = PortsDir() + QLatin1Char('/') + t.name;
        const QFileInfo info(entry);
        // A link counts as an entry even when it points nowhere.
        if (info.exists() || info.isSymLink()) {
            t.path = entry;
            t.fromEntry = true;
        } else if (const int n = comNumber(t.name); n > 0) {
            t.path = QStringLiteral("/dev/ttyS%1").arg(n - 1);
        } else {
            t.path = entry;
        }
    }
    t.device = finalTarget(t.path);
    return t;
}

PortTarget PortInfo::ForPort(int port)
{
    return Resolve(QStringLiteral("COM%1").arg(port));
}

QList<SerialDevice> PortInfo::ListSerialDevices(const QString& devFolder, const QString& sysTtyDir)
{
    // Paths are compared with link targets, which come canonical.
    const QString canonicalDev = QDir(devFolder).canonicalPath();
    const QString devDir = canonicalDev.isEmpty() ? devFolder : canonicalDev;
    QList<SerialDevice> devices;
    auto add = [&devices](const QString& path) -> SerialDevice& {
        for (auto& d : devices) {
            if (d.path == path)
                return d;
        }
        devices.append(SerialDevice{path, {}, 0});
        return devices.last();
    };

    // Stable names of USB adapters.
    const QDir byId(devDir + QStringLiteral("/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            add(target).byId = link.fileName();
    }

    const QDir dev(devDir);
    const QStringList usb = dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                          QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : usb)
        add(devDir + QLatin1Char('/') + name);

    const QStringList ttyS = dev.entryList({QStringLiteral("ttyS*")}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : ttyS) {
        // Most machines have device nodes for many ports without hardware;
        // the kernel reports their type as 0.
        QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
        if (type.open(QIODevice::ReadOnly) && type.readAll().trimmed() == "0")
            continue;
        add(devDir + QLatin1Char('/') + name);
    }

    // The COM number of each device: a ports folder entry pointing at it, else
    // the ttyS default (unless an entry of that name points elsewhere).
    const QString portsDir = PortsDir();
    const QDir ports(portsDir);
    const QStringList entries = ports.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (auto& d : devices) {
        for (const QString& entry : entries) {
            const int n = comNumber(entry);
            if (n > 0 && finalTarget(portsDir + QLatin1Char('/') + entry) == d.path &&
                (d.comNumber == 0 || n < d.comNumber))
                d.comNumber = n;
        }
        if (d.comNumber == 0) {
            static const QRegularExpression re(QStringLiteral("^ttyS([0-9]+)$"));
            const auto m = re.match(d.path.mid(devDir.size() + 1));
            if (m.hasMatch() && d.path.startsWith(devDir + QLatin1Char('/'))) {
                const int n = m.captured(1).toInt() + 1;
                if (!entries.contains(QStringLiteral("COM%1").arg(n)))
                    d.comNumber = n;
            }
        }
    }
    // Every other COM entry of the ports folder, with the device it ends at
    // (a pseudo-terminal of the simulator, a device under another name, or
    // a link pointing nowhere): the technician types these numbers too.
    for (const QString& entry : entries) {
        const int n = comNumber(entry);
        if (n == 0)
            continue;
        const bool shown = std::any_of(devices.cbegin(), devices.cend(),
                                       [n](const SerialDevice& d) { return d.comNumber == n; });
        if (!shown)
            devices.append(SerialDevice{finalTarget(portsDir + QLatin1Char('/') + entry), {}, n});
    }
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        // Numbered devices first, by number; the others by path.
        if ((a.comNumber == 0) != (b.comNumber == 0))
            return a.comNumber != 0;
        if (a.comNumber != b.comNumber)
            return a.comNumber < b.comNumber;
        return a.path < b.path;
    });
    return devices;
}

OpenDiagnosis PortInfo::Diagnose(const PortTarget& target)
{
    OpenDiagnosis d;
    d.device = target.device.isEmpty() ? target.path : target.device;
    const QByteArray path = QFile::encodeName(target.path);

    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        d.error = errno;
        d.problem = (errno == EACCES) ? OpenProblem::NoPermission : OpenProblem::Missing;
        return d;
    }
    if (S_ISDIR(st.st_mode)) {
        d.problem = OpenProblem::NotSerial;
        return d;
    }
    if (const group* g = ::getgrgid(st.st_gid))
        d.group = QString::fromLocal8Bit(g->gr_name);

    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        d.error = errno;
        switch (errno) {
        case EACCES:
        case EPERM:
            d.problem = OpenProblem::NoPermission;
            break;
        case EBUSY:
            d.problem = OpenProblem::InUse;
            break;
        case ENOENT:
            d.problem = OpenProblem::Missing;
            break;
        case ENXIO:
        case ENODEV:
        case EIO:
            d.problem = OpenProblem::NoHardware;
            break;
        default:
            d.problem = OpenProblem::Other;
            break;
        }
        return d;
    }
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        d.error = errno;
        d.problem = (errno == EIO) ? OpenProblem::NoHardware : OpenProblem::NotSerial;
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        d.error = errno;
        d.problem = (errno == EWOULDBLOCK) ? OpenProblem::InUse : OpenProblem::Other;
    }
    ::close(fd);
    return d;
}

QString PortInfo::TargetText(const PortTarget& t)
{
    if (t.fromEntry) {
        const QString entry = homeShort(t.path);
        if (t.device != t.path)
            return QStringLiteral("%1 = %2 (Eintrag %3)").arg(t.name, t.device, entry);
        return QStringLiteral("%1 = %2").arg(t.name, entry);
    }
    if (t.device != t.path)
        return QStringLiteral("%1 = %2 (%3)").arg(t.name, t.path, t.device);
    return QStringLiteral("%1 = %2").arg(t.name, t.path);
}

QString PortInfo::DiagnosisText(const OpenDiagnosis& d)
{
    switch (d.problem) {
    case OpenProblem::None:
        return QStringLiteral("%1 lässt sich öffnen.").arg(d.device);
    case OpenProblem::Missing:
        return QStringLiteral("Gerät %1 ist nicht vorhanden.").arg(d.device);
    case OpenProblem::NoPermission: {
        const QString group = d.group.isEmpty() || d.group == QLatin1String("root")
                                  ? QStringLiteral("dialout")
                                  : d.group;
        return QStringLiteral("Keine Berechtigung für %1: den Benutzer in die Gruppe „%2“ aufnehmen "
                              "(sudo usermod -aG %2 $USER) und neu anmelden.")
            .arg(d.device, group);
    }
    case OpenProblem::InUse:
        return QStringLiteral("%1 wird von einem anderen Programm benutzt.").arg(d.device);
    case OpenProblem::NotSerial:
        return QStringLiteral("%1 ist keine serielle Schnittstelle.").arg(d.device);
    case OpenProblem::NoHardware:
        return QStringLiteral("Hinter %1 ist keine Schnittstelle vorhanden.").arg(d.device);
    case OpenProblem::Other:
        break;
    }
    return QStringLiteral("%1 lässt sich nicht öffnen: %2")
        .arg(d.device, QString::fromLocal8Bit(::strerror(d.error)));
}

QString PortInfo::DeviceListText(const QList<SerialDevice>& devices)
{
    if (devices.isEmpty())
        return QStringLiteral("Keine seriellen Schnittstellen gefunden.");
    QStringList lines;
    for (const auto& d : devices) {
        QString line = d.comNumber > 0 ? QStringLiteral("COM%1 = %2").arg(d.comNumber).arg(d.path)
                                       : QStringLiteral("%1 (ohne COM-Nummer)").arg(d.path);
        if (!d.byId.isEmpty())
            line += QStringLiteral(" [%1]").arg(d.byId);
        lines.append(line);
    }
    return QStringLiteral("Gefundene Schnittstellen:\n") + lines.join(QLatin1Char('\n'));
}

}  // namespace lumo
