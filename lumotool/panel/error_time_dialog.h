// ErrorTimeDialog: the small dialog that changes the error time of one
// dispenser side. "OK" checks the entries (hours 0 to 71, minutes 0 to 59),
// writes hours x 60 + minutes to the controller and closes, also when the
// write failed (the communication message has then been shown).
// "Abbrechen", Escape and the close box close it without writing.
#pragma once

#include "widgets/control_tag.h"
#include "core/device_link.h"
#include "core/device_map.h"

#include <QDialog>

#include <cstdint>

class QLineEdit;

namespace lumo {

class ErrorTimeDialog : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kIdHours = 1073,
        kIdMinutes = 1074,
    };

    explicit ErrorTimeDialog(QWidget* parent = nullptr);
    ErrorTimeDialog(uint32_t hours, uint32_t minutes, Side side, QWidget* parent = nullptr);

    uint32_t hours() const { return hours_; }
    uint32_t minutes() const { return minutes_; }
    Side side() const { return side_; }
    // Status of the last write (0 before any).
    int32_t writeStatus() const { return writeStatus_; }

    // true: take the entries with range checks (a failed check shows the
    // range message and returns false); false: show the values.
    bool UpdateData(bool saveAndValidate = true);

    // The control with the given id (nullptr for an unknown id).
    QWidget* control(int id) const { return FindControl(this, id); }

public slots:
    // "OK": take the entries, write the time, close.
    void accept() override;

signals:
    // Around the controller write, so that the owner can hold its own
    // controller traffic still meanwhile.
    void writeStarting();
    void writeFinished(int32_t status);

private:
    void buildControls();

    DeviceLink link_;
    uint32_t hours_ = 0;
    uint32_t minutes_ = 0;
    Side side_ = Side::Left;
    int32_t writeStatus_ = 0;
    QLineEdit* hoursEdit_ = nullptr;
    QLineEdit* minutesEdit_ = nullptr;
};

}  // namespace lumo
