#include "start_options.h"

#include <cstring>

namespace lumo {

StartOptions parseStartOptions(int argc, char** argv)
{
    StartOptions options;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (i == 0 || !arg)
            options.rest.push_back(argv[i]);
        else if (std::strcmp(arg, "--simulator") == 0)
            options.simulator = true;
        else if (std::strcmp(arg, "--diagnose") == 0)
            options.diagnose = true;
        else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            options.help = true;
        else
            options.rest.push_back(argv[i]);
    }
    return options;
}

std::string usageText(const char* programName)
{
    std::string name = programName && *programName ? programName : "lumotool";
    return "Usage: " + name + " [--simulator] [--diagnose] [Qt options]\n"
           "Service program for the vapour-recovery controller of a fuel dispenser.\n"
           "\n"
           "  --simulator  start a simulated controller inside the program and\n"
           "               offer it as port COM1 (choose port 1 after the login)\n"
           "  --diagnose   show the \"Diagnose\" button in the main window, for\n"
           "               service engineers\n"
           "  -h, --help   print this text and end\n"
           "\n"
           "Any other option is passed to Qt (for example -platform offscreen).\n";
}

}  // namespace lumo
