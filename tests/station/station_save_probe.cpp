// Changes one field of a station file, for tests that need another user
// (one who may write the file but not its folder):
//   station_save_probe FILE ID VALUE
// Sets "Ort" of the record ID to VALUE; prints every message box text and
// exits with the number of boxes shown.
#include "records/station_database.h"
#include "support/recording_ui.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: station_save_probe FILE ID VALUE\n");
        return 100;
    }
    lumo::test::RecordingUi ui;
    lumo::StationDatabase db(QString::fromLocal8Bit(argv[1]));
    if (db.LoadRecord(QString::fromLocal8Bit(argv[2])) == 1) db.WriteOrt(QString::fromLocal8Bit(argv[3]));
    for (const QString& text : ui.texts()) std::printf("%s\n", qPrintable(text));
    return int(ui.count());
}
