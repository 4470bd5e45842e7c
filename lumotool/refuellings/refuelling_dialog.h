// RefuellingDialog ("Betankungen"): the fourteen recorded refuellings of
// both dispenser sides at a glance. Per side a chart of the recovery ratio
// gas / liquid against the band 100 % +- the side's error threshold, and a
// table of the same rows for the keyboard and screen readers. The values
// are read once when the window opens; "Speichern …" writes them as CSV
// and PDF, "Drucken" prints the page on the first printer.
#pragma once

#include "widgets/control_tag.h"
#include "refuellings/refuelling_page.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTableWidget;

namespace lumo {

class RefuellingChart;

class RefuellingDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids (dynamic property "controlId" of each control).
    enum ControlId {
        kIdOk = 1,  // "Schliessen"
        kIdHeader = 1101,
        kIdChartLeft = 1102,
        kIdTableLeft = 1103,
        kIdChartRight = 1104,
        kIdTableRight = 1105,
        kIdSave = 1106,
        kIdPrint = 1107,
    };
    static const QString kTitle;         // "Mavik - Lumo 05     Betankungen"
    static const QString kDocumentName;  // "Mavik-Gardo Betankungen"

    explicit RefuellingDialog(QWidget* parent = nullptr);

    // Runs the opening once (icon, reading), then the dialog's event loop.
    int exec() override;
    // Reads identification, thresholds and records through the session and
    // the station name from the station file, and shows them. Returns 0 or
    // the status of the failed read (the link has shown its message).
    int32_t ReadValues();
    // "Speichern …": asks for a file name and writes <name>.csv and
    // <name>.pdf. True when both were written.
    bool OnSave();
    // "Drucken": the page on the first printer.
    void OnPrint();

    // Shows a report (what ReadValues read).
    void setReport(const RefuellingReport& report);
    const RefuellingReport& report() const { return report_; }

    QWidget* control(int id) const { return FindControl(this, id); }

private:
    void buildControls();
    void showSide(Side side);

    RefuellingReport report_;
    bool opened_ = false;

    QLabel* header_ = nullptr;
    RefuellingChart* chartLeft_ = nullptr;
    RefuellingChart* chartRight_ = nullptr;
    QTableWidget* tableLeft_ = nullptr;
    QTableWidget* tableRight_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

// The CSV file of the export: a UTF-8 byte order mark (spreadsheet programs
// then read the umlauts right), the header and the rows of the left side,
// then those of the right side.
QByteArray RefuellingCsvFile(const RefuellingReport& report);

}  // namespace lumo
