// gardosim: plays the controller on a pseudo-terminal until interrupted.
// The first line on stdout is the pty's slave path; commands on stdin inject
// faults and inspect the controller while it runs.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "gardosim/simulator.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

const char kUsage[] =
    "usage: gardosim [options]\n"
    "Plays the vapour-recovery controller on a pseudo-terminal. The first line\n"
    "on stdout is the slave path to open (4800 8N1, like the real line).\n"
    "\n"
    "options:\n"
    "  --port NAME          enter the pty in the ports folder as NAME (e.g. COM1),\n"
    "                       so that \"NAME:\" opens it; removed again at exit\n"
    "  --ports-dir DIR      ports folder (default $SERLINK_PORTS_DIR, else\n"
    "                       ~/.config/serlink/ports)\n"
    "  --memory FILE        load the controller's memory from FILE (when it\n"
    "                       exists) and save every change to it\n"
    "  --station BYTE       station address byte answered to: 0xC1 (default,\n"
    "                       full library) or 0xB1 (reduced library)\n"
    "  --wire-timing BAUD   every byte takes ten bit times at BAUD on the wire\n"
    "  --log                print every frame and its reply to stderr, in the\n"
    "                       line format of the serial line trace (SERLINK_TRACE)\n"
    "  --help               this text\n"
    "\n"
    "commands on stdin, one a line (N: how many requests, default 1, -1 = until\n"
    "cleared):\n"
    "  silence N            no answer to the next N requests\n"
    "  reject N             answer \"P\"            faulty N    answer \"0\"\n"
    "  unknown N [BYTE]     answer BYTE (default '?')\n"
    "  ack N                answer 0x60 (also to reads)\n"
    "  badsum N             read replies with a wrong checksum\n"
    "  badtype N [BYTE]     read replies with type BYTE (default 0x15)\n"
    "  badlen N [LEN]       read replies announcing LEN bytes (default 9)\n"
    "  long N               read replies one byte longer than asked for\n"
    "  garbage N            answer garbage bytes\n"
    "  delay MS [N]         answer after MS milliseconds\n"
    "  clear                drop all pending faults\n"
    "  faults               list pending faults\n"
    "  send BYTE...         send bytes at once, unasked\n"
    "  peek AREA ADDR N     show N bytes (AREA: program process clock display values)\n"
    "  poke AREA ADDR BYTE...  change bytes\n"
    "  state                show the running flag and the other switches\n"
    "  frames               number of frames seen\n"
    "  quit                 stop\n";

bool parseNumber(const std::string& text, long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return false;
    *out = v;
    return true;
}

bool parseArea(const std::string& name, gardosim::Area* area) {
    using gardosim::Area;
    for (Area a : {Area::Program, Area::Process, Area::Clock, Area::RemoteDisplay, Area::RemoteValues}) {
        if (name == gardosim::areaName(a)) {
            *area = a;
            return true;
        }
    }
    return false;
}

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, "%02X ", v);
        s += b;
    }
    if (!s.empty()) s.pop_back();
    return s;
}

// Runs one stdin command; false for "quit".
bool runCommand(gardosim::Simulator& sim, const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string t; in >> t;) w.push_back(t);
    if (w.empty()) return true;
    const std::string& cmd = w[0];
    std::vector<long> n;
    for (std::size_t i = 1; i < w.size(); ++i) {
        long v = 0;
        if (cmd == "peek" || cmd == "poke") {
            if (i == 1) continue;  // the area name
        }
        if (!parseNumber(w[i], &v)) {
            std::printf("error: '%s' is not a number\n", w[i].c_str());
            return true;
        }
        n.push_back(v);
    }

    if (cmd == "quit" || cmd == "exit") return false;
    if (cmd == "help") {
        std::fputs(kUsage, stdout);
    } else if (cmd == "clear") {
        sim.clearFaults();
        std::printf("ok\n");
    } else if (cmd == "faults") {
        for (const auto& f : sim.pendingFaults())
            std::printf("%s count %d value %d\n", gardosim::faultName(f.kind), f.count, f.value);
        std::printf("ok\n");
    } else if (cmd == "send") {
        std::vector<uint8_t> bytes;
        for (long v : n) bytes.push_back(static_cast<uint8_t>(v));
        sim.sendUnsolicited(bytes);
        std::printf("ok\n");
    } else if (cmd == "peek" || cmd == "poke") {
        gardosim::Area area{};
        if (w.size() < 3 || !parseArea(w[1], &area)) {
            std::printf("error: %s AREA ADDR ...\n", cmd.c_str());
            return true;
        }
        if (cmd == "peek") {
            const long count = n.size() > 1 ? n[1] : 1;
            if (n[0] < 0 || count < 0 || count > 4096) {
                std::printf("error: bad address or count\n");
                return true;
            }
            std::printf("%s\n", hex(sim.peek(area, static_cast<uint32_t>(n[0]), static_cast<std::size_t>(count))).c_str());
        } else {
            std::vector<uint8_t> bytes;
            for (std::size_t i = 1; i < n.size(); ++i) bytes.push_back(static_cast<uint8_t>(n[i]));
            if (n[0] < 0) {
                std::printf("error: bad address\n");
                return true;
            }
            sim.poke(area, static_cast<uint32_t>(n[0]), bytes);
            std::printf("ok\n");
        }
    } else if (cmd == "state") {
        const auto s = sim.state();
        std::printf("running %d test %d retention %d pkeys %d debounce %d dst %d remote %d calibration %u %u %u %u "
                    "applied %d autorun %d\n",
                    s.running, s.testActive, s.retention, s.pkeys, s.debounce, s.dst, s.remoteMode,
                    s.activeCalibration[0], s.activeCalibration[1], s.activeCalibration[2], s.activeCalibration[3],
                    s.applyCount, s.autoRunCount);
    } else if (cmd == "frames") {
        std::printf("%zu\n", sim.frameCount());
    } else {
        const gardosim::FaultKind kind = gardosim::faultFromName(cmd);
        if (kind == gardosim::FaultKind::None) {
            std::printf("error: unknown command '%s' (try help)\n", cmd.c_str());
            return true;
        }
        gardosim::Fault f{kind, 1, -1};
        if (kind == gardosim::FaultKind::Delay) {
            if (n.empty()) {
                std::printf("error: delay MS [N]\n");
                return true;
            }
            f.value = static_cast<int>(n[0]);
            if (n.size() > 1) f.count = static_cast<int>(n[1]);
        } else {
            if (!n.empty()) f.count = static_cast<int>(n[0]);
            if (n.size() > 1) f.value = static_cast<int>(n[1]);
        }
        if (f.count == 0 || f.count < gardosim::kForever) {
            std::printf("error: bad count\n");
            return true;
        }
        sim.inject(f);
        std::printf("ok\n");
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    gardosim::Options opts;
    std::string port, portsDir;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "gardosim: %s needs %s\n", a.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        long v = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--port") {
            port = value("a name");
        } else if (a == "--ports-dir") {
            portsDir = value("a folder");
        } else if (a == "--memory") {
            opts.memoryFile = value("a file");
        } else if (a == "--station") {
            if (!parseNumber(value("a byte"), &v) || v < 0 || v > 255) {
                std::fprintf(stderr, "gardosim: bad station byte\n");
                return 2;
            }
            opts.station = static_cast<uint8_t>(v);
        } else if (a == "--wire-timing") {
            if (!parseNumber(value("a baud rate"), &v) || v <= 0 || v > 4000000) {
                std::fprintf(stderr, "gardosim: bad baud rate\n");
                return 2;
            }
            opts.wireBaud = static_cast<int>(v);
        } else if (a == "--log") {
            opts.logToStderr = true;
        } else {
            std::fprintf(stderr, "gardosim: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }

    // Answers go out line by line, also into a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    gardosim::Simulator sim(opts);
    std::string err;
    if (!sim.start(&err)) {
        std::fprintf(stderr, "gardosim: %s\n", err.c_str());
        return 1;
    }
    // The port entry is in place before the path is printed, so a reader of
    // the first line can open it at once.
    if (!port.empty()) {
        const std::string link = sim.registerPort(port, portsDir, &err);
        if (link.empty()) {
            std::fprintf(stderr, "gardosim: %s\n", err.c_str());
            return 1;
        }
        std::fprintf(stderr, "gardosim: %s -> %s\n", link.c_str(), sim.slavePath().c_str());
    }
    std::printf("%s\n", sim.slavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "gardosim: station 0x%02X, id %u\n", sim.station(), gardosim::kDefaultIdent);

    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    bool stdinOpen = true;
    std::string pending;
    while (!g_stop) {
        if (!stdinOpen) {
            // Until a signal. The stop signals are blocked while g_stop is
            // tested, so that one arriving just before the wait cannot be
            // missed and leave the program waiting for good.
            sigset_t stopSignals, previous;
            sigemptyset(&stopSignals);
            sigaddset(&stopSignals, SIGINT);
            sigaddset(&stopSignals, SIGTERM);
            sigprocmask(SIG_BLOCK, &stopSignals, &previous);
            if (!g_stop) sigsuspend(&previous);
            sigprocmask(SIG_SETMASK, &previous, nullptr);
            continue;
        }
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (poll(&pfd, 1, 500) <= 0) continue;
        char buf[256];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            // Without stdin (e.g. started in the background) serve until a signal.
            if (n == 0 || errno != EINTR) stdinOpen = false;
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        bool quit = false;
        while ((nl = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!runCommand(sim, line)) quit = true;
        }
        if (quit) break;
    }
    sim.stop();
    return 0;
}
