// The station record step: the station file's record of one controller,
// shown and changed by the pump parameter dialog. A controller seen for the
// first time gets an empty record; a damaged record (one without its
// "Diag-Typ" key or closing "]") is shown but never changed; a save writes
// the file once.
#pragma once

#include <QString>

namespace lumo::session {

struct StationRecord {
    QString tankstelle, strasse, plz, ort, zsMarke, zsType, zsBj, lZsNr, rZsNr;
    QString diagTyp;  // "1" or "2"; empty when the record has none
};

// Looks up the record of id (a message when the file cannot be read). Found
// is false for a controller without a record, which then gets one with the
// values given (the dialog's empty fields, diagnosis type "2").
struct StationRecordLoad {
    bool found = false;
    StationRecord record;
};
StationRecordLoad LoadStationRecord(const QString& id, const StationRecord& forNewRecord);

// The station name in the record of id; empty when there is none, and
// without a message when there is no station file at all.
QString StationNameOf(const QString& id);

enum class StationRecordSaved {
    Changed,   // the record's fields were replaced
    Appended,  // the record had gone (file removed or replaced): written anew
    Damaged,   // the record has no known end and was left as it is
};
// Saves the values as the record of id, writing the file once. *filePath
// gets the station file's path (for a message).
StationRecordSaved SaveStationRecord(const QString& id, const StationRecord& record, QString* filePath = nullptr);

}  // namespace lumo::session
