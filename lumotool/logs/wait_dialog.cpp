#include "logs/wait_dialog.h"
#include "widgets/control_tag.h"
#include "widgets/title_width.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace lumo {

WaitDialog::WaitDialog() : QDialog(nullptr) {
    // Caption and frame, no system menu and no close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(tr("Bitte Warten ..."));
    TagControl(this, kIdDialog, "waitDialog", tr("Bitte Warten ..."));
    setModal(false);

    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    TagControl(message_, kIdMessage, "message", tr("Meldung"));

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->hide();
    TagControl(progress_, kIdProgress, "progress", tr("Fortschritt"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(progress_);
    // The whole title in the title bar, in every language.
    FitTitle(this);
    setMinimumWidth(260);
}

QPoint WaitDialog::PlaceFor(const QRect& frame) {
    // The right and bottom edges as the window system counts them: one
    // behind the last pixel.
    const int right = frame.x() + frame.width();
    const int bottom = frame.y() + frame.height();
    return {static_cast<int>(right * 0.5), static_cast<int>(bottom * 0.5)};
}

void WaitDialog::Create(QWidget* mainWindow, int progressMaximum) {
    if (!mainWindow) mainWindow = QApplication::activeWindow();
    message_->setText(text_);
    message_->setAccessibleName(text_);
    if (progressMaximum > 0) {
        progress_->setRange(0, progressMaximum);
        progress_->setValue(0);
        progress_->show();
    }
    adjustSize();
    if (mainWindow) move(PlaceFor(mainWindow->frameGeometry()));
    show();
    // Above the main window, so that the message is seen.
    raise();
    // The window system maps the window some time after show(): events run
    // until it is on screen (for a short time at most), then it is painted.
    // The log files are written without an event loop, so this is where it
    // gets its content.
    QElapsedTimer waited;
    waited.start();
    do {
        RunPendingEvents();
    } while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < kMapWaitMs);
    repaint();
    RunPendingEvents();
}

void WaitDialog::SetProgress(int value) {
    progress_->setValue(value);
    // Called between two controller transactions: the window may repaint
    // (and uncover) itself here, and the program's timers may run.
    RunPendingEvents();
}

void WaitDialog::RunPendingEvents() {
    // User input stays queued, so that no other command starts meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WaitDialog::DestroyWindow() {
    hide();
    close();
}

}  // namespace lumo
