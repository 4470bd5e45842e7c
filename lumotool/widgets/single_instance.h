// One running program per user: a lock named "Mavik_Lumo 05" that the
// system releases when the process ends, and a local socket of the same
// name on which the main dialog listens. A second start first knocks on the
// socket: a running main dialog then comes to the front (its frontmost
// dialog raised, the window restored if minimised) and the second start is
// refused. Without a listener (the first start is still in its login) the
// second start tries the lock 8 times, 500 ms apart, before it is refused.
// The lock is a file lock (flock) in the runtime folder on POSIX systems and
// the named mutex of that name, created owned, on Windows.
#pragma once

#include <QPointer>
#include <QString>

class QLocalServer;
class QObject;
class QWidget;

namespace lumo {

class SingleInstance {
public:
    static inline const QString kName = QStringLiteral("Mavik_Lumo 05");
    static inline const QString kRefusalText =
        QStringLiteral(QT_TRANSLATE_NOOP("lumo::SingleInstance", "Die Software kann nicht mehrmals gestartet werden."));
    static constexpr int kAttempts = 8;
    static constexpr int kRetryDelayMs = 500;
    // How long a knock waits for the running instance to answer.
    static constexpr int kKnockTimeoutMs = 3000;

    enum class Outcome {
        Admitted,       // the lock is held by this object
        RaisedRunning,  // a running main dialog answered the knock
        Locked,         // the lock stayed taken for every attempt
    };

    // dir: where the lock and the socket live; empty means the user's
    // runtime folder ($XDG_RUNTIME_DIR), else the temporary folder.
    explicit SingleInstance(const QString& name = kName, const QString& dir = QString());
    // Releases the lock and stops listening (the program keeps its guard
    // until it ends).
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The guard: knock, then up to `attempts` tries of the lock with
    // `retryDelayMs` after each failed one. The first admitted guard of the
    // process becomes current().
    Outcome Guard(int attempts = kAttempts, int retryDelayMs = kRetryDelayMs);
    bool isHeld() const;
    // Number of lock attempts the last Guard made.
    int attemptsMade() const { return attempts_; }

    // Starts answering knocks for `mainDialog`: the returned server is a
    // child of the dialog and stops with it. nullptr when the lock is not
    // held or the socket cannot be set up.
    QObject* StartListening(QWidget* mainDialog);

    // The process's admitted guard, if any.
    static SingleInstance* current();
    // StartListening of current(); nullptr without one (tests of dialogs).
    static QObject* listen(QWidget* mainDialog);

    // Shows the refusal message (plain box, OK).
    static void ShowRefusal();

    QString lockPath() const;
    QString socketPath() const;

private:
    bool tryLock();
    bool knock();
    static void bringToFront(QWidget* mainDialog);

    QString name_;
    QString dir_;
#ifdef _WIN32
    void* mutex_ = nullptr;  // HANDLE of the owned mutex
#else
    int fd_ = -1;
#endif
    int attempts_ = 0;
    QPointer<QLocalServer> server_;
};

}  // namespace lumo
