// Every dialog of the program: each interactive control carries a control id
// (dynamic property "controlId", unique within its dialog), an object name
// and an accessible name, and the keyboard can reach it. Dialogs are only
// constructed, never run, so no controller is needed.
//
// To check another dialog, add a line to dialogCases() below.
#include "widgets/login_dialog.h"
#include "panel/port_dialog.h"
#include "panel/about_dialog.h"
#include "panel/main_dialog.h"
#include "support/recording_ui.h"

#if __has_include("panel/error_time_dialog.h")
#include "panel/error_time_dialog.h"
#define LUMO_HAVE_ERROR_TIME_DIALOG 1
#endif
#if __has_include("counters/counter_dialog.h")
#include "counters/counter_dialog.h"
#define LUMO_HAVE_COUNTER_DIALOG 1
#endif
#if __has_include("station/pump_param_dialog.h")
#include "station/pump_param_dialog.h"
#define LUMO_HAVE_PUMP_PARAM_DIALOG 1
#endif
#if __has_include("station/diagnosis_dialog.h")
#include "station/diagnosis_dialog.h"
#define LUMO_HAVE_DIAGNOSIS_DIALOG 1
#endif
#if __has_include("logs/wait_dialog.h")
#include "logs/wait_dialog.h"
#define LUMO_HAVE_WAIT_DIALOG 1
#endif
#if __has_include("refuellings/refuelling_dialog.h")
#include "refuellings/refuelling_dialog.h"
#define LUMO_HAVE_REFUELLING_DIALOG 1
#endif
#if __has_include("logs/side_select_dialog.h")
#include "logs/side_select_dialog.h"
#define LUMO_HAVE_SIDE_SELECT_DIALOG 1
#endif

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

namespace lumo {
namespace {

struct DialogCase {
    std::string name;
    std::function<std::unique_ptr<QDialog>()> make;
    // Controls hidden by design (control ids): they need no keyboard access,
    // and the check makes sure they really are hidden.
    std::vector<int> hiddenByDesign;
    // A dialog that only shows something (a wait message) may have none.
    bool mayHaveNoControls = false;
};

// gtest prints a case by its name.
void PrintTo(const DialogCase& c, std::ostream* os)
{
    *os << c.name;
}

template <typename T>
std::unique_ptr<QDialog> make()
{
    return std::make_unique<T>();
}

std::vector<DialogCase> dialogCases()
{
    std::vector<DialogCase> cases = {
        {"MainDialog", make<MainDialog>, {MainDialog::kIdDiagnosis}},
        {"AboutDialog", make<AboutDialog>},
        {"LoginDialog", make<LoginDialog>},
        {"PortDialog", make<PortDialog>},
#ifdef LUMO_HAVE_ERROR_TIME_DIALOG
        {"ErrorTimeDialog", make<ErrorTimeDialog>},
#endif
#ifdef LUMO_HAVE_COUNTER_DIALOG
        {"CounterDialog", make<CounterDialog>},
#endif
#ifdef LUMO_HAVE_PUMP_PARAM_DIALOG
        {"PumpParamDialog", make<PumpParamDialog>},
#endif
#ifdef LUMO_HAVE_DIAGNOSIS_DIALOG
        {"DiagnosisDialog", make<DiagnosisDialog>},
#endif
#ifdef LUMO_HAVE_WAIT_DIALOG
        {"WaitDialog", make<WaitDialog>, {}, true},
#endif
#ifdef LUMO_HAVE_SIDE_SELECT_DIALOG
        {"SideSelectDialog", make<SideSelectDialog>},
#endif
#ifdef LUMO_HAVE_REFUELLING_DIALOG
        {"RefuellingDialog", make<RefuellingDialog>},
#endif
    };
    return cases;
}

bool isInteractive(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// The dialog's own controls: interactive widgets that are not the inner
// parts of another control (the line edit inside a date field or an
// editable combo box, a combo box's list, a table's scroll bars).
std::vector<QWidget*> controlsOf(QDialog& dialog)
{
    std::vector<QWidget*> out;
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!isInteractive(w)) continue;
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != &dialog; p = p->parentWidget())
            inner = inner || isInteractive(p);
        if (!inner) out.push_back(w);
    }
    return out;
}

QString describe(const QWidget* w)
{
    QString text;
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) text = b->text();
    return QStringLiteral("%1 \"%2\" (objectName \"%3\", controlId %4)")
        .arg(QString::fromLatin1(w->metaObject()->className()), text, w->objectName(),
             w->property("controlId").toString());
}

class ControlsNamed : public ::testing::TestWithParam<DialogCase> {
protected:
    void SetUp() override { test::testApplication(); }
    test::RecordingUi ui_;  // no real message box may block a constructor
};

TEST_P(ControlsNamed, EveryControlHasIdNamesAndKeyboardAccess)
{
    const DialogCase& c = GetParam();
    std::unique_ptr<QDialog> dialog = c.make();
    ASSERT_NE(dialog, nullptr);

    const std::vector<QWidget*> controls = controlsOf(*dialog);
    if (!c.mayHaveNoControls) {
        EXPECT_FALSE(controls.empty()) << "no controls found";
    }

    QMap<int, QString> seen;
    for (QWidget* w : controls) {
        const QString who = describe(w);
        SCOPED_TRACE(who.toStdString());
        const QVariant idValue = w->property("controlId");
        bool isNumber = false;
        const int id = idValue.toInt(&isNumber);
        EXPECT_TRUE(idValue.isValid() && !idValue.toString().isEmpty()) << "no controlId";
        EXPECT_FALSE(w->objectName().isEmpty()) << "no objectName";
        EXPECT_FALSE(w->accessibleName().trimmed().isEmpty()) << "no accessibleName";

        if (isNumber) {
            EXPECT_FALSE(seen.contains(id)) << "controlId " << id << " also used by "
                                            << seen.value(id).toStdString();
            seen.insert(id, who);
        }

        const bool hiddenByDesign =
            isNumber && std::find(c.hiddenByDesign.begin(), c.hiddenByDesign.end(), id) !=
                            c.hiddenByDesign.end();
        if (hiddenByDesign) {
            EXPECT_TRUE(w->isHidden()) << "listed as hidden by design but not hidden";
            continue;
        }
        EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << "the keyboard cannot reach it";
    }

    // Every id listed as hidden by design must exist.
    for (int id : c.hiddenByDesign)
        EXPECT_TRUE(seen.contains(id)) << "hidden control " << id << " not found";
}

INSTANTIATE_TEST_SUITE_P(AllDialogs, ControlsNamed, ::testing::ValuesIn(dialogCases()),
                         [](const ::testing::TestParamInfo<DialogCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace lumo
