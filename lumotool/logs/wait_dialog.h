// WaitDialog: the small modeless window shown while the log files are
// written. It has no buttons; a progress bar follows the controller reads.
// Nothing runs the event loop while the files are written, so the window
// lets the pending events (without user input) run when it is shown and
// whenever its progress moves, which is between two transactions.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;

namespace lumo {

class WaitDialog : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        kIdDialog = 135,
        kIdMessage = 1083,
        kIdProgress = 1084,
    };

    // No parent: the window stands on its own, like the main dialog.
    WaitDialog();

    // Stores the message text; Create() shows it.
    void SetText(const QString& text) { text_ = text; }
    const QString& text() const { return text_; }

    // Shows the window modeless: places it, puts the text into its message
    // control and paints it at once. mainWindow is the window it is placed
    // against (the application's active window when null).
    void Create(QWidget* mainWindow = nullptr, int progressMaximum = 0);
    // Moves the progress bar and lets the pending events run, so that it is
    // painted. Only ever called between two controller transactions.
    void SetProgress(int value);
    // Hides and closes the window.
    void DestroyWindow();

    // Top-left corner for a main window with the given screen rectangle:
    // half of its right and bottom edge coordinates, truncated.
    static QPoint PlaceFor(const QRect& mainWindowFrame);

private:
    // Longest wait for the window system to show the window.
    static constexpr int kMapWaitMs = 500;
    void RunPendingEvents();

    QString text_;
    QLabel* message_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace lumo
