#include "records/pump_record.h"

#include "core/data_paths.h"
#include "core/language.h"
#include "core/ui_seam.h"
#include "records/mdb_reader.h"

#include <QCoreApplication>
#include <QDir>

#include <optional>

namespace lumo {

namespace {

constexpr int kTypeColumn = 10;
constexpr int kLastDiagnosisColumn = 2 * PumpRecord::kEntryCount;  // 32

void showDatabaseMessage(const QString& text, MsgIcon icon)
{
    Message m;
    m.text = text;
    m.caption = Translated("lumo::PumpRecord", kDatabaseErrorCaption);
    m.icon = icon;
    m.buttons = MsgButtons::Ok;
    m.modality = Modality::Application;
    ui().showMessage(m);
}

// Looks up the first row of the table whose key column holds exactly key
// (lumo-mdb does the reading, see mdb_reader.h). On failure shows the
// message (a file that does not open: the stop icon; anything the database
// layer reports, a damaged file among it: its own text with the exclamation
// icon) and returns nullopt.
std::optional<mdb::RowLookup> lookUp(const QString& path, const QString& table, const QString& keyColumn,
                                     const QString& key)
{
    mdb::RowLookup row = mdb::LookUpRow(path, table, keyColumn, key);
    switch (row.status) {
    case mdb::RowLookup::Status::NotOpened:
        showDatabaseMessage(Translated("lumo::PumpRecord", kDatabaseOpenError), MsgIcon::Stop);
        return std::nullopt;
    case mdb::RowLookup::Status::Failed:
        showDatabaseMessage(row.error, MsgIcon::Warning);
        return std::nullopt;
    case mdb::RowLookup::Status::Found:
    case mdb::RowLookup::Status::NoMatch:
        break;
    }
    return row;
}

}  // namespace

PumpRecord::PumpRecord(QString databaseDir) : databaseDir_(std::move(databaseDir)) {}

PumpRecord::~PumpRecord() = default;

QString PumpRecord::parameterDatabasePath() const
{
    if (databaseDir_.isEmpty()) return FindDataFile(kParameterDatabaseFile);
    return QDir(databaseDir_).filePath(kParameterDatabaseFile);
}

QString PumpRecord::diagnosisDatabasePath() const
{
    if (databaseDir_.isEmpty()) return FindDataFile(kDiagnosisDatabaseFile);
    return QDir(databaseDir_).filePath(kDiagnosisDatabaseFile);
}

bool PumpRecord::LookupParameters(const QString& id)
{
    const std::optional<mdb::RowLookup> row = lookUp(parameterDatabasePath(), kParameterTable, kParameterKey, id);
    if (!row) return false;
    // The type belongs to this number only: without a matching row (or a
    // row without a type column) it is empty, never a former number's type.
    diagnosisType_.clear();
    if (row->columnCount() > kTypeColumn) diagnosisType_ = row->text(kTypeColumn);
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

    const std::optional<mdb::RowLookup> row =
        lookUp(diagnosisDatabasePath(), kDiagnosisTable, kDiagnosisKey, diagnosisType_);
    if (!row) return false;
    // Without a matching row the loop reads nothing.
    for (int i = 1; i < row->columnCount() && i <= kLastDiagnosisColumn; ++i) {
        const QString value = row->text(i);
        if (i % 2 == 1)
            entries_[std::size_t((i - 1) / 2)].level = value == QLatin1String("1") ? 1 : 0;
        else
            entries_[std::size_t((i - 2) / 2)].text = value;
    }
    return true;
}

}  // namespace lumo
