#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "gardosim/memory.h"

using namespace gardosim;
using Bytes = std::vector<uint8_t>;
using TP = std::chrono::steady_clock::time_point;

namespace {

const TP kT0{std::chrono::seconds(5000)};

uint32_t le(const Bytes& b, std::size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

struct TempFile {
    std::string path;
    TempFile() {
        char tmpl[] = "/tmp/gardosim-memXXXXXX";
        int fd = mkstemp(tmpl);
        close(fd);
        path = tmpl;
        std::filesystem::remove(path);
    }
    ~TempFile() {
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".tmp");
    }
};

}  // namespace

TEST(Clock, RunsOnFromTheWrittenValue) {
    DeviceMemory mem;
    // Sunday 31.12.2099 23:59:58.
    const Bytes set{6, 23, 59, 58, 31, 12, 99};
    mem.write(Area::Clock, 0, set, kT0);
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0 + std::chrono::milliseconds(999)), set);
    // Two seconds later: Monday 1.1.2100 00:00:00.
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0 + std::chrono::seconds(2)), (Bytes{0, 0, 0, 0, 1, 1, 100}));
    // A day and an hour later.
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0 + std::chrono::seconds(2 + 86400 + 3600)),
              (Bytes{1, 1, 0, 0, 2, 1, 100}));
}

TEST(Clock, KnowsLeapYearsAndWrapsTheYearByte) {
    EXPECT_EQ(advanceClock({2, 12, 0, 0, 28, 2, 24}, 86400), (ClockBytes{3, 12, 0, 0, 29, 2, 24}));
    EXPECT_EQ(advanceClock({2, 12, 0, 0, 28, 2, 23}, 86400), (ClockBytes{3, 12, 0, 0, 1, 3, 23}));
    EXPECT_EQ(advanceClock({0, 12, 0, 0, 28, 2, 100}, 86400), (ClockBytes{1, 12, 0, 0, 1, 3, 100}));  // 2100
    EXPECT_EQ(advanceClock({5, 23, 59, 59, 31, 12, 255}, 1), (ClockBytes{6, 0, 0, 0, 1, 1, 0}));
}

TEST(Clock, AnInvalidValueStaysAsWritten) {
    DeviceMemory mem;
    const Bytes bad{7, 25, 61, 0, 31, 2, 24};
    mem.write(Area::Clock, 0, bad, kT0);
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0 + std::chrono::hours(5)), bad);
}

TEST(Clock, APartialWritePatchesTheRunningValue) {
    DeviceMemory mem;
    mem.write(Area::Clock, 0, Bytes{3, 10, 20, 30, 15, 6, 25}, kT0);
    mem.write(Area::Clock, 1, Bytes{8}, kT0 + std::chrono::seconds(10));
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0 + std::chrono::seconds(10)), (Bytes{3, 8, 20, 40, 15, 6, 25}));
}

TEST(DefaultContent, HoldsPlausibleControllerValues) {
    DeviceMemory mem;
    mem.loadDefaults({0, 10, 0, 0, 7, 12, 26}, kT0);
    const Bytes prog = mem.read(Area::Program, 0, 2048, kT0);
    const Bytes proc = mem.read(Area::Process, 0, 128, kT0);
    EXPECT_EQ(le(prog, addr::kIdent, 4), kDefaultIdent);
    for (int i = 0; i < 4; ++i) EXPECT_GT(prog[addr::kCalibration + i], 0);
    EXPECT_GT(prog[addr::kTrigger], 0);
    EXPECT_GT(le(prog, addr::kMeterLeft, 4), 0u);
    EXPECT_GT(le(prog, addr::kMeterRight + 4, 4), 0u);
    for (uint32_t base : {addr::kRecordsLeft, addr::kRecordsRight}) {
        for (int k = 0; k < kRecordsPerSide; ++k) {
            const std::size_t a = base + static_cast<std::size_t>(k) * kRecordSize;
            const uint32_t liquid = le(prog, a, 4), gas = le(prog, a + 4, 4);
            EXPECT_GT(liquid, 1000u);
            EXPECT_NEAR(static_cast<double>(gas) / liquid, 1.0, 0.06);
            EXPECT_LE(prog[a + 10], 59);
            EXPECT_LE(prog[a + 11], 59);
            EXPECT_LE(prog[a + 12], 23);
            EXPECT_GE(prog[a + 13], 1);
            EXPECT_LE(prog[a + 13], 31);
            EXPECT_GE(prog[a + 14], 1);
            EXPECT_LE(prog[a + 14], 12);
            EXPECT_TRUE(prog[a + 15] == 26 || prog[a + 15] == 25);
        }
    }
    // Left side flags in the low nibble, right side in the high one.
    EXPECT_EQ(prog[addr::kRecordsLeft + 8] & 0xF0, 0);
    EXPECT_EQ(prog[addr::kRecordsRight + 8] & 0x0F, 0);
    EXPECT_NE(proc[addr::kSensors], 0);
    EXPECT_GT(le(proc, addr::kErrorTimeLeft, 2), 0u);
    EXPECT_GT(le(proc, addr::kErrorTimeRight, 2), 0u);
    // The bytes that the counter transfers carry along are not zero, so a
    // pass-through can be told from a cleared byte.
    EXPECT_NE(proc[80], 0);
    EXPECT_NE(proc[83], 0);
    EXPECT_NE(proc[84], 0);
    EXPECT_EQ(mem.read(Area::Clock, 0, 7, kT0), (Bytes{0, 10, 0, 0, 7, 12, 26}));
}

TEST(MemoryFile, KeepsChangesAcrossARestart) {
    TempFile file;
    {
        DeviceMemory mem;
        mem.write(Area::Program, 1184, Bytes{1, 2, 3, 4}, kT0);
        mem.write(Area::Process, 65535, Bytes{0xEE}, kT0);
        mem.write(Area::RemoteValues, 0, Bytes{9, 8, 7, 6}, kT0);
        mem.write(Area::Clock, 0, Bytes{2, 10, 0, 0, 1, 6, 30}, kT0);
        mem.state().running = false;
        mem.state().activeCalibration = {1, 2, 3, 4};
        std::string err;
        ASSERT_TRUE(mem.save(file.path, kT0, &err)) << err;
    }
    DeviceMemory again;
    std::string err;
    ASSERT_TRUE(again.load(file.path, kT0, &err)) << err;
    EXPECT_EQ(again.read(Area::Program, 1184, 4, kT0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(again.read(Area::Process, 65535, 1, kT0), Bytes{0xEE});
    EXPECT_EQ(again.read(Area::RemoteValues, 0, 4, kT0), (Bytes{9, 8, 7, 6}));
    EXPECT_FALSE(again.state().running);
    EXPECT_EQ(again.state().activeCalibration, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    // The clock has run on by the seconds between saving and loading (a few
    // at most here): same date.
    const Bytes c = again.read(Area::Clock, 0, 7, kT0);
    EXPECT_EQ(Bytes(c.begin() + 4, c.end()), (Bytes{1, 6, 30}));
    EXPECT_EQ(c[1], 10);
}

TEST(MemoryFile, RefusesAForeignFileAndKeepsItsContent) {
    TempFile file;
    {
        std::ofstream f(file.path, std::ios::binary);
        f << "not a memory image";
    }
    DeviceMemory mem;
    const Bytes before = mem.read(Area::Program, 1680, 4, kT0);
    std::string err;
    EXPECT_FALSE(mem.load(file.path, kT0, &err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(mem.read(Area::Program, 1680, 4, kT0), before);
    EXPECT_FALSE(mem.load(file.path + ".missing", kT0, &err));
}

TEST(DeviceMemory, AccessBeyondAnAreaIsCutOff) {
    DeviceMemory mem;
    const Bytes first = mem.read(Area::Program, 0, 2, kT0);
    mem.write(Area::Program, 0xFFFFFFFFu, Bytes{0xAB, 0xCD}, kT0);  // would wrap to 0
    mem.write(Area::Program, 65535, Bytes{0x11, 0x22}, kT0);
    EXPECT_EQ(mem.read(Area::Program, 0, 2, kT0), first);
    EXPECT_EQ(mem.read(Area::Program, 65535, 2, kT0), (Bytes{0x11, 0}));
    EXPECT_EQ(mem.read(Area::Program, 0xFFFFFFFFu, 2, kT0), (Bytes{0, 0}));
    EXPECT_EQ(mem.read(Area::RemoteValues, 2, 4, kT0), (Bytes{0, 0, 0, 0}));
    EXPECT_FALSE(mem.inRange(Area::Clock, 0, 8));
    EXPECT_TRUE(mem.inRange(Area::Clock, 0, 7));
    EXPECT_FALSE(mem.inRange(Area::Program, 0xFFFFFFFFu, 1));
}
