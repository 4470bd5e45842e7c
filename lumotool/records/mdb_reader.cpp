#include "records/mdb_reader.h"

#include "mdbhelper/row_answer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace lumo::mdb {

namespace {

#ifdef Q_OS_WIN
const QString kHelperName = QStringLiteral("lumo-mdb.exe");
#else
const QString kHelperName = QStringLiteral("lumo-mdb");
#endif

// A helper that was asked to stop gets this long to go.
constexpr int kKillWaitMs = 2000;

// The longest answer taken: a whole row of the widest table the lookups
// read (33 columns of at most libmdb's 16 KiB each) is about half of it.
constexpr qsizetype kMaxAnswerBytes = 1024 * 1024;

QString Damaged(const QString& path, const QString& reason)
{
    return QCoreApplication::translate("lumo::MdbReader", "Datenbank ist beschädigt: „%1“ kann nicht gelesen werden (%2).")
        .arg(QDir::toNativeSeparators(path), reason);
}

RowLookup Failure(QString error)
{
    RowLookup result;
    result.status = RowLookup::Status::Failed;
    result.error = std::move(error);
    return result;
}

// The answer turned into the lookup's result, with the German texts of the
// outcomes that are failures.
RowLookup FromAnswer(const mdbrow::Answer& answer, const QString& path, const QString& table,
                     const QString& keyColumn)
{
    RowLookup result;
    switch (answer.outcome) {
    case mdbrow::Outcome::Row:
        result.status = RowLookup::Status::Found;
        for (const std::optional<std::string>& value : answer.values) {
            if (value)
                result.values.emplace_back(QString::fromUtf8(value->data(), qsizetype(value->size())));
            else
                result.values.emplace_back(std::nullopt);
        }
        return result;
    case mdbrow::Outcome::NoRow:
        result.status = RowLookup::Status::NoMatch;
        return result;
    case mdbrow::Outcome::NotOpened:
        result.status = RowLookup::Status::NotOpened;
        return result;
    case mdbrow::Outcome::NoTable:
        return Failure(QCoreApplication::translate("lumo::MdbReader", "Die Tabelle „%1“ ist in der Datenbank „%2“ "
                                      "nicht vorhanden.")
                           .arg(table, path));
    case mdbrow::Outcome::UnreadableTable:
        return Failure(QCoreApplication::translate("lumo::MdbReader", "Die Tabelle „%1“ der Datenbank „%2“ "
                                      "kann nicht gelesen werden.")
                           .arg(table, path));
    case mdbrow::Outcome::NoKeyColumn:
        return Failure(QCoreApplication::translate("lumo::MdbReader", "Die Spalte „%1“ ist in der Tabelle „%2“ der "
                                      "Datenbank „%3“ nicht vorhanden.")
                           .arg(keyColumn, table, path));
    }
    return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "unbekannte Antwort")));
}

}  // namespace

QString RowLookup::text(int column) const
{
    if (column < 0 || column >= columnCount()) return {};
    return values[std::size_t(column)].value_or(QString());
}

QString HelperProgram()
{
    const QString fromEnvironment = qEnvironmentVariable("LUMO_MDB_HELPER");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kHelperName);
#ifdef LUMO_LIBEXECDIR
    if (!QFileInfo(beside).isExecutable()) {
        const QString installed = QDir(QStringLiteral(LUMO_LIBEXECDIR)).filePath(kHelperName);
        if (QFileInfo(installed).isExecutable()) return installed;
    }
#endif
    return beside;
}

RowLookup LookUpRow(const QString& path, const QString& table, const QString& keyColumn,
                    const QString& key, int timeoutMs)
{
    // Only a regular file is handed on: a FIFO or a device could block the
    // reader (the helper checks again, and the time limit holds anyway).
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};

    QProcess helper;
    helper.setProgram(HelperProgram());
    helper.setArguments({path, table, keyColumn, key});
    helper.setStandardInputFile(QProcess::nullDevice());
    // libmdb's warnings about a damaged file are no part of the answer.
    helper.setStandardErrorFile(QProcess::nullDevice());
    helper.start(QIODevice::ReadOnly);
    if (!helper.waitForStarted(timeoutMs)) {
        return Failure(QCoreApplication::translate("lumo::MdbReader", "Das Programm zum Lesen der Datenbank (%1) kann nicht gestartet "
                                      "werden: %2")
                           .arg(QDir::toNativeSeparators(helper.program()), helper.errorString()));
    }
    // The answer is read while the helper runs, up to a limit: a helper
    // gone astray on a damaged file may write without end.
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    for (;;) {
        output += helper.readAllStandardOutput();
        if (output.size() > kMaxAnswerBytes) {
            helper.kill();
            helper.waitForFinished(kKillWaitMs);
            return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "die Antwort des Leseprogramms ist länger als 1 MB")));
        }
        if (helper.state() == QProcess::NotRunning) break;
        const qint64 left = deadline.remainingTime();
        if (left == 0) {
            helper.kill();
            helper.waitForFinished(kKillWaitMs);
            return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "keine Antwort nach %1 Sekunden")
                                             .arg(QString::number(timeoutMs / 1000.0, 'g', 3).replace('.', ','))));
        }
        // Returns when output came, when the helper ended, or at the limit.
        helper.waitForReadyRead(int(left));
    }
    if (helper.exitStatus() == QProcess::CrashExit)
        return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "das Leseprogramm brach ab")));
    if (helper.exitCode() != 0)
        return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "das Leseprogramm endete mit dem Code %1")
                                         .arg(helper.exitCode())));

    const std::optional<mdbrow::Answer> answer =
        mdbrow::Decode(std::string_view(output.constData(), std::size_t(output.size())));
    if (!answer) return Failure(Damaged(path, QCoreApplication::translate("lumo::MdbReader", "unverständliche Antwort des Leseprogramms")));
    return FromAnswer(*answer, path, table, keyColumn);
}

}  // namespace lumo::mdb
