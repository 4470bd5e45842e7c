// The one writer of every file the program writes (log files, the station
// file): the bytes go to a new temporary file in the same folder, are
// flushed and synced to the disk, and the temporary file is renamed over the
// final name. A crash or a full disk leaves the older file whole, and a link
// planted at the name is replaced, never written through.
//
// Where the folder lets no new file be created but the file itself is
// writable (on Windows the Windows folder, for ordinary users), the file is
// written in place as the only way to store anything: a copy of the older
// content is kept first and put back when the write fails.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace lumo {

struct SafeWriteOptions {
    // Whether a folder that takes no new file lets the writer write the
    // existing file in place (a caller with its own in-place write says no).
    bool inPlace = true;
    // Set to true when the folder took no new file.
    bool* refusedNewFile = nullptr;
};

// Writes data to path as described above. On failure returns false with the
// system's text in *error; path then holds its older content (or nothing,
// if there was none).
bool WriteFileSafely(const QString& path, const QByteArray& data, QString* error,
                     const SafeWriteOptions& options = {});

// Writes data into the existing file at path itself, from its start, cut to
// its length, flushed and synced: the in-place write of a caller that keeps
// its own copy of the older content. False with the system's text in *error.
bool WriteIntoFile(const QString& path, const QByteArray& data, QString* error);

// Removes the temporary files that writes of path were killed in the middle
// of: only names of the writer's own pattern for that file, only those older
// than a minute that no live writer holds. WriteFileSafely does this first.
void RemoveStaleTemporaries(const QString& path);

// The file error box: caption "Fehler", stop icon, the system's text in at
// most 127 characters, modal over owner.
void ShowFileError(const QString& description, QWidget* owner = nullptr);

}  // namespace lumo
