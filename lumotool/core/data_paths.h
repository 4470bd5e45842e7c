// Where the program's read-only data files (the two Access databases) are
// found: beside the program first, then in the per-user data folder
// (~/.local/share/Mavik, where the station file lives too), then in the
// installed data folder (share/lumotool, relative to the program, then the
// configured install path).
#pragma once

#include <QString>
#include <QStringList>

namespace lumo {

// The per-user data folder, ~/.local/share/Mavik (Qt's local application
// data on Windows); empty when the system names none.
QString UserDataFolder();

// The folders searched, in order.
QStringList DataFileFolders();

// The first existing file of that name in those folders; when there is
// none, the path beside the program, so that a message names the place the
// file is expected first.
QString FindDataFile(const QString& name);

// The station file: "MavikDatenbank.txt" in the per-user data folder,
// ~/.local/share/Mavik on Linux, %APPDATA%\Mavik on Windows (the roaming
// application data folder, which a normal user may write to).
QString StationFilePath();
// Where earlier Windows versions kept it: the Windows folder, which a
// normal user may not write to on current Windows. Empty elsewhere.
QString LegacyStationFilePath();

// The file to read the station data from: path while it exists; else the
// legacy file while only that exists (it is then saved to path); else path.
QString StationFileToRead(const QString& path, const QString& legacy);

}  // namespace lumo
