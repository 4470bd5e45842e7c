// lumo-mdb: reads one row of an Access database for lumotool, in a process
// of its own, so that a damaged file that crashes or hangs libmdb costs only
// this process. lumotool starts it with a time limit and treats a crash, a
// non-zero exit or output that is not a whole answer as a damaged database.
//
// Usage: lumo-mdb FILE TABLE KEY-COLUMN KEY
// Prints the answer in the framed form of row_answer.h on standard output
// and exits with 0; wrong usage exits with 2.
#include "mdbhelper/crash_exit.h"
#include "mdbhelper/row_answer.h"
#include "mdbhelper/row_lookup.h"

#include <clocale>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
    lumo::mdbrow::EndAtOnceOnCrash();
    if (argc != 5) {
        std::fprintf(stderr, "usage: lumo-mdb FILE TABLE KEY-COLUMN KEY\n");
        return 2;
    }
    // Dates and numbers in the user's locale, as libmdb renders them inside
    // a Qt program (which takes the locale from the environment too).
    std::setlocale(LC_ALL, "");
#ifdef _WIN32
    // The lengths in the answer count bytes: no line-end translation.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::string out = lumo::mdbrow::Encode(lumo::mdbrow::LookUpRow(argv[1], argv[2], argv[3], argv[4]));
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) return 1;
    return 0;
}
