#include "gardoctl/fleet.h"

#include "gardoctl/records_command.h"
#include "gardoctl/terminal_ui.h"

#include "core/port_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace gardoctl {

namespace {

// A path in the line goes out as the system's bytes.
void printOut(const QString& line)
{
    const QByteArray bytes = SystemPath(line);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

// The start of every line a dispenser writes to standard error.
QString errorLabel(const QString& port, const QString& label)
{
    return label.isEmpty() ? QStringLiteral("gardoctl: %1 ").arg(port)
                           : QStringLiteral("gardoctl: %1 [%2] ").arg(port, label);
}

QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

// ---- Between a --jobs run and its children -----------------------------------
// A child prints its whole result as one JSON object on standard output;
// everything for people goes to its standard error as in a run of its own.

QJsonObject envelope(const PortResult& r)
{
    QJsonObject o{{QStringLiteral("data"), r.data},
                  {QStringLiteral("exit"), r.exit},
                  {QStringLiteral("message"), r.message},
                  {QStringLiteral("time"), IsoTime(r.time)}};
    if (!r.ident.isEmpty()) o[QStringLiteral("ident")] = r.ident;
    if (!r.csv.isEmpty()) o[QStringLiteral("csv")] = QJsonArray::fromStringList(r.csv);
    return o;
}

std::optional<PortResult> fromEnvelope(const QByteArray& out)
{
    const QJsonObject o = QJsonDocument::fromJson(out.trimmed()).object();
    if (!o.value(QStringLiteral("data")).isObject() || !o.value(QStringLiteral("exit")).isDouble())
        return std::nullopt;
    PortResult r;
    r.data = o.value(QStringLiteral("data")).toObject();
    r.exit = o.value(QStringLiteral("exit")).toInt();
    r.message = o.value(QStringLiteral("message")).toString();
    r.ident = o.value(QStringLiteral("ident")).toString();
    r.time = QDateTime::fromString(o.value(QStringLiteral("time")).toString(), Qt::ISODate);
    for (const QJsonValue& line : o.value(QStringLiteral("csv")).toArray()) r.csv << line.toString();
    return r;
}

PortResult failedResult(const QString& port, int exit, const QString& message)
{
    PortResult r;
    r.data[QStringLiteral("port")] = port;
    r.data[QStringLiteral("error")] = QJsonObject{{QStringLiteral("text"), message}};
    r.exit = exit;
    r.message = message;
    r.time = QDateTime::currentDateTime();
    return r;
}

// gardoctl's arguments without those that choose the dispensers and the
// output: a child gets its one port and prints a record.
QStringList childArguments(const QStringList& arguments)
{
    static const QSet<QString> withValue{QStringLiteral("port"), QStringLiteral("ports-from"),
                                         QStringLiteral("jobs"), QStringLiteral("fleet-label")};
    static const QSet<QString> flags{QStringLiteral("json"), QStringLiteral("fleet-child")};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--")) {
            kept += arguments.mid(i);
            break;
        }
        if (a.startsWith(u'-') && a.size() > 1) {
            const QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
            const bool joined = a.contains(u'=');
            if (flags.contains(name)) continue;
            if (withValue.contains(name)) {
                if (!joined) ++i;
                continue;
            }
        }
        kept << a;
    }
    return kept;
}

// ---- Printing in list order -------------------------------------------------------

class Printer {
public:
    Printer(const Options& options, TerminalUi& ui) : options_(options), ui_(ui)
    {
        several_ = options.ports.size() > 1;
        for (const QString& label : options.labels) labelled_ = labelled_ || !label.isEmpty();
    }

    // Before a dispenser runs in this process: its messages get its label.
    void begin(int i) { ui_.setLabel(errorLabel(options_.ports[i], options_.labels.value(i))); }

    void print(int i, const PortResult& r)
    {
        begin(i);
        if (!r.message.isEmpty()) ui_.printError(r.message);
        const QString port = options_.ports[i];
        const QString label = options_.labels.value(i);
        if (options_.json) {
            printOut(QString::fromUtf8(QJsonDocument(RecordJson(port, label, r)).toJson(QJsonDocument::Compact)));
        } else if (options_.csv) {
            QString prefix;
            if (several_) prefix = port + QLatin1Char(';') + (labelled_ ? CsvCell(label) + QLatin1Char(';') : QString());
            const bool records = options_.command.verb == Verb::Records;
            for (const QString& line : records ? r.csv : CsvFromPlainLines(PlainLines(r.data))) printOut(prefix + line);
        } else {
            QString prefix;
            if (several_) prefix = port + QLatin1Char('\t') + (labelled_ ? label + QLatin1Char('\t') : QString());
            for (const QString& line : PlainLines(r.data)) printOut(prefix + line);
        }
        std::fflush(stdout);
        if (r.exit == kExitOk) ++succeeded_;
        else failures_ << (label.isEmpty() ? port : port + QStringLiteral(" [%1]").arg(label)) + u' ' + oneLine(r.message);
        worst_ = std::max(worst_, r.exit);
    }

    // --csv: the header line, once before all dispensers.
    void csvHeader() const
    {
        if (!options_.csv) return;
        const QString columns = several_ ? QStringLiteral("Port;") + (labelled_ ? QStringLiteral("Name;") : QString())
                                         : QString();
        printOut(columns + CsvHeader(options_.command.verb == Verb::Records));
    }

    // How the run over several dispensers went, on standard error.
    void summary() const
    {
        if (!several_) return;
        std::fprintf(stderr, "gardoctl: %d of %lld dispensers succeeded, %lld failed\n", succeeded_,
                     static_cast<long long>(options_.ports.size()), static_cast<long long>(failures_.size()));
        for (const QString& f : failures_) std::fprintf(stderr, "gardoctl: failed: %s\n", f.toLocal8Bit().constData());
        std::fflush(stderr);
    }

    int worst() const { return worst_; }

private:
    const Options& options_;
    TerminalUi& ui_;
    bool several_ = false;
    bool labelled_ = false;
    int succeeded_ = 0;
    QStringList failures_;
    int worst_ = kExitOk;
};

// Up to options.jobs children at once, never two on the same port; each
// result is printed as soon as all before it in the list are.
void runChildren(const Options& options, const QStringList& arguments, Printer& printer)
{
    const int n = int(options.ports.size());
    const QStringList forwarded = childArguments(arguments);
    // The ports are distinct dispensers (ParseArguments served each once),
    // so any of them may run beside any other.
    const size_t count = size_t(n);
    std::vector<std::optional<PortResult>> results(count);
    std::vector<QByteArray> errors(count);
    int running = 0, done = 0, printed = 0, next = 0;
    QEventLoop loop;

    std::function<void()> fill;
    auto finish = [&](int i, PortResult result, const QByteArray& stderrText) {
        results[size_t(i)] = std::move(result);
        errors[size_t(i)] = stderrText;
        --running;
        ++done;
        for (; printed < n && results[size_t(printed)]; ++printed) {
            std::fwrite(errors[size_t(printed)].constData(), 1, size_t(errors[size_t(printed)].size()), stderr);
            std::fflush(stderr);
            printer.print(printed, *results[size_t(printed)]);
        }
        if (done == n) loop.quit();
        else fill();
    };
    auto start = [&](int i) {
        const QString port = options.ports[i];
        const QString label = options.labels.value(i);
        // Joined to their options: a value may start with "-".
        QStringList args{QStringLiteral("--fleet-child"), QStringLiteral("--port=") + port};
        if (!label.isEmpty()) args << QStringLiteral("--fleet-label=") + label;
        auto* process = new QProcess(&loop);
        process->setProgram(QCoreApplication::applicationFilePath());
        process->setArguments(args + forwarded);
        process->setStandardInputFile(QProcess::nullDevice());
        ++running;
        QObject::connect(process, &QProcess::finished, &loop,
                         [&finish, process, i, port](int code, QProcess::ExitStatus status) {
                             const QByteArray out = process->readAllStandardOutput();
                             const QByteArray err = process->readAllStandardError();
                             std::optional<PortResult> r = fromEnvelope(out);
                             if (!r) {
                                 const QString how = status == QProcess::CrashExit
                                                         ? QStringLiteral("crashed")
                                                         : QStringLiteral("ended with exit code %1").arg(code);
                                 r = failedResult(port, std::max(code, int(kExitDevice)),
                                                  QStringLiteral("the child process %1 without a result").arg(how));
                             }
                             process->deleteLater();
                             finish(i, *r, err);
                         });
        QObject::connect(process, &QProcess::errorOccurred, &loop,
                         [&finish, process, i, port](QProcess::ProcessError e) {
                             if (e != QProcess::FailedToStart) return;
                             const QString why = process->errorString();
                             process->deleteLater();
                             finish(i, failedResult(port, kExitDevice,
                                                    QStringLiteral("the child process did not start: %1").arg(why)),
                                    {});
                         }, Qt::QueuedConnection);
        process->start();
    };
    fill = [&] {
        while (next < n && running < options.jobs) start(next++);
    };
    fill();
    if (done < n) loop.exec();
}

}  // namespace

bool IsPortText(const QString& port)
{
    static const QRegularExpression com(QStringLiteral("^COM[1-9][0-9]{0,2}:?$"),
                                        QRegularExpression::CaseInsensitiveOption);
    return com.match(port).hasMatch() || port.contains(u'/') || port.contains(u'\\');
}

bool ReadPortList(const QString& name, QStringList* ports, QStringList* labels, QString* error)
{
    const bool standardInput = name == QLatin1String("-");
    const QString shown = standardInput ? QStringLiteral("standard input") : name;
    QFile file;
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = QStringLiteral("--ports-from %1: %2").arg(shown, file.errorString());
        return false;
    }
    QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("--ports-from %1: %2").arg(shown, file.errorString());
        return false;
    }
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const qsizetype gap = line.indexOf(space);
        const QString port = PortText(gap < 0 ? line : line.left(gap));
        // Tabs and other spaces in a label become single spaces: output
        // lines keep their columns.
        const QString label = gap < 0 ? QString() : line.mid(gap).trimmed().replace(space, QStringLiteral(" "));
        if (!IsPortText(port)) {
            *error = QStringLiteral("--ports-from %1:%2: not a port: %3").arg(shown, QString::number(i + 1), line.left(gap));
            return false;
        }
        *ports << port;
        *labels << label;
    }
    return true;
}

QString IsoTime(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

QJsonObject RecordJson(const QString& port, const QString& label, const PortResult& result)
{
    QJsonObject o = result.data;
    o[QStringLiteral("format")] = 1;
    o[QStringLiteral("port")] = port;
    if (!label.isEmpty()) o[QStringLiteral("label")] = label;
    if (!result.ident.isEmpty()) o[QStringLiteral("ident")] = result.ident;
    o[QStringLiteral("time")] = IsoTime(result.time);
    o[QStringLiteral("ok")] = result.exit == kExitOk;
    if (o.value(QStringLiteral("error")).isObject()) {
        QJsonObject e = o.value(QStringLiteral("error")).toObject();
        e[QStringLiteral("text")] = oneLine(e.value(QStringLiteral("text")).toString());
        o[QStringLiteral("error")] = e;
    }
    return o;
}

int RunFleet(const Options& options, TerminalUi& ui, const QStringList& arguments)
{
    if (options.child) {
        ui.setLabel(errorLabel(options.ports.value(0), options.labels.value(0)));
        const PortResult r = RunOnPort(options, options.ports.value(0));
        printOut(QString::fromUtf8(QJsonDocument(envelope(r)).toJson(QJsonDocument::Compact)));
        std::fflush(stdout);
        return r.exit;
    }
    Printer printer(options, ui);
    printer.csvHeader();
    if (options.jobs > 1 && options.ports.size() > 1) {
        runChildren(options, arguments, printer);
    } else {
        for (int i = 0; i < int(options.ports.size()); ++i) {
            printer.begin(i);
            printer.print(i, RunOnPort(options, options.ports[i]));
        }
    }
    printer.summary();
    return printer.worst();
}

int ListPorts(bool json)
{
    const QList<lumo::SerialDevice> devices = lumo::PortInfo::ListSerialDevices();
    if (!json) {
        printOut(lumo::PortInfo::DeviceListText(devices));
        return kExitOk;
    }
    for (const lumo::SerialDevice& d : devices) {
        QJsonObject o{{QStringLiteral("format"), 1},
                      {QStringLiteral("port"), d.comNumber > 0 ? QStringLiteral("COM%1").arg(d.comNumber) : d.path},
                      {QStringLiteral("device"), d.path}};
        if (d.comNumber > 0) o[QStringLiteral("com")] = d.comNumber;
        if (!d.description.isEmpty()) o[QStringLiteral("description")] = d.description;
        if (!d.manufacturer.isEmpty()) o[QStringLiteral("manufacturer")] = d.manufacturer;
        if (!d.serialNumber.isEmpty()) o[QStringLiteral("serialNumber")] = d.serialNumber;
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    }
    return kExitOk;
}

}  // namespace gardoctl
