#include "station/pump_record.h"

#include "core/ui_seam.h"
#include "station/mdb_reader.h"

#include <QCoreApplication>
#include <QDir>

#include <memory>

namespace lumo {

namespace {

constexpr int kTypeColumn = 10;
constexpr int kLastDiagnosisColumn = 2 * PumpRecord::kEntryCount;  // 32

void showDatabaseMessage(const QString& text, MsgIcon icon)
{
    Message m;
    m.text = text;
    m.caption = kDatabaseErrorCaption;
    m.icon = icon;
    m.buttons = MsgButtons::Ok;
    m.modality = Modality::Application;
    ui().showMessage(m);
}

// One table of one database file, opened for a lookup, with the position of
// its key column.
struct OpenTable {
    std::unique_ptr<mdb::Database> database;
    std::unique_ptr<mdb::Table> table;  // declared after database: closed first
    int keyColumn = -1;
};

// Opens the file and finds the table and its key column. On failure shows
// the message (a file that does not open: the stop icon; a table or column
// the file lacks: the exclamation icon) and returns false.
bool openTable(const QString& path, const QString& tableName, const QString& keyName, OpenTable& out)
{
    out.database = mdb::Database::open(path);
    if (!out.database) {
        showDatabaseMessage(kDatabaseOpenError, MsgIcon::Stop);
        return false;
    }
    QString error;
    out.table = out.database->table(tableName, &error);
    if (!out.table) {
        showDatabaseMessage(error, MsgIcon::Warning);
        return false;
    }
    out.keyColumn = out.table->findColumn(keyName);
    if (out.keyColumn < 0) {
        showDatabaseMessage(QStringLiteral("Die Spalte \u201E%1\u201C ist in der Tabelle \u201E%2\u201C der "
                                           "Datenbank \u201E%3\u201C nicht vorhanden.")
                                .arg(keyName, tableName, path),
                            MsgIcon::Warning);
        return false;
    }
    return true;
}

// Moves to the first row whose key column holds exactly `key`. The value is
// compared as text, never put into a query, so quotes or other characters
// in it have no meaning of their own. A null key equals nothing, not even
// the empty text.
bool findFirstRow(mdb::Table& table, int keyColumn, const QString& key)
{
    while (table.next()) {
        if (!table.isNull(keyColumn) && table.text(keyColumn) == key) return true;
    }
    return false;
}

}  // namespace

PumpRecord::PumpRecord(QString databaseDir) : databaseDir_(std::move(databaseDir)) {}

PumpRecord::~PumpRecord() = default;

QString PumpRecord::parameterDatabasePath() const
{
    const QString dir = databaseDir_.isEmpty() ? QCoreApplication::applicationDirPath() : databaseDir_;
    return QDir(dir).filePath(kParameterDatabaseFile);
}

QString PumpRecord::diagnosisDatabasePath() const
{
    const QString dir = databaseDir_.isEmpty() ? QCoreApplication::applicationDirPath() : databaseDir_;
    return QDir(dir).filePath(kDiagnosisDatabaseFile);
}

bool PumpRecord::LookupParameters(const QString& id)
{
    OpenTable params;
    if (!openTable(parameterDatabasePath(), kParameterTable, kParameterKey, params)) return false;
    // The type belongs to this number only: without a matching row (or a
    // row without a type column) it is empty, never a former number's type.
    diagnosisType_.clear();
    if (findFirstRow(*params.table, params.keyColumn, id) && params.table->columnCount() > kTypeColumn)
        diagnosisType_ = params.table->text(kTypeColumn);
    return true;
}

bool PumpRecord::LookupDiagnosis(const QString& id)
{
    // Nothing of an earlier lookup may stand beside this one's results.
    for (Entry& e : entries_) {
        e.text.clear();
        e.level = kNoLevel;
    }
    if (!LookupParameters(id)) return false;

    OpenTable diagnosis;
    if (!openTable(diagnosisDatabasePath(), kDiagnosisTable, kDiagnosisKey, diagnosis)) return false;
    mdb::Table& table = *diagnosis.table;
    if (!findFirstRow(table, diagnosis.keyColumn, diagnosisType_)) return true;

    for (int i = 1; i < table.columnCount() && i <= kLastDiagnosisColumn; ++i) {
        const QString value = table.text(i);
        if (i % 2 == 1)
            entries_[std::size_t((i - 1) / 2)].level = value == QLatin1String("1") ? 1 : 0;
        else
            entries_[std::size_t((i - 2) / 2)].text = value;
    }
    return true;
}

}  // namespace lumo
