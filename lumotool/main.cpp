// lumotool: the service program. With --simulator it first starts the
// controller simulator on a pseudo-terminal inside this process and makes it
// reachable as port COM1 through a ports folder of its own, so the whole
// program can be tried without a controller. --diagnose shows the main
// window's "Diagnose" button for service engineers; --trace FILE has the
// serial library write a trace of the line to FILE; --language de|en
// chooses the windows' language instead of the desktop's.
#include "core/language.h"
#include "widgets/service_app.h"
#include "panel/main_dialog.h"
#include "records/station_database.h"
#include "lumo_version.h"
#include "start_options.h"

#include <QApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <gardosim/simulator.h>

#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The simulator serves a POSIX pseudo-terminal; Windows has none.
class DemoSimulator {
public:
    bool start()
    {
        std::fputs("lumotool: --simulator is not available on Windows.\n", stderr);
        return false;
    }
};
#else

// The simulator for one run, registered as COM1 in a temporary ports folder
// that is removed again at the end.
class DemoSimulator {
public:
    bool start()
    {
        char pattern[] = "/tmp/lumotool-ports-XXXXXX";
        if (!mkdtemp(pattern)) {
            std::perror("lumotool: temporary ports folder");
            return false;
        }
        dir_ = pattern;
        // Before anything opens a port: serlink looks COMn up here.
        setenv("SERLINK_PORTS_DIR", dir_.c_str(), 1);
        sim_ = std::make_unique<gardosim::Simulator>();
        std::string error;
        if (!sim_->start(&error)) {
            std::fprintf(stderr, "lumotool: simulator: %s\n", error.c_str());
            return false;
        }
        if (sim_->registerPort("COM1", dir_, &error).empty()) {
            std::fprintf(stderr, "lumotool: simulator port: %s\n", error.c_str());
            return false;
        }
        std::fprintf(stderr, "lumotool: simulated controller at COM1 (%s); choose port 1.\n",
                     sim_->slavePath().c_str());
        return true;
    }

    ~DemoSimulator()
    {
        sim_.reset();
        if (!dir_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }

private:
    std::string dir_;
    std::unique_ptr<gardosim::Simulator> sim_;
};
#endif

// The service program with the start options applied to its main dialog.
class LumotoolApp : public lumo::ServiceApp {
public:
    explicit LumotoolApp(bool diagnose) : diagnose_(diagnose) {}

protected:
    int ExecMain() override
    {
        // A station file whose write in place was cut off by a kill or a
        // power cut is put back from its copy before anything reads it.
        lumo::StationDatabase::RecoverInPlaceWrite();
        lumo::MainDialog dialog;
        dialog.setDiagnosisButtonVisible(diagnose_);
        return dialog.exec();
    }

private:
    bool diagnose_;
};

}  // namespace

int main(int argc, char** argv)
{
    // The command line is read before any application object exists, so
    // that --help, --version and a wrong option are answered without a
    // display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const lumo::StartOptions options = lumo::parseStartOptions(arguments);
    const QString program = arguments.isEmpty() ? QString() : arguments.constFirst();
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "lumotool: %s\nTry 'lumotool --help' for the options.\n",
                     qPrintable(options.error));
        return lumo::kExitUsage;
    }
    if (options.help) {
        std::fputs(qPrintable(lumo::usageText(program)), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\n", qPrintable(lumo::versionText()));
        return 0;
    }
    // Before anything opens a port: serlink writes its trace there.
    if (!options.traceFile.isEmpty())
        qputenv("SERLINK_TRACE", QFile::encodeName(options.traceFile));

    DemoSimulator demo;
    if (options.simulator && !demo.start()) return 1;

    // Qt gets its own options; the strings live as long as the application.
    std::vector<QByteArray> qtStrings;
    for (const QString& a : options.qtArguments) qtStrings.push_back(a.toLocal8Bit());
    std::vector<char*> qtArgv;
    for (QByteArray& a : qtStrings) qtArgv.push_back(a.data());
    int count = int(qtArgv.size());
    qtArgv.push_back(nullptr);

    QApplication app(count, qtArgv.data());
    QApplication::setApplicationVersion(QStringLiteral(LUMO_VERSION));
    // The desktop entry, so that the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.mavik.lumotool"));
    lumo::UseLanguageFor(options.language);
    LumotoolApp service(options.diagnose);
    return service.Run();
}
