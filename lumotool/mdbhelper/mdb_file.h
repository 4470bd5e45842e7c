// Read access to Access (Jet) database files through mdbtools' libmdb:
// open a file, find a table by name, read its columns in the order the table
// defines them, and walk its rows with every value as text.
//
// Values as text (UTF-8): a text value comes unchanged; a null value is the
// empty text; numbers and dates come as libmdb renders them (decimal
// numbers, dates in the C library's "%x %X" form of the current locale); a
// Yes/No value is "TRUE" or "FALSE".
//
// libmdb trusts the file: a damaged one can crash it or make it loop. This
// code therefore runs only in the lumo-mdb helper process (and the fuzz
// target), never inside the program.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace lumo::mdb {

class Table;

// Whether the path names a regular file (after following links). Anything
// else (a folder, a FIFO, a device) could block or fail inside libmdb.
bool IsRegularFile(const std::string& path);

class Database {
public:
    // Opens a regular file for reading; nullptr when it is no regular file
    // or libmdb cannot open it (missing, unreadable, not a Jet database).
    static std::unique_ptr<Database> open(const std::string& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Names of the user tables in catalog order (system tables left out).
    std::vector<std::string> tableNames() const;

    enum class TableError { None, Missing, Unreadable };
    // The table of that name (compared without regard to ASCII case, as the
    // database does); nullptr with the reason in *error when the database
    // has no such table or its columns cannot be read. The table must not
    // outlive this object.
    std::unique_ptr<Table> table(const std::string& name, TableError* error = nullptr);

private:
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

class Table {
public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::string& name() const { return name_; }
    int columnCount() const;
    std::vector<std::string> columnNames() const;
    // libmdb's name of the column's type ("Text", "Long Integer", "Boolean").
    std::string columnTypeName(int column) const;
    // Index of the named column (without regard to case), -1 when absent.
    int findColumn(const std::string& name) const;

    // Starts again before the first row.
    void rewind();
    // Moves to the next row in stored order; false after the last one.
    bool next();
    // Value of a column of the current row as text (see the top of the file).
    std::string text(int column) const;
    // Whether the value is null. A Yes/No value is never null.
    bool isNull(int column) const;

private:
    friend class Database;
    struct Impl;
    explicit Table(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    std::string name_;
};

}  // namespace lumo::mdb
