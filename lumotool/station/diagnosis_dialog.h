// DiagnosisDialog: one recorded refuelling of either dispenser side, with
// its volumes, fault rate, time, date and a plain-language diagnosis of the
// side's inputs and outputs (texts from the Access databases through
// PumpRecord), and two lamps for the side's gas and petrol sensors that are
// refreshed every 500 ms while "Zyklisch aktualisieren" is checked.
//
// Like the other dialogs it keeps its values in members (Values) and moves
// them to and from the controls with UpdateData. Every controller access
// goes through a DeviceLink created for the handler that needs it; the
// connection must already be open.
#pragma once

#include "widgets/control_tag.h"
#include "widgets/cyclic_refresh.h"
#include "core/device_map.h"
#include "records/pump_record.h"

#include <QDialog>
#include <QString>
#include <QTimer>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace lumo {

class DiagnosisDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId" of each control).
    enum ControlId {
        kIdClose = 1,  // "Schliessen"
        kIdFaultRate = 1025,
        kIdIdent = 1029,
        kIdRefuellingFirst = 1030,  // "  1"
        kIdRefuellingLast = 1043,   // "14"
        kIdDate = 1044,
        kIdTime = 1045,
        kIdLeft = 1046,
        kIdRight = 1047,
        kIdDiagnosis = 1048,
        kIdCyclic = 1051,
        kIdLiquid = 1052,
        kIdGas = 1053,
        kIdGasGreen = 1057,
        kIdPetrolGreen = 1058,
        kIdGasRed = 1059,
        kIdPetrolRed = 1060,
    };
    // The lamp timer's number and period.
    static constexpr int kTimerId = CyclicRefresh::kTimerId;
    static constexpr int kTimerPeriodMs = CyclicRefresh::kPeriodMs;

    // The values the controls show.
    struct Values {
        QString diagnosis;  // 1048, lines end in "\r\n"
        QString ident;      // 1029
        QString date;       // 1044
        QString liquid = QStringLiteral("0.00");  // 1052
        QString gas = QStringLiteral("0.00");     // 1053
        QString time;       // 1045
        QString faultRate;  // 1025
        int cyclic = 0;     // 1051
        int side = 0;       // 1046 = 0 (left), 1047 = 1 (right)
        int refuelling = 0; // 1030 = 0 .. 1043 = 13
    };

    // The databases are read from the program's folder.
    explicit DiagnosisDialog(QWidget* parent = nullptr);
    // The databases are read from databaseDir (empty: the program's folder).
    explicit DiagnosisDialog(const QString& databaseDir, QWidget* parent = nullptr);
    ~DiagnosisDialog() override;

    // Runs the set-up once before the dialog shows.
    int exec() override;
    // Closing stops the lamp timer: a closed dialog reads nothing more.
    void done(int result) override;

    // Set-up: icons, left side and refuelling 1, identification number,
    // diagnosis lookup, the refuelling, the lamp timer. False when the
    // identification number could not be read (the dialog then shows
    // empty, without refresh).
    bool OnInitDialog();

    // Reads the chosen refuelling and shows it; on a failed read switches
    // the refresh off. True when both halves of the record were read.
    bool ShowRefuelling();
    // Takes the entries and starts or stops the lamp timer from the check box.
    void ApplySwitch();
    // One timer message: reads the sensor byte and shows the side's lamps;
    // on a failed read switches the refresh off and returns false.
    bool RefreshLamps();

    // true: take the entries (side, refuelling, check box) into the values;
    // false: show the values in the controls.
    void UpdateData(bool saveAndValidate = true);

    // Handlers of the radio buttons and the check box.
    void OnSideClicked();
    void OnRefuellingClicked();
    void OnCyclicClicked();

    const Values& values() const { return values_; }
    const PumpRecord& pumpRecord() const { return record_; }
    Side selectedSide() const { return values_.side == 0 ? Side::Left : Side::Right; }
    // 1..14
    int selectedRefuelling() const { return values_.refuelling + 1; }
    bool timerRunning() const { return refresh_.running(); }
    const QTimer& lampTimer() const { return refresh_.timer(); }
    // The control with the given id (nullptr for an unknown id).
    QWidget* control(int id) const { return FindControl(this, id); }

private:
    void buildControls();
    void failedRead();

    PumpRecord record_;
    Values values_;
    CyclicRefresh refresh_{[this] { return RefreshLamps(); }};
    bool initialised_ = false;

    QLineEdit* ident_ = nullptr;
    QButtonGroup* sides_ = nullptr;
    QButtonGroup* refuellings_ = nullptr;
    QLineEdit* time_ = nullptr;
    QLineEdit* date_ = nullptr;
    QLineEdit* liquid_ = nullptr;
    QLineEdit* gas_ = nullptr;
    QLineEdit* faultRate_ = nullptr;
    QLabel* gasGreen_ = nullptr;
    QLabel* gasRed_ = nullptr;
    QLabel* petrolGreen_ = nullptr;
    QLabel* petrolRed_ = nullptr;
    QPlainTextEdit* diagnosis_ = nullptr;
    QCheckBox* cyclicBox_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace lumo
