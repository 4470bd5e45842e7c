#include "device_servers.h"

#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace lumo::test {

namespace {

void endProcess(std::unique_ptr<QProcess>& p)
{
    if (!p) return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    p.reset();
}

}  // namespace

bool Ser2net::start(const std::string& device, int baud)
{
    stop();
    if (rfcPort_ == 0) {
        rfcPort_ = FreeTcpPort();
        rawPort_ = FreeTcpPort();
    }
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QString dev = QString::fromStdString(device);
    f.write(QStringLiteral("connection: &rfc\n"
                           "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                           "  connector: serialdev,%3,%4n81,local\n"
                           "connection: &raw\n"
                           "  accepter: tcp,127.0.0.1,%2\n"
                           "  connector: serialdev,%3,%4n81,local\n")
                .arg(rfcPort_)
                .arg(rawPort_)
                .arg(dev)
                .arg(baud)
                .toUtf8());
    f.close();
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(dir_.filePath(QStringLiteral("ser2net.log")), QIODevice::Append);
    process_->start(QStringLiteral("ser2net"),
                    {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-c"), config,
                     QStringLiteral("-P"), dir_.filePath(QStringLiteral("ser2net.pid"))});
    if (!process_->waitForStarted(10000)) {
        ADD_FAILURE() << "ser2net did not start";
        return false;
    }
    if (!WaitForListener(rfcPort_) || !WaitForListener(rawPort_)) {
        ADD_FAILURE() << "ser2net does not listen on " << rfcPort_ << " and " << rawPort_;
        return false;
    }
    // Each probe above made ser2net open the device and close it again when
    // the probe left; until that is done a new client is turned away with
    // "Port already in use" (whose "P" reads as a rejected command).
    QThread::msleep(500);
    return true;
}

void Ser2net::stop() { endProcess(process_); }

bool PyRfc2217::start(const std::string& device)
{
    stop();
    process_ = std::make_unique<QProcess>();
    process_->start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(REMOTE_TEST_DIR "/rfc2217_server.py"), QString::fromStdString(device)});
    if (!process_->waitForStarted(10000)) {
        ADD_FAILURE() << "the pyserial server did not start";
        return false;
    }
    // It prints "port N" once it listens.
    QByteArray line;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!line.contains('\n') && std::chrono::steady_clock::now() < end) {
        process_->waitForReadyRead(200);
        line += process_->readAllStandardOutput();
    }
    if (!line.startsWith("port ")) {
        ADD_FAILURE() << "the pyserial server said: " << line.constData()
                      << process_->readAllStandardError().constData();
        return false;
    }
    port_ = line.mid(5).trimmed().toInt();
    return port_ > 0;
}

void PyRfc2217::stop() { endProcess(process_); }

SilentServer::~SilentServer()
{
    if (socket_ >= 0) ::close(socket_);
}

bool SilentServer::start()
{
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t size = sizeof a;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(socket_, 4) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return false;
    port_ = ntohs(a.sin_port);
    return true;
}

}  // namespace lumo::test
