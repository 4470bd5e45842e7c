// MainDialog: the control panel and the program's only long-lived window.
// It shows the error counters, error times and calibration values of both
// dispenser sides and the controller's clock, re-reads them every 500 ms
// while "Zyklisch aktualisieren" is checked, and holds the one DeviceLink
// the program closes when the dialog goes.
//
// The dialog keeps its values in members (Values) and moves them to and
// from the controls with UpdateData, like a data exchange: UpdateData(true)
// takes the entries and checks their ranges, UpdateData(false) shows the
// values.
#pragma once

#include "widgets/control_tag.h"
#include "widgets/cyclic_refresh.h"
#include "core/device_link.h"
#include "session/control_panel.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace lumo {

template <typename Edit>
class MarkableEdit;

class MainDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId" of each control).
    enum ControlId {
        kIdOk = 1,  // "Beenden"
        kIdSetLeft = 1002,
        kIdSetRight = 1003,
        kIdResetLeft = 1004,
        kIdResetRight = 1005,
        kIdPumpParams = 1006,
        kIdCounters = 1007,
        kIdLogFiles = 1008,
        kIdChangeTimeLeft = 1009,
        kIdChangeTimeRight = 1010,
        kIdCounterLeft = 1024,
        kIdCounterRight = 1025,
        kIdHoursLeft = 1026,
        kIdMinutesLeft = 1027,
        kIdDiagnosis = 1028,
        kIdHoursRight = 1029,
        kIdMinutesRight = 1030,
        kIdCyclic = 1051,
        kIdDate = 1055,
        kIdTime = 1056,
        kIdWeekday = 1061,
        kIdStop = 1062,
        kIdStart = 1063,
        kIdPetrolLeft = 1066,
        kIdGasLeft = 1067,
        kIdSendLeft = 1068,
        kIdPetrolRight = 1069,
        kIdGasRight = 1070,
        kIdSendRight = 1071,
        kIdRefuellings = 1072,
    };
    // The refresh timer's number and period.
    static constexpr int kTimerId = CyclicRefresh::kTimerId;
    static constexpr int kTimerPeriodMs = CyclicRefresh::kPeriodMs;
    // System menu / context menu command of the about box.
    static constexpr int kIdmAboutBox = 16;

    // The values the controls show.
    struct Values {
        int leftCounter = 0;   // 1024
        int rightCounter = 0;  // 1025
        bool cyclic = true;    // 1051
        QDateTime time;        // 1056
        QDateTime date;        // 1055
        int weekday = -1;      // 1061, list index, -1 for none
        // The controller's clock held a valid time of day / calendar date at
        // the last reading; otherwise the field shows a marker.
        bool timeValid = true;
        bool dateValid = true;
        uint32_t leftHours = 0, leftMinutes = 0;    // 1026, 1027
        uint32_t rightHours = 0, rightMinutes = 0;  // 1029, 1030
        uint32_t leftPetrol = 0, leftGas = 0;       // 1066, 1067
        uint32_t rightPetrol = 0, rightGas = 0;     // 1069, 1070
    };

    explicit MainDialog(QWidget* parent = nullptr);
    // Closes the connection (a failure shows the communication message).
    ~MainDialog() override;

    // Runs the opening (port choice, first reads) before the dialog shows;
    // returns Rejected at once when the port choice is cancelled.
    int exec() override;

    // The opening steps after the controls exist: about entry, icon, port
    // choice, first reads, timer. False when the port choice was cancelled.
    bool OnInitDialog();

    // Reads the four calibration values; on failure the cyclic-off path.
    bool ReadCalibration();
    // Reads identification, counters, error times and clock, stopping at the
    // first failure (then the cyclic-off path); shows the values on success.
    bool RefreshValues();
    // Takes the entries and starts or stops the refresh timer from the
    // check box (starting only after a successful calibration read).
    void ApplyCyclicSetting();
    // Cyclic refresh off: clear the flag, show the values, stop the timer.
    void SwitchCyclicOff();

    // true: take the entries into the values with range checks (a failed
    // check shows the range message, focuses the control and returns false);
    // false: show the values in the controls. Fields that only show what
    // the controller holds (counters, error times) are never taken back:
    // the values keep what was read, whatever its size.
    bool UpdateData(bool saveAndValidate = true);

    // Frame of the commands that open a modal sub-dialog: take the entries,
    // stop the timer while run() runs if cyclic refresh is on, restart it
    // afterwards. Returns run()'s result.
    int RunSubDialog(const std::function<int()>& run);
    // The same for a constructed dialog: runs dialog.exec().
    int RunSubDialog(QDialog& dialog);

    // Shows the about box modally.
    void ShowAboutBox();

    // The "Diagnose" button (1028) is hidden unless the program was started
    // for a service engineer (--diagnose).
    void setDiagnosisButtonVisible(bool visible);
    bool diagnosisButtonVisible() const;

    const Values& values() const { return values_; }
    // The identification number as ten digits; empty until it was read.
    const QString& identification() const { return ident_; }
    DeviceLink& link() { return link_; }
    bool timerRunning() const { return refresh_.running(); }
    // The calibration fields were filled from the controller at least once;
    // until then "übernehmen" is disabled.
    bool calibrationRead() const { return calibrationRead_; }
    const QTimer& refreshTimer() const { return refresh_.timer(); }
    // The control with the given id (nullptr for an unknown id).
    QWidget* control(int id) const { return FindControl(this, id); }

    // Commands of the buttons and fields. Their bodies live in
    // main_commands.cpp; the controller steps they run are the session
    // layer's.
    void OnSetLeft();
    void OnSetRight();
    void OnResetLeft();
    void OnResetRight();
    void OnChangeTimeLeft();
    void OnChangeTimeRight();
    void OnSendCalibrationLeft();
    void OnSendCalibrationRight();
    void OnStartDevice();
    void OnStopDevice();
    void OnDateChanged();
    void OnTimeChanged();
    void OnWeekdayChanged();
    void OnPumpParams();
    void OnCounters();
    void OnDiagnosis();
    void OnLogFiles();
    void OnRefuellings();

public slots:
    // "Beenden": takes the entries with range checks; stays open on a failure.
    void accept() override;

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void buildControls();
    void OnCyclicClicked();
    // Holds the refresh while a command talks to the controller; it starts
    // again afterwards if cyclic refresh is still on.
    std::unique_ptr<CyclicRefresh::Pause> pauseRefresh();
    void runCounterCommand(Side side, bool reset);
    void runErrorTimeDialog(Side side);
    // Takes the entries without range messages (a refresh tick): values
    // that parse and fit are taken, the others keep their old value and
    // their typed text stays in the control.
    void takeEntriesQuietly();
    void showValues();
    // Takes a clock reading into the time, date and weekday values.
    void takeClock(const ClockValue& clock);
    // The clock commands: date, time or weekday changed by the user.
    void setClock(session::ClockChange change);
    void startListening();

    DeviceLink link_;
    session::ControlPanel panel_{link_};
    Values values_;
    QString ident_;
    CyclicRefresh refresh_;
    // Held while a step that also asks questions talks to the controller.
    std::unique_ptr<CyclicRefresh::Pause> talkPause_;
    bool opened_ = false;     // the opening has run
    bool connected_ = false;  // the port choice opened the connection
    // Calibration fields whose typed text was not taken at the last tick;
    // showing the values leaves their text alone.
    bool keepText_[4] = {false, false, false, false};

    QLineEdit* counterLeft_ = nullptr;
    QLineEdit* counterRight_ = nullptr;
    QLineEdit* hoursLeft_ = nullptr;
    QLineEdit* minutesLeft_ = nullptr;
    QLineEdit* hoursRight_ = nullptr;
    QLineEdit* minutesRight_ = nullptr;
    QLineEdit* petrolLeft_ = nullptr;
    QLineEdit* gasLeft_ = nullptr;
    QLineEdit* petrolRight_ = nullptr;
    QLineEdit* gasRight_ = nullptr;
    MarkableEdit<QTimeEdit>* timeEdit_ = nullptr;
    MarkableEdit<QDateEdit>* dateEdit_ = nullptr;
    QComboBox* weekday_ = nullptr;
    QCheckBox* cyclicBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* sendLeft_ = nullptr;
    QPushButton* sendRight_ = nullptr;
    bool calibrationRead_ = false;
    QPushButton* diagnosisButton_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QObject* instanceServer_ = nullptr;
};

}  // namespace lumo
