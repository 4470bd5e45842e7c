// The line trace end to end: the real libraries over a pty against gardosim,
// with faults injected and SERLINK_TRACE naming a file.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gardolink.h"
#include "gardosim/simulator.h"
#include "line_trace.h"

namespace {

using Lines = std::vector<std::string>;

Lines readLines(const std::string& path) {
    std::ifstream in(path);
    Lines lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// The text after the time and the source column.
std::string event(const std::string& line) { return line.size() > 21 ? line.substr(21) : std::string(); }
std::string source(const std::string& line) { return line.substr(11, 9); }

// Index of the first line from `from` on that contains text; -1 if none.
int find(const Lines& lines, const std::string& text, int from = 0) {
    for (int i = from; i < static_cast<int>(lines.size()); ++i) {
        if (lines[i].find(text) != std::string::npos) return i;
    }
    return -1;
}

class Trace : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/linktrace-itXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        file_ = dir_ + "/trace.txt";
        ::setenv("SERLINK_PORTS_DIR", dir_.c_str(), 1);
        ::setenv(linktrace::kVariable, file_.c_str(), 1);
        std::string err;
        ASSERT_TRUE(sim_.start(&err)) << err;
        ASSERT_FALSE(sim_.registerPort("COM5", {}, &err).empty()) << err;
    }
    void TearDown() override {
        CloseCommunication();
        ::unsetenv(linktrace::kVariable);
        sim_.stop();
        std::filesystem::remove_all(dir_);
    }

    std::string dir_, file_;
    gardosim::Simulator sim_;
};

}  // namespace

TEST_F(Trace, NamesEachFaultTheAttemptsAndTheFinalStatus) {
    ASSERT_EQ(InitCommunication("COM5:", 4800), 0);
    Change_Wait_Time(150);
    uint8_t buf[8] = {};
    sim_.inject(gardosim::FaultKind::Silence, 2);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    sim_.inject(gardosim::FaultKind::BadChecksum, 4);
    EXPECT_EQ(Read_ProzessData(78, 4, buf), GARDO_UNKNOWN_REPLY);
    sim_.inject(gardosim::FaultKind::Silence, gardosim::kForever);
    EXPECT_EQ(Stop(), SERLINK_E_READ_TIMEOUT);
    sim_.clearFaults();
    ASSERT_EQ(CloseCommunication(), 0);
    // A second open in the same run appends.
    ASSERT_EQ(InitCommunication("COM5:", 4800), 0);
    EXPECT_EQ(Start(), GARDO_OK);
    ASSERT_EQ(CloseCommunication(), 0);

    const Lines lines = readLines(file_);
    ASSERT_GE(lines.size(), 10u);
    for (const std::string& l : lines) ASSERT_GT(l.size(), 21u) << l;

    // The open: port text, the device it reached, baud and mode.
    EXPECT_EQ(source(lines[0]), "serlink  ");
    EXPECT_EQ(event(lines[0]).rfind("open \"COM5:\" -> " + dir_ + "/COM5 (/dev/pts/", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("4800 baud 8N1, wait time 2000 ms"), std::string::npos) << lines[0];

    // Two silent attempts, then the reply: bytes per burst, each time-out
    // with its wait, and the transaction line after the reply's bytes.
    const int good = find(lines, "gardolink Read_Program (80)");
    ASSERT_GE(good, 7);
    const Lines burst(lines.begin() + good - 6, lines.begin() + good);
    const Lines expected = {"send C1 80 04 90 06 1B",
                            "timeout: no byte received within 150 ms -> -1154 SERLINK_E_READ_TIMEOUT",
                            "send C1 80 04 90 06 1B",
                            "timeout: no byte received within 150 ms -> -1154 SERLINK_E_READ_TIMEOUT",
                            "send C1 80 04 90 06 1B"};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(event(burst[i]), expected[i]);
    EXPECT_EQ(event(burst[5]).rfind("recv C0 14 04 ", 0), 0u) << burst[5];
    EXPECT_EQ(event(lines[good]).substr(0, event(lines[good]).rfind(',')),
              "Read_Program (80) program address 1680 count 4: waited for a quiet line 2 times, dropped 0 bytes; "
              "attempt 1 silence (-1154 SERLINK_E_READ_TIMEOUT); attempt 2 silence (-1154 SERLINK_E_READ_TIMEOUT); "
              "attempt 3 reply C0 14 with 4 data bytes, checksum ok; status 0 GARDO_OK after 3 attempts");

    const int badsum = find(lines, "gardolink Read_ProzessData (81)");
    ASSERT_GT(badsum, good);
    const std::string b = event(lines[badsum]);
    EXPECT_NE(b.find("process address 78 count 4: waited for a quiet line 4 times, dropped 0 bytes; attempt 1 "
                     "bad checksum "),
              std::string::npos)
        << b;
    EXPECT_NE(b.find("attempt 4 bad checksum "), std::string::npos) << b;
    EXPECT_NE(b.find("status 3 GARDO_UNKNOWN_REPLY after 4 attempts"), std::string::npos) << b;

    const int stop = find(lines, "gardolink Stop (C0)");
    ASSERT_GT(stop, badsum);
    EXPECT_NE(lines[stop].find("attempt 1 silence (-1154 SERLINK_E_READ_TIMEOUT); "
                               "status -1154 SERLINK_E_READ_TIMEOUT after 1 attempt"),
              std::string::npos)
        << lines[stop];

    // Each writer's times run forward within each open; both opens and
    // closes are there.
    const int second = find(lines, "serlink   open", 1);
    ASSERT_GT(second, stop);
    for (int i = 1; i < static_cast<int>(lines.size()); ++i) {
        for (int j = i - 1; j >= 0 && i != second; --j) {
            if (j == second - 1) break;
            if (source(lines[j]) != source(lines[i])) continue;
            EXPECT_LE(std::stod(lines[j].substr(0, 10)), std::stod(lines[i].substr(0, 10))) << lines[j] << "\n"
                                                                                          << lines[i];
            break;
        }
    }
    EXPECT_EQ(event(lines[second - 1]), "close");
    EXPECT_EQ(event(lines.back()), "close");
    EXPECT_NE(find(lines, "gardolink Start (C1): attempt 1 reply 60 (accepted); status 0 GARDO_OK", second), -1);
}

TEST_F(Trace, AFailedOpenGivesTheSystemsTextAndTheCode) {
    ASSERT_EQ(::symlink((dir_ + "/gone").c_str(), (dir_ + "/COM9").c_str()), 0);
    EXPECT_EQ(InitCommunication("COM9:", 4800), SERLINK_E_OVERRUN);
    const Lines lines = readLines(file_);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(event(lines[0]), "open \"COM9:\" -> " + dir_ + "/COM9 (" + dir_ + "/gone) open failed: " +
                                   linktrace::os_error_text(ENOENT) + " -> -1162 SERLINK_E_OVERRUN");
}

TEST_F(Trace, NothingIsWrittenWithoutTheVariable) {
    ::unsetenv(linktrace::kVariable);
    ASSERT_EQ(InitCommunication("COM5:", 4800), 0);
    uint8_t buf[4];
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    ASSERT_EQ(CloseCommunication(), 0);
    EXPECT_FALSE(std::filesystem::exists(file_));
}
