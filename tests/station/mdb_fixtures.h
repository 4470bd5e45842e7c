// The database files the lookup tests read, as data for the Jet 4 writer.
// Every fixture is listed in AllFixtures(), whose files a test checks with
// mdbtools' own programs, so that a fault of the writer cannot hide a fault
// of the reader.
#pragma once

#include "jet4_writer.h"

#include <QString>

#include <string>
#include <vector>

namespace lumo::test {

using jet4::Cell;
using jet4::Column;
using jet4::ColumnType;

// "Saeulenparameter" with the key in column 0 and the type in column 10;
// each row is {id, type}, the columns between get filler values.
jet4::Table ParameterTable(const std::vector<std::pair<Cell, Cell>>& rows, int columnCount = 11);

// "Fehlerdiagnose": "Diag-Typ", then per entry a Text level column and a
// Text explanation column (33 columns in all).
jet4::Table DiagnosisTable(const std::vector<std::vector<Cell>>& rows);

// One diagnosis row: key, then the 32 values as given (missing ones null).
std::vector<Cell> DiagnosisRow(Cell key, std::vector<Cell> values);

// A diagnosis row whose entry k has level text `level` and text
// "<prefix> k".
std::vector<Cell> UniformDiagnosisRow(Cell key, const std::string& level, const std::string& prefix);

struct NamedFixture {
    std::string name;
    jet4::Database db;
};

// Parameter and diagnosis databases used by the lookup tests.
jet4::Database StandardParameters();
jet4::Database StandardDiagnosis();
// A parameter table of ten columns only (no type column).
jet4::Database TenColumnParameters();
// A parameter table whose type column holds numbers.
jet4::Database NumericTypeParameters();
// A diagnosis table that holds a row with an empty (not null) type.
jet4::Database DiagnosisWithEmptyKey();
// A short diagnosis table with number and Yes/No columns (I1 to I3 only).
jet4::Database TypedDiagnosis();
// A diagnosis table with columns beyond the 32 read.
jet4::Database WideDiagnosis();
// Files that lack the looked-up table, or the table's key column.
jet4::Database WithoutParameterTable();
jet4::Database WithoutKeyColumn();
// A table of every supported type with nulls, umlauts and many rows.
jet4::Database MixedTypes(int rowCount);

std::vector<NamedFixture> AllFixtures();

// Writes a fixture; fails the current test when it cannot.
void WriteFixture(const QString& path, const jet4::Database& db);

}  // namespace lumo::test
