#include "mdbhelper/row_lookup.h"

#include "mdbhelper/mdb_file.h"

namespace lumo::mdbrow {

Answer LookUpRow(const std::string& path, const std::string& tableName, const std::string& keyColumn,
                 const std::string& key)
{
    Answer answer;
    std::unique_ptr<mdb::Database> database = mdb::Database::open(path);
    if (!database) {
        answer.outcome = Outcome::NotOpened;
        return answer;
    }
    mdb::Database::TableError error = mdb::Database::TableError::None;
    std::unique_ptr<mdb::Table> table = database->table(tableName, &error);
    if (!table) {
        answer.outcome =
            error == mdb::Database::TableError::Missing ? Outcome::NoTable : Outcome::UnreadableTable;
        return answer;
    }
    const int keyIndex = table->findColumn(keyColumn);
    if (keyIndex < 0) {
        answer.outcome = Outcome::NoKeyColumn;
        return answer;
    }
    answer.outcome = Outcome::NoRow;
    while (table->next()) {
        if (table->isNull(keyIndex) || table->text(keyIndex) != key) continue;
        answer.outcome = Outcome::Row;
        for (int c = 0; c < table->columnCount(); ++c) {
            if (table->isNull(c))
                answer.values.emplace_back(std::nullopt);
            else
                answer.values.emplace_back(table->text(c));
        }
        break;
    }
    return answer;
}

}  // namespace lumo::mdbrow
