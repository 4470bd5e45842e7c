// gardoctl run as a separate process, as a script runs it.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace lumo::test {

struct Outcome {
    int exit = -1;
    QByteArray out;
    QString err;
};

// Runs gardoctl in dir with the test's environment (its ports folder) and
// input on its standard input (none: an empty one).
inline Outcome RunGardoctl(const QStringList& args, const QString& dir = QDir::tempPath(),
                           const QByteArray& input = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    if (input.isEmpty()) p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(GARDOCTL_PATH), args);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    Outcome o;
    if (!p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "gardoctl did not end: " << args.join(u' ').toStdString();
        return o;
    }
    o.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    o.out = p.readAllStandardOutput();
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

}  // namespace lumo::test
