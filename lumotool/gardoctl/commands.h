// gardoctl's commands: the command line taken apart into one Command, and
// the run of that command on one port through the session steps the
// dialogs use. Each port gives one result object; main() prints it.
#pragma once

#include "core/device_map.h"
#include "core/language.h"
#include "gardoctl/system_path.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace gardoctl {

// Exit codes; with several ports the highest one wins.
enum Exit : int {
    kExitOk = 0,
    kExitDevice = 1,  // the controller answered with an error or not at all
    kExitUsage = 2,
    kExitPort = 3,    // the port could not be opened
};

enum class Verb { Ident, Status, Clock, ClockSet, Counter, ErrorTime, Calibration, Logs, Counters, Records, Start, Stop };
enum class CounterOp { Count, Set, Reset };

struct Command {
    Verb verb = Verb::Status;
    lumo::Side side = lumo::Side::Left;
    // counter
    CounterOp counterOp = CounterOp::Count;
    uint16_t counterValue = 0;
    // errortime
    lumo::ErrorTime errorTime;
    // calibration
    uint32_t petrol = 0;
    uint32_t gas = 0;
    // clock set: the value, or "now" taken per port when it is written
    std::optional<lumo::ClockValue> clock;
    std::optional<int> weekday;  // 0 = "Mo"; with "now" only through the date
    // logs and records: the sides asked for (--side)
    bool logLeft = true;
    bool logRight = true;
    QString outDir;  // empty: "Log" below the current directory (DecodeArgument)
};

struct Options {
    QStringList ports;
    QStringList labels;  // one per port (--ports-from), empty for none
    int jobs = 1;        // dispensers served at once, each in a child process
    bool listPorts = false;
    bool child = false;  // run as the child of a --jobs run: one port, result as a record
    int baud = 4800;
    int waitMs = 0;  // 0: the serial library's own byte wait
    QByteArray trace;  // the file as the system names it (SystemPath)
    bool json = false;
    bool csv = false;  // records and values as ';'-separated lines
    bool yes = false;
    bool help = false;
    bool version = false;
    // --language de|en: the language of the messages passed on from the
    // session steps, instead of the desktop's.
    std::optional<lumo::Language> language;
    Command command;
    // --port texts left out as naming a dispenser given before: {text, first}.
    QList<QPair<QString, QString>> sameAs;
};

// Takes the arguments apart (without the program name). On a usage error
// returns false with the reason in *error.
bool ParseArguments(const QStringList& arguments, Options* options, QString* error);

// The usage text for --help.
QString UsageText();

struct PortResult {
    QJsonObject data;  // the values, with "port"; "error" on failure
    int exit = kExitOk;
    QString message;   // for standard error, empty on success
    QStringList csv;   // records: the CSV lines (without the header)
    QString ident;     // the identification number, when it was read
    QDateTime time;    // when the controller was read (after the probe)
};

// Opens the port, probes the controller, runs the command and closes the
// port again. The UI seam must be the terminal one (messages it collects
// become the result's message).
PortResult RunOnPort(const Options& options, const QString& port);

// The result as "key=value" lines, nested keys joined with ".".
QStringList PlainLines(const QJsonObject& data);

// "COM3:" for "3", "COM3:" for "COM3", "/dev/ttyUSB0:" for "/dev/ttyUSB0":
// the port text the serial library takes, a ":" behind the device name.
QString PortText(const QString& argument);

// One text for every port text that reaches the same device.
QString SameDispenserKey(const QString& portText);

// Name of a status code from the protocol or serial library headers
// ("GARDO_REJECTED", "SERLINK_E_READ_TIMEOUT"), or the number.
QString StatusName(int32_t status);

// "left" or "right": a side's key in the output.
QString SideKey(lumo::Side side);

}  // namespace gardoctl
