#include "widgets/data_exchange.h"

#include "core/ui_seam.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace lumo {

bool ParseNumber(const QString& text, qint64 min, qint64 max, qint64* out)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < min || value > max) return false;
    *out = value;
    return true;
}

QString RangeMessageText(qint64 min, qint64 max)
{
    return QCoreApplication::translate("lumo::DataExchange", "Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.").arg(min).arg(max);
}

void ShowRangeMessage(QWidget* parent, qint64 min, qint64 max)
{
    Message m;
    m.text = RangeMessageText(min, max);
    m.caption = kRangeCaption;
    m.icon = MsgIcon::Warning;
    m.buttons = MsgButtons::Ok;
    m.modality = Modality::Window;
    m.parent = parent;
    ui().showMessage(m);
}

bool TakeNumber(QLineEdit* edit, qint64 min, qint64 max, qint64* out)
{
    if (ParseNumber(edit->text(), min, max, out)) return true;
    ShowRangeMessage(edit->window(), min, max);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

void SetTextIfChanged(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text) edit->setText(text);
}

}  // namespace lumo
