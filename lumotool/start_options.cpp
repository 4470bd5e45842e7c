#include "start_options.h"

#include "lumo_version.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <array>

namespace lumo {

namespace {

// The program's own options: the one table that the parser and the help
// text are made from.
struct OwnOption {
    QStringList names;
    const char* valueName;  // nullptr: a switch
    const char* description;
};

const std::array<OwnOption, 6>& ownOptions()
{
    static const std::array<OwnOption, 6> options = {{
        {{QStringLiteral("simulator")}, nullptr,
         "start a simulated controller inside the program and offer it as port COM1 "
         "(choose port 1 after the login)"},
        {{QStringLiteral("diagnose")}, nullptr,
         "show the \"Diagnose\" button in the main window, for service engineers"},
        {{QStringLiteral("trace")}, "FILE",
         "write a trace of the serial line to FILE (sets SERLINK_TRACE)"},
        {{QStringLiteral("language")}, "de|en",
         "the language of the windows, German or English, instead of the desktop's"},
        {{QStringLiteral("h"), QStringLiteral("help")}, nullptr, "print this text and end"},
        {{QStringLiteral("v"), QStringLiteral("version")}, nullptr, "print the version and end"},
    }};
    return options;
}

// Qt's own command-line options (QGuiApplication, QApplication, the xcb
// plug-in): known to the parser so that they are no error, and handed on.
const QStringList& qtValueOptions()
{
    static const QStringList names = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowtitle"), QStringLiteral("title"),
        QStringLiteral("qwindowicon"), QStringLiteral("icon"),
        QStringLiteral("session"), QStringLiteral("display"), QStringLiteral("name"),
        QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("qmljsdebugger"),
    };
    return names;
}

const QStringList& qtSwitches()
{
    static const QStringList names = {
        QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
        QStringLiteral("dograb"), QStringLiteral("sync"), QStringLiteral("testability"),
    };
    return names;
}

// "-platform=x", "--trace" -> "platform", "trace".
QString optionName(const QString& argument)
{
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.left(name.indexOf(QLatin1Char('=')));
}

}  // namespace

StartOptions parseStartOptions(const QStringList& arguments)
{
    StartOptions out;
    QCommandLineParser parser;
    // Qt's options come with one dash (-platform); ours with two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OwnOption& own : ownOptions()) {
        QCommandLineOption option(own.names, QString::fromUtf8(own.description));
        if (own.valueName) option.setValueName(QString::fromUtf8(own.valueName));
        parser.addOption(option);
    }
    for (const QString& name : qtValueOptions())
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const QString& name : qtSwitches())
        parser.addOption(QCommandLineOption(name, QString()));

    if (!parser.parse(arguments)) {
        out.error = parser.errorText();
        return out;
    }
    if (!parser.positionalArguments().isEmpty()) {
        out.error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
        return out;
    }
    out.simulator = parser.isSet(QStringLiteral("simulator"));
    out.diagnose = parser.isSet(QStringLiteral("diagnose"));
    out.help = parser.isSet(QStringLiteral("help"));
    out.version = parser.isSet(QStringLiteral("version"));
    out.traceFile = parser.value(QStringLiteral("trace"));
    if (parser.isSet(QStringLiteral("trace")) && out.traceFile.isEmpty()) {
        out.error = QStringLiteral("The option '--trace' needs a file name.");
        return out;
    }
    if (parser.isSet(QStringLiteral("language"))) {
        out.language = ParseLanguage(parser.value(QStringLiteral("language")));
        if (!out.language) {
            out.error = QStringLiteral("The option '--language' takes de or en, not '%1'.")
                            .arg(parser.value(QStringLiteral("language")));
            return out;
        }
    }

    // What Qt gets: everything but our own options, in the order given.
    if (!arguments.isEmpty()) out.qtArguments << arguments.constFirst();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const QString name = optionName(argument);
        const bool inlineValue = argument.contains(QLatin1Char('='));
        if (name == QLatin1String("trace") || name == QLatin1String("language")) {
            if (!inlineValue) ++i;  // and its value
            continue;
        }
        if (name == QLatin1String("simulator") || name == QLatin1String("diagnose")) continue;
        out.qtArguments << argument;
        if (qtValueOptions().contains(name) && !inlineValue && i + 1 < arguments.size())
            out.qtArguments << arguments.at(++i);
    }
    return out;
}

QString usageText(const QString& programName)
{
    const QString name = programName.isEmpty() ? QStringLiteral("lumotool") : QFileInfo(programName).fileName();
    QString text = QStringLiteral("Usage: %1 [--simulator] [--diagnose] [--trace FILE] [--language de|en] [Qt options]\n"
                                  "Service program for the vapour-recovery controller of a fuel dispenser.\n\n")
                       .arg(name);
    for (const OwnOption& own : ownOptions()) {
        QStringList spelled;
        for (const QString& n : own.names)
            spelled << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QString left = spelled.join(QStringLiteral(", "));
        if (own.valueName) left += QLatin1Char(' ') + QString::fromUtf8(own.valueName);
        text += QStringLiteral("  %1  %2\n").arg(left, -18).arg(QString::fromUtf8(own.description));
    }
    text += QStringLiteral("\nQt's own options are passed on to Qt (for example -platform offscreen).\n"
                           "Exit codes: 0 done, 1 the simulator did not start, 2 wrong command line.\n");
    return text;
}

QString versionText()
{
    return QStringLiteral("lumotool " LUMO_VERSION);
}

}  // namespace lumo
