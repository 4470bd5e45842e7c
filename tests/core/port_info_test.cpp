// Which device a COM number reaches, the device list and the diagnosis of
// a failed open.
#include "core/port_info.h"

#include "support/recording_ui.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

using namespace lumo;

namespace {

// A ports folder of its own for one test.
struct PortsFolder {
    QTemporaryDir dir;
    QByteArray old = qgetenv("SERLINK_PORTS_DIR");
    PortsFolder() { qputenv("SERLINK_PORTS_DIR", dir.path().toLocal8Bit()); }
    ~PortsFolder() { qputenv("SERLINK_PORTS_DIR", old); }
    QString link(const QString& name, const QString& target)
    {
        const QString path = dir.filePath(name);
        QFile::link(target, path);
        return path;
    }
};

// A pseudo-terminal slave: a real terminal device for the diagnosis.
struct Pty {
    int master = -1;
    QString slave;
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
};

}  // namespace

TEST(PortInfo, ResolvesEntriesDefaultsAndPaths)
{
    PortsFolder ports;
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    const QString entry = ports.link(QStringLiteral("COM3"), pty.slave);

    const PortTarget viaEntry = PortInfo::ForPort(3);
    EXPECT_TRUE(viaEntry.fromEntry);
    EXPECT_EQ(viaEntry.path, entry);
    EXPECT_EQ(viaEntry.device, pty.slave);
    EXPECT_EQ(viaEntry.name, QStringLiteral("COM3"));

    const PortTarget fallback = PortInfo::ForPort(12);
    EXPECT_FALSE(fallback.fromEntry);
    EXPECT_EQ(fallback.path, QStringLiteral("/dev/ttyS11"));

    // The port text up to its ":" names the device; with a "/" it is a path.
    EXPECT_EQ(PortInfo::Resolve(QStringLiteral("COM3:")).path, entry);
    EXPECT_EQ(PortInfo::Resolve(QStringLiteral("/dev/ttyUSB0:")).path, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(PortInfo::Resolve(QStringLiteral("com7:")).path, QStringLiteral("/dev/ttyS6"));
    // Any other name is looked up in the folder only.
    EXPECT_EQ(PortInfo::Resolve(QStringLiteral("COM1000")).path, ports.dir.filePath(QStringLiteral("COM1000")));
    EXPECT_EQ(PortInfo::Resolve(QStringLiteral("modem")).path, ports.dir.filePath(QStringLiteral("modem")));
    EXPECT_TRUE(PortInfo::TargetText(viaEntry).contains(pty.slave));
}

TEST(PortInfo, DiagnosesMissingNotSerialAndInUse)
{
    PortsFolder ports;
    // A link that points nowhere counts as the entry, and the device is missing.
    ports.link(QStringLiteral("COM2"), QStringLiteral("/dev/pts/no-such-pty"));
    const PortTarget dangling = PortInfo::ForPort(2);
    EXPECT_TRUE(dangling.fromEntry);
    const OpenDiagnosis missing = PortInfo::Diagnose(dangling);
    EXPECT_EQ(missing.problem, OpenProblem::Missing);
    EXPECT_TRUE(PortInfo::DiagnosisText(missing).contains(QStringLiteral("nicht vorhanden")));

    // A regular file opens but is no terminal.
    QFile plain(ports.dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ports.link(QStringLiteral("COM5"), plain.fileName());
    EXPECT_EQ(PortInfo::Diagnose(PortInfo::ForPort(5)).problem, OpenProblem::NotSerial);

    // A terminal held with flock by another opener is in use; free, it opens.
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    ports.link(QStringLiteral("COM6"), pty.slave);
    EXPECT_EQ(PortInfo::Diagnose(PortInfo::ForPort(6)).problem, OpenProblem::None);
    const int holder = ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const OpenDiagnosis busy = PortInfo::Diagnose(PortInfo::ForPort(6));
    EXPECT_EQ(busy.problem, OpenProblem::InUse);
    EXPECT_TRUE(PortInfo::DiagnosisText(busy).contains(QStringLiteral("anderen Programm")));
    ::close(holder);
}

TEST(PortInfo, NoPermissionNamesTheDevicesGroup)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open every device";
    PortsFolder ports;
    QFile locked(ports.dir.filePath(QStringLiteral("locked")));
    ASSERT_TRUE(locked.open(QIODevice::WriteOnly));
    locked.close();
    locked.setPermissions(QFileDevice::ReadOwner);
    ports.link(QStringLiteral("COM8"), locked.fileName());
    const OpenDiagnosis d = PortInfo::Diagnose(PortInfo::ForPort(8));
    EXPECT_EQ(d.problem, OpenProblem::NoPermission);
    EXPECT_TRUE(PortInfo::DiagnosisText(d).contains(QStringLiteral("Gruppe")));
}

TEST(PortInfo, PermissionTextSuggestsTheOwningGroup)
{
    OpenDiagnosis d;
    d.problem = OpenProblem::NoPermission;
    d.device = QStringLiteral("/dev/ttyUSB0");
    d.group = QStringLiteral("uucp");
    EXPECT_TRUE(PortInfo::DiagnosisText(d).contains(QStringLiteral("„uucp“")));
    d.group = QStringLiteral("root");  // no group to join: the usual one
    EXPECT_TRUE(PortInfo::DiagnosisText(d).contains(QStringLiteral("„dialout“")));
}

TEST(PortInfo, ListsDevicesWithTheirComNumbers)
{
    // What the system reports: two serial ports and two USB adapters, one
    // reached through an entry COM4, one with no entry.
    QTemporaryDir root;
    const QString dev = QDir(root.path()).canonicalPath();
    for (const char* name : {"ttyUSB0", "ttyACM0"}) {
        QFile f(dev + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QList<SerialDevice> system = {
        {QStringLiteral("/dev/ttyS0"), {}, {}, {}, 0},
        {QStringLiteral("/dev/ttyS1"), {}, {}, {}, 0},
        {dev + QStringLiteral("/ttyUSB0"), QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
         QStringLiteral("A12345"), 0},
        {dev + QStringLiteral("/ttyACM0"), QStringLiteral("CDC"), {}, {}, 0},
    };
    PortsFolder ports;
    ports.link(QStringLiteral("COM4"), dev + QStringLiteral("/ttyUSB0"));
    // An entry COM2 that points elsewhere hides the ttyS1 default.
    ports.link(QStringLiteral("COM2"), QStringLiteral("/dev/null"));

    const auto devices = PortInfo::ListSerialDevices(system);
    QStringList seen;
    for (const auto& d : devices)
        seen << QStringLiteral("%1|%2").arg(QFileInfo(d.path).fileName()).arg(d.comNumber);
    // COM2 is listed with what it points at, even though that is no serial device.
    // The unnumbered ones follow by path.
    EXPECT_EQ(seen, QStringList({QStringLiteral("ttyS0|1"), QStringLiteral("null|2"), QStringLiteral("ttyUSB0|4"),
                                 QStringLiteral("ttyS1|0"), QStringLiteral("ttyACM0|0")}))
        << seen.join(QLatin1Char(' ')).toStdString();
    // How a technician tells the adapters apart.
    const QString text = PortInfo::DeviceListText(devices);
    EXPECT_TRUE(text.contains(QStringLiteral("COM4 = ") + dev + QStringLiteral("/ttyUSB0 (FT232R USB UART, FTDI, A12345)\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(dev + QStringLiteral("/ttyACM0 (ohne COM-Nummer) (CDC)"))) << text.toStdString();
}

TEST(PortInfo, ListsPortsFolderEntriesOutsideTheDeviceFolder)
{
    // The simulator's entry points at a pseudo-terminal, which no device
    // scan finds; a second entry to the same terminal and one pointing
    // nowhere are listed as well, a non-COM entry is not.
    QTemporaryDir root;
    const QString dev = QDir(root.path()).canonicalPath();
    Pty pty;
    ASSERT_FALSE(pty.slave.isEmpty());
    PortsFolder ports;
    ports.link(QStringLiteral("COM1"), pty.slave);
    ports.link(QStringLiteral("COM12"), pty.slave);
    ports.link(QStringLiteral("COM3"), dev + QStringLiteral("/gone"));
    ports.link(QStringLiteral("sim"), pty.slave);

    const auto devices = PortInfo::ListSerialDevices(QList<SerialDevice>{});
    QStringList seen;
    for (const auto& d : devices)
        seen << QStringLiteral("%1|%2").arg(d.comNumber).arg(d.path);
    EXPECT_EQ(seen, QStringList({QStringLiteral("1|") + pty.slave, QStringLiteral("3|") + dev + QStringLiteral("/gone"),
                                 QStringLiteral("12|") + pty.slave}))
        << seen.join(QLatin1Char(' ')).toStdString();
    const QString text = PortInfo::DeviceListText(devices);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Gefundene Schnittstellen:\nCOM1 = ") + pty.slave + QLatin1Char('\n')))
        << text.toStdString();
}
