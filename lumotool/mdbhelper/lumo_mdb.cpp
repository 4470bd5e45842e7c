// lumo-mdb: reads one row of an Access database for lumotool, in a process
// of its own, so that a damaged file that crashes or hangs libmdb costs only
// this process. lumotool starts it with a time limit and treats a crash, a
// non-zero exit or output that is not a whole answer as a damaged database.
//
// Usage: lumo-mdb FILE TABLE KEY-COLUMN KEY
// Prints the answer in the framed form of row_answer.h on standard output
// and exits with 0; wrong usage exits with 2. Standard output carries the
// answer alone: whatever libmdb prints there itself (its row and page
// dumps, switched on by the environment, remarks on damaged files) goes to
// standard error.
#include "mdbhelper/row_answer.h"
#include "mdbhelper/row_lookup.h"

#include <clocale>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int FileNo(FILE* stream) { return _fileno(stream); }
int Dup(int fd) { return _dup(fd); }
int Dup2(int from, int to) { return _dup2(from, to); }
FILE* OpenStream(int fd) { return _fdopen(fd, "wb"); }
#else
int FileNo(FILE* stream) { return fileno(stream); }
int Dup(int fd) { return dup(fd); }
int Dup2(int from, int to) { return dup2(from, to); }
FILE* OpenStream(int fd) { return fdopen(fd, "wb"); }
#endif

// The real standard output as a stream of its own for the answer, and
// standard output itself pointed at standard error for anything else
// written to it. Null when the descriptors cannot be set up.
FILE* TakeStandardOutput()
{
    std::fflush(stdout);
    const int answer = Dup(FileNo(stdout));
    if (answer < 0) return nullptr;
    if (Dup2(FileNo(stderr), FileNo(stdout)) < 0) return nullptr;
#ifdef _WIN32
    // The lengths in the answer count bytes: no line-end translation.
    _setmode(answer, _O_BINARY);
#endif
    return OpenStream(answer);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: lumo-mdb FILE TABLE KEY-COLUMN KEY\n");
        return 2;
    }
    // Dates and numbers in the user's locale, as libmdb renders them inside
    // a Qt program (which takes the locale from the environment too).
    std::setlocale(LC_ALL, "");
    FILE* answer = TakeStandardOutput();
    if (!answer) return 1;
    const std::string out = lumo::mdbrow::Encode(lumo::mdbrow::LookUpRow(argv[1], argv[2], argv[3], argv[4]));
    if (std::fwrite(out.data(), 1, out.size(), answer) != out.size() || std::fflush(answer) != 0) return 1;
    return std::fclose(answer) == 0 ? 0 : 1;
}
