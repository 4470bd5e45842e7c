// Serial device servers for the remote-line tests, started by the tests on
// 127.0.0.1 at free ports in front of a simulator's pseudo-terminal: ser2net
// (an RFC 2217 and a raw TCP accepter), pyserial's RFC 2217 port manager,
// and a listener that accepts and never speaks.
#pragma once

#include "support/loopback_ports.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace lumo::test {

// ser2net in the foreground with its own configuration file.
class Ser2net {
public:
    ~Ser2net() { stop(); }
    // Serves device at baud (the setting ser2net starts the device with)
    // on the ports of the last start, or on new free ports the first time.
    bool start(const std::string& device, int baud = 9600);
    void stop();
    // The server process, for ending it from another thread (QProcess may
    // only be used on its own).
    qint64 pid() const { return process_ ? process_->processId() : 0; }
    QString rfc2217Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(rfcPort_); }
    QString rawUrl() const { return QStringLiteral("socket://127.0.0.1:%1").arg(rawPort_); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    int rfcPort_ = 0;
    int rawPort_ = 0;
};

// pyserial's port manager (tests/remote/rfc2217_server.py).
class PyRfc2217 {
public:
    ~PyRfc2217() { stop(); }
    bool start(const std::string& device);
    void stop();
    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_); }

private:
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

// Listens and lets connections complete, but never reads or sends a byte.
class SilentServer {
public:
    ~SilentServer();
    bool start();
    QString url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_); }

private:
    int socket_ = -1;
    int port_ = 0;
};

}  // namespace lumo::test
