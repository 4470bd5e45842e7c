// Time of one 4-byte Read_Program against gardosim playing a 4800 baud line,
// with SERLINK_TRACE naming a file against without it. Blocks of rounds
// alternate between the two, each block in a connection of its own (the
// variable is read when the port opens), so that drift of the machine hits
// both alike. Goal: mean with trace / mean without at most 1.01.
//
//   trace_overhead_bench [ROUNDS] [BAUD]     (ROUNDS per mode, default 200)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gardolink.h"

namespace {

using Clock = std::chrono::steady_clock;

// One connection: warm-up, then `rounds` timed reads appended to out.
bool block(int baud, int rounds, std::vector<double>& out) {
    if (int32_t rc = InitCommunication("COM1:", baud); rc != 0) {
        std::fprintf(stderr, "InitCommunication: %d\n", rc);
        return false;
    }
    uint8_t buf[4];
    for (int i = 0; i < rounds + 2; ++i) {
        const auto t0 = Clock::now();
        const int32_t rc = Read_Program(1680, 4, buf);
        const auto t1 = Clock::now();
        if (rc != 0) {
            std::fprintf(stderr, "Read_Program: %d\n", rc);
            return false;
        }
        if (i >= 2) out.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    CloseCommunication();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 4800;
    constexpr int kBlocks = 4;
    if (rounds < kBlocks || baud < 300) {
        std::fprintf(stderr, "usage: trace_overhead_bench [ROUNDS>=4] [BAUD>=300]\n");
        return 2;
    }

    BenchSim sim;
    if (!sim.start(baud)) return 1;
    const std::string trace = sim.dir() + "/trace.txt";

    std::vector<double> off, on;
    bool ok = true;
    for (int b = 0; b < kBlocks && ok; ++b) {
        ::unsetenv("SERLINK_TRACE");
        ok = block(baud, rounds / kBlocks, off);
        ::setenv("SERLINK_TRACE", trace.c_str(), 1);
        ok = ok && block(baud, rounds / kBlocks, on);
    }
    ::unsetenv("SERLINK_TRACE");
    std::error_code ec;
    const auto traceBytes = std::filesystem::file_size(trace, ec);
    if (!ok) return 1;

    const Figures f0 = Summarise(off), f1 = Summarise(on);
    const double wire = 14 * 10.0 * 1000.0 / baud;
    std::printf("Read_Program(1680, 4) at %d baud with wire timing, %zu rounds each way in %d blocks\n", baud,
                off.size(), kBlocks);
    std::printf("  wire time of 14 bytes: %.3f ms\n", wire);
    std::printf("  trace off: mean %.3f ms, median %.3f ms, min %.3f ms, max %.3f ms\n", f0.mean, f0.median, f0.min,
                f0.max);
    std::printf("  trace on:  mean %.3f ms, median %.3f ms, min %.3f ms, max %.3f ms (%llu bytes of trace)\n",
                f1.mean, f1.median, f1.min, f1.max, static_cast<unsigned long long>(ec ? 0 : traceBytes));
    std::printf("  ratio on / off: mean %.4f, median %.4f (goal <= 1.01)\n", f1.mean / f0.mean,
                f1.median / f0.median);
    return 0;
}
