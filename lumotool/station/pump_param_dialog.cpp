#include "station/pump_param_dialog.h"
#include "widgets/control_tag.h"
#include "widgets/title_width.h"

#include "core/device_link.h"
#include "widgets/data_exchange.h"
#include "core/device_map.h"
#include "core/language.h"
#include "core/ui_seam.h"
#include "resources/resources.h"
#include "session/reads.h"
#include "session/station_record.h"

#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdint>

namespace lumo {

const QString PumpParamDialog::kTitle = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PumpParamDialog", "Mavik - Lumo 05     Anzeige Säulenparameter"));

namespace {

const QString kNoticeCaption = QStringLiteral("Mavik_Lumo 05");

// One labelled single-line edit in a grid row. The accessible name is the
// label without its colon.
QLineEdit* addEdit(QWidget* parent, QGridLayout* grid, int row, const QString& label, int id,
                   const char* objectName)
{
    auto* l = new QLabel(label, parent);
    auto* e = new QLineEdit(parent);
    QString name = label;
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    TagControl(e, id, objectName, name);
    e->setMinimumWidth(200);
    l->setBuddy(e);
    grid->addWidget(l, row, 0);
    grid->addWidget(e, row, 1);
    return e;
}

}  // namespace

PumpParamDialog::PumpParamDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PumpParamDialog"));
    setProperty("dialogResource", kDialogResource);
    setWindowTitle(Translated("lumo::PumpParamDialog", kTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    buildControls();
    UpdateData(false);
}

PumpParamDialog::~PumpParamDialog() = default;

void PumpParamDialog::buildControls()
{
    // Identification number, read-only.
    auto* identRow = new QGridLayout;
    ident_ = addEdit(this, identRow, 0, tr("Identnummer:"), kIdIdent, "ident");
    ident_->setReadOnly(true);

    auto* addressBox = new QGroupBox(tr("Adresse"), this);
    addressBox->setObjectName(QStringLiteral("addressGroup"));
    auto* address = new QGridLayout(addressBox);
    tankstelle_ = addEdit(addressBox, address, 0, tr("Tankstelle:"), kIdTankstelle, "tankstelle");
    strasse_ = addEdit(addressBox, address, 1, tr("Straße:"), kIdStrasse, "strasse");
    plz_ = addEdit(addressBox, address, 2, tr("PLZ:"), kIdPlz, "plz");
    ort_ = addEdit(addressBox, address, 3, tr("Ort:"), kIdOrt, "ort");

    auto* pumpBox = new QGroupBox(tr("Zapfsäule"), this);
    pumpBox->setObjectName(QStringLiteral("pumpGroup"));
    auto* pump = new QGridLayout(pumpBox);
    zsMarke_ = addEdit(pumpBox, pump, 0, tr("Marke:"), kIdZsMarke, "zsMarke");
    zsType_ = addEdit(pumpBox, pump, 1, tr("Typ:"), kIdZsType, "zsType");
    zsBj_ = addEdit(pumpBox, pump, 2, tr("Baujahr:"), kIdZsBj, "zsBj");

    // Diagnosis type: two radio buttons, neither selected at the start.
    auto* diagLabel = new QLabel(tr("Diagnose:"), this);
    diag1_ = new QRadioButton(QStringLiteral("1"), this);
    TagControl(diag1_, kIdDiag1, "diag1", tr("Diagnose 1"));
    diag2_ = new QRadioButton(QStringLiteral("2"), this);
    TagControl(diag2_, kIdDiag2, "diag2", tr("Diagnose 2"));
    diagLabel->setBuddy(diag1_);
    auto* diagRow = new QHBoxLayout;
    diagRow->addWidget(diag1_);
    diagRow->addWidget(diag2_);
    diagRow->addStretch(1);

    // The diagnosis row shares the grid of the pump numbers, so that its
    // buttons start where the edits do.
    auto* numbers = new QGridLayout;
    numbers->addWidget(diagLabel, 0, 0);
    numbers->addLayout(diagRow, 0, 1);
    lZsNr_ = addEdit(this, numbers, 1, tr("Linke ZS-Nr.:"), kIdLZsNr, "lZsNr");
    rZsNr_ = addEdit(this, numbers, 2, tr("Rechte ZS-Nr.:"), kIdRZsNr, "rZsNr");

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    okButton_ = new QPushButton(tr("Schliessen"), this);
    TagControl(okButton_, kIdOk, "close", tr("Schliessen"));
    okButton_->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(okButton_);

    auto* main = new QVBoxLayout(this);
    main->addLayout(identRow);
    main->addWidget(addressBox);
    main->addWidget(pumpBox);
    main->addLayout(numbers);
    main->addWidget(line);
    main->addLayout(bottom);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // All edits start at one x: one label width for every grid, and the
    // grids outside the group boxes widened by the boxes' indent.
    int labelWidth = 0;
    for (QLabel* l : findChildren<QLabel*>())
        labelWidth = qMax(labelWidth, l->sizeHint().width());
    for (QGridLayout* g : {identRow, address, pump, numbers})
        g->setColumnMinimumWidth(0, labelWidth);
    // The window is not shown yet: place the group box's contents too.
    main->activate();
    address->activate();
    const int indent = tankstelle_->mapTo(this, QPoint()).x() - ident_->mapTo(this, QPoint()).x();
    if (indent > 0) {
        identRow->setColumnMinimumWidth(0, labelWidth + indent);
        numbers->setColumnMinimumWidth(0, labelWidth + indent);
    }
    FitTitle(this);

    // Tab order as the controls are listed.
    const QList<QWidget*> order = {ident_,  tankstelle_, strasse_, plz_,   ort_,   zsMarke_, zsType_,
                                   zsBj_,   diag1_,      diag2_,   lZsNr_, rZsNr_, okButton_};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    connect(okButton_, &QPushButton::clicked, this, [this] { OnOK(); });
}

void PumpParamDialog::UpdateData(bool saveAndValidate)
{
    struct Binding {
        QLineEdit* edit;
        QString* value;
    };
    const Binding bindings[] = {
        {ident_, &values_.ident},     {tankstelle_, &values_.tankstelle}, {strasse_, &values_.strasse},
        {plz_, &values_.plz},         {ort_, &values_.ort},               {zsMarke_, &values_.zsMarke},
        {zsType_, &values_.zsType},   {zsBj_, &values_.zsBj},             {lZsNr_, &values_.lZsNr},
        {rZsNr_, &values_.rZsNr},
    };
    for (const Binding& b : bindings) {
        if (saveAndValidate)
            *b.value = b.edit->text();
        else
            SetTextIfChanged(b.edit, *b.value);
    }
}

QString PumpParamDialog::diagnosisType() const
{
    return diag1_->isChecked() ? QStringLiteral("1") : QStringLiteral("2");
}

void PumpParamDialog::selectDiagnosis(const QString& type)
{
    if (type == QLatin1String("1"))
        diag1_->setChecked(true);
    else
        diag2_->setChecked(true);
}

void PumpParamDialog::setEditable(bool editable)
{
    for (QLineEdit* e : {tankstelle_, strasse_, plz_, ort_, zsMarke_, zsType_, zsBj_, lZsNr_, rZsNr_})
        e->setReadOnly(!editable);
    diag1_->setEnabled(editable);
    diag2_->setEnabled(editable);
}

int PumpParamDialog::exec()
{
    if (!initialised_) OnInitDialog();
    return QDialog::exec();
}

bool PumpParamDialog::OnInitDialog()
{
    initialised_ = true;
    setWindowIcon(AppIcon());

    // The device link has shown the error already. Without the number there
    // is no record to show or save, so nothing typed here could be kept:
    // the fields stay empty and cannot be edited.
    DeviceLink link;
    if (session::ReadIdentification(link, &values_.ident) != 0) {
        values_ = Values{};
        setEditable(false);
        UpdateData(false);
        return false;
    }

    // A controller seen for the first time gets its empty record now; no
    // radio is selected yet, so its diagnosis type is "2".
    const session::StationRecordLoad load = session::LoadStationRecord(values_.ident, record());
    if (load.found) {
        static_cast<session::StationRecord&>(values_) = load.record;
        selectDiagnosis(load.record.diagTyp);
    }
    UpdateData(false);
    return true;
}

session::StationRecord PumpParamDialog::record() const
{
    session::StationRecord r = values_;
    r.diagTyp = diagnosisType();
    return r;
}

void PumpParamDialog::OnOK()
{
    UpdateData(true);
    QString filePath;
    if (!values_.ident.isEmpty() &&
        session::SaveStationRecord(values_.ident, record(), &filePath) == session::StationRecordSaved::Damaged) {
        // Changing it could damage the records behind it; the user is told
        // once, instead of the dialog closing as if it had saved.
        Message message;
        message.text = tr("Der Eintrag „ID-Nummer=%1“ in der Datei „%2“ ist "
                          "beschädigt („Diag-Typ=“ oder „]“ fehlt). "
                          "Er kann erst geändert werden, wenn sein Text repariert ist; "
                          "die Änderungen wurden nicht gespeichert.")
                           .arg(values_.ident, QDir::toNativeSeparators(filePath));
        message.caption = kNoticeCaption;
        message.icon = MsgIcon::Warning;
        message.parent = this;
        ui().showMessage(message);
    }
    QDialog::accept();
}

}  // namespace lumo
