// Remote lines against real serial device servers on 127.0.0.1 in front of
// the simulated controller: ser2net (RFC 2217 and raw TCP) and pyserial's
// port manager. What arrives at the controller and at the far port is
// checked, not only what the client says.
#include "core/device_map.h"
#include "core/port_info.h"
#include "device_servers.h"
#include "panel/main_dialog.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <gardolink.h>
#include <gardosim/simulator.h>
#include <serlink.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "gardoctl/run_gardoctl.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace lumo {
namespace {

using gardosim::Area;
using test::Ser2net;

constexpr int kRemotePort = 5;  // COM5 names the remote line

using test::Outcome;
using test::RunGardoctl;

QString EntryPath(int port) { return QString::fromLocal8Bit(qgetenv("SERLINK_PORTS_DIR")) + QStringLiteral("/COM%1").arg(port); }

// COMn names the URL: a symbolic link whose target is the URL, or a text
// file whose first line is it.
void EnterRemote(int port, const QString& url, bool asLink)
{
    const QString entry = EntryPath(port);
    QFile::remove(entry);
    if (asLink) {
        ASSERT_EQ(::symlink(url.toLocal8Bit().constData(), entry.toLocal8Bit().constData()), 0);
    } else {
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(url.toUtf8() + "\r\n# the station in the next town\n");
    }
}

// The files of a folder by name with their bytes.
std::map<QString, QByteArray> Files(const QString& dir)
{
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        QFile f(dir + QLatin1Char('/') + name);
        if (f.open(QIODevice::ReadOnly)) files[name] = f.readAll();
    }
    return files;
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The output speed the far port's device has now.
speed_t DeviceSpeed(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    const bool ok = fd >= 0 && tcgetattr(fd, &t) == 0;
    if (fd >= 0) ::close(fd);
    return ok ? cfgetospeed(&t) : speed_t(0);
}

class RemoteLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::testApplication();
        std::string error;
        ASSERT_TRUE(sim_.start(&error)) << error;
        const uint8_t ident[4] = {0xD2, 0xFF, 0x00, 0x00};  // 65490: a 0xFF on the wire
        sim_.poke(Area::Program, map::kIdentAddress, ident);
        // One refuelling record per side; the others stay erased (0xFF).
        const uint8_t record[16] = {0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 1, 2, 30, 15, 10, 24, 12, 26};
        sim_.poke(Area::Program, map::RecordAddress(Side::Left, 1), record);
        sim_.poke(Area::Program, map::RecordAddress(Side::Right, 3), record);
        traceFile_ = traceDir_.filePath(QStringLiteral("trace.txt"));
    }

    void TearDown() override
    {
        CloseCommunication();
        qunsetenv("SERLINK_TRACE");
    }

    std::string device() const { return sim_.slavePath(); }
    // Opens url through the protocol library with the line traced.
    int32_t OpenTraced(const QString& portText)
    {
        qputenv("SERLINK_TRACE", traceFile_.toLocal8Bit());
        Change_Wait_Time(test::kNormalWait);
        return InitCommunication(portText.toLocal8Bit().constData(), 4800);
    }
    QString Trace() const { return QString::fromUtf8(ReadFile(traceFile_)); }

    test::RecordingUi ui_;
    gardosim::Simulator sim_;
    QTemporaryDir traceDir_;
    QString traceFile_;
};

// ---- What goes over each server: identification, both log files, a write
// of 0xFF values, with the port text in each of its forms.

enum class Server { Ser2netRfc2217, Ser2netRaw, PyserialRfc2217 };

class EachServerTest : public RemoteLineTest, public ::testing::WithParamInterface<Server> {};

TEST_P(EachServerTest, CarriesIdentificationLogFilesAndWritesOf0xFF)
{
    // The same steps on the local pseudo-terminal give the reference files.
    QTemporaryDir local, remote;
    const QString localPort = QString::fromStdString(device()) + QLatin1Char(':');
    const Outcome l = RunGardoctl({"--port", localPort, "logs", "--out", local.path()});
    ASSERT_EQ(l.exit, 0) << l.err.toStdString();

    Ser2net ser2net;
    test::PyRfc2217 pyserial;
    QString url;
    switch (GetParam()) {
    case Server::Ser2netRfc2217:
        ASSERT_TRUE(ser2net.start(device()));
        url = ser2net.rfc2217Url();
        break;
    case Server::Ser2netRaw:
        // A raw line sets nothing: the far port runs at the controller's rate.
        ASSERT_TRUE(ser2net.start(device(), 4800));
        url = ser2net.rawUrl();
        break;
    case Server::PyserialRfc2217:
        ASSERT_TRUE(pyserial.start(device()));
        url = pyserial.url();
        break;
    }

    // The URL as gardoctl takes it, without the port text's colon...
    const Outcome ident = RunGardoctl({"--port", url, "--json", "ident"});
    ASSERT_EQ(ident.exit, 0) << ident.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(ident.out).object()["ident"].toString(), "0000065490") << ident.out.constData();

    // ...with it, and both log files byte for byte as on the local line.
    const Outcome logs = RunGardoctl({"--port", url + ":", "logs", "--out", remote.path()});
    ASSERT_EQ(logs.exit, 0) << logs.err.toStdString();
    const auto expected = Files(local.path());
    EXPECT_EQ(expected.size(), 2u);
    EXPECT_EQ(Files(remote.path()), expected);

    // Through a ports-folder entry: calibration 255 reaches the controller
    // as the single byte 0xFF.
    EnterRemote(kRemotePort, url, GetParam() != Server::Ser2netRaw);
    sim_.clearLog();
    const Outcome cal = RunGardoctl({"--port", "COM5:", "--yes", "calibration", "left", "255", "255"});
    ASSERT_EQ(cal.exit, 0) << cal.err.toStdString();
    EXPECT_EQ(sim_.peek(Area::Program, map::kCalibrationAddress, 2), (std::vector<uint8_t>{255, 255}));
    bool written = false;
    for (const auto& f : sim_.frames()) {
        const auto& r = f.request;
        if (r.size() > 6 && r[1] == 0xA0 && r[2] == 2 && r[5] == 0xFF && r[6] == 0xFF) written = true;
    }
    EXPECT_TRUE(written) << "no program write of FF FF seen by the controller";
}

INSTANTIATE_TEST_SUITE_P(Servers, EachServerTest,
                         ::testing::Values(Server::Ser2netRfc2217, Server::Ser2netRaw, Server::PyserialRfc2217),
                         [](const auto& info) {
                             switch (info.param) {
                             case Server::Ser2netRfc2217: return std::string("ser2net_rfc2217");
                             case Server::Ser2netRaw: return std::string("ser2net_raw");
                             case Server::PyserialRfc2217: return std::string("pyserial_rfc2217");
                             }
                             return std::string();
                         });

// ---- The far port's settings and the trace.

TEST_F(RemoteLineTest, FarPortGets4800AndTheTraceShowsConnectNegotiationAndDataBytes)
{
    Ser2net ser2net;
    ASSERT_TRUE(ser2net.start(device(), 9600));
    ASSERT_EQ(OpenTraced(ser2net.rfc2217Url() + ":"), 0);
    EXPECT_EQ(DeviceSpeed(device()), speed_t(B4800));
    uint8_t ident[4] = {};
    ASSERT_EQ(Read_Program(map::kIdentAddress, 4, ident), 0);
    EXPECT_EQ(ident[1], 0xFF);
    ASSERT_EQ(CloseCommunication(), 0);

    const QString trace = Trace();
    const QString port = ser2net.rfc2217Url().section(u':', -1);
    EXPECT_TRUE(trace.contains(QStringLiteral("connect %1: connected to 127.0.0.1:%2 in ").arg(ser2net.rfc2217Url(), port)))
        << trace.toStdString();
    EXPECT_TRUE(trace.contains("BINARY both ways, COM-PORT-OPTION accepted")) << trace.toStdString();
    EXPECT_TRUE(trace.contains("confirmed 4800 baud, 8 data bits, parity none, 1 stop bit, no flow control"))
        << trace.toStdString();
    // ser2net's pseudo-terminal has no modem lines: not confirmed, and the
    // line goes on.
    EXPECT_TRUE(trace.contains("not confirmed: DTR off, RTS on")) << trace.toStdString();
    // The reply's data bytes as the controller sent them, 0xFF once.
    EXPECT_TRUE(trace.contains("D2 FF 00 00")) << trace.toStdString();
    EXPECT_FALSE(trace.contains("FF FF")) << trace.toStdString();

    // pyserial's server applies the rate too, and confirms the lines.
    test::PyRfc2217 pyserial;
    ASSERT_TRUE(pyserial.start(device()));
    ASSERT_EQ(OpenTraced(pyserial.url() + ":"), 0) << Trace().toStdString();
    EXPECT_EQ(DeviceSpeed(device()), speed_t(B4800));
    ASSERT_EQ(Read_Program(map::kIdentAddress, 4, ident), 0);
    ASSERT_EQ(CloseCommunication(), 0);
    EXPECT_TRUE(Trace().contains("no flow control, DTR off, RTS on")) << Trace().toStdString();
}

// ---- Failures: each is reported as such, within its limit, and the next
// open starts afresh.

TEST_F(RemoteLineTest, RefusedSilentAndLostConnectionsFailClearlyAndTheNextOpenConnectsAfresh)
{
    // Nothing listens: the open fails with the system's reason.
    const int closedPort = test::FreeTcpPort();
    EXPECT_EQ(OpenTraced(QStringLiteral("rfc2217://127.0.0.1:%1:").arg(closedPort)), SERLINK_E_OVERRUN);
    EXPECT_TRUE(Trace().contains("Connection refused")) << Trace().toStdString();
    EXPECT_EQ(Get_COM_Handle(), SERLINK_INVALID_HANDLE);
    CloseCommunication();
    // gardoctl tries that line once, named by its URL and by an entry.
    const QString closedUrl = QStringLiteral("rfc2217://127.0.0.1:%1").arg(closedPort);
    EnterRemote(9, closedUrl, true);
    const Outcome twice = RunGardoctl({"--port", "9", "--port", closedUrl, "ident"});
    EXPECT_TRUE(twice.err.contains("served once")) << twice.err.toStdString();
    QFile::remove(EntryPath(9));

    // A server that accepts and never speaks.
    test::SilentServer silent;
    ASSERT_TRUE(silent.start());
    EXPECT_EQ(OpenTraced(silent.url() + ":"), SERLINK_E_OVERRUN);
    EXPECT_TRUE(Trace().contains("did not answer the Telnet negotiation within 2000 ms")) << Trace().toStdString();
    CloseCommunication();

    // A silent controller behind a working server: the local line's
    // time-out.
    Ser2net ser2net;
    ASSERT_TRUE(ser2net.start(device()));
    ASSERT_EQ(OpenTraced(ser2net.rfc2217Url() + ":"), 0);
    sim_.inject(gardosim::FaultKind::Silence, gardosim::kForever);
    Change_Wait_Time(test::kShortWait);
    uint8_t ident[4] = {};
    EXPECT_EQ(Read_Program(map::kIdentAddress, 4, ident), SERLINK_E_READ_TIMEOUT);
    sim_.clearFaults();

    // The server goes away in the middle of a transaction (the reply is
    // late): a failure of the line, not a time-out and not a hang.
    Change_Wait_Time(test::kNormalWait);
    sim_.inject(gardosim::FaultKind::Delay, 1, 1500);
    const pid_t server = pid_t(ser2net.pid());
    std::thread killer([&, server] {
        sim_.waitForFrames(sim_.frameCount() + 1, std::chrono::seconds(10));
        ::kill(server, SIGKILL);
    });
    EXPECT_EQ(Read_Program(map::kIdentAddress, 4, ident), SERLINK_E_OVERRUN);
    killer.join();
    ser2net.stop();
    EXPECT_TRUE(Trace().contains("lost: the server closed the connection")) << Trace().toStdString();
    CloseCommunication();

    // While it is down the open fails; once it is back, the next open
    // connects afresh.
    EXPECT_EQ(OpenTraced(ser2net.rfc2217Url() + ":"), SERLINK_E_OVERRUN);
    CloseCommunication();
    ASSERT_TRUE(ser2net.start(device()));
    ASSERT_EQ(OpenTraced(ser2net.rfc2217Url() + ":"), 0);
    ASSERT_EQ(Read_Program(map::kIdentAddress, 4, ident), 0);
    EXPECT_EQ(ident[0], 0xD2);
}

// ---- The port dialog's view and the main dialog through COM5.

TEST_F(RemoteLineTest, PortListShowsWhereRemoteEntriesLead)
{
    // Listed only: nothing connects to it.
    EnterRemote(5, QStringLiteral("rfc2217://192.0.2.7:4001"), true);
    EnterRemote(6, QStringLiteral("socket://[::1]:4002"), false);
    QFile other(EntryPath(8));  // a text file that names no URL is no remote line
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("rfc2217://192.0.2.7:99999\n");
    other.close();

    const QString list = PortInfo::DeviceListText(PortInfo::ListSerialDevices({}));
    EXPECT_TRUE(list.contains(QStringLiteral("COM5 = rfc2217://192.0.2.7:4001\n"))) << list.toStdString();
    EXPECT_TRUE(list.contains(QStringLiteral("COM6 = socket://[::1]:4002\n"))) << list.toStdString();
    EXPECT_FALSE(list.contains(QStringLiteral("COM8 = rfc2217"))) << list.toStdString();
    EXPECT_EQ(PortInfo::TargetText(PortInfo::ForPort(5)), QStringLiteral("COM5 = rfc2217://192.0.2.7:4001"));
    EXPECT_TRUE(PortInfo::ForPort(8).remote.isEmpty());

    // Why a remote line does not open: the system's text.
    EnterRemote(7, QStringLiteral("socket://127.0.0.1:%1").arg(test::FreeTcpPort()), true);
    EXPECT_EQ(PortInfo::DiagnosisText(PortInfo::Diagnose(PortInfo::ForPort(7))),
              QStringLiteral("Keine Verbindung zu %1. Systemmeldung: Connection refused").arg(PortInfo::ForPort(7).remote));
}

TEST_F(RemoteLineTest, MainDialogsFirstRefreshReachesTheControllerThroughCom5AndSer2net)
{
    const uint8_t left[4] = {0x0F, 0x27, 0x5A, 0xA5};  // 9999
    sim_.poke(Area::Process, map::kCounterLeftAddress, left);
    const uint8_t cal[4] = {11, 22, 33, 255};
    sim_.poke(Area::Program, map::kCalibrationAddress, cal);
    Ser2net ser2net;
    ASSERT_TRUE(ser2net.start(device()));
    EnterRemote(kRemotePort, ser2net.rfc2217Url(), true);

    MainDialog dialog;
    test::choosePortWhenAsked(kRemotePort);
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(ui_.count(), 0u) << ui_.texts().join(" | ").toStdString();
    EXPECT_EQ(dialog.identification(), QStringLiteral("0000065490"));
    auto text = [&](int id) { return qobject_cast<QLineEdit*>(dialog.control(id))->text(); };
    EXPECT_EQ(text(MainDialog::kIdCounterLeft), QStringLiteral("9999"));
    EXPECT_EQ(text(MainDialog::kIdGasRight), QStringLiteral("255"));
    // The refresh goes on over the same line.
    const std::size_t seen = sim_.frameCount();
    EXPECT_TRUE(test::waitUntil([&] { return sim_.frameCount() >= seen + 6; }));
}

}  // namespace
}  // namespace lumo
