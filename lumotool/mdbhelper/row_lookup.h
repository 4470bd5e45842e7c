// The lookup the lumo-mdb helper performs: in one table of one database
// file, the first row whose key column holds exactly the searched text.
#pragma once

#include "mdbhelper/row_answer.h"

#include <string>

namespace lumo::mdbrow {

// Rows are visited in stored order. The key is compared as text, never put
// into a query, so quotes or other characters in it have no meaning of their
// own; a null key equals nothing, not even the empty text. Table and key
// column names are compared without regard to case.
Answer LookUpRow(const std::string& path, const std::string& table, const std::string& keyColumn,
                 const std::string& key);

}  // namespace lumo::mdbrow
