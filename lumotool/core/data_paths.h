// Where the program's read-only data files (the two Access databases) are
// found: beside the program first, then in the per-user data folder
// (~/.local/share/Mavik, where the station file lives too), then in the
// installed data folder (share/lumotool, relative to the program, then the
// configured install path).
#pragma once

#include <QString>
#include <QStringList>

namespace lumo {

// The folders searched, in order.
QStringList DataFileFolders();

// The first existing file of that name in those folders; when there is
// none, the path beside the program, so that a message names the place the
// file is expected first.
QString FindDataFile(const QString& name);

}  // namespace lumo
