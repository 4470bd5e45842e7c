// Every dialog control carries its resource id as the dynamic property
// "controlId", a meaningful objectName and an accessible name for screen
// readers. Dialogs tag their controls with this one function; it returns
// the widget so that a control can be made and tagged in one expression.
#pragma once

#include <QString>
#include <QVariant>
#include <QWidget>

namespace lumo {

template <class W>
W* TagControl(W* widget, int id, const QString& objectName, const QString& accessibleName)
{
    widget->setProperty("controlId", id);
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
    return widget;
}

// The control of the dialog with the given id; nullptr for an unknown id.
inline QWidget* FindControl(const QWidget* dialog, int id)
{
    const auto widgets = dialog->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const QVariant v = w->property("controlId");
        if (v.isValid() && v.toInt() == id) return w;
    }
    return nullptr;
}

}  // namespace lumo
