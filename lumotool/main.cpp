// lumotool: the service program. With --simulator it first starts the
// controller simulator on a pseudo-terminal inside this process and makes it
// reachable as port COM1 through a ports folder of its own, so the whole
// program can be tried without a controller. --diagnose shows the main
// window's "Diagnose" button for service engineers.
#include "core/service_app.h"
#include "panel/main_dialog.h"
#include "start_options.h"

#include <QApplication>

#include <gardosim/simulator.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

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

// The service program with the start options applied to its main dialog.
class LumotoolApp : public lumo::ServiceApp {
public:
    explicit LumotoolApp(bool diagnose) : diagnose_(diagnose) {}

protected:
    int ExecMain() override
    {
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
    // Our options come out of the arguments before Qt sees them.
    lumo::StartOptions options = lumo::parseStartOptions(argc, argv);
    if (options.help) {
        std::fputs(lumo::usageText(argc > 0 ? argv[0] : nullptr).c_str(), stdout);
        return 0;
    }
    int count = int(options.rest.size());
    options.rest.push_back(nullptr);

    DemoSimulator demo;
    if (options.simulator && !demo.start()) return 1;

    QApplication app(count, options.rest.data());
    LumotoolApp service(options.diagnose);
    return service.Run();
}
