#include "station/diagnosis_dialog.h"
#include "widgets/control_tag.h"

#include "widgets/data_exchange.h"
#include "core/device_link.h"
#include "resources/resources.h"
#include "session/reads.h"
#include "records/diagnosis_text.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QSignalBlocker>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lumo {

namespace {

QLineEdit* valueEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(80);
    return e;
}

QLabel* lamp(QWidget* parent, int iconId)
{
    auto* l = new QLabel(parent);
    l->setPixmap(ResourceIcon(iconId).pixmap(32, 32));
    l->setFixedSize(32, 32);
    return l;
}

// The multi-line edit shows one line per "\r\n".
QString displayLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace

DiagnosisDialog::DiagnosisDialog(QWidget* parent) : DiagnosisDialog(QString(), parent) {}

DiagnosisDialog::DiagnosisDialog(const QString& databaseDir, QWidget* parent)
    : QDialog(parent), record_(databaseDir)
{
    setObjectName(QStringLiteral("DiagnosisDialog"));
    setWindowTitle(tr("Mavik - Lumo 05     Diagnose"));

    buildControls();
}

DiagnosisDialog::~DiagnosisDialog()
{
    refresh_.stop();
}

void DiagnosisDialog::buildControls()
{
    // Identification number.
    auto* identLabel = new QLabel(tr("Identnummer:"), this);
    ident_ = valueEdit(this);
    TagControl(ident_, kIdIdent, QStringLiteral("ident"), tr("Identnummer"));
    identLabel->setBuddy(ident_);

    // Side.
    auto* left = new QRadioButton(tr("Linke Zapfsäule"), this);
    TagControl(left, kIdLeft, QStringLiteral("sideLeft"), tr("Linke Zapfsäule"));
    auto* right = new QRadioButton(tr("Rechte Zapfsäule"), this);
    TagControl(right, kIdRight, QStringLiteral("sideRight"), tr("Rechte Zapfsäule"));
    sides_ = new QButtonGroup(this);
    sides_->addButton(left, 0);
    sides_->addButton(right, 1);

    // Refuelling 1 to 14.
    auto* refuellingBox = new QGroupBox(tr("Tankung"), this);
    refuellingBox->setObjectName(QStringLiteral("refuellingGroup"));
    refuellings_ = new QButtonGroup(this);
    auto* refuellingGrid = new QGridLayout(refuellingBox);
    QList<QWidget*> refuellingButtons;
    for (int n = 1; n <= map::kRecordCount; ++n) {
        // Two leading blanks for 1 to 9, so the numbers line up.
        const QString caption = n < 10 ? QStringLiteral("  %1").arg(n) : QString::number(n);
        auto* r = new QRadioButton(caption, refuellingBox);
        TagControl(r, kIdRefuellingFirst + n - 1, QStringLiteral("refuelling%1").arg(n),
            tr("Tankung %1").arg(n));
        refuellings_->addButton(r, n - 1);
        refuellingGrid->addWidget(r, (n - 1) / 7, (n - 1) % 7);
        refuellingButtons.append(r);
    }

    // Time and date.
    auto* whenBox = new QGroupBox(tr("Uhrzeit / Datum"), this);
    whenBox->setObjectName(QStringLiteral("timeDateGroup"));
    time_ = valueEdit(whenBox);
    TagControl(time_, kIdTime, QStringLiteral("time"), tr("Uhrzeit"));
    date_ = valueEdit(whenBox);
    TagControl(date_, kIdDate, QStringLiteral("date"), tr("Datum"));
    {
        auto* l = new QHBoxLayout(whenBox);
        l->addWidget(time_);
        l->addWidget(date_);
    }

    // Volumes.
    auto* volumeBox = new QGroupBox(tr("Istwerte"), this);
    volumeBox->setObjectName(QStringLiteral("volumeGroup"));
    auto* liquidLabel = new QLabel(tr("Flüssigkeitszähler:"), volumeBox);
    liquid_ = valueEdit(volumeBox);
    TagControl(liquid_, kIdLiquid, QStringLiteral("liquid"), tr("Flüssigkeitszähler"));
    liquidLabel->setBuddy(liquid_);
    auto* gasLabel = new QLabel(tr("Gaszähler:"), volumeBox);
    gas_ = valueEdit(volumeBox);
    TagControl(gas_, kIdGas, QStringLiteral("gas"), tr("Gaszähler"));
    gasLabel->setBuddy(gas_);
    {
        auto* g = new QGridLayout(volumeBox);
        g->addWidget(liquidLabel, 0, 0);
        g->addWidget(liquid_, 0, 1);
        g->addWidget(new QLabel(QStringLiteral(" l"), volumeBox), 0, 2);
        g->addWidget(gasLabel, 1, 0);
        g->addWidget(gas_, 1, 1);
        g->addWidget(new QLabel(QStringLiteral(" l"), volumeBox), 1, 2);
    }

    // Fault rate.
    auto* rateLabel = new QLabel(tr("Fehlerquote:"), this);
    faultRate_ = valueEdit(this);
    TagControl(faultRate_, kIdFaultRate, QStringLiteral("faultRate"), tr("Fehlerquote"));
    rateLabel->setBuddy(faultRate_);
    auto* rateUnit = new QLabel(QStringLiteral("%"), this);

    // Sensor lamps: green and red lie on top of each other; the refresh
    // shows one of them. Until then all four show, as created.
    gasGreen_ = lamp(this, kIconGreenLamp);
    TagControl(gasGreen_, kIdGasGreen, QStringLiteral("gasLampGreen"), tr("Gas-Geber grün"));
    gasRed_ = lamp(this, kIconRedLamp);
    TagControl(gasRed_, kIdGasRed, QStringLiteral("gasLampRed"), tr("Gas-Geber rot"));
    petrolGreen_ = lamp(this, kIconGreenLamp);
    TagControl(petrolGreen_, kIdPetrolGreen, QStringLiteral("petrolLampGreen"), tr("Benzin-Geber grün"));
    petrolRed_ = lamp(this, kIconRedLamp);
    TagControl(petrolRed_, kIdPetrolRed, QStringLiteral("petrolLampRed"), tr("Benzin-Geber rot"));
    auto* lampGrid = new QGridLayout;
    lampGrid->addWidget(new QLabel(tr("Gas-Geber"), this), 0, 0);
    lampGrid->addWidget(gasGreen_, 0, 1);
    lampGrid->addWidget(gasRed_, 0, 1);
    lampGrid->addWidget(new QLabel(tr("Benzin-Geber"), this), 1, 0);
    lampGrid->addWidget(petrolGreen_, 1, 1);
    lampGrid->addWidget(petrolRed_, 1, 1);

    // Diagnosis text: read-only, no scroll bars.
    diagnosis_ = new QPlainTextEdit(this);
    diagnosis_->setReadOnly(true);
    diagnosis_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    diagnosis_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    diagnosis_->setTabChangesFocus(true);
    diagnosis_->setMinimumHeight(110);
    TagControl(diagnosis_, kIdDiagnosis, QStringLiteral("diagnosis"), tr("Diagnose"));

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("separator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    cyclicBox_ = new QCheckBox(tr("Zyklisch aktualisieren"), this);
    TagControl(cyclicBox_, kIdCyclic, QStringLiteral("cyclic"), tr("Zyklisch aktualisieren"));
    closeButton_ = new QPushButton(tr("Schliessen"), this);
    TagControl(closeButton_, kIdClose, QStringLiteral("close"), tr("Schliessen"));
    closeButton_->setDefault(true);

    // Layout.
    auto* top = new QVBoxLayout(this);
    auto* identRow = new QHBoxLayout;
    identRow->addWidget(identLabel);
    identRow->addWidget(ident_);
    identRow->addSpacing(16);
    identRow->addWidget(left);
    identRow->addWidget(right);
    identRow->addStretch(1);
    top->addLayout(identRow);
    top->addWidget(refuellingBox);
    auto* valuesRow = new QHBoxLayout;
    valuesRow->addWidget(whenBox);
    valuesRow->addWidget(volumeBox);
    top->addLayout(valuesRow);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(rateLabel);
    rateRow->addWidget(faultRate_);
    rateRow->addWidget(rateUnit);
    rateRow->addSpacing(24);
    rateRow->addLayout(lampGrid);
    rateRow->addStretch(1);
    top->addLayout(rateRow);
    top->addWidget(diagnosis_, 1);
    top->addWidget(separator);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cyclicBox_);
    bottom->addStretch(1);
    bottom->addWidget(closeButton_);
    top->addLayout(bottom);

    // Tab order as the controls are listed.
    QList<QWidget*> order = {ident_, left, right};
    order += refuellingButtons;
    order += {time_, date_, liquid_, gas_, faultRate_, diagnosis_, cyclicBox_, closeButton_};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Commands. Programmatic changes (UpdateData) do not click.
    connect(sides_, &QButtonGroup::idClicked, this, [this] { OnSideClicked(); });
    connect(refuellings_, &QButtonGroup::idClicked, this, [this] { OnRefuellingClicked(); });
    // Any change by the user (click, keyboard, a screen reader's toggle
    // action) switches the refresh; showing the values blocks the signal.
    connect(cyclicBox_, &QCheckBox::toggled, this, [this] { OnCyclicClicked(); });
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
}

int DiagnosisDialog::exec()
{
    if (!initialised_) OnInitDialog();
    return QDialog::exec();
}

void DiagnosisDialog::done(int result)
{
    refresh_.stop();
    QDialog::done(result);
}

bool DiagnosisDialog::OnInitDialog()
{
    initialised_ = true;

    // 1. Icons; left side, refuelling 1.
    setWindowIcon(AppIcon());
    values_.side = 0;
    values_.refuelling = 0;
    UpdateData(false);

    // 2. Identification number; without it the dialog stays empty.
    DeviceLink link;
    if (session::ReadIdentification(link, &values_.ident) != 0) return false;

    // 3. (the identification text is in the values)

    // 4. The diagnosis texts; a failed lookup has shown its message and
    // leaves the entries without a level, so nothing is listed.
    record_.LookupDiagnosis(values_.ident);

    // 5.
    values_.cyclic = 1;
    UpdateData(false);

    // 6. The refuelling is read once, after the switch is on, so that a
    // failing read switches the refresh off for good and shows one message.
    ShowRefuelling();

    // 7.
    ApplySwitch();
    return true;
}

void DiagnosisDialog::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        // The edits are read-only: only the choices and the check box can
        // differ from the values.
        values_.side = qMax(0, sides_->checkedId());
        values_.refuelling = qMax(0, refuellings_->checkedId());
        values_.cyclic = cyclicBox_->isChecked() ? 1 : 0;
        return;
    }
    SetTextIfChanged(ident_, values_.ident);
    SetTextIfChanged(date_, values_.date);
    SetTextIfChanged(time_, values_.time);
    SetTextIfChanged(liquid_, values_.liquid);
    SetTextIfChanged(gas_, values_.gas);
    SetTextIfChanged(faultRate_, values_.faultRate);
    const QString lines = displayLines(values_.diagnosis);
    if (diagnosis_->toPlainText() != lines) diagnosis_->setPlainText(lines);
    {
        const QSignalBlocker block(cyclicBox_);  // showing is no user change
        cyclicBox_->setChecked(values_.cyclic != 0);
    }
    if (QAbstractButton* b = sides_->button(values_.side)) b->setChecked(true);
    if (QAbstractButton* b = refuellings_->button(values_.refuelling)) b->setChecked(true);
}

bool DiagnosisDialog::ShowRefuelling()
{
    // No lamp refresh between the two reads or while an error message of
    // theirs is open: one broken line gives one message.
    const CyclicRefresh::Pause pause(refresh_, [this] { return values_.cyclic == 1; });

    const Side side = selectedSide();
    DeviceLink link;
    RefuellingRecord rec;
    int halves = 0;
    const int32_t status = session::ReadRefuelling(link, side, selectedRefuelling(), &rec, &halves);
    // Nothing of this refuelling is known without its first half: no
    // figures of the one shown before may stand beside its number. With it,
    // the volumes are this refuelling's and only the rest is unknown.
    values_.liquid = halves > 0 ? FormatRecordVolume(rec.liquidMl) : QString();
    values_.gas = halves > 0 ? FormatRecordVolume(rec.gasMl) : QString();
    values_.faultRate = halves > 0 ? FormatFaultRate(rec.liquidMl, rec.gasMl) : QString();
    values_.time = halves > 1 ? FormatRecordTime(rec) : QString();
    values_.date = halves > 1 ? FormatRecordDate(rec) : QString();
    values_.diagnosis = halves > 1 ? BuildDiagnosisText(rec, side, record_.entries()) : QString();
    if (status != 0) {
        failedRead();
        return false;
    }
    UpdateData(false);
    return true;
}

// A read the device link has reported failed: refresh off.
void DiagnosisDialog::failedRead()
{
    values_.cyclic = 0;
    UpdateData(false);
    ApplySwitch();
}

void DiagnosisDialog::ApplySwitch()
{
    UpdateData(true);
    if (values_.cyclic == 1)
        refresh_.start();
    else
        refresh_.stop();
}

bool DiagnosisDialog::RefreshLamps()
{
    DeviceLink link;
    uint8_t sensor = 0;
    if (session::ReadSensors(link, &sensor) != 0) {
        failedRead();
        return false;
    }
    const LampState lamps = LampsFor(sensor, selectedSide());
    petrolRed_->setVisible(lamps.petrolRed);
    petrolGreen_->setVisible(!lamps.petrolRed);
    gasRed_->setVisible(lamps.gasRed);
    gasGreen_->setVisible(!lamps.gasRed);
    return true;
}

void DiagnosisDialog::OnSideClicked()
{
    UpdateData(true);
    // A new side starts at its refuelling 1.
    values_.refuelling = 0;
    UpdateData(false);
    ShowRefuelling();
}

void DiagnosisDialog::OnRefuellingClicked()
{
    UpdateData(true);
    ShowRefuelling();
}

void DiagnosisDialog::OnCyclicClicked()
{
    ApplySwitch();
}

}  // namespace lumo
