#include "core/data_paths.h"

#include "core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

namespace lumo {

QString UserDataFolder()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return location.isEmpty() ? QString() : QDir(location).filePath(Settings::kOrganization);
}

QStringList DataFileFolders()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList folders{programDir};
    if (const QString userData = UserDataFolder(); !userData.isEmpty()) folders << userData;
#ifdef LUMO_BIN_TO_DATADIR
    folders << QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(LUMO_BIN_TO_DATADIR)));
#endif
#ifdef LUMO_DATADIR
    folders << QStringLiteral(LUMO_DATADIR);
#endif
    folders.removeDuplicates();
    return folders;
}

QString FindDataFile(const QString& name)
{
    const QStringList folders = DataFileFolders();
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile()) return path;
    }
    return QDir(folders.constFirst()).filePath(name);
}

namespace {
constexpr auto kStationFileName = "MavikDatenbank.txt";
}

QString StationFilePath()
{
#ifdef _WIN32
    // FOLDERID_RoamingAppData is %APPDATA%. (Qt's GenericDataLocation is
    // the local, not the roaming, folder on Windows.)
    QString folder;
    PWSTR known = nullptr;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &known) == S_OK)
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(known));
    CoTaskMemFree(known);
    if (folder.isEmpty()) folder = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + Settings::kOrganization + QLatin1Char('/') +
                                    QLatin1String(kStationFileName));
#else
    return UserDataFolder() + QLatin1Char('/') + QLatin1String(kStationFileName);
#endif
}

QString LegacyStationFilePath()
{
#ifdef _WIN32
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return QString::fromWCharArray(buffer, int(length)) + QLatin1Char('\\') + QLatin1String(kStationFileName);
#else
    return {};
#endif
}

QString StationFileToRead(const QString& path, const QString& legacy)
{
    if (legacy.isEmpty() || QFileInfo::exists(path) || !QFileInfo(legacy).isFile()) return path;
    return legacy;
}

}  // namespace lumo
