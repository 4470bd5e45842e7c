#include "gardoctl/terminal_ui.h"

#include "core/device_link.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace gardoctl {

bool TerminalUi::InteractiveInput()
{
    return isatty(fileno(stdin)) != 0;
}

void TerminalUi::printError(const QString& text) const
{
    // A message of two lines stays one line of the output.
    QString line = label_ + text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

bool TerminalUi::ask(const QString& question)
{
    if (assumeYes_) {
        printError(question + QCoreApplication::translate("gardoctl::TerminalUi", " ja (--yes)"));
        return true;
    }
    if (!InteractiveInput()) {
        printError(question + QCoreApplication::translate("gardoctl::TerminalUi", " nein (no terminal to ask on)"));
        return false;
    }
    std::fprintf(stderr, "%s %s ", (label_ + question).toLocal8Bit().constData(),
                 QCoreApplication::translate("gardoctl::TerminalUi", "[j/N]").toLocal8Bit().constData());
    std::fflush(stderr);
    std::string answer;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) answer.push_back(char(c));
    return !answer.empty() && (answer[0] == 'j' || answer[0] == 'J' || answer[0] == 'y' || answer[0] == 'Y');
}

lumo::MsgResult TerminalUi::showMessage(const lumo::Message& message)
{
    if (message.buttons == lumo::MsgButtons::YesNo)
        return ask(message.text) ? lumo::MsgResult::Yes : lumo::MsgResult::No;
    // The session steps report their failed reads themselves; the box
    // shown for each is not printed.
    if (message.caption == lumo::DeviceLink::CommErrorCaption()) return lumo::MsgResult::Ok;
    printError(message.caption.isEmpty() ? message.text : message.caption + QStringLiteral(": ") + message.text);
    return lumo::MsgResult::Ok;
}

}  // namespace gardoctl
