// The main dialog's time and date fields. When the controller's clock holds
// no valid time of day or calendar date (after a battery failure, say), the
// field shows a marker of dashes instead of a plausible value. The marker
// goes as soon as the user starts changing the field or a valid reading is
// shown; the field keeps its last value underneath, so editing starts there.
// The markers have the length of the display formats, so the fields' section
// positions stay where the user expects them.
#pragma once

#include <QDateEdit>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimeEdit>

#include <utility>

namespace lumo {

template <class Edit>
class MarkableEdit : public Edit {
public:
    MarkableEdit(QString marker, QWidget* parent) : Edit(parent), marker_(std::move(marker)) {}

    bool marked() const { return marked_; }
    void setMarked(bool marked)
    {
        if (marked_ == marked) return;
        marked_ = marked;
        rerender();
    }

    void stepBy(int steps) override
    {
        setMarked(false);
        Edit::stepBy(steps);
    }

protected:
    QString textFromDateTime(const QDateTime& value) const override
    {
        return marked_ ? marker_ : Edit::textFromDateTime(value);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Moving between fields leaves the marker; anything else edits.
        if (event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) setMarked(false);
        Edit::keyPressEvent(event);
    }

private:
    // Shows the current value again (or the marker) without telling anyone:
    // the value itself does not change.
    void rerender()
    {
        const QSignalBlocker block(this);
        this->setDateTime(this->dateTime());
    }

    QString marker_;
    bool marked_ = false;
};

using ClockTimeEdit = MarkableEdit<QTimeEdit>;
using ClockDateEdit = MarkableEdit<QDateEdit>;

}  // namespace lumo
