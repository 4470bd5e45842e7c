// CounterDialog ("Anzeige Zählerstände"): the meter readings, trigger
// values, error thresholds and error values of both dispenser sides, read
// from program memory, refreshed every 500 ms while "Zyklisch
// aktualisieren" is ticked, and printable as a picture of the window.
//
// The values live in members (Values) and move to and from the controls
// with UpdateData, like a data exchange. All fields are read-only; only the
// check box is taken from the screen.
#pragma once

#include "widgets/control_tag.h"
#include "widgets/cyclic_refresh.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace lumo {

class CounterDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId" of each control).
    enum ControlId {
        kIdOk = 1,  // "Schliessen"
        kIdLiquidLeft = 1011,
        kIdGasLeft = 1012,
        kIdTriggerLeft = 1013,
        kIdThresholdLeft = 1014,
        kIdErrorLeft = 1015,
        kIdLiquidRight = 1018,
        kIdGasRight = 1019,
        kIdTriggerRight = 1020,
        kIdPrint = 1021,
        kIdThresholdRight = 1023,
        kIdErrorRight = 1024,
        kIdCyclic = 1051,
    };
    static constexpr int kDialogResource = 104;
    static constexpr int kTimerId = CyclicRefresh::kTimerId;
    static constexpr int kTimerPeriodMs = CyclicRefresh::kPeriodMs;

    static const QString kTitle;         // "Mavik - Lumo 05     Anzeige Zählerstände"
    static const QString kDocumentName;  // "Mavik-Gardo Zaehlerstaende"

    struct Values {
        uint32_t liquidLeft = 0;      // 1011, ml
        uint32_t gasLeft = 0;         // 1012, ml
        uint32_t triggerLeft = 0;     // 1013, l/min
        uint8_t thresholdLeft = 0;    // 1014, %
        QString errorLeft = QStringLiteral("0.00");   // 1015, %
        uint32_t liquidRight = 0;     // 1018
        uint32_t gasRight = 0;        // 1019
        uint32_t triggerRight = 0;    // 1020
        uint8_t thresholdRight = 0;   // 1023
        QString errorRight = QStringLiteral("0.00");  // 1024
        bool cyclic = false;          // 1051
    };

    explicit CounterDialog(QWidget* parent = nullptr);
    ~CounterDialog() override;

    // Runs the opening once, then the dialog's event loop.
    int exec() override;

    // Opening: icon, cyclic flag on, initial values shown, first refresh,
    // timer rule.
    void OnInitDialog();

    // Reads the four blocks in order (meters left, meters right, trigger
    // values, thresholds and error values), each only after the previous
    // one succeeded, and shows the values. Returns 1 on success; 0 after a
    // failed read, when the cyclic refresh is switched off and the values
    // read so far stand beside the older ones.
    int RefreshCounters();

    // Takes the check box into the flag and starts (on) or stops (off)
    // timer 1. Also the handler of the check box.
    void ApplyTimerRule();

    // Prints the window as the screen shows it through the print job.
    void PrintWindowCopy();

    // true: take the check box into the flag; false: show the values.
    void UpdateData(bool saveAndValidate = true);

    const Values& values() const { return values_; }
    bool timerRunning() const { return refresh_.running(); }
    const QTimer& refreshTimer() const { return refresh_.timer(); }
    // The control with the given id (nullptr for an unknown id).
    QWidget* control(int id) const { return FindControl(this, id); }

public slots:
    void done(int result) override;

private:
    void buildControls();

    Values values_;
    // A tick refreshes; the next follows 500 ms after a successful one.
    CyclicRefresh refresh_{[this] { return RefreshCounters() != 0; }};
    bool opened_ = false;

    QLineEdit* liquidLeft_ = nullptr;
    QLineEdit* gasLeft_ = nullptr;
    QLineEdit* triggerLeft_ = nullptr;
    QLineEdit* thresholdLeft_ = nullptr;
    QLineEdit* errorLeft_ = nullptr;
    QLineEdit* liquidRight_ = nullptr;
    QLineEdit* gasRight_ = nullptr;
    QLineEdit* triggerRight_ = nullptr;
    QLineEdit* thresholdRight_ = nullptr;
    QLineEdit* errorRight_ = nullptr;
    QCheckBox* cyclicBox_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace lumo
