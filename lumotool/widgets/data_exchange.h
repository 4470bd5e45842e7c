// Taking numbers out of edit fields with range checks, as the dialogs'
// data exchange does: a failed check shows the range message, puts the
// focus on the field and selects its text.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

namespace lumo {

// Caption of the range message.
inline const QString kRangeCaption = QStringLiteral("Mavik - Lumo 05");

// The text as a whole number in [min, max]; false when it is not one.
bool ParseNumber(const QString& text, qint64 min, qint64 max, qint64* out);
// The range message for [min, max].
QString RangeMessageText(qint64 min, qint64 max);
void ShowRangeMessage(QWidget* parent, qint64 min, qint64 max);
// Parses the edit's text; on failure shows the range message, focuses and
// selects the edit and returns false (out unchanged).
bool TakeNumber(QLineEdit* edit, qint64 min, qint64 max, qint64* out);

// Shows the text only when it differs from what the edit shows, so that the
// cursor and selection of a field being looked at or typed in stay put.
void SetTextIfChanged(QLineEdit* edit, const QString& text);

}  // namespace lumo
