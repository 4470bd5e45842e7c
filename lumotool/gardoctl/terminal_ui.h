// The UI seam of gardoctl: no windows. Communication error boxes are
// collected (the command reports the failure once, with the status name),
// other boxes go to standard error, and questions are answered by --yes or
// on the terminal; without a terminal they are answered No.
#pragma once

#include "core/ui_seam.h"

#include <QString>

namespace gardoctl {

class TerminalUi : public lumo::UiSeam {
public:
    explicit TerminalUi(bool assumeYes) : assumeYes_(assumeYes) {}

    // Put before every line written to standard error ("COM3: ").
    void setLabel(const QString& label) { label_ = label; }
    // True for Yes.
    bool ask(const QString& question);
    // One line to standard error, behind the label.
    void printError(const QString& text) const;

    lumo::MsgResult showMessage(const lumo::Message& message) override;
    bool openWithDesktop(const QString&) override { return false; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, QWidget*) override { return {}; }

    // Whether standard input is a terminal a question can be asked on.
    static bool InteractiveInput();

private:
    bool assumeYes_;
    QString label_;
};

}  // namespace gardoctl
