// The order in which the program finds its Access databases: beside the
// program, then the per-user data folder, then the installed data folder.
#include "core/data_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumo {
namespace {

bool touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

TEST(DataPaths, BesideTheProgramThenPerUserThenInstalled)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    // A name no other test uses, so that the files beside the test program
    // and in the build's share folder are this test's own.
    const QString name = QStringLiteral("data-paths-test-%1.mdb").arg(QCoreApplication::applicationPid());
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString beside = QDir(programDir).filePath(name);
    const QString perUser = home.filePath(QStringLiteral("Mavik/") + name);
    const QStringList folders = DataFileFolders();
    ASSERT_GE(folders.size(), 3);
    EXPECT_EQ(folders.at(0), programDir);
    EXPECT_EQ(folders.at(1), QDir(home.path()).filePath(QStringLiteral("Mavik")));
    EXPECT_TRUE(folders.at(2).endsWith(QStringLiteral("share/lumotool"))) << folders.at(2).toStdString();
    const QString installed = QDir(folders.at(2)).filePath(name);

    // None anywhere: the place beside the program, for the message.
    EXPECT_EQ(FindDataFile(name), beside);
    ASSERT_TRUE(touch(installed));
    EXPECT_EQ(FindDataFile(name), installed);
    ASSERT_TRUE(touch(perUser));
    EXPECT_EQ(FindDataFile(name), perUser);
    ASSERT_TRUE(touch(beside));
    EXPECT_EQ(FindDataFile(name), beside);
    // A folder of that name is no file.
    QFile::remove(beside);
    ASSERT_TRUE(QDir(programDir).mkdir(name));
    EXPECT_EQ(FindDataFile(name), perUser);
    QDir(programDir).rmdir(name);
    QFile::remove(installed);
}

}  // namespace
}  // namespace lumo

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
