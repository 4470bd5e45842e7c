// Window managers shorten a title that does not fit the window ("Mavik -…
// eldung"). Small dialogs with long titles get a minimum width that leaves
// room for the whole title in a bold title-bar font, the window icon and the
// title-bar buttons.
#pragma once

#include <QBoxLayout>
#include <QFont>
#include <QFontMetrics>
#include <QWidget>

namespace lumo {

inline int TitleWidth(const QWidget* window)
{
    QFont titleFont = window->font();
    titleFont.setBold(true);
    // A quarter more for title fonts larger than the dialog font, plus icon
    // and three buttons.
    return QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) * 5 / 4 + 140;
}

// Call after setWindowTitle() and after the window's layout is set. A
// vertical box layout gets a strut, which also holds for fixed-size layouts
// (they override the window's own minimum width).
inline void FitTitle(QWidget* window)
{
    const int width = TitleWidth(window);
    auto* box = qobject_cast<QBoxLayout*>(window->layout());
    if (box && (box->direction() == QBoxLayout::TopToBottom || box->direction() == QBoxLayout::BottomToTop))
        box->addStrut(width);
    else
        window->setMinimumWidth(qMax(window->minimumWidth(), width));
}

}  // namespace lumo
