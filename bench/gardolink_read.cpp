// Time of one 4-byte Read_Program against gardosim playing a 4800 baud line,
// as a ratio to the pure wire time of its 14 bytes (6 request + 8 reply,
// ten bit times each). Goal: at most 1.05.
//
//   gardolink_read_bench [ROUNDS] [BAUD]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gardolink.h"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 4800;
    if (rounds < 1 || baud < 300) {
        std::fprintf(stderr, "usage: gardolink_read_bench [ROUNDS>=1] [BAUD>=300]\n");
        return 2;
    }

    BenchSim sim;
    if (!sim.start(baud)) return 1;
    if (int32_t rc = InitCommunication("COM1:", baud); rc != 0) {
        std::fprintf(stderr, "InitCommunication: %d\n", rc);
        return 1;
    }

    using Clock = std::chrono::steady_clock;
    uint8_t buf[4];
    std::vector<double> ms;
    for (int i = 0; i < rounds + 5; ++i) {
        const auto t0 = Clock::now();
        const int32_t rc = Read_Program(1680, 4, buf);
        const auto t1 = Clock::now();
        if (rc != 0) {
            std::fprintf(stderr, "Read_Program: %d\n", rc);
            return 1;
        }
        if (i >= 5) ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());  // after warm-up
    }
    CloseCommunication();

    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    const double mean = sum / static_cast<double>(ms.size());
    const double byteMs = 10.0 * 1000.0 / baud;
    const double wire = 14 * byteMs;
    std::printf("Read_Program(1680, 4) at %d baud, %d rounds\n", baud, rounds);
    std::printf("  wire time of 14 bytes: %.3f ms (%.3f ms a byte)\n", wire, byteMs);
    std::printf("  mean %.3f ms, median %.3f ms, min %.3f ms, max %.3f ms\n", mean, ms[ms.size() / 2], ms.front(),
                ms.back());
    std::printf("  ratio mean / wire time: %.4f (goal <= 1.05), median / wire time: %.4f\n", mean / wire,
                ms[ms.size() / 2] / wire);
    return 0;
}
