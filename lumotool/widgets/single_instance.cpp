#include "widgets/single_instance.h"

#include "core/language.h"
#include "core/ui_seam.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace lumo {

namespace {

SingleInstance* g_current = nullptr;

// The request a second start sends and the answer it waits for.
constexpr char kKnock[] = "raise\n";
constexpr char kAnswer[] = "raised\n";

}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& dir)
    : name_(name)
    , dir_(dir)
{
    if (dir_.isEmpty())
        dir_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir_.isEmpty())
        dir_ = QDir::tempPath();
}

SingleInstance::~SingleInstance()
{
    if (g_current == this)
        g_current = nullptr;
    delete server_.data();
#ifdef _WIN32
    if (mutex_)
        CloseHandle(static_cast<HANDLE>(mutex_));  // the system would at the process's end
#else
    if (fd_ >= 0)
        ::close(fd_);  // drops the lock
#endif
}

QString SingleInstance::lockPath() const
{
    return dir_ + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString SingleInstance::socketPath() const
{
    return dir_ + QLatin1Char('/') + name_ + QStringLiteral(".sock");
}

#ifdef _WIN32
bool SingleInstance::isHeld() const
{
    return mutex_ != nullptr;
}

bool SingleInstance::tryLock()
{
    if (mutex_)
        return true;
    // Created owned; the attempt counts only when the creation reports no
    // error at all: ERROR_ALREADY_EXISTS (another start holds it) or any
    // other error closes the handle and fails. The system releases the
    // mutex when the process ends, however it ends.
    const std::wstring name = name_.toStdWString();
    SetLastError(ERROR_SUCCESS);
    HANDLE h = CreateMutexW(nullptr, TRUE, name.c_str());
    if (GetLastError() != ERROR_SUCCESS) {
        if (h)
            CloseHandle(h);
        return false;
    }
    if (!h)
        return false;
    mutex_ = h;
    return true;
}
#else
bool SingleInstance::isHeld() const
{
    return fd_ >= 0;
}

bool SingleInstance::tryLock()
{
    if (fd_ >= 0)
        return true;
    const QByteArray path = QFile::encodeName(lockPath());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // flock belongs to the open file: the kernel drops it when the process
    // ends, however it ends, and a second open in this process is refused too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}
#endif

bool SingleInstance::knock()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(500))
        return false;
    socket.write(kKnock);
    socket.flush();
    // Wait for the answer with events running, so that a listener in this
    // very process (tests) can answer too.
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        if (socket.canReadLine())
            loop.quit();
    });
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    timeout.start(kKnockTimeoutMs);
    if (!socket.canReadLine())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // Whether or not it answered in time, a main dialog is there: the
    // start is refused either way.
    return true;
}

SingleInstance::Outcome SingleInstance::Guard(int attempts, int retryDelayMs)
{
    attempts_ = 0;
    if (knock())
        return Outcome::RaisedRunning;
    for (int i = 0; i < attempts; ++i) {
        ++attempts_;
        if (tryLock()) {
            if (!g_current)
                g_current = this;
            return Outcome::Admitted;
        }
        QThread::msleep(static_cast<unsigned long>(retryDelayMs));
    }
    return Outcome::Locked;
}

QObject* SingleInstance::StartListening(QWidget* mainDialog)
{
    if (!isHeld() || !mainDialog)
        return nullptr;
    delete server_.data();
    // Only the lock holder listens, so a socket file left there belongs to
    // a process that has ended.
    QLocalServer::removeServer(socketPath());
    auto* server = new QLocalServer(mainDialog);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        delete server;
        return nullptr;
    }
    QPointer<QWidget> dialog(mainDialog);
    QObject::connect(server, &QLocalServer::newConnection, server, [server, dialog] {
        while (QLocalSocket* peer = server->nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, dialog] {
                if (!peer->canReadLine())
                    return;
                peer->readAll();
                if (dialog)
                    bringToFront(dialog);
                peer->write(kAnswer);
                peer->flush();
                peer->disconnectFromServer();
            });
        }
    });
    server_ = server;
    return server;
}

void SingleInstance::bringToFront(QWidget* mainDialog)
{
    QWidget* window = mainDialog->window();
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    // The frontmost dialog: an open sub-dialog or message box, else the
    // main dialog itself.
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = QApplication::activePopupWidget();
    if (!front)
        front = window;
    front->show();
    front->raise();
    front->activateWindow();
}

SingleInstance* SingleInstance::current()
{
    return g_current;
}

QObject* SingleInstance::listen(QWidget* mainDialog)
{
    return g_current ? g_current->StartListening(mainDialog) : nullptr;
}

void SingleInstance::ShowRefusal()
{
    Message m;
    m.text = Translated("lumo::SingleInstance", kRefusalText);
    m.caption = QCoreApplication::applicationName();
    m.icon = MsgIcon::None;
    m.buttons = MsgButtons::Ok;
    m.modality = Modality::Application;
    ui().showMessage(m);
}

}  // namespace lumo
