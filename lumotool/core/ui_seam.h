// The one seam for everything a person sees or the desktop does: message
// boxes and questions, handing a file to the desktop, the printer. The
// desktop program uses the Qt implementation (widgets/qt_ui.h), gardoctl
// its terminal one; tests install a recording fake
// (tests/support/recording_ui.h) that answers questions from a script and
// lists every box shown. The interface needs Qt Core only.
#pragma once

#include <QString>

class QWidget;

namespace lumo {

enum class MsgIcon { None, Information, Warning, Stop, Question };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };
// Window: modal over its parent. Application: modal over every window of the
// program (the closest a desktop without system-modal boxes comes to them).
enum class Modality { Window, Application };

struct Message {
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    Modality modality = Modality::Window;
    QWidget* parent = nullptr;
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Shows the box and returns only when the user has closed it.
    virtual MsgResult showMessage(const Message& message) = 0;
    // Hands a file to the desktop's registered program; false on failure.
    virtual bool openWithDesktop(const QString& path) = 0;
    // Asks for the name of a file to write (an existing one may be chosen:
    // the caller appends to it). suggestion is the name offered first.
    // Returns the chosen path, empty when the user cancelled.
    virtual QString chooseSaveFile(const QString& caption, const QString& suggestion, const QString& filter,
                                   QWidget* parent) = 0;
};

// The seam in force: the installed one, else the default one.
UiSeam& ui();
// Installs a seam (a test's fake); nullptr returns to the default one.
// The caller keeps ownership.
void installUi(UiSeam* seam);
// The seam used while none is installed: the desktop program's Qt seam
// (set by its application object). Without one, messages go to standard
// error, questions are answered No and the desktop opens nothing.
void setDefaultUi(UiSeam* seam);

// Caption of every Yes/No question of the program.
inline const QString kQuestionCaption = QStringLiteral(QT_TRANSLATE_NOOP("lumo::UiSeam", "Mavik_Lumo 05 - Abfrage"));

// A Yes/No question with the question caption; true for Yes.
bool askYesNo(const QString& text, QWidget* parent = nullptr);

}  // namespace lumo
