#include "core/data_paths.h"

#include "core/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace lumo {

QStringList DataFileFolders()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    QStringList folders{programDir};
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!userData.isEmpty())
        folders << QDir(userData).filePath(Settings::kOrganization);
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

}  // namespace lumo
