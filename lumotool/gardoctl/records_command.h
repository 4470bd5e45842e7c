// gardoctl records: the fourteen refuelling records of the sides asked
// for, with the error thresholds, as JSON values and as the CSV lines of
// the refuellings window's export; and the CSV form of the other commands'
// values (key;value). Qt Core only.
#pragma once

#include "core/device_link.h"
#include "records/refuelling_rows.h"

#include <QJsonObject>
#include <QStringList>

namespace gardoctl {

// One record as gardoctl prints it: side, row, liquidMl, gasMl,
// ratioPercent (null when the liquid volume is 0), time (ISO 8601, null
// when no valid date and time), outputs {GNL, GEL, ZPFr, ZVSp}, empty.
QJsonObject RefuellingJson(const lumo::RefuellingRow& row);

// Reads the thresholds and the records of the sides asked for into
// out["records"] and out["errorThresholdPercent"], and their CSV lines into
// *csv. 0 or the status of the failed read.
int32_t RunRecords(lumo::DeviceLink& link, bool left, bool right, QJsonObject& out, QStringList* csv);

// The CSV header of a command: the records' columns, or "Schlüssel;Wert".
QString CsvHeader(bool records);
// A cell: as it is, or in double quotes (doubled inside) when it holds the
// separator, a quote or a line end.
QString CsvCell(QString text);
// key;value lines from "key=value" lines, decimal points as commas.
QStringList CsvFromPlainLines(const QStringList& plainLines);

}  // namespace gardoctl
