// Prints the CPU seconds spent per wall-clock second while ReadByte waits out
// its time-out on a silent pseudo-terminal (goal: at most 0.02), and the same
// for WriteByte sending to a reader that keeps up.
//
// Usage: serlink_wait [wait time in ms, default 2000] [rounds, default 3]
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "serlink.h"

namespace {

double cpu_seconds() {
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double wall_seconds() {
    using clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned wait_ms = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 2000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("pseudo-terminal");
        return 1;
    }
    const std::string port = std::string(ptsname(master)) + ":";
    (void)fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (int32_t r = Init_Serlink(port.c_str(), 4800); r != SERLINK_OK) {
        std::fprintf(stderr, "Init_Serlink(%s, 4800) = %d\n", port.c_str(), static_cast<int>(r));
        return 1;
    }
    Set_Wait_Time(wait_ms);

    std::printf("ReadByte time-out on a silent line, wait time %u ms\n", wait_ms);
    double worst = 0;
    for (int i = 0; i < rounds; ++i) {
        const double cpu0 = cpu_seconds();
        const double wall0 = wall_seconds();
        uint8_t b = 0;
        const int32_t r = ReadByte(&b);
        const double wall = wall_seconds() - wall0;
        const double cpu = cpu_seconds() - cpu0;
        const double ratio = wall > 0 ? cpu / wall : 0;
        worst = ratio > worst ? ratio : worst;
        std::printf("  round %d: status %d, wall %.3f s, cpu %.4f s, cpu per wall second %.4f\n", i + 1,
                    static_cast<int>(r), wall, cpu, ratio);
    }
    std::printf("cpu seconds per wall second while waiting (worst): %.4f (goal <= 0.02)\n", worst);

    // Writing: the far end reads everything; the library checks the output
    // queue before every byte.
    const int bytes = 20000;
    const double cpu0 = cpu_seconds();
    const double wall0 = wall_seconds();
    uint8_t sink[4096];
    int failed = 0;
    for (int i = 0; i < bytes; ++i) {
        if (WriteByte(static_cast<uint8_t>(i)) != SERLINK_OK) ++failed;
        if (i % 1024 == 1023) {
            while (read(master, sink, sizeof sink) > 0) {
            }
        }
    }
    const double wall = wall_seconds() - wall0;
    std::printf("WriteByte: %d bytes (%d failed) in %.3f s wall, %.3f s cpu, %.1f us per byte\n", bytes, failed,
                wall, cpu_seconds() - cpu0, wall * 1e6 / bytes);

    Exit_Serlink();
    close(master);
    return 0;
}
