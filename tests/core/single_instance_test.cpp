// The single-instance guard, in this process and against a second one.
#include "widgets/single_instance.h"

#include "support/recording_ui.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumo;
using Outcome = SingleInstance::Outcome;

namespace {

// Reads the peer's lines until `line` arrives; false on time-out or exit.
bool waitForLine(QProcess& p, const QByteArray& line, QByteArray* seen = nullptr)
{
    QByteArray all;
    for (int i = 0; i < 100; ++i) {
        while (p.canReadLine()) {
            const QByteArray l = p.readLine().trimmed();
            all += l + ' ';
            if (l == line) {
                if (seen)
                    *seen = all;
                return true;
            }
        }
        if (p.state() == QProcess::NotRunning && !p.canReadLine())
            break;
        p.waitForReadyRead(100);
    }
    if (seen)
        *seen = all;
    return false;
}

struct Peer {
    QProcess process;
    Peer(const QString& dir, const char* mode)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(SINGLE_INSTANCE_PEER), {dir, QLatin1String(mode)});
    }
    ~Peer()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

}  // namespace

TEST(SingleInstance, SecondGuardInTheSameProcessIsLockedUntilTheFirstGoes)
{
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(SingleInstance::kName, dir.path());
    ASSERT_EQ(first->Guard(), Outcome::Admitted);
    EXPECT_EQ(first->attemptsMade(), 1);
    EXPECT_TRUE(first->isHeld());

    SingleInstance second(SingleInstance::kName, dir.path());
    EXPECT_EQ(second.Guard(3, 10), Outcome::Locked);  // no main dialog listens yet
    EXPECT_EQ(second.attemptsMade(), 3);
    EXPECT_FALSE(second.isHeld());

    first.reset();
    EXPECT_EQ(second.Guard(3, 10), Outcome::Admitted);
    EXPECT_EQ(second.attemptsMade(), 1);
}

TEST(SingleInstance, KnockRestoresAndRaisesTheRunningMainDialog)
{
    QTemporaryDir dir;
    SingleInstance first(SingleInstance::kName, dir.path());
    ASSERT_EQ(first.Guard(), Outcome::Admitted);
    QDialog main;
    main.showMinimized();
    QObject* server = first.StartListening(&main);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->parent(), &main);  // goes with the dialog

    SingleInstance second(SingleInstance::kName, dir.path());
    EXPECT_EQ(second.Guard(3, 10), Outcome::RaisedRunning);
    EXPECT_EQ(second.attemptsMade(), 0);  // refused at once, no waiting
    EXPECT_FALSE(main.isMinimized());
}

TEST(SingleInstance, ListenWithoutAGuardDoesNothing)
{
    QDialog main;
    EXPECT_EQ(SingleInstance::current(), nullptr);
    EXPECT_EQ(SingleInstance::listen(&main), nullptr);
}

TEST(SingleInstance, AgainstASecondProcess)
{
    QTemporaryDir dir;
    {
        // The peer is in its login: the lock is taken, nobody listens.
        Peer peer(dir.path(), "hold");
        QByteArray seen;
        ASSERT_TRUE(waitForLine(peer.process, "ready", &seen)) << seen.constData();
        SingleInstance me(SingleInstance::kName, dir.path());
        EXPECT_EQ(me.Guard(3, 20), Outcome::Locked);
        EXPECT_EQ(me.attemptsMade(), 3);
    }
    {
        // The peer shows its main dialog, minimised: a knock brings it back.
        Peer peer(dir.path(), "listen");
        QByteArray seen;
        ASSERT_TRUE(waitForLine(peer.process, "ready", &seen)) << seen.constData();
        SingleInstance me(SingleInstance::kName, dir.path());
        EXPECT_EQ(me.Guard(3, 20), Outcome::RaisedRunning);
        EXPECT_TRUE(waitForLine(peer.process, "restored", &seen)) << seen.constData();

        // Killed, the peer leaves its socket file behind but the lock goes
        // with the process.
        peer.process.kill();
        peer.process.waitForFinished(5000);
        EXPECT_EQ(me.Guard(3, 20), Outcome::Admitted);
    }
    {
        // And now we hold it: a further start is refused.
        SingleInstance me(SingleInstance::kName, dir.path());
        ASSERT_EQ(me.Guard(), Outcome::Admitted);
        Peer peer(dir.path(), "guard");
        ASSERT_TRUE(peer.process.waitForFinished(10000));
        EXPECT_EQ(peer.process.readAll().trimmed(), QByteArray("locked"));
        EXPECT_EQ(peer.process.exitCode(), 1);
    }
}

TEST(SingleInstance, RefusalIsAPlainBoxWithOk)
{
    lumo::test::RecordingUi rec;
    SingleInstance::ShowRefusal();
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.last().text, QStringLiteral("Die Software kann nicht mehrmals gestartet werden."));
    EXPECT_EQ(rec.last().icon, MsgIcon::None);
    EXPECT_EQ(rec.last().buttons, MsgButtons::Ok);
}
