// What the two Access databases on the PC say about one controller: its
// diagnosis type from "Saeulenparameter.mdb", and for that type, from
// "Fehlerdiagnose.mdb", the text and the level (state) of each of the
// controller's eight inputs I1..I8 and eight outputs Q1..Q8.
//
// Tables and columns relied on (columns by position, 0 = first, never read):
//   "Saeulenparameter": key column "ID-Nummer" (the ten-digit number);
//                       column 10 is the diagnosis type.
//   "Fehlerdiagnose":   key column "Diag-Typ"; entry k (0 = I1 .. 15 = Q8)
//                       has its level in column 2k+1, its text in 2k+2.
// The first row whose key column holds exactly the searched text is used;
// a row whose key is null matches nothing.
#pragma once

#include <QString>

#include <array>

namespace lumo {

class PumpRecord {
public:
    static constexpr int kEntryCount = 16;  // I1..I8, then Q1..Q8
    // Level of an entry no diagnosis row has set: equal to no input or
    // output state, so such an entry never shows as a diagnosis.
    static constexpr int kNoLevel = -1;

    struct Entry {
        QString text;
        int level = kNoLevel;  // 0 or 1 once a diagnosis row set it
    };

    // databaseDir: the folder of the two files; empty means the program's
    // own folder.
    explicit PumpRecord(QString databaseDir = {});
    virtual ~PumpRecord();

    // Looks up the diagnosis type of the controller with this ten-digit
    // identification number. True when the parameter database was read
    // (whether or not it holds the number); false after a message box.
    bool LookupParameters(const QString& id);
    // Looks up the diagnosis type, then the sixteen entries of that type.
    // True when both databases were read; false after a message box.
    bool LookupDiagnosis(const QString& id);

    const QString& diagnosisType() const { return diagnosisType_; }
    const Entry& entry(int k) const { return entries_.at(std::size_t(k)); }
    const std::array<Entry, kEntryCount>& entries() const { return entries_; }

    // Full paths of the two files.
    QString parameterDatabasePath() const;
    QString diagnosisDatabasePath() const;

private:
    QString databaseDir_;
    QString diagnosisType_;
    std::array<Entry, kEntryCount> entries_;
};

// File, table and key column names.
inline const QString kParameterDatabaseFile = QStringLiteral("Saeulenparameter.mdb");
inline const QString kParameterTable = QStringLiteral("Saeulenparameter");
inline const QString kParameterKey = QStringLiteral("ID-Nummer");
inline const QString kDiagnosisDatabaseFile = QStringLiteral("Fehlerdiagnose.mdb");
inline const QString kDiagnosisTable = QStringLiteral("Fehlerdiagnose");
inline const QString kDiagnosisKey = QStringLiteral("Diag-Typ");

// Message for a database file that does not open, and the caption of every
// database message.
inline const QString kDatabaseOpenError = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PumpRecord", "Datenbank konnte nicht geöffnet werden!"));
inline const QString kDatabaseErrorCaption = QStringLiteral(QT_TRANSLATE_NOOP("lumo::PumpRecord", "Datenbank-Fehler"));

}  // namespace lumo
