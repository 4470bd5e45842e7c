// The Windows build of serlink and gardolink, run under Wine against the
// simulator: the simulator's pty is COM1 of a Wine prefix, and the Windows
// test agent (lumo_winagent.exe) makes the library calls on request.
//
// Needs (from the environment, set by the ctest registration or by
// scripts/wine-test.sh all):
//   LUMO_WIN_BUILD   the MinGW cross-build (bin/ and reduced/ hold the agent)
//   WINEPREFIX       a prefix made by "scripts/wine-test.sh prefix"
//   LUMO_WINE_PORTS  the ports folder that prefix maps COM1, COM2, COM12 into
//   LUMO_WINE        the Wine loader (wine64)
// Without them the program prints "SKIPPED: ..." and exits with 77.
//
// --config=full runs the agent beside the full gardolink (station 0xC1),
// --config=reduced beside the reduced one (0xB1).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gardosim/simulator.h"

namespace fs = std::filesystem;
using gardosim::Area;
using gardosim::FaultKind;
using Bytes = std::vector<uint8_t>;

namespace {

struct Config {
    bool reduced = false;
    uint8_t station = gardosim::kStationFull;
    std::string agentDir;  // folder of the agent and the gardolink under test
    std::string wine;
    std::string prefix;
    std::string portsDir;
};
Config g_config;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s.empty() ? "-" : s;
}

Bytes unhex(const std::string& s) {
    Bytes out;
    for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(s.substr(i, 2), nullptr, 16)));
    return out;
}

// One answer of the agent: "= status [data] ms=N" or "! text".
struct Answer {
    bool understood = false;
    long long status = 0;
    std::string data;
    long ms = 0;
    std::string line;
};

// The Windows agent under Wine, fed through pipes.
class Agent {
public:
    bool start(std::string* error) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) {
            *error = "pipe failed";
            return false;
        }
        const std::string exe = g_config.agentDir + "/lumo_winagent.exe";
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            // Wine's own messages, and those of the helper processes it
            // starts with this stderr, go to a file beside the prefix.
            const std::string log = g_config.prefix + "/../agent-" + (g_config.reduced ? "reduced" : "full") + ".log";
            const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (err >= 0) dup2(err, 2);
            close(in[0]); close(in[1]); close(out[0]); close(out[1]);
            setenv("WINEPREFIX", g_config.prefix.c_str(), 1);
            setenv("WINEDEBUG", "-all", 1);
            // Remote-line entries (COMn-remote.txt) are read from the ports
            // folder, seen from Windows through drive Z:.
            std::string dir = "Z:" + g_config.portsDir;
            for (char& c : dir) if (c == '/') c = '\\';
            setenv("SERLINK_PORTS_DIR", dir.c_str(), 1);
            unsetenv("DISPLAY");
            if (chdir(g_config.agentDir.c_str()) != 0) _exit(126);
            execl(g_config.wine.c_str(), g_config.wine.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = in[1];
        from_ = out[0];
        // The first answer also tells that Wine has started the program.
        Answer a = call("Set_Wait_Time 2000", std::chrono::seconds(60));
        if (!a.understood || a.status != 2000) {
            *error = "the agent did not start under Wine (answer: \"" + a.line + "\")";
            return false;
        }
        return true;
    }

    void stop() {
        if (pid_ <= 0) return;
        const std::string quit = "quit\n";
        (void)!write(to_, quit.data(), quit.size());
        close(to_);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) { pid_ = -1; break; }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        close(from_);
    }

    Answer call(const std::string& request, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        Answer a;
        const std::string line = request + "\n";
        if (write(to_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            a.line = "(write to the agent failed)";
            return a;
        }
        const auto end = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const size_t nl = pending_.find('\n');
            if (nl != std::string::npos) {
                a.line = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                if (!a.line.empty() && a.line.back() == '\r') a.line.pop_back();
                break;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                a.line = "(no answer from the agent to \"" + request + "\")";
                return a;
            }
            pollfd p{from_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(from_, buf, sizeof buf);
            if (n <= 0) {
                a.line = "(the agent ended)";
                return a;
            }
            pending_.append(buf, static_cast<size_t>(n));
        }
        if (a.line.size() < 2 || a.line[0] != '=') return a;
        std::istringstream in(a.line.substr(2));
        std::string word;
        in >> a.status;
        while (in >> word) {
            if (word.rfind("ms=", 0) == 0) a.ms = std::stol(word.substr(3));
            else a.data = word;
        }
        a.understood = true;
        return a;
    }

private:
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
    std::string pending_;
};

// Status of a call that must be understood by the agent.
#define STATUS(call_text) status_of(agent(), call_text)

long long status_of(Agent& agent, const std::string& request) {
    Answer a = agent.call(request);
    EXPECT_TRUE(a.understood) << request << " -> " << a.line;
    return a.status;
}

// Starts the prefix's wineserver with its output sent nowhere. Left to the
// agent, it would be started by Wine with the agent's pipes and the test's
// stderr, and would write its object dump there when it ends.
void startWineServer() {
    const std::string server = (fs::path(g_config.wine).parent_path() / "wineserver").string();
    if (access(server.c_str(), X_OK) != 0) return;  // Wine starts it itself then
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("WINEPREFIX", g_config.prefix.c_str(), 1);
        // Persistent for 10 s after the last Wine process, then gone.
        execl(server.c_str(), server.c_str(), "-p10", static_cast<char*>(nullptr));
        _exit(127);
    }
    // It forks into the background; the first process returns at once.
    if (pid > 0) waitpid(pid, nullptr, 0);
}

class WineSerial : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        std::string error;
        gardosim::Options options;
        options.station = g_config.station;
        sim_ = std::make_unique<gardosim::Simulator>(options);
        ASSERT_TRUE(sim_->start(&error)) << error;
        ASSERT_NE(sim_->registerPort("COM1", g_config.portsDir, &error), "") << error;
        // COM12 reaches the same pty (only the "\\.\" form opens it);
        // COM2 is a link to a pty that is gone.
        const fs::path com12 = fs::path(g_config.portsDir) / "COM12";
        const fs::path com2 = fs::path(g_config.portsDir) / "COM2";
        std::error_code ec;
        fs::remove(com12, ec);
        fs::remove(com2, ec);
        fs::create_symlink(sim_->slavePath(), com12);
        fs::create_symlink("/dev/pts/no-such-pty", com2);
        startWineServer();
        agent_ = std::make_unique<Agent>();
        ASSERT_TRUE(agent_->start(&error)) << error;
    }

    static void TearDownTestSuite() {
        if (agent_) agent_->stop();
        agent_.reset();
        std::error_code ec;
        fs::remove(fs::path(g_config.portsDir) / "COM12", ec);
        fs::remove(fs::path(g_config.portsDir) / "COM2", ec);
        sim_.reset();
    }

protected:
    void SetUp() override {
        ASSERT_TRUE(sim_ && agent_) << "simulator or agent missing";
        sim_->clearFaults();
        sim_->resetMemory();
        ASSERT_EQ(STATUS("Set_Wait_Time 2000"), 2000);
        ASSERT_EQ(STATUS("InitCommunication COM1: 4800"), 0);
        // Nothing left over from the test before.
        sim_->clearLog();
    }

    void TearDown() override {
        sim_->clearFaults();
        agent().call("Set_Wait_Time 2000");
    }

    static Agent& agent() { return *agent_; }
    static gardosim::Simulator& sim() { return *sim_; }
    uint8_t st() const { return g_config.station; }

    // The request frames the simulator has seen since the last clearLog().
    std::vector<Bytes> requests() {
        std::vector<Bytes> out;
        for (const auto& e : sim().frames()) out.push_back(e.request);
        return out;
    }

    static uint8_t sum(const Bytes& b, size_t from) {
        unsigned s = 0;
        for (size_t i = from; i < b.size(); ++i) s += b[i];
        while (s > 255) s -= 255;
        return static_cast<uint8_t>(s);
    }
    Bytes readFrame(uint8_t cmd, unsigned address, unsigned count) {
        Bytes f{st(), cmd, static_cast<uint8_t>(count), static_cast<uint8_t>(address & 0xFF),
                static_cast<uint8_t>(address >> 8)};
        f.push_back(sum(f, 1));
        return f;
    }
    Bytes writeFrame(uint8_t cmd, unsigned address, const Bytes& data) {
        Bytes f{st(), cmd, static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address & 0xFF),
                static_cast<uint8_t>(address >> 8)};
        for (uint8_t b : data) f.push_back(b);
        f.push_back(sum(f, 1));
        return f;
    }

    static std::unique_ptr<gardosim::Simulator> sim_;
    static std::unique_ptr<Agent> agent_;
};

std::unique_ptr<gardosim::Simulator> WineSerial::sim_;
std::unique_ptr<Agent> WineSerial::agent_;

// ---- serlink on Wine ------------------------------------------------------

TEST_F(WineSerial, OpensCom1WithTheLineSettingsAndTimeouts) {
    Answer h = agent().call("Get_COM_Handle");
    ASSERT_TRUE(h.understood);
    EXPECT_NE(h.data, "-1");

    // What Wine maps onto the pty reads back; the other DCB fields are not
    // kept by Wine (see docs/windows.md).
    Answer dcb = agent().call("dcb");
    ASSERT_EQ(dcb.status, 0) << dcb.line;
    for (const char* field : {"baud=4800,", "bytesize=8,", "parity=0,", "stopbits=0,", "binary=1,",
                              "ctsflow=0,", "dsrflow=0,", "outx=0,", "inx=0,", "xon=17,", "xoff=19"}) {
        EXPECT_NE(dcb.data.find(field), std::string::npos) << field << " not in " << dcb.data;
    }
    Answer to = agent().call("timeouts");
    EXPECT_EQ(to.data, "4294967295,0,1000,1000,0") << to.line;

    // A second open through the library changes nothing.
    EXPECT_EQ(STATUS("Init_Serlink COM1: 9600"), 0);
    EXPECT_EQ(agent().call("Get_COM_Handle").data, h.data);
    EXPECT_NE(agent().call("dcb").data.find("baud=4800,"), std::string::npos);
}

TEST_F(WineSerial, RefusedModeKeepsTheHandleUntilExit) {
    ASSERT_EQ(STATUS("Exit_Serlink"), 0);
    EXPECT_EQ(agent().call("Get_COM_Handle").data, "-1");
    EXPECT_EQ(STATUS("Exit_Serlink"), 0);  // nothing open: still 0

    EXPECT_EQ(STATUS("Init_Serlink COM1: 14400"), -1156);
    EXPECT_NE(agent().call("Get_COM_Handle").data, "-1");
    EXPECT_EQ(STATUS("Init_Serlink COM1: 4800"), 0);  // open: returns at once
    EXPECT_EQ(STATUS("Exit_Serlink"), 0);
    EXPECT_EQ(agent().call("Get_COM_Handle").data, "-1");

    EXPECT_EQ(STATUS("Init_Serlink COM1 4800"), -1156);  // no ":" means no device name
    EXPECT_EQ(agent().call("Get_COM_Handle").data, "-1");
}

TEST_F(WineSerial, MissingAndDanglingPortsReportNoSuchPort) {
    ASSERT_EQ(STATUS("Exit_Serlink"), 0);
    EXPECT_EQ(STATUS("Init_Serlink COM40: 4800"), -1162);
    // Wine opens a dosdevices link to a vanished pty; the backend's check
    // after opening turns that into "no such port" as well.
    EXPECT_EQ(STATUS("Init_Serlink COM2: 4800"), -1162);
    EXPECT_EQ(agent().call("Get_COM_Handle").data, "-1");
}

TEST_F(WineSerial, PortsAboveNineOpenThroughTheDevicePrefix) {
    ASSERT_EQ(STATUS("CloseCommunication"), 0);
    ASSERT_EQ(STATUS("InitCommunication COM12: 4800"), 0);
    Answer r = agent().call("Read_Program 1680 4");
    EXPECT_EQ(r.status, 0) << r.line;
    EXPECT_EQ(unhex(r.data), sim().peek(Area::Program, 1680, 4));
    EXPECT_EQ(STATUS("CloseCommunication"), 0);
}

TEST_F(WineSerial, SecondOpenByAnotherCallerLeavesThePortWorking) {
    // Windows refuses a second open of a COM port with error 5; Wine lets it
    // through (status 0). Either way the library's own handle must go on
    // working after the other handle has been closed.
    Answer again = agent().call("open_again COM1");
    ASSERT_TRUE(again.understood) << again.line;
    std::printf("second CreateFileA of COM1: %s\n",
                again.status == 0 ? "opened (Wine)" : ("error " + std::to_string(again.status)).c_str());
    EXPECT_TRUE(again.status == 0 || again.status == 5) << again.line;
    Answer r = agent().call("Read_Program 1680 4");
    EXPECT_EQ(r.status, 0) << r.line;
}

// How long the wait lasts is the portable core's rule, tested there with a
// fake clock; here the Win32 backend must end it with the time-out code.
TEST_F(WineSerial, ReadByteOnASilentLineGivesUpWithTheTimeOutCode) {
    ASSERT_EQ(STATUS("Set_Wait_Time 200"), 200);
    EXPECT_EQ(STATUS("IsDataAvailable"), 0);
    EXPECT_EQ(STATUS("IsBufferEmpty"), 1);
    Answer r = agent().call("ReadByte");
    EXPECT_EQ(r.status, -1154) << r.line;
}

TEST_F(WineSerial, EveryByteValueArrivesUnchanged) {
    // Line-discipline traps (XON/XOFF, CR/LF, ^C, ^D, DEL) included.
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    sim().sendUnsolicited(all);
    Bytes got;
    for (int i = 0; i < 256; ++i) {
        Answer a = agent().call("ReadByte");
        ASSERT_EQ(a.status, 0) << "byte " << i << ": " << a.line;
        got.push_back(unhex(a.data).at(0));
    }
    EXPECT_EQ(got, all);
    EXPECT_EQ(STATUS("IsDataAvailable"), 0);
}

// ---- gardolink on Wine ----------------------------------------------------

TEST_F(WineSerial, ShortCommandFrames) {
    struct Case { const char* call; uint8_t code; };
    const Case cases[] = {
        {"Start", 0xC1}, {"Stop", 0xC0}, {"Apply_Program", 0xC2}, {"Activate_Test", 0xC3},
        {"Retention", 0xC5}, {"PKeys_State 2", 0xC8}, {"PKeys_State 0", 0xC9},
        {"InputDebounds 1", 0xCA}, {"InputDebounds 0", 0xCB}, {"DST -1", 0xCC}, {"DST 0", 0xCD},
        {"RemoteMode 1", 0xCE}, {"RemoteMode 0", 0xD0},
    };
    for (const Case& c : cases) {
        sim().clearLog();
        EXPECT_EQ(STATUS(c.call), 0) << c.call;
        EXPECT_EQ(requests(), std::vector<Bytes>({Bytes{st(), c.code, c.code}})) << c.call;
    }
}

TEST_F(WineSerial, ReadFramesAndData) {
    struct Case { const char* call; uint8_t code; Area area; unsigned address, count; };
    const Case cases[] = {
        {"Read_Program", 0x80, Area::Program, 1680, 4},
        {"Read_ProzessData", 0x81, Area::Process, 78, 4},
        {"Read_Clock", 0x82, Area::Clock, 0, 7},
        {"Read_RemoteDisplay", 0x83, Area::RemoteDisplay, 32, 8},
    };
    for (const Case& c : cases) {
        sim().clearLog();
        // The clock runs; freeze it on a value that cannot run on.
        if (c.area == Area::Clock) sim().setClock({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        Bytes pattern;
        for (unsigned i = 0; i < c.count; ++i) pattern.push_back(static_cast<uint8_t>(0xA0 + i * 7));
        if (c.area != Area::Clock) sim().poke(c.area, c.address, pattern);
        const Bytes expect = sim().peek(c.area, c.address, c.count);
        Answer a = agent().call(std::string(c.call) + " " + std::to_string(c.address) + " " + std::to_string(c.count));
        EXPECT_EQ(a.status, 0) << a.line;
        EXPECT_EQ(unhex(a.data), expect) << c.call;
        EXPECT_EQ(requests(), std::vector<Bytes>({readFrame(c.code, c.address, c.count)})) << c.call;
    }
    sim().clearLog();
    sim().poke(Area::RemoteValues, 0, Bytes{1, 2, 3, 4});
    Answer a = agent().call("GetRemoteValues");
    EXPECT_EQ(a.data, "01020304") << a.line;
    EXPECT_EQ(requests(), std::vector<Bytes>({Bytes{st(), 0x86, 0x04, 0x00, 0x00, 0x8A}}));
}

TEST_F(WineSerial, WriteFramesReachTheController) {
    struct Case { const char* call; uint8_t code; Area area; unsigned address; Bytes data; };
    const Case cases[] = {
        {"Write_Program", 0xA0, Area::Program, 1184, {0x11, 0x22, 0x33, 0x44}},
        {"Write_ProzessData", 0xA1, Area::Process, 78, {0x0F, 0x27}},
        {"Write_RemoteDisplay", 0xA3, Area::RemoteDisplay, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"Write_Program", 0xA0, Area::Program, 0x1234, {}},
    };
    for (const Case& c : cases) {
        sim().clearLog();
        EXPECT_EQ(STATUS(std::string(c.call) + " " + std::to_string(c.address) + " " + hex(c.data)), 0) << c.call;
        EXPECT_EQ(requests(), std::vector<Bytes>({writeFrame(c.code, c.address, c.data)})) << c.call;
        if (!c.data.empty()) {
            EXPECT_EQ(sim().peek(c.area, c.address, c.data.size()), c.data) << c.call;
        }
    }
    sim().clearLog();
    EXPECT_EQ(STATUS("Write_Clock 0 00080D1E0F0619"), 0);
    EXPECT_EQ(requests(), std::vector<Bytes>({writeFrame(0xA2, 0, {0x00, 0x08, 0x0D, 0x1E, 0x0F, 0x06, 0x19})}));

    sim().clearLog();
    EXPECT_EQ(STATUS("SetRemoteValues 11223344"), 0);  // least significant byte first
    EXPECT_EQ(requests(), std::vector<Bytes>({writeFrame(0xA6, 0, {0x44, 0x33, 0x22, 0x11})}));
    EXPECT_EQ(sim().peek(Area::RemoteValues, 0, 4), (Bytes{0x44, 0x33, 0x22, 0x11}));
}

TEST_F(WineSerial, AllByteValuesThroughFramesBothWays) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(255 - i);
    const unsigned base = 3000;
    for (unsigned off = 0; off < 256; off += 8) {
        Bytes chunk(all.begin() + off, all.begin() + off + 8);
        ASSERT_EQ(STATUS("Write_Program " + std::to_string(base + off) + " " + hex(chunk)), 0);
    }
    EXPECT_EQ(sim().peek(Area::Program, base, 256), all);
    Bytes back;
    for (unsigned off = 0; off < 256; off += 8) {
        Answer a = agent().call("Read_Program " + std::to_string(base + off) + " 8");
        ASSERT_EQ(a.status, 0) << a.line;
        Bytes chunk = unhex(a.data);
        back.insert(back.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(back, all);
    EXPECT_EQ(sim().frameCount(), 64u);  // no repeated requests
}

TEST_F(WineSerial, AutoRunSendsOnlyFromEighteen) {
    sim().pokeByte(Area::Process, 4, 17);
    EXPECT_EQ(STATUS("AutoRun"), 0);
    EXPECT_EQ(requests(), std::vector<Bytes>({readFrame(0x81, 4, 1)}));
    sim().clearLog();
    sim().pokeByte(Area::Process, 4, 18);
    EXPECT_EQ(STATUS("AutoRun"), 0);
    EXPECT_EQ(requests(), std::vector<Bytes>({readFrame(0x81, 4, 1), Bytes{st(), 0xC6, 0xC6}}));
}

TEST_F(WineSerial, ReplyCharactersAndBadRepliesEndAtOnce) {
    struct Case { FaultKind fault; const char* call; long long status; };
    const Case cases[] = {
        {FaultKind::Reject, "Start", 1},         {FaultKind::Faulty, "Stop", 2},
        {FaultKind::Unknown, "Retention", 3},    {FaultKind::Reject, "Read_Program 1680 4", 1},
        {FaultKind::Faulty, "Read_Clock 0 7", 2}, {FaultKind::Ack, "Read_ProzessData 78 2", 3},
        {FaultKind::BadType, "Read_Program 1680 4", 4}, {FaultKind::BadLength, "Read_Program 1680 4", 5},
        {FaultKind::LongReply, "Read_Program 1680 4", 5}, {FaultKind::Garbage, "Read_Program 1680 4", 3},
        {FaultKind::Reject, "Write_Program 1184 01020304", 1},
        {FaultKind::Unknown, "Write_ProzessData 78 0100", 3}, {FaultKind::Garbage, "Write_Clock 0 00", 3},
    };
    for (const Case& c : cases) {
        sim().clearLog();
        sim().inject(c.fault, 1);
        Answer a = agent().call(c.call);
        EXPECT_EQ(a.status, c.status) << c.call << " -> " << a.line;
        EXPECT_EQ(sim().frameCount(), 1u) << c.call << ": the request must not be repeated";
        if (std::string(c.call).rfind("Read_", 0) == 0) {
            EXPECT_EQ(a.data.find_first_not_of('E'), std::string::npos) << c.call << ": a refused reply copies nothing";
        }
        // What a bad reply leaves behind is dropped by the next transaction.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Answer next = agent().call("Read_Program 1680 4");
        EXPECT_EQ(next.status, 0) << c.call << ", then " << next.line;
        EXPECT_EQ(unhex(next.data), sim().peek(Area::Program, 1680, 4)) << c.call;
    }
}

TEST_F(WineSerial, ALateAnswerTimesOutAndIsFlushedBeforeTheNextRequest) {
    ASSERT_EQ(STATUS("Set_Wait_Time 100"), 100);
    // The answer comes long after all four waits are over, even when a loaded
    // machine stretches the gaps between the attempts.
    sim().inject(FaultKind::Delay, 1, 3000);
    EXPECT_EQ(STATUS("Read_Program 1680 4"), -1154);
    ASSERT_TRUE(sim().waitForFrames(4, std::chrono::seconds(30)));
    // The late reply and the answers to the repeated requests follow at once
    // behind the fourth request; give the simulator's thread time to write
    // them out.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_EQ(STATUS("Set_Wait_Time 2000"), 2000);
    sim().clearLog();
    sim().pokeByte(Area::Process, 4, 0x33);
    Answer a = agent().call("Read_ProzessData 4 1");
    EXPECT_EQ(a.status, 0) << a.line;
    EXPECT_EQ(a.data, "33");
    EXPECT_EQ(sim().frameCount(), 1u);
}

TEST_F(WineSerial, RefusedArgumentsSendNothing) {
    for (const char* call : {"Read_Program 0 0", "Read_Program 0 9", "Read_ProzessData -1 1",
                             "Read_Clock 65536 1", "Write_Program 0 0102030405060708090A0B",
                             "Write_RemoteDisplay 65536 01"}) {
        EXPECT_EQ(STATUS(call), 6) << call;
    }
    EXPECT_EQ(sim().frameCount(), 0u);
    // The highest address and the largest counts still go out.
    EXPECT_EQ(STATUS("Read_Program 65528 8"), 0);
    EXPECT_EQ(STATUS("Write_ProzessData 65526 0102030405060708090A"), 0);
    EXPECT_EQ(sim().frameCount(), 2u);
}

TEST_F(WineSerial, NothingWorksWithoutAnOpenPort) {
    ASSERT_EQ(STATUS("CloseCommunication"), 0);
    EXPECT_LT(STATUS("Read_Program 1680 4"), 0);
    EXPECT_LT(STATUS("Write_Program 0 01"), 0);
    EXPECT_LT(STATUS("Start"), 0);
    EXPECT_LT(STATUS("IsDataAvailable"), 0);
    EXPECT_EQ(sim().frameCount(), 0u);
    EXPECT_EQ(STATUS("InitCommunication COM1: 4800"), 0);
    EXPECT_EQ(STATUS("Read_Program 1680 4"), 0);
}

TEST_F(WineSerial, ChecksumFailuresAndSilenceAreRetriedFourTimesInAll) {
    // Calls the controller answers keep the normal wait, so that a late
    // answer on a loaded machine is not taken for silence; only calls that
    // get no answer at all run with the short one.
    sim().inject(FaultKind::BadChecksum, 3);
    Answer a = agent().call("Read_Program 1680 4");
    EXPECT_EQ(a.status, 0) << a.line;
    EXPECT_EQ(unhex(a.data), sim().peek(Area::Program, 1680, 4));
    EXPECT_EQ(sim().frameCount(), 4u);

    sim().clearLog();
    sim().inject(FaultKind::BadChecksum, 4);
    EXPECT_EQ(STATUS("Read_Program 1680 4"), 3);
    EXPECT_EQ(sim().frameCount(), 4u);

    ASSERT_EQ(STATUS("Set_Wait_Time 150"), 150);
    sim().clearLog();
    sim().inject(FaultKind::Silence, gardosim::kForever);
    EXPECT_EQ(STATUS("Read_ProzessData 78 4"), -1154);
    EXPECT_EQ(sim().frameCount(), 4u);
    sim().clearLog();
    EXPECT_EQ(STATUS("Write_Program 1184 01"), -1154);
    EXPECT_EQ(sim().frameCount(), 4u);
    sim().clearLog();
    EXPECT_EQ(STATUS("Start"), -1154);
    EXPECT_EQ(sim().frameCount(), 1u) << "a short command is not repeated";
    sim().clearFaults();
    ASSERT_EQ(STATUS("Set_Wait_Time 2000"), 2000);

    sim().clearLog();
    sim().inject(FaultKind::Silence, 2);
    EXPECT_EQ(STATUS("Write_Program 1184 0102"), 0);
    EXPECT_EQ(requests(), std::vector<Bytes>(3, writeFrame(0xA0, 1184, {0x01, 0x02})));
}

TEST_F(WineSerial, PendingInputIsDroppedBeforeTheRequest) {
    sim().sendUnsolicited(Bytes{0xC0, 0x14, 0x01, 0x99, 0xAD, 0x60});
    // Let the bytes reach Wine's side of the pty.
    bool arrived = false;
    for (int i = 0; i < 1000 && !(arrived = agent().call("IsDataAvailable").status == 1); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(arrived);
    Answer a = agent().call("Read_Program 1680 4");
    EXPECT_EQ(a.status, 0) << a.line;
    EXPECT_EQ(unhex(a.data), sim().peek(Area::Program, 1680, 4));
    EXPECT_EQ(requests(), std::vector<Bytes>({readFrame(0x80, 1680, 4)}));
}

TEST_F(WineSerial, ExportTableSeenByGetProcAddress) {
    Answer a = agent().call("exports");
    ASSERT_TRUE(a.understood) << a.line;
    const bool hasFullOnly = a.data.find("Change_Wait_Time") != std::string::npos;
    EXPECT_EQ(hasFullOnly, !g_config.reduced);
    EXPECT_EQ(a.data.find("_Write_COM_Handle@4") != std::string::npos, !g_config.reduced);
    EXPECT_EQ(a.data.find("Read_COM_Handle") != std::string::npos, !g_config.reduced);
    EXPECT_NE(a.data.find("SetRemoteValues"), std::string::npos);
}

TEST_F(WineSerial, FullOnlyHandleAndWaitTimeExports) {
    if (g_config.reduced) {
        EXPECT_EQ(agent().call("Change_Wait_Time 300").line, "! not exported");
        EXPECT_EQ(agent().call("Write_COM_Handle 5").line, "! not exported");
        return;
    }
    EXPECT_EQ(STATUS("Change_Wait_Time 300"), 300);
    const std::string handle = agent().call("Get_COM_Handle").data;
    EXPECT_EQ(agent().call("Read_COM_Handle").data, handle);
    // The __stdcall export under its decorated name puts any handle in place
    // and returns it; a foreign handle then fails cleanly.
    EXPECT_EQ(agent().call("Write_COM_Handle 4660").data, "4660");
    EXPECT_EQ(agent().call("Get_COM_Handle").data, "4660");
    EXPECT_LT(STATUS("IsDataAvailable"), 0);
    EXPECT_EQ(agent().call("Write_COM_Handle " + handle).data, handle);
    Answer r = agent().call("Read_Program 1680 4");
    EXPECT_EQ(r.status, 0) << r.line;
}

}  // namespace

// ---- Remote lines over Winsock ---------------------------------------------

// ser2net on the Linux side, in front of the simulator's pty, with an RFC
// 2217 and a raw accepter at free ports of 127.0.0.1.
class Ser2netServer {
public:
    ~Ser2netServer() { stop(); }
    bool start(const std::string& device, const std::string& dir) {
        rfc_ = freePort();
        raw_ = freePort();
        const std::string config = dir + "/ser2net-wine.yaml";
        std::FILE* f = std::fopen(config.c_str(), "w");
        if (!f) return false;
        std::fprintf(f,
                     "connection: &rfc\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%d\n  connector: serialdev,%s,9600n81,local\n"
                     "connection: &raw\n  accepter: tcp,127.0.0.1,%d\n  connector: serialdev,%s,4800n81,local\n",
                     rfc_, device.c_str(), raw_, device.c_str());
        std::fclose(f);
        pid_ = fork();
        if (pid_ == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            const std::string pidfile = dir + "/ser2net-wine.pid";
            execlp("ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), "-P", pidfile.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 500; ++i) {
            if (listening(rfc_) && listening(raw_)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    int rfc() const { return rfc_; }
    int raw() const { return raw_; }

    static int freePort() {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        int port = 0;
        if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            port = ntohs(a.sin_port);
        close(s);
        return port;
    }

private:
    static bool listening(int port) {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool up = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(s);
        return up;
    }
    pid_t pid_ = -1;
    int rfc_ = 0, raw_ = 0;
};

TEST_F(WineSerial, RemoteLinesOverWinsockReachTheControllerThroughSer2net) {
    ASSERT_EQ(STATUS("CloseCommunication"), 0);
    Ser2netServer server;
    ASSERT_TRUE(server.start(sim().slavePath(), fs::path(g_config.prefix).parent_path().string()))
        << "ser2net did not start";
    const uint8_t ident[4] = {0xD2, 0xFF, 0x00, 0x00};
    sim().poke(Area::Program, 1680, ident);
    const std::string rfc = "rfc2217://127.0.0.1:" + std::to_string(server.rfc()) + ":";
    const std::string raw = "socket://127.0.0.1:" + std::to_string(server.raw()) + ":";
    // The entry COM5 of the ports folder names the RFC 2217 line.
    const fs::path entry = fs::path(g_config.portsDir) / "COM5-remote.txt";
    {
        std::FILE* f = std::fopen(entry.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "%s\r\n", rfc.substr(0, rfc.size() - 1).c_str());
        std::fclose(f);
    }
    for (const std::string& port : {rfc, raw, std::string("COM5:")}) {
        sim().clearLog();
        ASSERT_EQ(STATUS("InitCommunication " + port + " 4800"), 0) << port;
        Answer r = agent().call("Read_Program 1680 4");
        EXPECT_EQ(r.status, 0) << port << " " << r.line;
        EXPECT_EQ(r.data, "D2FF0000") << port;
        // Calibration 255: the controller sees single 0xFF bytes.
        EXPECT_EQ(STATUS("Write_Program 1184 FFFF"), 0) << port;
        EXPECT_EQ(sim().peek(Area::Program, 1184, 2), (Bytes{0xFF, 0xFF})) << port;
        EXPECT_EQ(requests().back(), writeFrame(0xA0, 1184, {0xFF, 0xFF})) << port;
        sim().pokeByte(Area::Program, 1184, 0);
        EXPECT_EQ(STATUS("CloseCommunication"), 0) << port;
    }
    // A lost server is a failure of the line; nothing listening refuses.
    ASSERT_EQ(STATUS("InitCommunication " + rfc + " 4800"), 0);
    server.stop();
    EXPECT_EQ(agent().call("Read_Program 1680 4").status, -1162);
    EXPECT_EQ(STATUS("CloseCommunication"), 0);
    EXPECT_EQ(STATUS("InitCommunication " + rfc + " 4800"), -1162);
    EXPECT_EQ(STATUS("CloseCommunication"), 0);
    std::error_code ec;
    fs::remove(entry, ec);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    signal(SIGPIPE, SIG_IGN);  // an agent that died fails its test, not the run
    std::string config = "full";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--config=", 9) == 0) config = argv[i] + 9;
    if (config != "full" && config != "reduced") {
        std::fprintf(stderr, "--config=full or --config=reduced\n");
        return 2;
    }
    g_config.reduced = config == "reduced";
    g_config.station = g_config.reduced ? gardosim::kStationReduced : gardosim::kStationFull;
    g_config.wine = env("LUMO_WINE");
    g_config.prefix = env("WINEPREFIX");
    g_config.portsDir = env("LUMO_WINE_PORTS");
    const std::string build = env("LUMO_WIN_BUILD");
    g_config.agentDir = build + (g_config.reduced ? "/reduced" : "/bin");

    auto skip = [](const std::string& why) {
        std::printf("SKIPPED: %s\n", why.c_str());
        return 77;
    };
    if (g_config.wine.empty() || access(g_config.wine.c_str(), X_OK) != 0)
        return skip("no Wine loader (package wine64; LUMO_WINE unset or not executable)");
    if (build.empty() || access((g_config.agentDir + "/lumo_winagent.exe").c_str(), R_OK) != 0 ||
        access((g_config.agentDir + "/gardolink.dll").c_str(), R_OK) != 0)
        return skip("no MinGW cross-build with the test agent in '" + build +
                    "' (package g++-mingw-w64-x86-64; scripts/wine-test.sh build DIR)");
    if (g_config.prefix.empty() || access((g_config.prefix + "/system.reg").c_str(), R_OK) != 0 ||
        g_config.portsDir.empty())
        return skip("no Wine prefix (scripts/wine-test.sh prefix PREFIX PORTS)");
    std::printf("Windows build under Wine, %s configuration (station 0x%02X), agent in %s\n", config.c_str(),
                g_config.station, g_config.agentDir.c_str());
    return RUN_ALL_TESTS();
}
