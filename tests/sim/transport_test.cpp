// The Simulator on a real pty, spoken to through a plain file descriptor.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "frames.h"
#include "gardosim/simulator.h"

using namespace gardosim;
using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class Client {
public:
    explicit Client(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Client() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void send(const Bytes& b) { ASSERT_EQ(::write(fd_, b.data(), b.size()), static_cast<ssize_t>(b.size())); }
    // Up to n bytes, waiting at most `wait` for each.
    Bytes receive(std::size_t n, std::chrono::milliseconds wait = 10000ms) {
        Bytes out;
        while (out.size() < n) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) break;
            uint8_t buf[64];
            const ssize_t r = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
            if (r <= 0) break;
            out.insert(out.end(), buf, buf + r);
        }
        return out;
    }

private:
    int fd_ = -1;
};

Bytes identReply() { return gardo::build_read_reply(Bytes{0x87, 0xD6, 0x12, 0x00}); }

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/gardosim-portsXXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
};

}  // namespace

TEST(Simulator, AnswersOverThePtyAndLogsEachFrame) {
    Simulator sim;
    std::string err;
    ASSERT_TRUE(sim.start(&err)) << err;
    ASSERT_TRUE(sim.serving());
    Client c(sim.slavePath());
    ASSERT_TRUE(c.ok());
    const Bytes req = gardo::build_read_request(0xC1, 0x80, 1680, 4);
    c.send(req);
    EXPECT_EQ(c.receive(8), identReply());
    c.send({0xC1, 0xC0, 0xC0});
    EXPECT_EQ(c.receive(1), Bytes{0x60});
    EXPECT_FALSE(sim.running());

    const auto log = sim.frames();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].request, req);
    EXPECT_EQ(log[0].reply, identReply());
    EXPECT_EQ(log[1].request, (Bytes{0xC1, 0xC0, 0xC0}));
    EXPECT_LE(log[0].time, log[1].time);
    sim.clearLog();
    EXPECT_EQ(sim.frameCount(), 0u);
    sim.stop();
    EXPECT_FALSE(sim.serving());
}

TEST(Simulator, KeepsServingWhenClientsComeAndGo) {
    Simulator sim;
    ASSERT_TRUE(sim.start());
    const Bytes req = gardo::build_read_request(0xC1, 0x80, 1680, 4);
    for (int i = 0; i < 3; ++i) {
        Client c(sim.slavePath());
        c.send(req);
        EXPECT_EQ(c.receive(8), identReply()) << "round " << i;
    }
    EXPECT_EQ(sim.frameCount(), 3u);
}

TEST(Simulator, FaultsAndUnsolicitedBytesReachTheClient) {
    Simulator sim;
    ASSERT_TRUE(sim.start());
    Client c(sim.slavePath());
    const Bytes req = gardo::build_read_request(0xC1, 0x80, 1680, 4);
    sim.inject(FaultKind::Silence, 1);
    sim.inject(FaultKind::Reject, 1);
    c.send(req);
    ASSERT_TRUE(sim.waitForFrames(1, 20000ms));
    EXPECT_TRUE(c.receive(1, 100ms).empty());
    EXPECT_TRUE(sim.frames()[0].reply.empty());
    EXPECT_EQ(sim.frames()[0].fault, FaultKind::Silence);
    c.send(req);
    EXPECT_EQ(c.receive(1), Bytes{'P'});
    const Bytes junk{0x00, 0xFF, 0xC0};
    sim.sendUnsolicited(junk);
    EXPECT_EQ(c.receive(3), junk);
}

TEST(Simulator, WireTimingStillDeliversWholeReplies) {
    Options o;
    o.wireBaud = 9600;
    Simulator sim(o);
    ASSERT_TRUE(sim.start());
    Client c(sim.slavePath());
    c.send(gardo::build_read_request(0xC1, 0x80, 1680, 4));
    EXPECT_EQ(c.receive(8), identReply());
}

TEST(Simulator, StationAndMemoryAccessWhileServing) {
    Options o;
    o.station = kStationReduced;
    Simulator sim(o);
    ASSERT_TRUE(sim.start());
    EXPECT_EQ(sim.station(), kStationReduced);
    Client c(sim.slavePath());
    // The full library's frame goes unanswered on the reduced station.
    c.send(gardo::build_read_request(0xC1, 0x81, 4, 1));
    EXPECT_TRUE(c.receive(1, 150ms).empty());

    // Poking from another thread while the client reads.
    std::thread poker([&] {
        for (int i = 0; i < 200; ++i) sim.pokeByte(Area::Process, 4, static_cast<uint8_t>(i));
        sim.pokeByte(Area::Process, 4, 17);
    });
    for (int i = 0; i < 20; ++i) {
        c.send(gardo::build_read_request(0xB1, 0x81, 4, 1));
        EXPECT_EQ(c.receive(5).size(), 5u);
    }
    poker.join();
    c.send(gardo::build_read_request(0xB1, 0x81, 4, 1));
    EXPECT_EQ(c.receive(5), gardo::build_read_reply(Bytes{17}));
    EXPECT_EQ(sim.peek(Area::Process, 4, 1), Bytes{17});

    sim.setClock({2, 8, 30, 0, 9, 12, 26});
    EXPECT_EQ(sim.clock()[6], 26);
    EXPECT_EQ(sim.clock()[4], 9);
}

TEST(Simulator, RegistersItsPortInTheGivenOrDefaultFolder) {
    TempDir dir;
    Simulator sim;
    std::string err;
    EXPECT_EQ(sim.registerPort("COM1", dir.path.string(), &err), "");  // not started
    ASSERT_TRUE(sim.start());
    // An old entry of that name is replaced.
    fs::create_symlink("/dev/null", dir.path / "COM3");
    const std::string link = sim.registerPort("COM3", dir.path.string(), &err);
    ASSERT_EQ(link, (dir.path / "COM3").string()) << err;
    EXPECT_EQ(fs::read_symlink(link), sim.slavePath());
    {
        Client c(link);
        c.send(gardo::build_read_request(0xC1, 0x80, 1680, 4));
        EXPECT_EQ(c.receive(8), identReply());
    }
    EXPECT_EQ(sim.registerPort("../x", dir.path.string(), &err), "");

    // Without a folder: $SERLINK_PORTS_DIR (created when missing).
    const fs::path envDir = dir.path / "env" / "ports";
    ::setenv("SERLINK_PORTS_DIR", envDir.c_str(), 1);
    EXPECT_EQ(defaultPortsDir(), envDir.string());
    const std::string link2 = sim.registerPort("COM4");
    ::unsetenv("SERLINK_PORTS_DIR");
    EXPECT_EQ(link2, (envDir / "COM4").string());
    EXPECT_FALSE(fs::is_symlink(link));  // one registration at a time
    EXPECT_TRUE(fs::is_symlink(link2));
    sim.stop();
    EXPECT_FALSE(fs::is_symlink(link2));
}

TEST(Simulator, MemoryFileCarriesChangesToTheNextRun) {
    TempDir dir;
    Options o;
    o.memoryFile = (dir.path / "controller.mem").string();
    {
        Simulator sim(o);
        ASSERT_TRUE(sim.start());
        Client c(sim.slavePath());
        c.send(gardo::build_write_request(0xC1, 0xA1, 52, Bytes{0x2C, 0x01}));
        EXPECT_EQ(c.receive(1), Bytes{0x60});
        // Saved at once, not only at the end.
        EXPECT_TRUE(fs::exists(o.memoryFile));
    }
    Simulator again(o);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(again.peek(Area::Process, 52, 2), (Bytes{0x2C, 0x01}));
    again.stop();

    fs::resize_file(o.memoryFile, 10);
    Simulator broken(o);
    std::string err;
    EXPECT_FALSE(broken.start(&err));
    EXPECT_FALSE(err.empty());
}

TEST(FrameLog, LinesHaveTheTraceFormat) {
    const auto origin = std::chrono::steady_clock::now();
    LogEntry badsum{origin + 1500us, {0xC1, 0x80, 0x04, 0x90, 0x06, 0x1B},
                    {0xC0, 0x14, 0x01, 0x07, 0x1C}, FaultKind::BadChecksum, 20};
    EXPECT_EQ(logLines(badsum, origin),
              (std::vector<std::string>{"     1.500 gardosim  recv C1 80 04 90 06 1B\n",
                                        "    21.500 gardosim  send C0 14 01 07 1C (fault badsum)\n"}));
    LogEntry silent{origin + 2ms, {0xC1, 0xC1, 0xC1}, {}, FaultKind::Silence};
    EXPECT_EQ(logLines(silent, origin)[1], "     2.000 gardosim  silence (fault silence)\n");
}
