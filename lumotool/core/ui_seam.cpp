#include "core/ui_seam.h"

#include "core/language.h"

#include <cstdio>

namespace lumo {

namespace {

// The seam of a program without a screen that installed none of its own.
class HeadlessUi final : public UiSeam {
public:
    MsgResult showMessage(const Message& message) override
    {
        std::fprintf(stderr, "%s: %s\n", message.caption.toLocal8Bit().constData(),
                     message.text.toLocal8Bit().constData());
        return message.buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    bool openWithDesktop(const QString&) override { return false; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, QWidget*) override { return {}; }
};

UiSeam* g_installed = nullptr;
UiSeam* g_default = nullptr;

}  // namespace

UiSeam& ui()
{
    static HeadlessUi headless;
    if (g_installed) return *g_installed;
    return g_default ? *g_default : headless;
}

void installUi(UiSeam* seam)
{
    g_installed = seam;
}

void setDefaultUi(UiSeam* seam)
{
    g_default = seam;
}

bool askYesNo(const QString& text, QWidget* parent)
{
    Message m;
    m.text = text;
    m.caption = Translated("lumo::UiSeam", kQuestionCaption);
    m.icon = MsgIcon::Question;
    m.buttons = MsgButtons::YesNo;
    m.parent = parent;
    return ui().showMessage(m) == MsgResult::Yes;
}

}  // namespace lumo
