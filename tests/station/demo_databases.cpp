#include "demo_databases.h"

#include <string>

namespace lumo::test {

namespace {

using jet4::Cell;
using jet4::ColumnType;

struct Station {
    const char* id;
    const char* tankstelle;
    const char* strasse;
    const char* plz;
    const char* ort;
    const char* marke;
    const char* type;
    const char* baujahr;
    std::int32_t left;
    std::int32_t right;
    const char* diagTyp;
};

const Station kStations[] = {
    {kDemoIdent, "Autohof Mittelfranken", "Industriestraße 12", "91126", "Schwabach", "Zapftec",
     "ZT 2000 Duo", "2004", 1, 2, "1"},
    {"0000815001", "Tankstelle am Ring", "Ringstraße 5", "50667", "Köln", "Zapftec", "ZT 1800",
     "1998", 3, 4, "2"},
    {"0002004711", "Rasthof Süd", "An der B 27 Nr. 3", "72074", "Tübingen", "Nordwerk",
     "NW Euroline", "2001", 5, 6, "1"},
    {"0003141592", "Freie Tankstelle Jürgens", "Hauptstraße 101", "26122", "Oldenburg",
     "Nordwerk", "NW Compact", "1999", 1, 2, "2"},
};

struct Entry {
    int level;
    const char* text;  // "%s" stands for "links" or "rechts"
};

// I1..I4 and Q1..Q4 of one side; the right side uses the same texts.
const Entry kType1[8] = {
    {1, "Zapfventil %s ausgehängt: Tankvorgang läuft"},
    {0, "Keine Impulse vom Flüssigkeitsgeber %s: Geber und Zuleitung prüfen"},
    {0, "Keine Impulse vom Gas-Geber %s: Gaszähler und Zuleitung prüfen"},
    {1, "Benzin-Geber %s meldet Flüssigkeit in der Gasrückführung: Schlauch und Abscheider prüfen"},
    {0, "Gasrückführpumpe %s nicht eingeschaltet: Sicherung und Relais prüfen"},
    {1, "Proportionalventil %s voll geöffnet: Regelung am Anschlag, Ventil auf Verschmutzung prüfen"},
    {1, "Störmeldung %s an die Kasse gemeldet"},
    {0, "Freigabe der Zapfsäule %s fehlt"},
};

const Entry kType2[8] = {
    {1, "Zapfventil %s ausgehängt: Tankvorgang läuft"},
    {0, "Flüssigkeitsgeber %s ohne Signal: Impulsgeber tauschen"},
    {0, "Gas-Geber %s ohne Signal: Gaszähler auf Blockade prüfen"},
    {1, "Benzin-Geber %s ausgelöst: Kondensat in der Gasleitung"},
    {0, "Vakuumpumpe %s steht: Motorschutzschalter prüfen"},
    {1, "Motorventil %s offen"},
    {1, "Sammelstörung %s aktiv"},
    {0, "Reserveausgang %s: nicht belegt"},
};

std::string sideText(const char* text, bool right)
{
    std::string s = text;
    const auto at = s.find("%s");
    if (at != std::string::npos) s.replace(at, 2, right ? "rechts" : "links");
    return s;
}

std::vector<Cell> diagnosisRow(const char* type, const Entry (&side)[8])
{
    std::vector<Cell> row{Cell(type)};
    // Entries in the order I1..I8, Q1..Q8: inputs of both sides, then outputs.
    for (int group = 0; group < 2; ++group) {
        for (int right = 0; right < 2; ++right) {
            for (int i = 0; i < 4; ++i) {
                const Entry& e = side[group * 4 + i];
                row.push_back(Cell(std::int32_t(e.level)));
                row.push_back(Cell(sideText(e.text, right == 1)));
            }
        }
    }
    return row;
}

}  // namespace

jet4::Database DemoParameterDatabase()
{
    jet4::Table t;
    t.name = "Saeulenparameter";
    t.columns = {{"ID-Nummer", ColumnType::Text, 10}, {"Tankstelle", ColumnType::Text, 80},
                 {"Strasse", ColumnType::Text, 80},   {"PLZ", ColumnType::Text, 10},
                 {"Ort", ColumnType::Text, 60},       {"ZS-Marke", ColumnType::Text, 40},
                 {"ZS-Type", ColumnType::Text, 40},   {"ZS-Bj", ColumnType::Text, 4},
                 {"L-ZS-Nr", ColumnType::Long},       {"R-ZS-Nr", ColumnType::Long},
                 {"Diag-Typ", ColumnType::Text, 10}};
    for (const Station& s : kStations) {
        t.rows.push_back({s.id, s.tankstelle, s.strasse, s.plz, s.ort, s.marke, s.type, s.baujahr,
                          Cell(s.left), Cell(s.right), s.diagTyp});
    }
    jet4::Database db;
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database DemoDiagnosisDatabase()
{
    jet4::Table t;
    t.name = "Fehlerdiagnose";
    t.columns.push_back({"Diag-Typ", ColumnType::Text, 10});
    for (int k = 0; k < 16; ++k) {
        const std::string label = (k < 8 ? "I" : "Q") + std::to_string(k % 8 + 1);
        t.columns.push_back({label + "-Zustand", ColumnType::Long});
        t.columns.push_back({label + "-Diagnose", ColumnType::Text, 255});
    }
    t.rows.push_back(diagnosisRow("1", kType1));
    t.rows.push_back(diagnosisRow("2", kType2));
    jet4::Database db;
    db.tables.push_back(std::move(t));
    return db;
}

}  // namespace lumo::test
