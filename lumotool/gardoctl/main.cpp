// gardoctl: the controller's service steps from the command line, for
// scripts and stations with many dispensers. Each --port is handled with
// the session steps of the dialogs, in turn or up to --jobs at once;
// values go to standard output (key=value lines, or one JSON object per
// port), messages to standard error. The exit code is the worst of all
// ports.
#include "gardoctl/commands.h"
#include "gardoctl/fleet.h"
#include "gardoctl/terminal_ui.h"
#include "core/language.h"
#include "records/station_database.h"
#include "lumo_version.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Drops the platform's remark that it has no runtime folder: gardoctl
// keeps nothing there, and a cron job's mail should carry only real news.
void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(filterMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gardoctl"));

    gardoctl::Options options;
    QString error;
    // File names as the system's bytes (Qt's own list would lose those
    // that are not UTF-8).
#ifdef _WIN32
    const QStringList arguments = app.arguments().mid(1);
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << gardoctl::DecodeArgument(argv[i]);
#endif
    if (!gardoctl::ParseArguments(arguments, &options, &error)) {
        std::fprintf(stderr, "gardoctl: %s\n%s", error.toLocal8Bit().constData(),
                     gardoctl::UsageText().toLocal8Bit().constData());
        return gardoctl::kExitUsage;
    }
    if (options.help) {
        std::fputs(gardoctl::UsageText().toLocal8Bit().constData(), stdout);
        return gardoctl::kExitOk;
    }
    if (options.version) {
        std::printf("gardoctl %s\n", LUMO_VERSION);
        return gardoctl::kExitOk;
    }
    // The controller's messages in the language asked for, else the desktop's.
    lumo::UseLanguageFor(options.language);
    if (options.listPorts) return gardoctl::ListPorts(options.json);
    // The libraries read the trace target when the port opens.
    if (!options.trace.isEmpty()) qputenv("SERLINK_TRACE", options.trace);
    for (const auto& [text, first] : options.sameAs)
        std::fprintf(stderr, "gardoctl: --port %s is the dispenser of --port %s: served once\n",
                     gardoctl::SystemPath(text).constData(), gardoctl::SystemPath(first).constData());

    gardoctl::TerminalUi ui(options.yes);
    lumo::installUi(&ui);
    // The log files carry the station's name from the station file: one
    // whose write in place was cut off is put back from its copy first.
    lumo::StationDatabase::RecoverInPlaceWrite();
    const int exit = gardoctl::RunFleet(options, ui, arguments);
    lumo::installUi(nullptr);
    return exit;
}
