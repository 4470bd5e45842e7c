// Changes one field of a station file, for tests that need another user
// (one who may write the file but not its folder):
//   station_save_probe FILE ID VALUE [LIMIT [die]]
// Sets "Ort" of the record ID to VALUE; prints every message box text and
// exits with the number of boxes shown. LIMIT caps the size of any file the
// probe writes, as a full disk would; a write past it fails, or with "die"
// ends the probe by the system's signal, as a kill in the middle would.
#include "station/station_database.h"
#include "support/recording_ui.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr, "usage: station_save_probe FILE ID VALUE [LIMIT [die]]\n");
        return 100;
    }
    lumo::test::RecordingUi ui;
    lumo::StationDatabase db(QString::fromLocal8Bit(argv[1]));
    const bool loaded = db.LoadRecord(QString::fromLocal8Bit(argv[2])) == 1;
    if (argc >= 5) {
        if (argc < 6 || std::strcmp(argv[5], "die") != 0) std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(std::strtoull(argv[4], nullptr, 10));
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 101;
    }
    if (loaded) db.WriteOrt(QString::fromLocal8Bit(argv[3]));
    for (const QString& text : ui.texts()) std::printf("%s\n", qPrintable(text));
    return int(ui.count());
}
