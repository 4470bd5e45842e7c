// Reading one row of an Access database through the helper program
// lumo-mdb. libmdb trusts the files it reads, and a damaged one can crash it
// or make it loop; the helper runs it in a process of its own with a time
// limit, so that such a file becomes a failed lookup with a message text,
// never a crash or a hang of the program.
//
// The helper is found as: the environment variable LUMO_MDB_HELPER when it
// is set, else "lumo-mdb" beside the program's executable, else (installed
// builds) in the folder LUMO_LIBEXECDIR.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace lumo::mdb {

// The helper's time limit for one lookup.
inline constexpr int kHelperTimeoutMs = 5000;

struct RowLookup {
    enum class Status {
        Found,      // values hold the row
        NoMatch,    // the table holds no row with that key
        NotOpened,  // no regular file, or not a database libmdb opens
        Failed,     // error holds a German description of the failure
    };
    Status status = Status::NotOpened;
    // Found only: every column of the row in table order, nullopt for null.
    std::vector<std::optional<QString>> values;
    QString error;

    // The value of a column as text: a null value, or a column beyond the
    // row, is the empty text.
    QString text(int column) const;
    int columnCount() const { return int(values.size()); }
};

// Path of the helper program (see the top of the file).
QString HelperProgram();

// The first row of the table whose key column holds exactly key (compared
// as text; a null key matches nothing). Table and column names are compared
// without regard to case.
RowLookup LookUpRow(const QString& path, const QString& table, const QString& keyColumn,
                    const QString& key, int timeoutMs = kHelperTimeoutMs);

}  // namespace lumo::mdb
