// Start options of the lumotool program, read with QCommandLineParser.
// Qt's own options (-platform, -style, ...) are known to the parser and go
// on to QApplication; any other unknown option is an error.
#pragma once

#include "core/language.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace lumo {

struct StartOptions {
    bool simulator = false;  // --simulator: built-in controller at COM1
    bool diagnose = false;   // --diagnose: show the "Diagnose" button
    bool help = false;       // --help or -h: print the usage and end
    bool version = false;    // --version or -v: print the version and end
    QString traceFile;       // --trace FILE: serial trace (SERLINK_TRACE)
    // --language de|en: the user interface's language instead of the desktop's.
    std::optional<Language> language;
    // Not empty when the command line is wrong: what is wrong, for the user.
    QString error;
    // The arguments for QApplication: the program name, then Qt's options
    // with their values, as given.
    QStringList qtArguments;
};

// Needs no application object, so that --help, --version and a wrong
// command line are answered without a display.
StartOptions parseStartOptions(const QStringList& arguments);

// The text --help prints.
QString usageText(const QString& programName);

// The line --version prints: "lumotool 5.2.1".
QString versionText();

// Exit code for a wrong command line.
inline constexpr int kExitUsage = 2;

}  // namespace lumo
