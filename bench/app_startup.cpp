// Start-up and refresh figures of the program, printed, never asserted:
//  - time from process start to the login dialog on screen (the parent
//    forks and execs this program as a child and takes the time before the
//    exec; the child reports when the login dialog gets its show event);
//  - resident memory of the child with the main dialog open;
//  - one full refresh of the main dialog against gardosim with wire timing
//    at 4800 baud, as a ratio to the wire time of the bytes it moved.
// Runs offscreen in temporary settings, runtime and ports folders.
#include "widgets/login_dialog.h"
#include "panel/port_dialog.h"
#include "widgets/service_app.h"
#include "panel/main_dialog.h"

#include <gardosim/simulator.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kRuns = 5;
constexpr int kBaud = 4800;

int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

QWidget* byId(QWidget* parent, int id)
{
    for (QWidget* w : parent->findChildren<QWidget*>())
        if (w->property("controlId").isValid() && w->property("controlId").toInt() == id) return w;
    return nullptr;
}

// ---- Child: the program's start-up with the dialogs answered by itself.

class BenchApp : public lumo::ServiceApp {
public:
    BenchApp(FILE* out, gardosim::Simulator* sim, bool full) : out_(out), sim_(sim), full_(full) {}

protected:
    int ExecLogin() override
    {
        lumo::LoginDialog login;
        struct ShowWatch : QObject {
            FILE* out;
            bool reported = false;
            bool eventFilter(QObject* o, QEvent* e) override
            {
                if (e->type() == QEvent::Show && !reported) {
                    reported = true;
                    std::fprintf(out, "login %lld\n", static_cast<long long>(monotonicNs()));
                    std::fflush(out);
                    QTimer::singleShot(0, static_cast<QDialog*>(o), &QDialog::reject);
                }
                return false;
            }
        } watch;
        watch.out = out_;
        login.installEventFilter(&watch);
        login.exec();
        // The login is not what is measured beyond its showing: go on as if
        // it had been confirmed when the main dialog is wanted.
        return full_ ? QDialog::Accepted : QDialog::Rejected;
    }

    int ExecMain() override
    {
        lumo::MainDialog dialog;
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (auto* pd = qobject_cast<lumo::PortDialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                qobject_cast<QLineEdit*>(byId(pd, lumo::PortDialog::kIdPort))->setText(QStringLiteral("1"));
                qobject_cast<QPushButton*>(byId(pd, lumo::PortDialog::kIdTry))->click();
            }
        });
        poll->start(5);
        if (!dialog.OnInitDialog()) {
            std::fprintf(out_, "error port dialog cancelled\n");
            return QDialog::Rejected;
        }
        dialog.show();
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        std::fprintf(out_, "rss %ld\n", residentKb());

        // One refresh at 4800 baud, with the cyclic timer out of the way.
        if (auto* box = byId(&dialog, lumo::MainDialog::kIdCyclic)) qobject_cast<QAbstractButton*>(box)->click();
        sim_->setWireTiming(kBaud);
        for (int run = 0; run < 7; ++run) {
            sim_->clearLog();
            const int64_t t0 = monotonicNs();
            const bool ok = dialog.RefreshValues();
            const int64_t elapsed = monotonicNs() - t0;
            std::size_t bytes = 0;
            for (const auto& f : sim_->frames()) bytes += f.request.size() + f.reply.size();
            const int64_t wireNs = int64_t(bytes) * 10 * 1000000000 / kBaud;
            std::fprintf(out_, "refresh %d %lld %lld %zu\n", ok ? 1 : 0, static_cast<long long>(elapsed),
                         static_cast<long long>(wireNs), bytes);
        }
        std::fflush(out_);
        return QDialog::Accepted;
    }

private:
    FILE* out_;
    gardosim::Simulator* sim_;
    bool full_;
};

int child(int fd, bool full)
{
    FILE* out = fdopen(fd, "w");
    if (!out) return 2;
    gardosim::Simulator sim;
    std::string error;
    if (full) {
        if (!sim.start(&error) || sim.registerPort("COM1", {}, &error).empty()) {
            std::fprintf(out, "error simulator: %s\n", error.c_str());
            return 2;
        }
    }
    int argc = 1;
    char name[] = "lumotool";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    BenchApp service(out, &sim, full);
    service.Run();
    std::fclose(out);
    return 0;
}

// ---- Parent.

std::string makeTempDir(const char* what)
{
    std::string pattern = std::string("/tmp/lumo-bench-") + what + "-XXXXXX";
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

struct ChildResult {
    int64_t startNs = -1;
    long rssKb = -1;
    std::vector<std::vector<long long>> refreshes;
    std::string error;
};

ChildResult runChild(const char* self, bool full)
{
    ChildResult r;
    int fds[2];
    if (pipe(fds) != 0) {
        r.error = std::strerror(errno);
        return r;
    }
    const int64_t t0 = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execl(self, self, full ? "--child-full" : "--child", fd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE* in = fdopen(fds[0], "r");
    char line[512];
    while (in && std::fgets(line, sizeof line, in)) {
        long long a = 0, b = 0, c = 0, d = 0;
        if (std::sscanf(line, "login %lld", &a) == 1) {
            r.startNs = a - t0;
        } else if (std::sscanf(line, "rss %lld", &a) == 1) {
            r.rssKb = long(a);
        } else if (std::sscanf(line, "refresh %lld %lld %lld %lld", &a, &b, &c, &d) == 4) {
            r.refreshes.push_back({a, b, c, d});
        } else {
            r.error += line;
        }
    }
    if (in) std::fclose(in);
    int status = 0;
    waitpid(pid, &status, 0);
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return child(std::atoi(argv[2]), false);
    if (argc == 3 && std::strcmp(argv[1], "--child-full") == 0) return child(std::atoi(argv[2]), true);

    // A clean, private environment for the children.
    const std::string runtime = makeTempDir("runtime");
    const std::string config = makeTempDir("config");
    const std::string data = makeTempDir("data");
    const std::string ports = makeTempDir("ports");
    if (runtime.empty() || config.empty() || data.empty() || ports.empty()) {
        std::perror("app_startup: temporary folders");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("SERLINK_PORTS_DIR", ports.c_str(), 1);

    std::vector<double> startMs;
    for (int i = 0; i < kRuns; ++i) {
        const ChildResult r = runChild(argv[0], false);
        if (r.startNs < 0) {
            std::fprintf(stderr, "app_startup: no login dialog seen%s%s\n", r.error.empty() ? "" : ": ",
                         r.error.c_str());
            return 1;
        }
        startMs.push_back(double(r.startNs) / 1e6);
    }
    std::sort(startMs.begin(), startMs.end());
    std::printf("start to login dialog shown: median %.1f ms (min %.1f, max %.1f, %d runs; goal < 300 ms)\n",
                startMs[kRuns / 2], startMs.front(), startMs.back(), kRuns);

    const ChildResult full = runChild(argv[0], true);
    if (!full.error.empty()) std::fprintf(stderr, "app_startup: %s", full.error.c_str());
    if (full.rssKb >= 0)
        std::printf("resident memory with the main dialog open: %.1f MB (goal < 80 MB)\n", full.rssKb / 1024.0);
    std::vector<double> ratios;
    for (const auto& f : full.refreshes) {
        if (!f[0]) {
            std::fprintf(stderr, "app_startup: a refresh failed\n");
            continue;
        }
        ratios.push_back(f[2] > 0 ? double(f[1]) / double(f[2]) : 0.0);
    }
    if (!ratios.empty()) {
        const auto& f = full.refreshes.back();
        std::vector<double> sorted = ratios;
        std::sort(sorted.begin(), sorted.end());
        std::printf("full refresh at %d baud: %lld bytes, wire time %.1f ms; elapsed/wire ratio median %.3f "
                    "(min %.3f, max %.3f, %zu runs; goal <= 1.05)\n",
                    kBaud, f[3], f[2] / 1e6, sorted[sorted.size() / 2], sorted.front(), sorted.back(),
                    sorted.size());
    }

    for (const std::string& d : {runtime, config, data, ports}) {
        std::error_code ec;
        std::filesystem::remove_all(d, ec);
    }
    return full.refreshes.empty() ? 1 : 0;
}
