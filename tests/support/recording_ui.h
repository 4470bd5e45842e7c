// Test support for the program's dialogs: a recording fake of the UI seam
// and the set-up of a headless test environment.
#pragma once

#include "core/ui_seam.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

class QApplication;
class QDialog;
class QWidget;

namespace lumo::test {

// One message box as the program asked for it, with the answer it got.
struct ShownMessage {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    Modality modality = Modality::Window;
    QWidget* parent = nullptr;
    MsgResult answer = MsgResult::Ok;
};

// Lists every box shown and answers Yes/No questions from a script.
// Constructing one installs it as the seam in force; destroying it returns
// to the Qt implementation (if it is still the one installed).
class RecordingUi : public UiSeam {
public:
    RecordingUi();
    ~RecordingUi() override;
    RecordingUi(const RecordingUi&) = delete;
    RecordingUi& operator=(const RecordingUi&) = delete;

    MsgResult showMessage(const Message& message) override;
    bool openWithDesktop(const QString& path) override;
    // Answers from saveFileAnswers, first queued first used; empty (the user
    // cancelled) when none is left. The captions asked are listed.
    QString chooseSaveFile(const QString& caption, const QString& suggestion, const QString& filter,
                           QWidget* parent) override;
    QStringList saveFileAnswers;
    QStringList saveFileCaptions;

    // Answers for the next Yes/No questions, first queued first used.
    void queueAnswer(bool yes);
    void queueAnswers(std::initializer_list<bool> yes);
    // Answer to a Yes/No question when the queue is empty (No by default,
    // the answer that changes nothing).
    void setDefaultAnswer(bool yes) { defaultYes_ = yes; }
    std::size_t pendingAnswers() const { return answers_.size(); }

    // Called while a box is "open", before it returns: lets a test look at
    // the program's state at that moment (timers, open dialogs).
    std::function<void(const ShownMessage&)> onShow;

    // Value openWithDesktop returns.
    bool desktopResult = true;

    const std::vector<ShownMessage>& messages() const { return messages_; }
    std::size_t count() const { return messages_.size(); }
    std::size_t countCaption(const QString& caption) const;
    std::size_t countText(const QString& text) const;
    // The last box shown; fails the current test (and returns an empty one)
    // when none was shown.
    ShownMessage last() const;
    QStringList texts() const;

    const QStringList& desktopOpens() const { return desktopOpens_; }
    int desktopOpenCount() const { return int(desktopOpens_.size()); }

    void clear();

private:
    std::vector<ShownMessage> messages_;
    std::deque<bool> answers_;
    bool defaultYes_ = false;
    QStringList desktopOpens_;
};

// Points XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_RUNTIME_DIR at fresh 0700
// temporary folders (removed at exit), sets QT_QPA_PLATFORM=offscreen unless
// the caller chose a platform, and isolates the serlink ports folder. Call it
// before the QApplication exists; later calls do nothing.
void prepareTestEnvironment();
// The folders prepareTestEnvironment made (empty before it ran).
QString testConfigHome();
QString testDataHome();
QString testRuntimeDir();

// Prepares the environment and returns the process's QApplication, creating
// one (never destroyed) when there is none. Tests call it in SetUp; under
// lumo_test_main it returns that main()'s application. A test program with
// a main() of its own should call prepareTestEnvironment() and then put its
// QApplication on main()'s stack: only that one is destroyed cleanly at exit
// (a static one crashes in ~QInputDevice after synthetic input events).
QApplication& testApplication();

// Runs dialog.exec() and calls act(dialog) once the dialog's event loop is
// running; returns exec()'s result. act must end the dialog (click a button,
// reject()), or the call does not return.
int execWith(QDialog& dialog, const std::function<void(QDialog&)>& act);

}  // namespace lumo::test
