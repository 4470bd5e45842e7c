#include "counters/counter_dialog.h"
#include "widgets/control_tag.h"

#include "widgets/data_exchange.h"
#include "core/device_link.h"
#include "core/device_map.h"
#include "core/language.h"
#include "session/reads.h"
#include "widgets/print_job.h"
#include "widgets/window_copy.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumo {

const QString CounterDialog::kTitle = QStringLiteral(QT_TRANSLATE_NOOP("lumo::CounterDialog", "Mavik - Lumo 05     Anzeige Zählerstände"));
const QString CounterDialog::kDocumentName = QStringLiteral("Mavik-Gardo Zaehlerstaende");

namespace {

QLineEdit* valueEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight);
    e->setMinimumWidth(90);
    return e;
}

// One row of a value group: label, read-only field, unit.
struct Row {
    const char* label;
    const char* unit;
    QLineEdit** edit;
    int id;
    const char* objectName;
};

QGroupBox* valueGroup(QWidget* parent, const QString& title, const char* objectName,
                      const QString& sideWord, std::initializer_list<Row> rows)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(objectName));
    auto* grid = new QGridLayout(box);
    int r = 0;
    for (const Row& row : rows) {
        const QString label = QCoreApplication::translate("lumo::CounterDialog", row.label);
        auto* l = new QLabel(label, box);
        QLineEdit* e = valueEdit(box);
        // "Flüssigkeitszähler:" -> "Flüssigkeitszähler links"
        QString name = label;
        if (name.endsWith(QLatin1Char(':'))) name.chop(1);
        TagControl(e, row.id, row.objectName, name + QLatin1Char(' ') + sideWord);
        l->setBuddy(e);
        auto* unit = new QLabel(QString::fromUtf8(row.unit), box);
        grid->addWidget(l, r, 0);
        grid->addWidget(e, r, 1);
        grid->addWidget(unit, r, 2);
        *row.edit = e;
        ++r;
    }
    grid->setColumnStretch(1, 1);
    // The same label and unit widths in every group, so that the fields of
    // "Istwerte" and "Fehleranzeige" line up.
    const QFontMetrics fm(box->font());
    grid->setColumnMinimumWidth(0, fm.horizontalAdvance(QCoreApplication::translate("lumo::CounterDialog", "Flüssigkeitszähler:")));
    grid->setColumnMinimumWidth(2, fm.horizontalAdvance(QStringLiteral("l/min")));
    return box;
}

}  // namespace

CounterDialog::CounterDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CounterDialog"));
    setProperty("dialogResource", kDialogResource);
    setWindowTitle(Translated("lumo::CounterDialog", kTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    buildControls();
    UpdateData(false);
}

CounterDialog::~CounterDialog()
{
    refresh_.stop();
}

void CounterDialog::buildControls()
{
    auto side = [this](const QString& title, const char* groupName, const QString& sideWord,
                       const char* actualName, const char* errorsName, QLineEdit*& liquid, int idLiquid,
                       const char* liquidName, QLineEdit*& gas, int idGas, const char* gasName,
                       QLineEdit*& trigger, int idTrigger, const char* triggerName,
                       QLineEdit*& threshold, int idThreshold, const char* thresholdName,
                       QLineEdit*& error, int idError, const char* errorName) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(groupName));
        auto* actual = valueGroup(box, tr("Istwerte"), actualName, sideWord,
                                  {{QT_TRANSLATE_NOOP("lumo::CounterDialog", "Flüssigkeitszähler:"), "ml", &liquid, idLiquid, liquidName},
                                   {QT_TRANSLATE_NOOP("lumo::CounterDialog", "Gaszähler:"), "ml", &gas, idGas, gasName},
                                   {QT_TRANSLATE_NOOP("lumo::CounterDialog", "Triggerwert:"), "l/min", &trigger, idTrigger, triggerName}});
        auto* errors = valueGroup(box, tr("Fehleranzeige"), errorsName, sideWord,
                                  {{QT_TRANSLATE_NOOP("lumo::CounterDialog", "Fehlerschwelle:"), "%", &threshold, idThreshold, thresholdName},
                                   {QT_TRANSLATE_NOOP("lumo::CounterDialog", "Fehler:"), "%", &error, idError, errorName}});
        auto* l = new QVBoxLayout(box);
        l->addWidget(actual);
        l->addWidget(errors);
        return box;
    };
    auto* leftBox = side(tr("Linke Zapfsäule"), "leftGroup", tr("links"),
                         "actualLeftGroup", "errorsLeftGroup", liquidLeft_, kIdLiquidLeft, "liquidLeft",
                         gasLeft_, kIdGasLeft, "gasLeft", triggerLeft_, kIdTriggerLeft, "triggerLeft",
                         thresholdLeft_, kIdThresholdLeft, "thresholdLeft", errorLeft_, kIdErrorLeft,
                         "errorLeft");
    auto* rightBox = side(tr("Rechte Zapfsäule"), "rightGroup", tr("rechts"),
                          "actualRightGroup", "errorsRightGroup", liquidRight_, kIdLiquidRight,
                          "liquidRight", gasRight_, kIdGasRight, "gasRight", triggerRight_,
                          kIdTriggerRight, "triggerRight", thresholdRight_, kIdThresholdRight,
                          "thresholdRight", errorRight_, kIdErrorRight, "errorRight");

    cyclicBox_ = new QCheckBox(tr("Zyklisch aktualisieren"), this);
    TagControl(cyclicBox_, kIdCyclic, "cyclic", tr("Zyklisch aktualisieren"));
    printButton_ = new QPushButton(tr("Drucken"), this);
    printButton_->setAutoDefault(false);
    TagControl(printButton_, kIdPrint, "print", tr("Drucken"));
    okButton_ = new QPushButton(tr("Schliessen"), this);
    TagControl(okButton_, kIdOk, "close", tr("Schliessen"));
    okButton_->setDefault(true);

    auto* sides = new QHBoxLayout;
    sides->addWidget(leftBox);
    sides->addWidget(rightBox);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cyclicBox_);
    bottom->addStretch(1);
    bottom->addWidget(printButton_);
    bottom->addWidget(okButton_);
    auto* main = new QVBoxLayout(this);
    main->addLayout(sides);
    main->addLayout(bottom);
    main->setSizeConstraint(QLayout::SetFixedSize);

    // Tab order as the controls are listed: left values, right values,
    // check box, "Drucken", "Schliessen".
    const QList<QWidget*> order = {liquidLeft_,  gasLeft_,      triggerLeft_,   thresholdLeft_,
                                   errorLeft_,   liquidRight_,  gasRight_,      triggerRight_,
                                   thresholdRight_, errorRight_, cyclicBox_,    printButton_,
                                   okButton_};
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    // Any change by the user (click, keyboard, a screen reader's toggle
    // action) switches the refresh; showing the values blocks the signal.
    connect(cyclicBox_, &QCheckBox::toggled, this, [this] { ApplyTimerRule(); });
    connect(printButton_, &QPushButton::clicked, this, [this] { PrintWindowCopy(); });
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

int CounterDialog::exec()
{
    if (!opened_) OnInitDialog();
    return QDialog::exec();
}

void CounterDialog::OnInitDialog()
{
    opened_ = true;
    // 1. Large and small title-bar icon.
    setWindowIcon(AppIcon());
    // 2. Cyclic refresh on; zeros, "0.00" and the ticked box on screen.
    values_.cyclic = true;
    UpdateData(false);
    // 3.
    RefreshCounters();
    // 4.
    ApplyTimerRule();
}

int CounterDialog::RefreshCounters()
{
    DeviceLink link;
    session::CounterReadings r;
    const int32_t status = session::ReadCounterReadings(link, &r);
    // The values read before a failure stand beside the older ones.
    if (r.left) values_.liquidLeft = r.left->liquidMl, values_.gasLeft = r.left->gasMl;
    if (r.right) values_.liquidRight = r.right->liquidMl, values_.gasRight = r.right->gasMl;
    if (r.trigger) values_.triggerLeft = r.trigger->left, values_.triggerRight = r.trigger->right;
    if (const auto& t = r.thresholds) {
        values_.thresholdLeft = t->leftThreshold;
        values_.thresholdRight = t->rightThreshold;
        values_.errorLeft = FormatErrorValue(t->leftError);
        values_.errorRight = FormatErrorValue(t->rightError);
    }
    if (status != 0) {
        values_.cyclic = false;
        UpdateData(false);
        ApplyTimerRule();
        return 0;
    }
    UpdateData(false);
    return 1;
}

void CounterDialog::ApplyTimerRule()
{
    UpdateData(true);
    if (values_.cyclic)
        refresh_.start();
    else
        refresh_.stop();
}

void CounterDialog::PrintWindowCopy()
{
    RunPrintJob(this, kDocumentName, [this](QPainter& painter, const QSize& page) {
        DrawWindowCopy(painter, page.width(), CaptureWindowImage(this));
    });
}

void CounterDialog::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        values_.cyclic = cyclicBox_->isChecked();
        return;
    }
    const auto number = [](uint32_t v) { return QString::number(v); };
    SetTextIfChanged(liquidLeft_, number(values_.liquidLeft));
    SetTextIfChanged(gasLeft_, number(values_.gasLeft));
    SetTextIfChanged(triggerLeft_, number(values_.triggerLeft));
    SetTextIfChanged(thresholdLeft_, number(values_.thresholdLeft));
    SetTextIfChanged(errorLeft_, values_.errorLeft);
    SetTextIfChanged(liquidRight_, number(values_.liquidRight));
    SetTextIfChanged(gasRight_, number(values_.gasRight));
    SetTextIfChanged(triggerRight_, number(values_.triggerRight));
    SetTextIfChanged(thresholdRight_, number(values_.thresholdRight));
    SetTextIfChanged(errorRight_, values_.errorRight);
    {
        const QSignalBlocker block(cyclicBox_);  // showing is no user change
        cyclicBox_->setChecked(values_.cyclic);
    }
}

void CounterDialog::done(int result)
{
    // Closing in any way ("Schliessen", Escape, close box) ends the refresh.
    refresh_.stop();
    QDialog::done(result);
}

}  // namespace lumo
