#include "mdb_fixtures.h"

#include "demo_databases.h"

#include <gtest/gtest.h>

#include <QFile>

namespace lumo::test {

jet4::Table ParameterTable(const std::vector<std::pair<Cell, Cell>>& rows, int columnCount)
{
    jet4::Table t;
    t.name = "Saeulenparameter";
    t.columns.push_back({"ID-Nummer", ColumnType::Text, 10});
    const char* names[] = {"Tankstelle", "Strasse", "PLZ", "Ort", "ZS-Marke",
                           "ZS-Type", "ZS-Bj", "Bemerkung", "Zapfpunkte", "Diag-Typ"};
    for (int c = 1; c < columnCount; ++c) {
        if (c == 9)
            t.columns.push_back({names[c - 1], ColumnType::Long});
        else
            t.columns.push_back({c <= 10 ? names[c - 1] : "Extra" + std::to_string(c), ColumnType::Text, 50});
    }
    for (const auto& [id, type] : rows) {
        std::vector<Cell> row{id};
        for (int c = 1; c < columnCount; ++c) {
            if (c == 10)
                row.push_back(type);
            else if (c == 9)
                row.push_back(Cell(std::int32_t(4)));
            else
                row.push_back(Cell("Füllwert " + std::to_string(c)));
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

jet4::Table DiagnosisTable(const std::vector<std::vector<Cell>>& rows)
{
    jet4::Table t;
    t.name = "Fehlerdiagnose";
    t.columns.push_back({"Diag-Typ", ColumnType::Text, 10});
    for (int k = 0; k < 16; ++k) {
        const std::string label = (k < 8 ? "I" : "Q") + std::to_string(k % 8 + 1);
        t.columns.push_back({label + "-Pegel", ColumnType::Text, 5});
        t.columns.push_back({label + "-Text", ColumnType::Text, 255});
    }
    t.rows = rows;
    return t;
}

std::vector<Cell> DiagnosisRow(Cell key, std::vector<Cell> values)
{
    std::vector<Cell> row{std::move(key)};
    values.resize(32);
    row.insert(row.end(), values.begin(), values.end());
    return row;
}

std::vector<Cell> UniformDiagnosisRow(Cell key, const std::string& level, const std::string& prefix)
{
    std::vector<Cell> values;
    for (int k = 0; k < 16; ++k) {
        values.push_back(Cell(level));
        values.push_back(Cell(prefix + " " + std::to_string(k)));
    }
    return DiagnosisRow(std::move(key), values);
}

jet4::Database StandardParameters()
{
    jet4::Database db;
    db.tables.push_back(ParameterTable({
        {Cell(), "7"},  // a row without a number matches nothing
        {"0000000001", "1"},
        {"0000000002", "2"},
        {"0000000003", "2"},
        {"0000000003", "1"},  // same number again: never used
        {"12'34", "x'y"},
        {"0000000004", Cell()},
    }));
    return db;
}

jet4::Database StandardDiagnosis()
{
    jet4::Database db;
    jet4::Table t = DiagnosisTable({
        UniformDiagnosisRow(Cell(), "1", "Ohne Typ"),  // a null key equals no type at all
        UniformDiagnosisRow("1", "1", "Typ 1"),
        UniformDiagnosisRow("2", "0", "Typ 2 erste Zeile"),
        UniformDiagnosisRow("2", "1", "Typ 2 zweite Zeile"),
        UniformDiagnosisRow("x'y", "1", "Anführung"),
        // Level texts that are not exactly "1", and texts with umlauts and nulls.
        DiagnosisRow("L", {"1", Cell(), "01", "Öl-Überlauf ä ö ü ß", "-1", "", "True", "T4",
                           "", "T5", Cell(), "T6", " 1", "T7", "1 ", "T8", "0", "Q1 aus"}),
    });
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database TenColumnParameters()
{
    jet4::Database db;
    db.tables.push_back(ParameterTable({{"0000000001", Cell()}}, 10));
    return db;
}

jet4::Database NumericTypeParameters()
{
    jet4::Database db;
    jet4::Table t = ParameterTable({}, 11);
    t.columns[10] = {"Diag-Typ", ColumnType::Long};
    t.rows.push_back(ParameterTable({{"0000000009", Cell()}}, 11).rows.front());
    t.rows.back()[10] = Cell(std::int32_t(2));
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database DiagnosisWithEmptyKey()
{
    jet4::Database db;
    db.tables.push_back(DiagnosisTable({
        UniformDiagnosisRow(Cell(), "1", "Ohne Typ"),
        UniformDiagnosisRow("1", "1", "Typ 1"),
        UniformDiagnosisRow("", "1", "Leerer Typ"),
    }));
    return db;
}

jet4::Database TypedDiagnosis()
{
    jet4::Table t;
    t.name = "Fehlerdiagnose";
    t.columns = {{"Diag-Typ", ColumnType::Text, 10}, {"I1-Pegel", ColumnType::Long},
                 {"I1-Text", ColumnType::Text, 50},  {"I2-Pegel", ColumnType::YesNo},
                 {"I2-Text", ColumnType::Long},      {"I3-Pegel", ColumnType::YesNo},
                 {"I3-Text", ColumnType::Text, 50}};
    t.rows.push_back({"1", Cell(std::int32_t(1)), "Eins", true, Cell(std::int32_t(42)), false, Cell()});
    t.rows.push_back({"2", Cell(std::int32_t(0)), "Null", false, Cell(), true, "Drei"});
    jet4::Database db;
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database WideDiagnosis()
{
    jet4::Table t = DiagnosisTable({});
    for (int extra = 33; extra < 40; ++extra)
        t.columns.push_back({"Zusatz" + std::to_string(extra), ColumnType::Text, 20});
    std::vector<Cell> row = UniformDiagnosisRow("1", "1", "Breit");
    for (int extra = 33; extra < 40; ++extra) row.push_back(Cell("Zusatz"));
    t.rows.push_back(std::move(row));
    jet4::Database db;
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database WithoutParameterTable()
{
    jet4::Database db;
    jet4::Table other = ParameterTable({{"0000000001", "1"}});
    other.name = "Saeulenparameter_alt";
    db.tables.push_back(std::move(other));
    return db;
}

jet4::Database WithoutKeyColumn()
{
    jet4::Database db;
    jet4::Table t = ParameterTable({{"0000000001", "1"}});
    t.columns[0].name = "Kennung";
    db.tables.push_back(std::move(t));
    return db;
}

jet4::Database MixedTypes(int rowCount)
{
    jet4::Table t;
    t.name = "Gemischt";
    t.columns = {{"Nr", ColumnType::Long},      {"Name", ColumnType::Text, 50},
                 {"Aktiv", ColumnType::YesNo},  {"Größe", ColumnType::Text, 20},
                 {"Zähler", ColumnType::Long}};
    for (int i = 0; i < rowCount; ++i) {
        t.rows.push_back({
            Cell(std::int32_t(i)),
            i % 7 == 0 ? Cell() : Cell("Säule " + std::to_string(i)),
            Cell(i % 2 == 1),
            i % 5 == 0 ? Cell("") : Cell("Ω€ß" + std::to_string(i % 100)),
            i % 3 == 0 ? Cell() : Cell(std::int32_t(-1000 * i)),
        });
    }
    t.rows.push_back({Cell(std::int32_t(-2147483647 - 1)), "ab", false, "ä", Cell(std::int32_t(2147483647))});
    jet4::Database db;
    db.tables.push_back(std::move(t));
    db.tables.push_back(jet4::Table{"Leer", {{"A", ColumnType::Long}}, {}});
    return db;
}

std::vector<NamedFixture> AllFixtures()
{
    std::vector<NamedFixture> all;
    all.push_back({"StandardParameters", StandardParameters()});
    all.push_back({"StandardDiagnosis", StandardDiagnosis()});
    all.push_back({"TenColumnParameters", TenColumnParameters()});
    all.push_back({"NumericTypeParameters", NumericTypeParameters()});
    all.push_back({"DiagnosisWithEmptyKey", DiagnosisWithEmptyKey()});
    all.push_back({"TypedDiagnosis", TypedDiagnosis()});
    all.push_back({"WideDiagnosis", WideDiagnosis()});
    all.push_back({"WithoutParameterTable", WithoutParameterTable()});
    all.push_back({"WithoutKeyColumn", WithoutKeyColumn()});
    all.push_back({"MixedTypes", MixedTypes(3000)});
    all.push_back({"NoTables", jet4::Database{}});
    all.push_back({"DemoParameters", DemoParameterDatabase()});
    all.push_back({"DemoDiagnosis", DemoDiagnosisDatabase()});
    return all;
}

void WriteFixture(const QString& path, const jet4::Database& db)
{
    std::string error;
    if (!jet4::Write(QFile::encodeName(path).toStdString(), db, &error))
        ADD_FAILURE() << "cannot write fixture " << path.toStdString() << ": " << error;
}

}  // namespace lumo::test
