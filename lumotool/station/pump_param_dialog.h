// PumpParamDialog ("Anzeige Säulenparameter"): the station and dispenser
// data of the connected controller, kept in the station text database under
// the controller's identification number.
//
// Opening reads the identification number from the controller, loads its
// record and shows it; a controller without a record gets an empty one (with
// diagnosis type "2") at once. "Schliessen" writes every field back; Escape
// and the close box cancel without saving. When the number cannot be read
// the dialog shows empty and saves nothing.
//
// The texts live in members (Values) and move to and from the controls with
// UpdateData, like a data exchange. The diagnosis type has no member: it
// lives in the two radio buttons, which start with neither selected.
#pragma once

#include "session/station_record.h"
#include "widgets/control_tag.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumo {

class PumpParamDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId" of each control).
    enum ControlId {
        kIdOk = 1,  // "Schliessen"
        kIdStrasse = 1014,
        kIdPlz = 1015,
        kIdOrt = 1016,
        kIdTankstelle = 1017,
        kIdZsMarke = 1018,
        kIdZsType = 1019,
        kIdZsBj = 1020,
        kIdRZsNr = 1026,
        kIdLZsNr = 1027,
        kIdIdent = 1029,
        kIdDiag1 = 1064,  // radio "1"
        kIdDiag2 = 1065,  // radio "2"
    };
    static constexpr int kDialogResource = 105;
    static const QString kTitle;  // "Mavik - Lumo 05     Anzeige Säulenparameter"

    // The texts the edit fields show: the record's fields and the
    // identification (ten digits; empty when not read). The diagnosis type
    // is the radio buttons' (diagTyp is not used here).
    struct Values : session::StationRecord {
        QString ident;
    };

    explicit PumpParamDialog(QWidget* parent = nullptr);
    ~PumpParamDialog() override;

    // Runs the filling once, then the dialog's event loop.
    int exec() override;

    // Filling: icon, identification number, record (loaded, or appended
    // empty for a new controller), controls. False when the identification
    // number could not be read; the dialog then shows empty and read-only.
    bool OnInitDialog();

    // "Schliessen": takes the entries, writes them to the record (or appends
    // the record if it has gone) and closes with the OK result. Saves
    // nothing when the identification number was not read.
    void OnOK();

    // true: take the entries into the values; false: show the values.
    void UpdateData(bool saveAndValidate = true);

    const Values& values() const { return values_; }
    // The diagnosis type as it is written: "1" when radio "1" is selected,
    // else "2".
    QString diagnosisType() const;
    // The values and the diagnosis type as a station record.
    session::StationRecord record() const;
    // The control with the given id (nullptr for an unknown id).
    QWidget* control(int id) const { return FindControl(this, id); }

private:
    void buildControls();
    void selectDiagnosis(const QString& type);
    void setEditable(bool editable);

    Values values_;
    bool initialised_ = false;

    QLineEdit* ident_ = nullptr;
    QLineEdit* tankstelle_ = nullptr;
    QLineEdit* strasse_ = nullptr;
    QLineEdit* plz_ = nullptr;
    QLineEdit* ort_ = nullptr;
    QLineEdit* zsMarke_ = nullptr;
    QLineEdit* zsType_ = nullptr;
    QLineEdit* zsBj_ = nullptr;
    QLineEdit* lZsNr_ = nullptr;
    QLineEdit* rZsNr_ = nullptr;
    QRadioButton* diag1_ = nullptr;
    QRadioButton* diag2_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace lumo
