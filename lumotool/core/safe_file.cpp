#include "core/safe_file.h"

#include "core/ui_seam.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace lumo {

namespace {

const char* const kFileErrorCaption = QT_TRANSLATE_NOOP("lumo::SafeFile", "Fehler");
// The system's error text is shown in at most this many characters.
constexpr int kMaxErrorText = 127;

// Creates and opens a new, empty file with an unused name beside path (in
// the same folder, so that the rename never crosses file systems). The name
// is new: nothing planted there in advance is opened. False when no file
// can be created there; the file then holds the error.
bool CreateTemporaryBeside(const QString& path, QFile& file) {
    const QFileInfo final(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        file.setFileName(final.dir().filePath(
            QStringLiteral(".%1.%2.tmp")
                .arg(final.fileName(), QString::number(QRandomGenerator::global()->generate(), 36))));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
#ifndef Q_OS_WIN
            // Held until the file is closed: a later run tells by it that
            // the file is still being written (see RemoveStaleTemporaries).
            // On Windows the open file cannot be removed anyway.
            (void)::flock(file.handle(), LOCK_EX | LOCK_NB);
#endif
            return true;
        }
        const QFileInfo taken(file.fileName());
        if (!taken.exists() && !taken.isSymLink()) return false;  // not a name clash
    }
    return false;
}

// Pushes the file's data from the system's cache to the disk, so that a
// write the disk refuses shows here, before the rename.
bool SyncToDisk(QFile& file, QString* error) {
#ifdef Q_OS_WIN
    const bool ok = _commit(file.handle()) == 0;
#else
    const bool ok = ::fsync(file.handle()) == 0;
#endif
    if (!ok) *error = qt_error_string(errno);
    return ok;
}

// Writes, flushes and syncs the whole of data into the open file.
bool WriteAll(QFile& file, const QByteArray& data, QString* error) {
    if (file.write(data) != data.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return SyncToDisk(file, error);
}

// Renames from to to, replacing a file or link there (a link itself, not
// what it points to).
bool ReplaceFile(const QString& from, const QString& to, QString* error) {
#ifdef Q_OS_WIN
    const std::wstring source = QDir::toNativeSeparators(from).toStdWString();
    const std::wstring target = QDir::toNativeSeparators(to).toStdWString();
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = qt_error_string(int(GetLastError()));
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
    *error = qt_error_string(errno);
#endif
    return false;
}

// The in-place write of a folder that refuses new files: only a regular
// file (never a link) that can be opened for writing. The older content is
// kept in memory first and written back on failure.
bool WriteInPlace(const QString& path, const QByteArray& data, QString* error) {
    const QFileInfo info(path);
    if (!info.isFile() || info.isSymLink()) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray older = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (file.seek(0) && file.resize(0) && WriteAll(file, data, error)) return true;
    if (error->isEmpty()) *error = file.errorString();
    // The older content back, as far as the disk takes it.
    QString ignored;
    if (file.seek(0) && file.resize(0)) WriteAll(file, older, &ignored);
    return false;
}

// Age beyond which a temporary file of the writer that no live writer holds
// counts as left behind by a killed run. A live one exists for the moment
// of a write; the age also covers the instant between its creation and its
// lock.
constexpr qint64 kStaleTemporarySeconds = 60;

// Removes the file when no writer holds it.
void RemoveUnheld(const QString& path) {
#ifdef Q_OS_WIN
    // The live writer's open file cannot be removed.
    QFile::remove(path);
#else
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(name.constData());
    ::close(fd);
#endif
}

}  // namespace

void RemoveStaleTemporaries(const QString& path) {
    const QFileInfo final(path);
    const QRegularExpression own(QStringLiteral("^\\.%1\\.[0-9a-z]{1,13}\\.tmp$")
                                     .arg(QRegularExpression::escape(final.fileName())));
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-kStaleTemporarySeconds);
    const QDir dir = final.dir();
    const QStringList names =
        dir.entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!own.match(name).hasMatch()) continue;
        const QFileInfo candidate(dir.filePath(name));
        if (candidate.isSymLink() || !candidate.isFile()) continue;
        if (candidate.lastModified().toUTC() >= staleBefore) continue;
        RemoveUnheld(candidate.filePath());
    }
}

bool WriteFileSafely(const QString& path, const QByteArray& data, QString* error, const SafeWriteOptions& options) {
    QString unused;
    QString& failure = error ? *error : unused;
    failure.clear();
    RemoveStaleTemporaries(path);
    QFile file;
    if (!CreateTemporaryBeside(path, file)) {
        // The folder takes no new file: an existing file is written in place.
        failure = file.errorString();
        if (options.refusedNewFile) *options.refusedNewFile = true;
        return options.inPlace && WriteInPlace(path, data, &failure);
    }
    bool written = WriteAll(file, data, &failure);
    file.close();
    if (written && file.error() != QFileDevice::NoError) {
        written = false;
        failure = file.errorString();
    }
    if (written) written = ReplaceFile(file.fileName(), path, &failure);
    if (!written) file.remove();
    return written;
}

bool WriteIntoFile(const QString& path, const QByteArray& data, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file.errorString();
        return false;
    }
    return WriteAll(file, data, error);
}

void ShowFileError(const QString& description, QWidget* owner) {
    Message message;
    message.text = description.left(kMaxErrorText);
    message.caption = QCoreApplication::translate("lumo::SafeFile", kFileErrorCaption);
    message.icon = MsgIcon::Stop;
    message.parent = owner;
    ui().showMessage(message);
}

}  // namespace lumo
