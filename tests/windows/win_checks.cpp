// Windows-only code paths of the program, run one at a time by the Wine
// tests (lumotool_wine_test.sh) with nobody at a window. A console program
// linking the program's own library; prints UTF-8 key=value lines.
//
//   lumo_wincheck.exe lookup FILE TABLE COLUMN KEY
//       the Access lookup through lumo-mdb.exe beside it, with the
//       program's time limit: status=..., value.N=..., error=...
//   lumo_wincheck.exe lookup-with crash|hang FILE TABLE COLUMN KEY
//       the same lookup with this program as the reader, which crashes
//       (with lumo-mdb.exe's error mode) or never answers
//   lumo_wincheck.exe station ID ORT
//       the station file the program uses (path=, legacy=), the record's
//       Ort as read (read.ort=), then Ort set to ORT; message=... for each
//       box the program would show
//   lumo_wincheck.exe ports [FILE]
//       the port dialog's device list: from the device manager, or from
//       recorded values in FILE (lines "port<TAB>friendly name<TAB>
//       manufacturer<TAB>hardware id<TAB>instance id", and "map<TAB>COMn"
//       for a name of the serial device map)
#include "core/data_paths.h"
#include "core/port_info.h"
#include "core/ui_seam.h"
#include "mdbhelper/crash_exit.h"
#include "records/mdb_reader.h"
#include "records/station_database.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

void put(const QString& key, const QString& value)
{
    const QByteArray line = (key + QLatin1Char('=') + value + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
}

// Prints each box instead of showing it; answers No to questions.
class PrintingUi : public lumo::UiSeam {
public:
    lumo::MsgResult showMessage(const lumo::Message& message) override
    {
        put(QStringLiteral("message"), message.text);
        return message.buttons == lumo::MsgButtons::YesNo ? lumo::MsgResult::No : lumo::MsgResult::Ok;
    }
    bool openWithDesktop(const QString&) override { return false; }
    QString chooseSaveFile(const QString&, const QString&, const QString&, QWidget*) override { return {}; }
};

int lookup(const QStringList& a)
{
    if (a.size() != 4) return 2;
    const lumo::mdb::RowLookup row = lumo::mdb::LookUpRow(a[0], a[1], a[2], a[3]);
    static const char* const kStatus[] = {"Found", "NoMatch", "NotOpened", "Failed"};
    put(QStringLiteral("status"), QLatin1String(kStatus[int(row.status)]));
    for (int i = 0; i < row.columnCount(); ++i)
        put(QStringLiteral("value.%1").arg(i), row.values[size_t(i)] ? *row.values[size_t(i)] : QStringLiteral("<null>"));
    if (!row.error.isEmpty()) put(QStringLiteral("error"), row.error);
    return 0;
}

// The reader's stand-in (LUMO_WINCHECK_READER set): a crash the way
// lumo-mdb.exe would crash in libmdb (set up as lumo-mdb.exe is), or a
// reader that never ends.
[[noreturn]] void fakeReader(const QByteArray& how)
{
    lumo::mdbrow::EndAtOnceOnCrash();
    std::fputs("lumo-mdb 1\nrow 3\n", stdout);  // the start of an answer, then nothing
    std::fflush(stdout);
    if (how == "crash") {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    for (;;) Sleep(1000);
}

int station(const QStringList& a)
{
    if (a.size() != 2) return 2;
    put(QStringLiteral("path"), lumo::StationDatabase::DefaultFilePath());
    put(QStringLiteral("legacy"), lumo::LegacyStationFilePath());
    lumo::StationDatabase db;
    if (db.LoadRecord(a[0]) != 1) return 1;
    put(QStringLiteral("read.ort"), db.ReadOrt());
    db.WriteOrt(a[1]);
    return 0;
}

int ports(const QStringList& a)
{
    if (a.isEmpty()) {
        put(QStringLiteral("list"), lumo::PortInfo::DeviceListText(lumo::PortInfo::ListSerialDevices()));
        return 0;
    }
    QFile file(a[0]);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    QList<lumo::PortProperties> recorded;
    QStringList mapped;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() == 2 && f[0] == QLatin1String("map")) mapped << f[1];
        else if (f.size() == 5) recorded.append({f[0], f[1], f[2], f[3], f[4]});
    }
    put(QStringLiteral("list"), lumo::PortInfo::DeviceListText(lumo::PortInfo::ListSerialDevices(recorded, mapped)));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const QByteArray reader = qgetenv("LUMO_WINCHECK_READER");
    if (!reader.isEmpty()) fakeReader(reader);
    QCoreApplication app(argc, argv);
    _setmode(_fileno(stdout), _O_BINARY);
    PrintingUi printing;
    lumo::installUi(&printing);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString mode = args.isEmpty() ? QString() : args.takeFirst();
    int rc = 2;
    if (mode == QLatin1String("lookup-with") && !args.isEmpty()) {
        qputenv("LUMO_WINCHECK_READER", args.takeFirst().toLatin1());
        qputenv("LUMO_MDB_HELPER", QCoreApplication::applicationFilePath().toLocal8Bit());
        mode = QStringLiteral("lookup");
    }
    if (mode == QLatin1String("lookup")) rc = lookup(args);
    else if (mode == QLatin1String("station")) rc = station(args);
    else if (mode == QLatin1String("ports")) rc = ports(args);
    else std::fputs("usage: lumo_wincheck.exe lookup|station|ports ...\n", stderr);
    std::fflush(stdout);
    lumo::installUi(nullptr);
    return rc;
}
