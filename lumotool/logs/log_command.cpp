#include "logs/log_command.h"

#include "core/ui_seam.h"
#include "session/log_files.h"
#include "logs/side_select_dialog.h"
#include "logs/wait_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lumo {

namespace {

const char* const kWaitText =
    QT_TRANSLATE_NOOP("lumo::LogCommand", "Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt.");
const char* const kOpenFailedText = QT_TRANSLATE_NOOP("lumo::LogCommand", "Die Log-Datei konnte nicht geöffnet werden.\n");
const QString kNoticeCaption = QStringLiteral("Mavik_Lumo 05");

}  // namespace

void RunLogCommand(DeviceLink& link, const QString& id, QWidget* owner, const LogCommandHooks& hooks) {
    // The refresh keeps running while the files are written and while the
    // side is asked for. A line that died on the way ends the command with
    // its one message: there is no new file to show.
    bool lineAlive = true;
    {
        WaitDialog wait;
        wait.SetText(QCoreApplication::translate("lumo::LogCommand", kWaitText));
        wait.Create(owner, kLogReadsTotal);
        LogWriteHooks writeHooks;
        writeHooks.owner = owner;
        writeHooks.onStep = [&wait](int done) { wait.SetProgress(done); };
        writeHooks.beforeOpen = hooks.takeEntries;
        lineAlive = WriteLogFiles(link, id, writeHooks);
        wait.DestroyWindow();
    }
    if (!lineAlive) return;

    const QString logDirectory = QDir::currentPath() + QStringLiteral("/Log");

    SideSelectDialog sides;
    if (sides.exec() != QDialog::Accepted) return;

    QString path;
    if (sides.side() == SideSelectDialog::kRight)
        path = logDirectory + QLatin1Char('/') + LogFileName(Side::Right, id);
    if (sides.side() == SideSelectDialog::kLeft)
        path = logDirectory + QLatin1Char('/') + LogFileName(Side::Left, id);

    // The refresh rests only while the desktop takes the file.
    hooks.withRefreshStopped([&] {
        // The desktop would report success for a file that is not there (on
        // Linux it only starts the opener), so the file is checked first:
        // only an existing regular file, never a link or a folder, is handed
        // over.
        const QFileInfo file(path);
        const bool openable = file.isFile() && !file.isSymLink();
        if (!openable || !ui().openWithDesktop(path)) {
            Message message;
            message.text = QCoreApplication::translate("lumo::LogCommand", kOpenFailedText);
            message.caption = kNoticeCaption;
            message.icon = MsgIcon::None;
            message.parent = owner;
            ui().showMessage(message);
        }
    });
}

}  // namespace lumo
