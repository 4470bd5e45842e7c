// The lumo-mdb helper's answer to one lookup ("the first row of this table
// whose key column holds exactly this text"), and the framed form in which
// it travels on the helper's standard output:
//
//   lumo-mdb 1\n              header
//   row N\n                   outcome: "row N", "none", "not-opened",
//                             "no-table", "unreadable-table", "no-key-column"
//   t LEN\n<LEN bytes>\n      N values (row only), in column order:
//   n\n                       a text of LEN bytes (UTF-8), or null
//   end\n                     and nothing behind it
//
// Decoding is strict: anything else (a cut, a crash half-way, stray output)
// is no answer at all. Plain C++, shared by the helper and the program.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::mdbrow {

enum class Outcome {
    Row,             // the first matching row
    NoRow,           // the table holds no matching row
    NotOpened,       // the file is no regular file or no database libmdb opens
    NoTable,         // the database has no table of that name
    UnreadableTable, // the table's columns cannot be read
    NoKeyColumn,     // the table has no column of the key's name
};

struct Answer {
    Outcome outcome = Outcome::NotOpened;
    // Row only: every column of the row, nullopt for a null value.
    std::vector<std::optional<std::string>> values;
};

std::string Encode(const Answer& answer);
std::optional<Answer> Decode(std::string_view framed);

}  // namespace lumo::mdbrow
