#include "gardoctl/commands.h"

#include "gardoctl/records_command.h"
#include "gardoctl/fleet.h"
#include "gardoctl/system_path.h"
#include "gardoctl/terminal_ui.h"

#include "core/device_link.h"
#include "core/port_info.h"
#include "records/log_text.h"
#include "session/connection.h"
#include "remote_line.h"
#include "session/control_panel.h"
#include "session/log_files.h"
#include "session/reads.h"

#include <status_names.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

#include <functional>
#include <optional>

namespace gardoctl {

using lumo::ClockValue;
using lumo::DeviceLink;
using lumo::Side;
namespace session = lumo::session;

namespace {

// ---- Parsing ------------------------------------------------------------------

constexpr int kClockFirstYear = 2000;
constexpr int kClockLastYear = 2099;

bool parseUnsigned(const QString& text, uint32_t max, uint32_t* value)
{
    bool ok = false;
    const uint32_t v = text.toUInt(&ok, 10);
    if (!ok || v > max) return false;
    *value = v;
    return true;
}

}  // namespace

QString SideKey(Side side)
{
    return side == Side::Left ? QStringLiteral("left") : QStringLiteral("right");
}

namespace {

bool parseSide(const QString& text, Side* side)
{
    if (text == QLatin1String("left")) *side = Side::Left;
    else if (text == QLatin1String("right")) *side = Side::Right;
    else return false;
    return true;
}

// "Mo" .. "So", any case.
std::optional<int> parseWeekday(const QString& text)
{
    const QStringList names = lumo::WeekdayNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return std::nullopt;
}

ClockValue clockOf(const QDate& date, const QTime& time, std::optional<int> weekday)
{
    return session::ClockOf(date, time, weekday.value_or(-1));
}

// The command and its arguments into options->command.
bool parseCommand(const QStringList& words, Options* options, QString* error)
{
    Command& c = options->command;
    auto fail = [error](const QString& text) {
        *error = text;
        return false;
    };
    if (words.isEmpty()) return fail(QStringLiteral("no command given"));
    const QString verb = words[0];
    const QStringList args = words.mid(1);
    auto count = [&](qsizetype n) { return args.size() == n; };

    if (verb == QLatin1String("ident") && count(0)) c.verb = Verb::Ident;
    else if (verb == QLatin1String("status") && count(0)) c.verb = Verb::Status;
    else if (verb == QLatin1String("counters") && count(0)) c.verb = Verb::Counters;
    else if (verb == QLatin1String("start") && count(0)) c.verb = Verb::Start;
    else if (verb == QLatin1String("stop") && count(0)) c.verb = Verb::Stop;
    else if (verb == QLatin1String("logs") && count(0)) c.verb = Verb::Logs;
    else if (verb == QLatin1String("records") && count(0)) c.verb = Verb::Records;
    else if (verb == QLatin1String("clock") && count(0)) c.verb = Verb::Clock;
    else if (verb == QLatin1String("clock") && args.value(0) == QLatin1String("set") && args.size() <= 3) {
        c.verb = Verb::ClockSet;
        if (args.size() >= 3 && !(c.weekday = parseWeekday(args[2])))
            return fail(QStringLiteral("weekday must be one of %1").arg(lumo::WeekdayNames().join(u' ')));
        if (args.size() >= 2 && args[1] != QLatin1String("now")) {
            // Date and time apart: the controller knows no time zone, so a
            // time the PC's zone skips (summer time) is still a valid value.
            const QStringList parts = args[1].split(u'T');
            const QDate date = QDate::fromString(parts.value(0), QStringLiteral("yyyy-MM-dd"));
            const QTime time = QTime::fromString(parts.value(1), QStringLiteral("HH:mm:ss"));
            if (parts.size() != 2 || !date.isValid() || !time.isValid())
                return fail(QStringLiteral("clock set: expected now or YYYY-MM-DDTHH:MM:SS, got %1").arg(args[1]));
            // The controller keeps the year in two digits.
            if (date.year() < kClockFirstYear || date.year() > kClockLastYear)
                return fail(QStringLiteral("clock set: the controller keeps the years %1 to %2, got %3")
                                .arg(kClockFirstYear)
                                .arg(kClockLastYear)
                                .arg(date.year()));
            c.clock = clockOf(date, time, c.weekday);
        }
    } else if (verb == QLatin1String("counter") && args.size() >= 2 && parseSide(args[0], &c.side)) {
        c.verb = Verb::Counter;
        uint32_t v = 0;
        if (args[1] == QLatin1String("count") && args.size() == 2) c.counterOp = CounterOp::Count;
        else if (args[1] == QLatin1String("reset") && args.size() == 2) c.counterOp = CounterOp::Reset;
        else if (args[1] == QLatin1String("set") && args.size() == 3 && parseUnsigned(args[2], lumo::map::kCounterMax, &v)) {
            c.counterOp = CounterOp::Set;
            c.counterValue = uint16_t(v);
        } else {
            return fail(QStringLiteral("counter: expected count, reset or set N with N from 0 to %1")
                            .arg(lumo::map::kCounterMax));
        }
    } else if (verb == QLatin1String("errortime") && count(2) && parseSide(args[0], &c.side)) {
        c.verb = Verb::ErrorTime;
        const auto m = QRegularExpression(QStringLiteral("^(\\d{1,2}):(\\d{1,2})$")).match(args[1]);
        if (!m.hasMatch() || !parseUnsigned(m.captured(1), lumo::map::kErrorTimeHoursMax, &c.errorTime.hours) ||
            !parseUnsigned(m.captured(2), lumo::map::kErrorTimeMinutesMax, &c.errorTime.minutes))
            return fail(QStringLiteral("errortime: expected HH:MM, hours 0 to %1, minutes 0 to %2")
                            .arg(lumo::map::kErrorTimeHoursMax)
                            .arg(lumo::map::kErrorTimeMinutesMax));
    } else if (verb == QLatin1String("calibration") && count(3) && parseSide(args[0], &c.side)) {
        c.verb = Verb::Calibration;
        if (!parseUnsigned(args[1], lumo::map::kCalibrationMax, &c.petrol) ||
            !parseUnsigned(args[2], lumo::map::kCalibrationMax, &c.gas))
            return fail(QStringLiteral("calibration: PETROL and GAS are numbers from 0 to %1")
                            .arg(lumo::map::kCalibrationMax));
        if (!options->yes && !TerminalUi::InteractiveInput())
            return fail(QStringLiteral("calibration stops the controller: give --yes when not run on a terminal"));
    } else {
        return fail(QStringLiteral("unknown command or wrong arguments: %1").arg(words.join(u' ')));
    }
    return true;
}

// ---- Results --------------------------------------------------------------------

void putClock(QJsonObject& o, const ClockValue& c)
{
    o[QStringLiteral("clock")] = QString::asprintf("%04d-%02u-%02uT%02u:%02u:%02u", c.year, unsigned(c.month),
                                                   unsigned(c.day), unsigned(c.hour), unsigned(c.minute),
                                                   unsigned(c.second));
    o[QStringLiteral("weekday")] = lumo::WeekdayNames().value(c.weekday, QString::number(c.weekday));
}

QJsonObject sides(const QJsonValue& left, const QJsonValue& right)
{
    return {{QStringLiteral("left"), left}, {QStringLiteral("right"), right}};
}

QJsonObject errorTimeJson(const lumo::ErrorTime& t)
{
    return {{QStringLiteral("hours"), int(t.hours)}, {QStringLiteral("minutes"), int(t.minutes)}};
}

QJsonObject calibrationJson(const lumo::Calibration& c)
{
    return sides(QJsonObject{{QStringLiteral("petrol"), c.leftPetrol}, {QStringLiteral("gas"), c.leftGas}},
                 QJsonObject{{QStringLiteral("petrol"), c.rightPetrol}, {QStringLiteral("gas"), c.rightGas}});
}

QJsonObject metersJson(const lumo::MeterReadings& m)
{
    return {{QStringLiteral("liquidMl"), double(m.liquidMl)}, {QStringLiteral("gasMl"), double(m.gasMl)}};
}

// ---- Running a command -------------------------------------------------------------

// What one command did on an open connection: 0 or the failed status.
struct Run {
    DeviceLink& link;
    const Command& command;
    const QString& identification;
    QJsonObject& out;
    QString failure;  // a failure without a status (a file not written)

    int32_t status();
    int32_t counter();
    int32_t logs();
};

int32_t Run::status()
{
    session::ControlPanel panel(link);
    session::PanelReading r;
    const int32_t s = panel.Refresh(&r);
    if (r.identification) out[QStringLiteral("ident")] = *r.identification;
    if (r.leftCounter && r.rightCounter)
        out[QStringLiteral("counter")] = sides(*r.leftCounter, *r.rightCounter);
    if (r.leftTime && r.rightTime)
        out[QStringLiteral("errorTime")] = sides(errorTimeJson(*r.leftTime), errorTimeJson(*r.rightTime));
    if (r.clock) putClock(out, *r.clock);
    if (s != 0) return s;
    lumo::Calibration c;
    if (const int32_t cs = session::ReadCalibration(link, &c)) return cs;
    out[QStringLiteral("calibration")] = calibrationJson(c);
    return 0;
}

int32_t Run::counter()
{
    session::ControlPanel panel(link);
    uint16_t value = 0;
    int32_t s = 0;
    switch (command.counterOp) {
    case CounterOp::Count: s = panel.CountError(command.side, &value); break;
    case CounterOp::Set: s = panel.SetCounter(command.side, command.counterValue, &value); break;
    case CounterOp::Reset: {
        session::ControlPanel::RightSide right;
        s = panel.ResetCounter(command.side, &value, &right);
        break;
    }
    }
    if (s == 0)
        out[QStringLiteral("counter")] =
            QJsonObject{{SideKey(command.side), value}};
    return s;
}

int32_t Run::logs()
{
    // The dialog's log step, into "Log" below the current folder or into the
    // folder --out names; the station file is read once for both sides. With
    // --out the files are written from inside that folder, so that its name
    // reaches the system as the bytes given.
    QJsonObject files;
    const bool toDir = !command.outDir.isEmpty();
    std::optional<FolderVisit> visit;
    if (toDir) {
        visit.emplace(command.outDir);
        if (!visit->entered()) {
            failure = QStringLiteral("%1: %2").arg(visit->path(), visit->error());
            out[QStringLiteral("files")] = files;
            return 0;
        }
    }
    auto shown = [&](const QString& path) {
        return toDir ? visit->path() + QLatin1Char('/') + QFileInfo(path).fileName() : QFileInfo(path).absoluteFilePath();
    };
    const lumo::LogSides sides = command.logLeft && command.logRight ? lumo::LogSides::Both
                                 : command.logLeft                   ? lumo::LogSides::Left
                                                                     : lumo::LogSides::Right;
    const lumo::LogFilesRun run = lumo::WriteLogFilesInto(link, identification, toDir ? QStringLiteral(".")
                                                                                      : QStringLiteral("Log"),
                                                          sides, {}, true);
    for (const QString& path : run.written) {
        const Side side = path.endsWith(lumo::LogFileName(Side::Left, identification)) ? Side::Left : Side::Right;
        files[SideKey(side)] = shown(path);
    }
    out[QStringLiteral("files")] = files;
    if (!run.failedReads.isEmpty()) {
        QJsonArray reads;
        for (const lumo::FailedRead& r : run.failedReads)
            reads.append(QJsonObject{{QStringLiteral("side"), SideKey(r.side)},
                                     {QStringLiteral("read"), r.what},
                                     {QStringLiteral("status"), r.status},
                                     {QStringLiteral("name"), StatusName(r.status)}});
        out[QStringLiteral("failedReads")] = reads;
    }
    QStringList notWritten;
    for (const QString& path : run.notWritten) notWritten << shown(path);
    if (run.lineDead)
        failure = QStringLiteral("the controller stopped answering (two reads timed out in a row): the log run "
                                 "was stopped, %1 not written")
                      .arg(notWritten.join(QStringLiteral(" and ")));
    else if (!notWritten.isEmpty())
        failure = QStringLiteral("%1 was not written").arg(notWritten.constLast());
    else if (!run.failedReads.isEmpty())
        failure = QStringLiteral("%1 read(s) failed, the files show \"?\" or blank cells there; last: %2")
                      .arg(run.failedReads.size())
                      .arg(DeviceLink::CommErrorText(run.failedReads.constLast().status));
    return 0;
}

QString failureText(int32_t status)
{
    return QStringLiteral("%1 (%2)").arg(DeviceLink::CommErrorText(status), StatusName(status));
}

QJsonObject errorJson(int32_t status, const QString& text)
{
    QJsonObject e{{QStringLiteral("text"), text}};
    if (status != 0) {
        e[QStringLiteral("status")] = status;
        e[QStringLiteral("name")] = StatusName(status);
    }
    return e;
}

}  // namespace

QString PortText(const QString& argument)
{
    bool number = false;
    const int n = argument.toInt(&number);
    if (number && n > 0) return QStringLiteral("COM%1:").arg(n);
    // The serial library takes the device name (a whole URL, else the text
    // up to a ":") and wants the colon after it; it may be left out here.
    const QByteArray text = argument.toLocal8Bit();
    return portnames::DeviceNameLength(text.constData()) == std::size_t(text.size()) ? argument + QLatin1Char(':')
                                                                                      : argument;
}

QString SameDispenserKey(const QString& portText)
{
    // What the port text ends at: the device behind a ports folder entry
    // or a link, so that "1", "COM1:", "com1" and the device path of COM1
    // are one dispenser; a remote line is its URL, whether given as itself
    // or through an entry naming it. Windows compares its device names
    // without case.
    const lumo::PortTarget target = lumo::PortInfo::Resolve(portText);
    if (!target.remote.isEmpty()) return target.remote.toLower();
    const QString device = target.device.isEmpty() ? target.path : target.device;
#ifdef _WIN32
    return device.toUpper();
#else
    return device;
#endif
}

QString StatusName(int32_t status)
{
    if (const char* name = gardolink::status_name(status)) return QString::fromLatin1(name);
    return QString::number(status);
}

bool ParseArguments(const QStringList& arguments, Options* options, QString* error)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("port"));
    const QCommandLineOption baud(QStringLiteral("baud"), {}, QStringLiteral("n"));
    const QCommandLineOption wait(QStringLiteral("wait"), {}, QStringLiteral("ms"));
    const QCommandLineOption trace(QStringLiteral("trace"), {}, QStringLiteral("file"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("dir"));
    const QCommandLineOption side(QStringLiteral("side"), {}, QStringLiteral("side"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption language(QStringLiteral("language"), {}, QStringLiteral("language"));
    const QCommandLineOption portsFrom(QStringLiteral("ports-from"), {}, QStringLiteral("file"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), {}, QStringLiteral("n"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"));
    // A --jobs run hands each port to a child process of gardoctl with these.
    QCommandLineOption child(QStringLiteral("fleet-child"));
    QCommandLineOption childLabel(QStringLiteral("fleet-label"), {}, QStringLiteral("label"));
    child.setFlags(QCommandLineOption::HiddenFromHelp);
    childLabel.setFlags(QCommandLineOption::HiddenFromHelp);
    p.addOptions({port, baud, wait, trace, json, csv, yes, out, side, help, version, language, portsFrom, jobs,
                  listPorts, child, childLabel});
    if (!p.parse(QStringList{QStringLiteral("gardoctl")} + arguments)) {
        *error = p.errorText();
        return false;
    }
    options->help = p.isSet(help);
    options->version = p.isSet(version);
    if (options->help || options->version) return true;
    if (p.isSet(language)) {
        options->language = lumo::ParseLanguage(p.value(language));
        if (!options->language) {
            *error = QStringLiteral("--language: de or en");
            return false;
        }
    }

    options->json = p.isSet(json);
    options->csv = p.isSet(csv);
    if (options->json && options->csv) {
        *error = QStringLiteral("--json or --csv, not both");
        return false;
    }
    options->yes = p.isSet(yes);
    options->trace = SystemPath(p.value(trace));
    options->listPorts = p.isSet(listPorts);
    if (options->listPorts) {
        if (p.isSet(port) || p.isSet(portsFrom) || !p.positionalArguments().isEmpty()) {
            *error = QStringLiteral("--list-ports takes no port and no command");
            return false;
        }
        return true;
    }
    // --port and --ports-from in the order given.
    qsizetype portIndex = 0, fileIndex = 0;
    for (const QString& name : p.optionNames()) {
        if (name == port.names().constFirst()) {
            options->ports << PortText(p.values(port).at(portIndex++));
            options->labels << QString();
        } else if (name == portsFrom.names().constFirst()) {
            if (!ReadPortList(p.values(portsFrom).at(fileIndex++), &options->ports, &options->labels, error))
                return false;
        }
    }
    // A dispenser named twice (under any of its names) is served once.
    {
        QStringList ports, labels, keys;
        for (qsizetype i = 0; i < options->ports.size(); ++i) {
            const QString key = SameDispenserKey(options->ports[i]);
            if (const qsizetype first = keys.indexOf(key); first >= 0) {
                options->sameAs.append({options->ports[i], ports[first]});
                continue;
            }
            keys << key;
            ports << options->ports[i];
            labels << options->labels.value(i);
        }
        options->ports = ports;
        options->labels = labels;
    }
    if (options->ports.isEmpty()) {
        *error = QStringLiteral("no --port given");
        return false;
    }
    options->child = p.isSet(child);
    if (options->child) options->labels = QStringList{p.value(childLabel)};
    uint32_t v = 0;
    if (p.isSet(baud)) {
        if (!parseUnsigned(p.value(baud), 4000000, &v) || v == 0) {
            *error = QStringLiteral("--baud: a positive number");
            return false;
        }
        options->baud = int(v);
    }
    if (p.isSet(wait)) {
        if (!parseUnsigned(p.value(wait), 600000, &v) || v == 0) {
            *error = QStringLiteral("--wait: milliseconds from 1 to 600000");
            return false;
        }
        options->waitMs = int(v);
    }
    if (p.isSet(jobs)) {
        if (!parseUnsigned(p.value(jobs), 256, &v) || v == 0) {
            *error = QStringLiteral("--jobs: dispensers at once, 1 to 256");
            return false;
        }
        options->jobs = int(v);
    }
    if (!parseCommand(p.positionalArguments(), options, error)) return false;
    Command& c = options->command;
    if (c.verb == Verb::Calibration && options->jobs > 1 && options->ports.size() > 1 && !options->yes) {
        *error = QStringLiteral("calibration with --jobs asks no questions: give --yes");
        return false;
    }
    if ((p.isSet(out) && c.verb != Verb::Logs) || (p.isSet(side) && c.verb != Verb::Logs && c.verb != Verb::Records)) {
        *error = QStringLiteral("--out belongs to the logs command, --side to logs and records");
        return false;
    }
    c.outDir = p.value(out);
    if (p.isSet(side)) {
        const QString s = p.value(side);
        if (s != QLatin1String("left") && s != QLatin1String("right") && s != QLatin1String("both")) {
            *error = QStringLiteral("--side: left, right or both");
            return false;
        }
        c.logLeft = s != QLatin1String("right");
        c.logRight = s != QLatin1String("left");
    }
    return true;
}

PortResult RunOnPort(const Options& options, const QString& port)
{
    PortResult result;
    result.data[QStringLiteral("port")] = port;
    result.time = QDateTime::currentDateTime();
    auto& ui = dynamic_cast<TerminalUi&>(lumo::ui());
    auto fail = [&](int exit, int32_t status, const QString& text) {
        result.exit = exit;
        result.message = text;
        result.data[QStringLiteral("error")] = errorJson(status, text);
        return result;
    };

    // The port dialog's opening, at the rate and byte wait given, with its
    // probe: the identification number.
    DeviceLink link;
    session::ConnectDetails connection;
    const session::ConnectOutcome opened =
        session::Connect(link, port, {options.baud, options.waitMs}, &connection);
    if (opened == session::ConnectOutcome::OpenFailed) {
        const int32_t s = connection.status;
        const QString diagnosis = lumo::PortInfo::DiagnosisText(lumo::PortInfo::Diagnose(lumo::PortInfo::Resolve(port)));
        return fail(kExitPort, s, failureText(s) + QStringLiteral(" ") + diagnosis);
    }
    // Without an answer the connection is closed again.
    if (opened == session::ConnectOutcome::NoAnswer)
        return fail(kExitDevice, connection.status, failureText(connection.status));

    const QString& identification = connection.identification;
    int32_t s = 0;
    QString failure;
    {
        result.ident = identification;
        result.time = QDateTime::currentDateTime();
        const Command& c = options.command;
        Run run{link, c, identification, result.data, {}};
        session::ControlPanel panel(link);
        panel.ask = [&ui](const QString& question) { return ui.ask(question); };
        ClockValue clock;
        switch (c.verb) {
        case Verb::Ident: result.data[QStringLiteral("ident")] = identification; break;
        case Verb::Status: s = run.status(); break;
        case Verb::Clock:
            s = panel.ReadClock(&clock);
            if (s == 0) putClock(result.data, clock);
            break;
        case Verb::ClockSet: {
            const QDateTime now = QDateTime::currentDateTime();
            s = panel.WriteClock(c.clock.value_or(clockOf(now.date(), now.time(), c.weekday)), &clock);
            if (s == 0) putClock(result.data, clock);
            break;
        }
        case Verb::Counter: s = run.counter(); break;
        case Verb::ErrorTime: {
            lumo::ErrorTime back;
            s = panel.WriteErrorTime(c.side, c.errorTime);
            if (s == 0) s = session::ReadErrorTime(link, c.side, &back);
            if (s == 0)
                result.data[QStringLiteral("errorTime")] = QJsonObject{
                    {SideKey(c.side), errorTimeJson(back)}};
            break;
        }
        case Verb::Calibration: {
            session::CalibrationOutcome outcome;
            s = panel.SendCalibration(c.side, c.petrol, c.gas, &outcome);
            lumo::Calibration back;
            if (s == 0) s = session::ReadCalibration(link, &back);
            if (s == 0) result.data[QStringLiteral("calibration")] = calibrationJson(back);
            if (outcome == session::CalibrationOutcome::LeftStopped)
                ui.printError(QStringLiteral("the controller stays stopped (gardoctl start)"));
            break;
        }
        case Verb::Logs:
            result.data[QStringLiteral("ident")] = identification;
            s = run.logs();
            break;
        case Verb::Counters: {
            session::CounterReadings r;
            s = session::ReadCounterReadings(link, &r);
            if (r.left && r.right)
                result.data[QStringLiteral("meters")] = sides(metersJson(*r.left), metersJson(*r.right));
            if (r.trigger) result.data[QStringLiteral("trigger")] = sides(r.trigger->left, r.trigger->right);
            if (r.thresholds) {
                const auto& t = *r.thresholds;
                result.data[QStringLiteral("threshold")] = sides(t.leftThreshold, t.rightThreshold);
                result.data[QStringLiteral("errorValue")] = sides(t.leftError / 100.0, t.rightError / 100.0);
            }
            break;
        }
        case Verb::Records: s = RunRecords(link, c.logLeft, c.logRight, result.data, &result.csv); break;
        case Verb::Start: s = panel.StartDevice(); break;
        case Verb::Stop: s = panel.StopDevice(); break;
        }
        failure = run.failure;
    }
    const int32_t closed = link.CloseConnection();
    if (s != 0) return fail(kExitDevice, s, failureText(s));
    if (!failure.isEmpty()) return fail(kExitDevice, 0, failure);
    if (closed != 0) return fail(kExitDevice, closed, failureText(closed));
    return result;
}

QStringList PlainLines(const QJsonObject& data)
{
    QStringList lines;
    const std::function<void(const QString&, const QJsonValue&)> add = [&](const QString& key, const QJsonValue& v) {
        if (v.isObject()) {
            const QJsonObject o = v.toObject();
            for (auto it = o.begin(); it != o.end(); ++it)
                add(key.isEmpty() ? it.key() : key + QLatin1Char('.') + it.key(), it.value());
        } else if (v.isArray()) {
            // Elements numbered from 1: records.1.side, records.2.side, ...
            const QJsonArray a = v.toArray();
            for (qsizetype i = 0; i < a.size(); ++i) add(key + QLatin1Char('.') + QString::number(i + 1), a[i]);
        } else if (v.isDouble()) {
            const double d = v.toDouble();
            // Error values carry two decimals, recovery ratios one;
            // everything else is whole.
            const bool ratio = key.endsWith(QLatin1String(".ratioPercent"));
            lines << key + QLatin1Char('=') +
                         (ratio ? QString::number(d, 'f', 1)
                          : d == double(qint64(d)) && !key.startsWith(QLatin1String("errorValue."))
                              ? QString::number(qint64(d))
                              : QString::number(d, 'f', 2));
        } else {
            lines << key + QLatin1Char('=') + v.toVariant().toString();
        }
    };
    QJsonObject values = data;
    values.remove(QStringLiteral("port"));
    values.remove(QStringLiteral("error"));
    add(QString(), values);
    return lines;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: gardoctl --port PORT [--port PORT ...] [--ports-from FILE] [--jobs N] [--baud N] [--wait MS]\n"
        "                [--trace FILE] [--json|--csv] [--yes] [--language de|en] COMMAND [ARGS]\n"
        "       gardoctl --list-ports [--json]\n"
        "PORT is COMn:, a number n (COMn:) or a device path such as /dev/ttyUSB0.\n"
        "FILE holds one PORT [LABEL] a line (# comments; - is standard input).\n"
        "--jobs N serves up to N dispensers at once; --json prints one JSON object a line.\n"
        "Commands:\n"
        "  ident                                   identification number\n"
        "  status                                  counters, error times, calibration, clock\n"
        "  clock                                   the controller's clock\n"
        "  clock set [now|YYYY-MM-DDTHH:MM:SS [Mo|Di|Mi|Do|Fr|Sa|So]]\n"
        "  counter left|right count|reset|set N    error counter (count: one error more)\n"
        "  errortime left|right HH:MM              error time, up to 71:59\n"
        "  calibration left|right PETROL GAS       stops, writes, applies, starts (asks; --yes)\n"
        "  logs [--out DIR] [--side left|right|both]  the two log files\n"
        "  counters                                meter readings, trigger, thresholds, errors\n"
        "  records [--side left|right|both]        the fourteen refuelling records per side\n"
        "  start | stop                            start or stop the controller\n"
        "--csv prints ';'-separated lines with a header line (decimal commas).\n"
        "Exit codes: 0 success, 1 controller error or silence, 2 wrong usage, 3 port not opened.\n"
        "See gardoctl(1).\n");
}

}  // namespace gardoctl
