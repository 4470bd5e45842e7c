// The "Log-Dateien" command of the main dialog: write both log files while
// a wait window shows, ask for the side, and hand that side's file to the
// desktop.
#include "core/ui_seam.h"
#include "logs/log_writer.h"
#include "logs/side_select_dialog.h"
#include "logs/wait_dialog.h"
#include "panel/main_dialog.h"

#include <QDir>

namespace lumo {

namespace {

const QString kWaitText =
    QStringLiteral("Bitte warten Sie einen Moment!\nDie Log-Dateien werden erstellt.");
const QString kOpenFailedText = QStringLiteral("Die Log-Datei konnte nicht geöffnet werden.\n");
const QString kNoticeCaption = QStringLiteral("Mavik_Lumo 05");

}  // namespace

void MainDialog::OnLogFiles() {
    const QString id = identification();

    // The refresh timer keeps running while the files are written and while
    // the side is asked for.
    {
        WaitDialog wait;
        wait.SetText(kWaitText);
        wait.Create(this, kLogReadsTotal);
        LogWriteHooks hooks;
        hooks.owner = this;
        hooks.onStep = [&wait](int done) { wait.SetProgress(done); };
        hooks.beforeOpen = [this] { UpdateData(true); };
        WriteLogFiles(link(), id, hooks);
        wait.DestroyWindow();
    }

    const QString logDirectory = QDir::currentPath() + QStringLiteral("/Log");

    SideSelectDialog sides;
    if (sides.exec() != QDialog::Accepted) return;

    // The timer rests only while the desktop takes the file.
    UpdateData(true);
    if (values().cyclic) stopTimer1();

    QString path;
    if (sides.side() == SideSelectDialog::kRight)
        path = logDirectory + QLatin1Char('/') + LogFileName(Side::Right, id);
    if (sides.side() == SideSelectDialog::kLeft)
        path = logDirectory + QLatin1Char('/') + LogFileName(Side::Left, id);

    if (!ui().openWithDesktop(path)) {
        Message message;
        message.text = kOpenFailedText;
        message.caption = kNoticeCaption;
        message.icon = MsgIcon::None;
        message.parent = this;
        ui().showMessage(message);
    }

    if (values().cyclic) startTimer1();
}

}  // namespace lumo
