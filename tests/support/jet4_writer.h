// Writes small Jet 4 database files (.mdb) for tests: user tables with Text,
// Long Integer and Yes/No columns, null values and any text of the Basic
// Multilingual Plane. The files hold exactly what mdbtools' libmdb needs to
// list the tables, their columns in order and every row in the order given;
// they carry no indexes, no system tables beyond the catalog and no
// property data, so the Access engine itself would not open them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumo::test::jet4 {

enum class ColumnType { Text, Long, YesNo };

struct Column {
    std::string name;  // UTF-8
    ColumnType type = ColumnType::Text;
    int maxChars = 255;  // Text only: 1..255
};

// One value of a row. A default-constructed cell is NULL; a Yes/No column
// cannot hold NULL (the format keeps its value in the null mask).
struct Cell {
    enum class Kind { Null, Text, Long, YesNo };
    Kind kind = Kind::Null;
    std::string text;  // UTF-8
    std::int32_t number = 0;
    bool flag = false;

    Cell() = default;
    Cell(const char* s) : kind(Kind::Text), text(s) {}
    Cell(std::string s) : kind(Kind::Text), text(std::move(s)) {}
    Cell(std::int32_t n) : kind(Kind::Long), number(n) {}
    Cell(bool b) : kind(Kind::YesNo), flag(b) {}
};

struct Table {
    std::string name;  // UTF-8
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
};

struct Database {
    std::vector<Table> tables;  // listed in this order
};

// The file's bytes. Throws std::invalid_argument when the database cannot
// be written (a cell that does not fit its column, a row or table
// definition larger than a page, a text outside the BMP, ...).
std::vector<std::uint8_t> Build(const Database& db);

// Builds and writes the file; false with a reason in *error on failure.
bool Write(const std::string& path, const Database& db, std::string* error = nullptr);

}  // namespace lumo::test::jet4
