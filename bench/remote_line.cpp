// A controller behind a serial device server: the same transactions over
// RFC 2217 to ser2net on loopback and over the local pseudo-terminal, with
// gardosim playing a 4800 baud wire. Prints both times and their ratio
// (goal: remote / local <= 1.02). Over a real network each transaction
// adds one round trip on top.
//
//   remote_line_bench [ROUNDS]
//
// A round is one 4-byte Read_Program (the identification) and the reads of
// both log files (the 14 refuelling records of each side, 16 bytes each, in
// 8-byte transfers: 56 reads). Local and remote rounds alternate, so that a
// change of machine load hits both alike.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "loopback_ports.h"
#include "gardolink.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// One round: the 4-byte read alone, and the whole round; false on a failed
// transaction.
bool round_trip(double& read_ms, double& ms) {
    uint8_t buf[8];
    const auto t0 = Clock::now();
    if (Read_Program(1680, 4, buf) != 0) return false;
    read_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    for (int side = 0; side < 2; ++side) {
        for (int address = side ? 1440 : 1216, n = 0; n < 28; ++n, address += 8) {
            if (Read_Program(address, 8, buf) != 0) return false;
        }
    }
    ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    return true;
}

bool run(const std::string& port, int rounds, std::vector<double>& reads, std::vector<double>& out) {
    if (int32_t rc = InitCommunication(port.c_str(), 4800); rc != 0) {
        std::fprintf(stderr, "InitCommunication(%s): %d\n", port.c_str(), rc);
        return false;
    }
    bool ok = true;
    for (int i = 0; i < rounds && ok; ++i) {
        double read_ms = 0, ms = 0;
        ok = round_trip(read_ms, ms);
        reads.push_back(read_ms);
        out.push_back(ms);
    }
    CloseCommunication();
    if (!ok) std::fprintf(stderr, "a transaction on %s failed\n", port.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: remote_line_bench [ROUNDS>=1]\n");
        return 2;
    }
    BenchSim sim;
    if (!sim.start(4800)) return 1;

    // ser2net in front of the simulator's pseudo-terminal, passing each
    // received byte on at once (chardelay off, as the README's station
    // configuration has it; with ser2net's default it waits about two
    // character times after the last byte before sending).
    const int port = lumo::test::FreeTcpPort();
    const std::string config = sim.dir() + "/ser2net.yaml";
    std::ofstream(config) << "connection: &rfc\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << port
                          << "\n  connector: serialdev," << sim.device() << ",9600n81,local\n  options:\n    chardelay: false\n";
    const std::string pidfile = sim.dir() + "/ser2net.pid";
    const char* args[] = {"ser2net", "-n", "-u", "-c", config.c_str(), "-P", pidfile.c_str(), nullptr};
    pid_t server = 0;
    posix_spawn_file_actions_t quiet;  // its own messages would mix with the figures
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&server, "ser2net", &quiet, nullptr, const_cast<char**>(args), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        std::fprintf(stderr, "ser2net could not be started\n");
        return 1;
    }
    lumo::test::WaitForListener(port, 10000);
    const std::string url = "rfc2217://127.0.0.1:" + std::to_string(port) + ":";

    std::vector<double> local, remote, local_reads, remote_reads;
    bool ok = true;
    // Warm-up of both, then alternating blocks.
    std::vector<double> ignored, ignored_reads;
    ok = run("COM1:", 1, ignored_reads, ignored) && run(url, 1, ignored_reads, ignored);
    for (int i = 0; i < rounds && ok; ++i)
        ok = run("COM1:", 1, local_reads, local) && run(url, 1, remote_reads, remote);
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    if (!ok) return 1;

    const Figures lr = Summarise(local_reads), rr = Summarise(remote_reads);
    std::printf("Read_Program(1680, 4) at 4800 baud, %d rounds each (wire time of its 14 bytes: %.1f ms)\n", rounds,
                14 * 10.0 * 1000.0 / 4800);
    std::printf("  local pty:        mean %.2f ms, median %.2f ms\n", lr.mean, lr.median);
    std::printf("  RFC 2217 ser2net: mean %.2f ms, median %.2f ms\n", rr.mean, rr.median);
    std::printf("  ratio remote / local: mean %.4f, median %.4f (goal <= 1.02)\n", rr.mean / lr.mean,
                rr.median / lr.median);
    const Figures l = Summarise(local), r = Summarise(remote);
    const double wire = (14 + 56 * 18) * 10.0 * 1000.0 / 4800;
    std::printf("identification + both log files' reads (57 transactions) at 4800 baud, %d rounds each\n", rounds);
    std::printf("  wire time alone: %.1f ms\n", wire);
    std::printf("  local pty:        mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms\n", l.mean, l.median,
                l.min, l.max);
    std::printf("  RFC 2217 ser2net: mean %.1f ms, median %.1f ms, min %.1f ms, max %.1f ms\n", r.mean, r.median,
                r.min, r.max);
    std::printf("  ratio remote / local: mean %.4f, median %.4f (goal <= 1.02)\n", r.mean / l.mean,
                r.median / l.median);
    return 0;
}
