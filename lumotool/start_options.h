// Start options of the lumotool program. The program's own options are taken
// out of the argument list before Qt sees it; everything else goes to Qt.
#pragma once

#include <string>
#include <vector>

namespace lumo {

struct StartOptions {
    bool simulator = false;  // --simulator: built-in controller at COM1
    bool diagnose = false;   // --diagnose: show the "Diagnose" button
    bool help = false;       // --help or -h: print the usage and end
    // The arguments left for Qt, argv[0] first (pointers into argv).
    std::vector<char*> rest;
};

StartOptions parseStartOptions(int argc, char** argv);

// The text --help prints.
std::string usageText(const char* programName);

}  // namespace lumo
