#include "panel/main_dialog.h"
#include "widgets/control_tag.h"

#include "core/device_map.h"
#include "core/ui_seam.h"
#include "panel/port_dialog.h"
#include "panel/clock_fields.h"
#include "widgets/single_instance.h"
#include "panel/about_dialog.h"
#include "widgets/trace_control.h"
#include "widgets/data_exchange.h"
#include "resources/resources.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QVBoxLayout>


#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lumo {

namespace {

// The zero date-time value the date and time fields start with.
QDateTime zeroDateTime()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0));
}

QLineEdit* numberEdit(QWidget* parent, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(readOnly);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(44);
    e->setMaximumWidth(70);
    return e;
}

QPushButton* button(QWidget* parent, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

MainDialog::MainDialog(QWidget* parent)
    : QDialog(parent),
      // A tick takes the entries quietly first, so values typed into the
      // calibration fields stay in place through the refresh's show.
      refresh_([this] {
          takeEntriesQuietly();
          return RefreshValues();
      })
{
    setObjectName(QStringLiteral("MainDialog"));
    setWindowTitle(tr("Mavik - Lumo 05"));
    // A window of its own with a taskbar entry, minimisable.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    values_.time = zeroDateTime();
    values_.date = zeroDateTime();
    // The calibration step asks its questions over this dialog and holds
    // the refresh only while it talks to the controller.
    panel_.ask = [this](const QString& question) { return askYesNo(question, this); };
    panel_.onApplyWait = [](bool waiting) {
        if (waiting)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    };
    panel_.onTalk = [this](bool talking) {
        if (talking)
            talkPause_ = pauseRefresh();
        else
            talkPause_.reset();
    };
    buildControls();
}

MainDialog::~MainDialog()
{
    refresh_.stop();
    if (connected_) link_.CloseConnection();
}

void MainDialog::buildControls()
{
    const QString hhmm = QStringLiteral("HH:MM");

    // Error counters.
    auto* counterLeftBox = new QGroupBox(tr("Fehlerzähler linke Zapfsäule"), this);
    counterLeftBox->setObjectName(QStringLiteral("counterLeftGroup"));
    counterLeft_ = numberEdit(counterLeftBox, true);
    TagControl(counterLeft_, kIdCounterLeft, "counterLeft", tr("Fehlerzähler linke Zapfsäule"));
    auto* setLeft = button(counterLeftBox, tr("setzen"));
    TagControl(setLeft, kIdSetLeft, "setLeft", tr("Fehlerzähler links setzen"));
    auto* resetLeft = button(counterLeftBox, tr("rücksetzen"));
    TagControl(resetLeft, kIdResetLeft, "resetLeft", tr("Fehlerzähler links rücksetzen"));
    {
        auto* l = new QHBoxLayout(counterLeftBox);
        l->addWidget(counterLeft_);
        l->addWidget(setLeft);
        l->addWidget(resetLeft);
    }

    auto* counterRightBox = new QGroupBox(tr("Fehlerzähler rechte Zapfsäule"), this);
    counterRightBox->setObjectName(QStringLiteral("counterRightGroup"));
    counterRight_ = numberEdit(counterRightBox, true);
    TagControl(counterRight_, kIdCounterRight, "counterRight", tr("Fehlerzähler rechte Zapfsäule"));
    auto* setRight = button(counterRightBox, tr("setzen"));
    TagControl(setRight, kIdSetRight, "setRight", tr("Fehlerzähler rechts setzen"));
    auto* resetRight = button(counterRightBox, tr("rücksetzen"));
    TagControl(resetRight, kIdResetRight, "resetRight", tr("Fehlerzähler rechts rücksetzen"));
    {
        auto* l = new QHBoxLayout(counterRightBox);
        l->addWidget(counterRight_);
        l->addWidget(setRight);
        l->addWidget(resetRight);
    }

    // Error times.
    auto timeGroup = [&](const QString& title, const char* groupName, QLineEdit*& hours,
                         QLineEdit*& minutes, int idHours, int idMinutes, int idChange,
                         const char* hoursName, const char* minutesName, const char* changeName,
                         const QString& sideWord) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(groupName));
        auto* label = new QLabel(hhmm, box);
        hours = numberEdit(box, true);
        TagControl(hours, idHours, hoursName, tr("Fehlerzeit %1 Stunden").arg(sideWord));
        auto* colon = new QLabel(QStringLiteral(":"), box);
        minutes = numberEdit(box, true);
        TagControl(minutes, idMinutes, minutesName, tr("Fehlerzeit %1 Minuten").arg(sideWord));
        auto* change = button(box, tr("ändern"));
        TagControl(change, idChange, changeName, tr("Fehlerzeit %1 ändern").arg(sideWord));
        // Labels keep their width, so "HH : MM" stays together and the
        // button takes the spare room, as in the rows above.
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        colon->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        auto* l = new QHBoxLayout(box);
        l->addWidget(label);
        l->addWidget(hours);
        l->addWidget(colon);
        l->addWidget(minutes);
        l->addWidget(change, 1);
        return std::pair<QGroupBox*, QPushButton*>(box, change);
    };
    auto [timeLeftBox, changeLeft] =
        timeGroup(tr("Fehlerzeit linke Zapfsäule"), "timeLeftGroup", hoursLeft_, minutesLeft_,
                  kIdHoursLeft, kIdMinutesLeft, kIdChangeTimeLeft, "hoursLeft", "minutesLeft",
                  "changeTimeLeft", tr("links"));
    auto [timeRightBox, changeRight] =
        timeGroup(tr("Fehlerzeit rechte Zapfsäule"), "timeRightGroup", hoursRight_,
                  minutesRight_, kIdHoursRight, kIdMinutesRight, kIdChangeTimeRight, "hoursRight",
                  "minutesRight", "changeTimeRight", tr("rechts"));

    // Calibration.
    auto calGroup = [&](const QString& title, const char* groupName, QLineEdit*& petrol, QLineEdit*& gas,
                        int idPetrol, int idGas, int idSend, const char* petrolName, const char* gasName,
                        const char* sendName, const QString& sideWord) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(groupName));
        auto* petrolLabel = new QLabel(tr("Benzin:"), box);
        petrol = numberEdit(box, false);
        TagControl(petrol, idPetrol, petrolName, tr("Geberanpassung %1 Benzin").arg(sideWord));
        petrolLabel->setBuddy(petrol);
        auto* gasLabel = new QLabel(tr("Gas:"), box);
        gas = numberEdit(box, false);
        TagControl(gas, idGas, gasName, tr("Geberanpassung %1 Gas").arg(sideWord));
        gasLabel->setBuddy(gas);
        auto* send = button(box, tr("übernehmen"));
        TagControl(send, idSend, sendName, tr("Geberanpassung %1 übernehmen").arg(sideWord));
        petrolLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        gasLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        auto* l = new QHBoxLayout(box);
        l->addWidget(petrolLabel);
        l->addWidget(petrol);
        l->addWidget(gasLabel);
        l->addWidget(gas);
        l->addWidget(send, 1);
        return std::pair<QGroupBox*, QPushButton*>(box, send);
    };
    auto [calLeftBox, sendLeftButton] =
        calGroup(tr("Geberanpassung linke Zapfsäule"), "calibrationLeftGroup", petrolLeft_,
                 gasLeft_, kIdPetrolLeft, kIdGasLeft, kIdSendLeft, "petrolLeft", "gasLeft", "sendLeft",
                 tr("links"));
    auto [calRightBox, sendRightButton] =
        calGroup(tr("Geberanpassung rechte Zapfsäule"), "calibrationRightGroup", petrolRight_,
                 gasRight_, kIdPetrolRight, kIdGasRight, kIdSendRight, "petrolRight", "gasRight",
                 "sendRight", tr("rechts"));
    sendLeft_ = sendLeftButton;
    sendRight_ = sendRightButton;
    // Until the controller's values are in the fields, sending would write
    // whatever the fields happen to hold.
    sendLeft_->setEnabled(false);
    sendRight_->setEnabled(false);

    // Clock.
    auto* timeLabel = new QLabel(tr("Uhrzeit:"), this);
    timeEdit_ = new ClockTimeEdit(QStringLiteral("--:--:--"), this);
    timeEdit_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    timeEdit_->setAlignment(Qt::AlignRight);
    TagControl(timeEdit_, kIdTime, "time", tr("Uhrzeit"));
    timeLabel->setBuddy(timeEdit_);
    auto* dateLabel = new QLabel(tr("Datum:"), this);
    weekday_ = new QComboBox(this);
    // The controller's weekday numbers 0..6, named in the language in use.
    for (const char* day : {QT_TR_NOOP("Mo"), QT_TR_NOOP("Di"), QT_TR_NOOP("Mi"), QT_TR_NOOP("Do"),
                            QT_TR_NOOP("Fr"), QT_TR_NOOP("Sa"), QT_TR_NOOP("So")})
        weekday_->addItem(tr(day));
    TagControl(weekday_, kIdWeekday, "weekday", tr("Wochentag"));
    dateLabel->setBuddy(weekday_);
    dateEdit_ = new ClockDateEdit(QStringLiteral("--.--.----"), this);
    dateEdit_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dateEdit_->setAlignment(Qt::AlignRight);
    dateEdit_->setMinimumDate(QDate(1752, 9, 14));
    TagControl(dateEdit_, kIdDate, "date", tr("Datum"));

    // Controller and sub-dialogs.
    auto* stop = button(this, tr("Gerät stoppen"));
    TagControl(stop, kIdStop, "stopDevice", tr("Gerät stoppen"));
    auto* start = button(this, tr("Gerät starten"));
    TagControl(start, kIdStart, "startDevice", tr("Gerät starten"));

    auto* showBox = new QGroupBox(tr("Anzeige"), this);
    showBox->setObjectName(QStringLiteral("showGroup"));
    auto* logs = button(showBox, tr("Log-Dateien"));
    TagControl(logs, kIdLogFiles, "logFiles", tr("Log-Dateien"));
    auto* refuellings = button(showBox, tr("Betankungen"));
    TagControl(refuellings, kIdRefuellings, "refuellings", tr("Betankungen"));
    auto* pump = button(showBox, tr("Säulenparameter"));
    TagControl(pump, kIdPumpParams, "pumpParams", tr("Säulenparameter"));
    auto* counters = button(showBox, tr("Zählerstände"));
    TagControl(counters, kIdCounters, "counters", tr("Zählerstände"));
    diagnosisButton_ = button(showBox, tr("Diagnose"));
    TagControl(diagnosisButton_, kIdDiagnosis, "diagnosis", tr("Diagnose"));
    // Hidden unless a service engineer asks for it (setDiagnosisButtonVisible).
    diagnosisButton_->setVisible(false);
    {
        auto* l = new QVBoxLayout(showBox);
        l->addWidget(logs);
        l->addWidget(refuellings);  // the log files' records as a picture
        l->addWidget(pump);
        l->addWidget(counters);
        l->addWidget(diagnosisButton_);
    }

    cyclicBox_ = new QCheckBox(tr("Zyklisch aktualisieren"), this);
    TagControl(cyclicBox_, kIdCyclic, "cyclic", tr("Zyklisch aktualisieren"));
    okButton_ = new QPushButton(tr("Beenden"), this);
    TagControl(okButton_, kIdOk, "quit", tr("Beenden"));
    // Enter must never end the program (a value just typed would be lost):
    // "Beenden" is no default button; Enter in a field runs the command of
    // its group instead (below).
    okButton_->setAutoDefault(false);
    okButton_->setDefault(false);

    // Layout: left side in the first column, right side in the second.
    auto* grid = new QGridLayout(this);
    grid->addWidget(counterLeftBox, 0, 0);
    grid->addWidget(counterRightBox, 0, 1);
    grid->addWidget(timeLeftBox, 1, 0);
    grid->addWidget(timeRightBox, 1, 1);
    grid->addWidget(calLeftBox, 2, 0);
    grid->addWidget(calRightBox, 2, 1);
    auto* clockRow = new QHBoxLayout;
    clockRow->addWidget(timeLabel);
    clockRow->addWidget(timeEdit_);
    clockRow->addSpacing(16);
    clockRow->addWidget(dateLabel);
    clockRow->addWidget(weekday_);
    clockRow->addWidget(dateEdit_);
    clockRow->addStretch(1);
    grid->addLayout(clockRow, 3, 0, 1, 2);
    auto* deviceCol = new QVBoxLayout;
    deviceCol->addWidget(stop);
    deviceCol->addWidget(start);
    deviceCol->addStretch(1);
    deviceCol->addWidget(cyclicBox_);
    grid->addLayout(deviceCol, 4, 0);
    auto* rightCol = new QVBoxLayout;
    rightCol->addWidget(showBox);
    rightCol->addStretch(1);
    rightCol->addWidget(okButton_, 0, Qt::AlignRight);
    grid->addLayout(rightCol, 4, 1);

    // The focus starts in the left counter field, which shows a value and
    // changes nothing, whatever key is pressed there.
    counterLeft_->setFocus(Qt::OtherFocusReason);

    // Tab order as the controls are listed.
    const QList<QWidget*> order = {
        counterLeft_, setLeft,     resetLeft,  counterRight_, setRight,  resetRight, hoursLeft_,
        minutesLeft_, changeLeft,  hoursRight_, minutesRight_, changeRight, petrolLeft_, gasLeft_,
        sendLeft_,    petrolRight_, gasRight_,  sendRight_,    timeEdit_, weekday_,    dateEdit_,
        stop,         start,       logs,       refuellings,   pump,      counters,  diagnosisButton_,
        cyclicBox_,   okButton_};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Commands.
    connect(setLeft, &QPushButton::clicked, this, [this] { OnSetLeft(); });
    connect(setRight, &QPushButton::clicked, this, [this] { OnSetRight(); });
    connect(resetLeft, &QPushButton::clicked, this, [this] { OnResetLeft(); });
    connect(resetRight, &QPushButton::clicked, this, [this] { OnResetRight(); });
    connect(changeLeft, &QPushButton::clicked, this, [this] { OnChangeTimeLeft(); });
    connect(changeRight, &QPushButton::clicked, this, [this] { OnChangeTimeRight(); });
    connect(sendLeft_, &QPushButton::clicked, this, [this] { OnSendCalibrationLeft(); });
    connect(sendRight_, &QPushButton::clicked, this, [this] { OnSendCalibrationRight(); });
    connect(start, &QPushButton::clicked, this, [this] { OnStartDevice(); });
    connect(stop, &QPushButton::clicked, this, [this] { OnStopDevice(); });
    connect(pump, &QPushButton::clicked, this, [this] { OnPumpParams(); });
    connect(counters, &QPushButton::clicked, this, [this] { OnCounters(); });
    connect(refuellings, &QPushButton::clicked, this, [this] { OnRefuellings(); });
    connect(diagnosisButton_, &QPushButton::clicked, this, [this] { OnDiagnosis(); });
    connect(logs, &QPushButton::clicked, this, [this] { OnLogFiles(); });
    // Showing the values blocks these signals, so only the user's changes
    // reach the commands.
    connect(dateEdit_, &QDateEdit::dateChanged, this, [this] { OnDateChanged(); });
    connect(timeEdit_, &QTimeEdit::timeChanged, this, [this] { OnTimeChanged(); });
    connect(weekday_, &QComboBox::currentIndexChanged, this, [this] { OnWeekdayChanged(); });
    // Every change of the box by the user (a click, the keyboard, a screen
    // reader's toggle action) switches the refresh; showing the values
    // blocks the box's signals.
    connect(cyclicBox_, &QCheckBox::toggled, this, [this] { OnCyclicClicked(); });
    // Enter in a field presses the button of its group (enabled ones only),
    // where that button changes nothing by itself: "ändern" opens the error
    // time dialog, "übernehmen" asks first. Enter in a counter field does
    // nothing: it only shows the controller's value, and "setzen" would
    // count an error in the controller at once.
    const std::pair<QLineEdit*, QPushButton*> enterCommands[] = {
        {hoursLeft_, changeLeft},   {minutesLeft_, changeLeft}, {hoursRight_, changeRight},
        {minutesRight_, changeRight}, {petrolLeft_, sendLeft_},  {gasLeft_, sendLeft_},
        {petrolRight_, sendRight_}, {gasRight_, sendRight_}};
    for (const auto& [field, command] : enterCommands) {
        QPushButton* b = command;
        connect(field, &QLineEdit::returnPressed, this, [b] {
            if (b->isEnabled()) b->click();
        });
    }
    connect(okButton_, &QPushButton::clicked, this, &MainDialog::accept);
}

int MainDialog::exec()
{
    if (!opened_ && !OnInitDialog()) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

bool MainDialog::OnInitDialog()
{
    opened_ = true;
    // A second start knocks here from now on: the window exists, even while
    // the port choice is on screen.
    startListening();
    // 1. The controls exist; show the initial values.
    UpdateData(false);

    // 2. The about box entry, when its text exists.
    const QString aboutText = ResourceString(kStringAboutBox);
    if (!aboutText.isEmpty()) {
#ifdef Q_OS_WIN
        if (HMENU sys = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
            const std::wstring w = aboutText.toStdWString();
            AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(sys, MF_STRING, kIdmAboutBox, w.c_str());
        }
#endif
        // Everywhere: a context menu entry on the dialog and F1.
        aboutAction_ = new QAction(aboutText, this);
        aboutAction_->setObjectName(QStringLiteral("aboutAction"));
        aboutAction_->setData(kIdmAboutBox);
        aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
        aboutAction_->setShortcutContext(Qt::WindowShortcut);
        connect(aboutAction_, &QAction::triggered, this, &MainDialog::ShowAboutBox);
        addAction(aboutAction_);
        // Starts or stops the serial line trace into a file the user picks.
        addAction(TraceControl::CreateAction(this));
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }

    // 3. Window icon.
    setWindowIcon(AppIcon());

    // 4. Port choice; cancelling ends the dialog before anything is read.
    {
        PortDialog port(this);
        if (port.exec() != QDialog::Accepted) return false;
    }
    connected_ = true;

    // 5. Identification; on failure the dialog stays with its initial values.
    if (session::ReadIdentification(link_, &ident_) != 0) return true;

    // 6.
    values_.cyclic = true;
    UpdateData(false);

    // 7.
    ReadCalibration();
    RefreshValues();
    ApplyCyclicSetting();
    UpdateData(false);
    return true;
}

bool MainDialog::ReadCalibration()
{
    Calibration c;
    if (session::ReadCalibration(link_, &c) != 0) {
        SwitchCyclicOff();
        return false;
    }
    values_.leftPetrol = c.leftPetrol;
    values_.leftGas = c.leftGas;
    values_.rightPetrol = c.rightPetrol;
    values_.rightGas = c.rightGas;
    for (bool& keep : keepText_) keep = false;
    calibrationRead_ = true;
    sendLeft_->setEnabled(true);
    sendRight_->setEnabled(true);
    UpdateData(false);
    return true;
}

bool MainDialog::RefreshValues()
{
    // What was read before a failure stays; a failed clock read shows no
    // message (the device link reports it only).
    session::PanelReading r;
    const int32_t status = panel_.Refresh(&r);
    if (r.identification) ident_ = *r.identification;
    if (r.leftCounter) values_.leftCounter = *r.leftCounter;
    if (r.rightCounter) values_.rightCounter = *r.rightCounter;
    auto takeTime = [](const std::optional<ErrorTime>& t, uint32_t& hours, uint32_t& minutes) {
        if (t) hours = t->hours, minutes = t->minutes;
    };
    takeTime(r.leftTime, values_.leftHours, values_.leftMinutes);
    takeTime(r.rightTime, values_.rightHours, values_.rightMinutes);
    if (r.clock) takeClock(*r.clock);
    if (status != 0) {
        SwitchCyclicOff();
        return false;
    }
    UpdateData(false);
    return true;
}

void MainDialog::takeClock(const ClockValue& c)
{
    // A reading that is no valid calendar date or time of day is marked as
    // such; the value underneath stays as it was, so that editing the field
    // starts from something sensible.
    const QDate date(c.year, c.month, c.day);
    const QTime time(c.hour, c.minute, c.second);
    values_.dateValid = date.isValid();
    values_.timeValid = time.isValid();
    const QDateTime value(date.isValid() ? date : values_.date.date(),
                          time.isValid() ? time : values_.time.time());
    values_.time = value;
    values_.date = value;
    values_.weekday = c.weekday < 7 ? c.weekday : -1;
}

void MainDialog::ApplyCyclicSetting()
{
    UpdateData(true);
    if (values_.cyclic) {
        if (ReadCalibration()) refresh_.start();
    } else {
        refresh_.stop();
    }
}

void MainDialog::SwitchCyclicOff()
{
    values_.cyclic = false;
    for (bool& keep : keepText_) keep = false;
    UpdateData(false);
    ApplyCyclicSetting();
}

std::unique_ptr<CyclicRefresh::Pause> MainDialog::pauseRefresh()
{
    return std::make_unique<CyclicRefresh::Pause>(refresh_, [this] { return values_.cyclic; });
}

void MainDialog::OnCyclicClicked()
{
    ApplyCyclicSetting();
}

bool MainDialog::UpdateData(bool saveAndValidate)
{
    if (!saveAndValidate) {
        showValues();
        return true;
    }
    // Same order as the controls are exchanged; stop at the first failure.
    // The counters and error times only show controller values; they are
    // not taken back, so a value beyond what a user could type (a counter of
    // 10000) never blocks the exchange.
    values_.weekday = weekday_->currentIndex();
    values_.cyclic = cyclicBox_->isChecked();
    values_.time = QDateTime(values_.time.date(), timeEdit_->time());
    values_.date = QDateTime(dateEdit_->date(), values_.date.time());
    qint64 n = 0;
    QLineEdit* const cal[] = {petrolLeft_, gasLeft_, petrolRight_, gasRight_};
    uint32_t* const calValues[] = {&values_.leftPetrol, &values_.leftGas, &values_.rightPetrol,
                                   &values_.rightGas};
    for (int i = 0; i < 4; ++i) {
        if (!TakeNumber(cal[i], 0, map::kCalibrationMax, &n)) return false;
        *calValues[i] = uint32_t(n);
        keepText_[i] = false;
    }
    return true;
}

void MainDialog::takeEntriesQuietly()
{
    // The other fields are read-only or always hold a valid value; only the
    // calibration fields take typed text.
    values_.weekday = weekday_->currentIndex();
    values_.cyclic = cyclicBox_->isChecked();
    values_.time = QDateTime(values_.time.date(), timeEdit_->time());
    values_.date = QDateTime(dateEdit_->date(), values_.date.time());
    QLineEdit* const cal[] = {petrolLeft_, gasLeft_, petrolRight_, gasRight_};
    uint32_t* const calValues[] = {&values_.leftPetrol, &values_.leftGas, &values_.rightPetrol,
                                   &values_.rightGas};
    for (int i = 0; i < 4; ++i) {
        qint64 n = 0;
        if (ParseNumber(cal[i]->text(), 0, map::kCalibrationMax, &n)) {
            *calValues[i] = uint32_t(n);
            keepText_[i] = false;
        } else {
            keepText_[i] = true;
        }
    }
}

void MainDialog::showValues()
{
    const QSignalBlocker b1(weekday_), b2(timeEdit_), b3(dateEdit_), b4(cyclicBox_);
    weekday_->setCurrentIndex(values_.weekday >= 0 && values_.weekday < weekday_->count() ? values_.weekday
                                                                                          : -1);
    SetTextIfChanged(counterLeft_, QString::number(values_.leftCounter));
    SetTextIfChanged(counterRight_, QString::number(values_.rightCounter));
    cyclicBox_->setChecked(values_.cyclic);
    timeEdit_->setTime(values_.time.time());
    timeEdit_->setMarked(!values_.timeValid);
    dateEdit_->setDate(values_.date.date());
    dateEdit_->setMarked(!values_.dateValid);
    SetTextIfChanged(hoursLeft_, QString::number(values_.leftHours));
    SetTextIfChanged(minutesLeft_, QString::number(values_.leftMinutes));
    SetTextIfChanged(hoursRight_, QString::number(values_.rightHours));
    SetTextIfChanged(minutesRight_, QString::number(values_.rightMinutes));
    QLineEdit* const cal[] = {petrolLeft_, gasLeft_, petrolRight_, gasRight_};
    const uint32_t calValues[] = {values_.leftPetrol, values_.leftGas, values_.rightPetrol, values_.rightGas};
    for (int i = 0; i < 4; ++i)
        if (!keepText_[i]) SetTextIfChanged(cal[i], QString::number(calValues[i]));
}

int MainDialog::RunSubDialog(const std::function<int()>& run)
{
    UpdateData(true);
    if (values_.cyclic) refresh_.stop();
    const int result = run();
    if (values_.cyclic) refresh_.start();
    return result;
}

int MainDialog::RunSubDialog(QDialog& dialog)
{
    return RunSubDialog([&dialog] { return dialog.exec(); });
}

void MainDialog::ShowAboutBox()
{
    AboutDialog about(this);
    about.exec();
}

void MainDialog::setDiagnosisButtonVisible(bool visible)
{
    // Before the dialog shows this only marks the button; it then shows (or
    // stays hidden) with the dialog.
    diagnosisButton_->setVisible(visible);
}

bool MainDialog::diagnosisButtonVisible() const
{
    return !diagnosisButton_->isHidden();
}

void MainDialog::accept()
{
    if (!UpdateData(true)) return;
    QDialog::accept();
}

#ifdef Q_OS_WIN
bool MainDialog::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kIdmAboutBox) {
            ShowAboutBox();
            *result = 0;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

void MainDialog::startListening()
{
    // A second start knocks here to bring this dialog to the front. Without
    // an admitted guard (dialog tests) there is nothing to listen for.
    if (!instanceServer_) instanceServer_ = SingleInstance::listen(this);
}

}  // namespace lumo
