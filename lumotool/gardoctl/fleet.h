// gardoctl over a fleet of dispensers: the list file (--ports-from), the
// run over all dispensers, one after another in this process or up to
// --jobs at once in child processes of gardoctl (the serial library holds
// one port per process), the output in the order of the list whatever
// order they finish in, the JSON Lines records, the summary on standard
// error, and the list of the machine's ports (--list-ports).
#pragma once

#include "gardoctl/commands.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace gardoctl {

class TerminalUi;

// Reads a list of dispensers: one "PORT [LABEL]" a line, PORT as --port
// takes it, LABEL the rest of the line; blank lines and lines starting with
// "#" are skipped. name "-" reads standard input. Appends to ports and
// labels (one label per port, empty for none). On a missing or unreadable
// file or a line that is no port returns false with the file (and line) in
// *error.
bool ReadPortList(const QString& name, QStringList* ports, QStringList* labels, QString* error);

// Whether a port text (after PortText) names a port: COMn (any case, an
// optional ":"), a device path (holding a "/"), or a URL ("scheme://...").
bool IsPortText(const QString& port);

// A moment as ISO 8601 local time with the offset: 2026-12-09T02:30:00+01:00.
QString IsoTime(const QDateTime& time);

// The JSON Lines record of one dispenser: "format" 1, "port", "label" (when
// given), "ident" (when read), "time", "ok", the values, and "error" on
// failure.
QJsonObject RecordJson(const QString& port, const QString& label, const PortResult& result);

// Runs the command on every port of the options and prints the results in
// list order, then the summary when there were several. Returns the worst
// exit code. arguments: gardoctl's own arguments (without the program
// name), handed on to the child processes.
int RunFleet(const Options& options, TerminalUi& ui, const QStringList& arguments);

// --list-ports: what the port dialog lists, opening nothing. Text or JSON
// Lines on standard output.
int ListPorts(bool json);

}  // namespace gardoctl
