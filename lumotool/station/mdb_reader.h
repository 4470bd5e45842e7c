// Read access to Access (Jet) database files through mdbtools' libmdb:
// open a file, find a table by name, read its columns in the order the table
// defines them, and walk its rows with every value as text.
//
// Values as text: a text value comes unchanged (UTF-8 inside, QString
// here); a null value is the empty text; numbers and dates come as libmdb
// renders them (decimal numbers, dates in the C library's "%x %X" form of
// the current locale); a Yes/No value is "TRUE" or "FALSE".
//
// Nothing here shows anything; failures come back as German texts that the
// caller may show.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace lumo::mdb {

class Table;

class Database {
public:
    // Opens the file for reading; nullptr when libmdb cannot open it
    // (missing, unreadable or not a Jet database).
    static std::unique_ptr<Database> open(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }

    // Names of the user tables in catalog order (system tables left out).
    QStringList tableNames() const;

    // The table of that name (compared without regard to ASCII case, as the
    // database does); nullptr with a German description in *error when the
    // database has no such table or it cannot be read. The table must not
    // outlive this object.
    std::unique_ptr<Table> table(const QString& name, QString* error = nullptr);

private:
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl, QString path);
    std::unique_ptr<Impl> impl_;
    QString path_;
};

class Table {
public:
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& name() const { return name_; }
    int columnCount() const;
    QStringList columnNames() const;
    // libmdb's name of the column's type ("Text", "Long Integer", "Boolean").
    QString columnTypeName(int column) const;
    // Index of the named column (without regard to case), -1 when absent.
    int findColumn(const QString& name) const;

    // Starts again before the first row.
    void rewind();
    // Moves to the next row in stored order; false after the last one.
    bool next();
    // Value of a column of the current row as text (see the top of the file).
    QString text(int column) const;
    // Whether the value is null. A Yes/No value is never null.
    bool isNull(int column) const;

private:
    friend class Database;
    struct Impl;
    explicit Table(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
    QString name_;
};

}  // namespace lumo::mdb
