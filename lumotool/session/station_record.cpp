#include "session/station_record.h"

#include "records/station_database.h"

namespace lumo::session {

namespace {

void append(StationDatabase& db, const QString& id, const StationRecord& r)
{
    db.AppendRecord(id, r.zsBj, r.zsMarke, r.tankstelle, r.ort, r.plz, r.strasse, r.zsType, r.lZsNr, r.rZsNr,
                    r.diagTyp);
}

}  // namespace

QString StationNameOf(const QString& id)
{
    StationDatabase db;
    if (id.isEmpty() || !db.FileExists() || !db.LoadRecord(id)) return {};
    return db.ReadTankstelle();
}

StationRecordLoad LoadStationRecord(const QString& id, const StationRecord& forNewRecord)
{
    StationDatabase db;
    db.LoadRecord(id);
    StationRecordLoad load;
    if (db.RecordText().isEmpty()) {
        append(db, id, forNewRecord);
        load.record = forNewRecord;
        return load;
    }
    load.found = true;
    StationRecord& r = load.record;
    r.tankstelle = db.ReadTankstelle();
    r.strasse = db.ReadStrasse();
    r.plz = db.ReadPlz();
    r.ort = db.ReadOrt();
    r.zsMarke = db.ReadZsMarke();
    r.zsType = db.ReadZsType();
    r.zsBj = db.ReadZsBj();
    r.lZsNr = db.ReadLZsNr();
    r.rZsNr = db.ReadRZsNr();
    r.diagTyp = db.ReadDiagTyp();
    return load;
}

StationRecordSaved SaveStationRecord(const QString& id, const StationRecord& r, QString* filePath)
{
    StationDatabase db;
    if (filePath) *filePath = db.filePath();
    db.LoadRecord(id);
    if (db.RecordText().isEmpty()) {
        append(db, id, r);
        return StationRecordSaved::Appended;
    }
    if (!db.RecordIsComplete()) return StationRecordSaved::Damaged;
    StationDatabase::Changes changes(db);
    db.WriteZsBj(r.zsBj);
    db.WriteZsMarke(r.zsMarke);
    db.WriteTankstelle(r.tankstelle);
    db.WriteOrt(r.ort);
    db.WritePlz(r.plz);
    db.WriteStrasse(r.strasse);
    db.WriteZsType(r.zsType);
    db.WriteLZsNr(r.lZsNr);
    db.WriteRZsNr(r.rZsNr);
    db.WriteDiagTyp(r.diagTyp);
    return StationRecordSaved::Changed;
}

}  // namespace lumo::session
