// Every gardolink export through serlink over a real pty, answered by
// gardosim. Built once per configuration: GARDOLINK_REDUCED selects the
// reduced one (station 0xB1, without the three handle/wait exports).
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frames.h"
#include "gardolink.h"
#include "gardosim/simulator.h"
#include "serlink.h"

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using gardosim::Area;
using gardosim::FaultKind;

namespace {

#if defined(GARDOLINK_REDUCED)
constexpr uint8_t kStation = 0xB1;
uint32_t setWait(uint32_t ms) { return Set_Wait_Time(ms); }
#else
constexpr uint8_t kStation = 0xC1;
uint32_t setWait(uint32_t ms) { return static_cast<uint32_t>(Change_Wait_Time(static_cast<int32_t>(ms))); }
#endif

constexpr const char* kPort = "COM5:";
// Long enough for a loaded machine, short where time-outs are provoked.
constexpr uint32_t kNormalWait = 2000;
constexpr uint32_t kShortWait = 150;

gardosim::Simulator* g_sim = nullptr;

// Waits until at least n bytes wait unread on the open port; false after a
// generous limit.
bool waitForInput(std::size_t n) {
    const int fd = static_cast<int>(Get_COM_Handle());
    for (int i = 0; i < 3000; ++i) {
        int queued = 0;
        if (::ioctl(fd, FIONREAD, &queued) == 0 && static_cast<std::size_t>(queued) >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// One simulator for the whole program, entered as COM5 in a private ports
// folder.
class SimEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/gardolink-itXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::setenv("SERLINK_PORTS_DIR", dir_.c_str(), 1);
        gardosim::Options o;
        o.station = kStation;
        sim_ = std::make_unique<gardosim::Simulator>(o);
        std::string err;
        ASSERT_TRUE(sim_->start(&err)) << err;
        ASSERT_FALSE(sim_->registerPort("COM5", {}, &err).empty()) << err;
        g_sim = sim_.get();
    }
    void TearDown() override {
        g_sim = nullptr;
        sim_.reset();
        std::filesystem::remove_all(dir_);
    }

private:
    std::string dir_;
    std::unique_ptr<gardosim::Simulator> sim_;
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new SimEnvironment);

class Gardolink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(g_sim, nullptr);
        g_sim->clearFaults();
        g_sim->resetMemory();
        ASSERT_EQ(InitCommunication(kPort, 4800), 0);
        setWait(kNormalWait);
        g_sim->clearLog();
    }
    void TearDown() override {
        CloseCommunication();
        g_sim->clearFaults();
    }

    static Bytes readReq(uint8_t code, int address, int count) {
        return gardo::build_read_request(kStation, code, address, count);
    }
    static Bytes writeReq(uint8_t code, int address, const Bytes& data) {
        return gardo::build_write_request(kStation, code, address, data);
    }
    static std::vector<Bytes> requests() {
        std::vector<Bytes> out;
        for (const auto& e : g_sim->frames()) out.push_back(e.request);
        return out;
    }
    static gardosim::Simulator& sim() { return *g_sim; }
};

const Bytes kIdent{0x87, 0xD6, 0x12, 0x00};  // 1234567

}  // namespace

TEST_F(Gardolink, TheLoadedLibraryIsThisConfiguration) {
    void* self = ::dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(self, nullptr);
#if defined(GARDOLINK_REDUCED)
    EXPECT_EQ(::dlsym(self, "Change_Wait_Time"), nullptr);
    EXPECT_EQ(::dlsym(self, "Read_COM_Handle"), nullptr);
    EXPECT_EQ(::dlsym(self, "Write_COM_Handle"), nullptr);
#else
    EXPECT_NE(::dlsym(self, "Change_Wait_Time"), nullptr);
#endif
    EXPECT_NE(::dlsym(self, "GetRemoteValues"), nullptr);
    ::dlclose(self);
}

TEST_F(Gardolink, ShortCommandsSendTheirFramesAndTakeEffect) {
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        uint8_t code;
    };
    const Case cases[] = {
        {"Stop", [] { return Stop(); }, 0xC0},
        {"Start", [] { return Start(); }, 0xC1},
        {"Apply_Program", [] { return Apply_Program(); }, 0xC2},
        {"Activate_Test", [] { return Activate_Test(); }, 0xC3},
        {"Retention", [] { return Retention(); }, 0xC5},
        {"PKeys_State(2)", [] { return PKeys_State(2); }, 0xC8},
        {"PKeys_State(0)", [] { return PKeys_State(0); }, 0xC9},
        {"InputDebounds(1)", [] { return InputDebounds(1); }, 0xCA},
        {"InputDebounds(0)", [] { return InputDebounds(0); }, 0xCB},
        {"DST(-1)", [] { return DST(-1); }, 0xCC},
        {"DST(0)", [] { return DST(0); }, 0xCD},
        {"RemoteMode(1)", [] { return RemoteMode(1); }, 0xCE},
        {"RemoteMode(0)", [] { return RemoteMode(0); }, 0xD0},
    };
    for (const Case& c : cases) {
        sim().clearLog();
        EXPECT_EQ(c.call(), GARDO_OK) << c.name;
        EXPECT_EQ(requests(), (std::vector<Bytes>{{kStation, c.code, c.code}})) << c.name;
    }
    const auto s = sim().state();
    EXPECT_TRUE(s.running);
    EXPECT_TRUE(s.testActive);
    EXPECT_TRUE(s.retention);
    EXPECT_FALSE(s.pkeys);
    EXPECT_EQ(s.applyCount, 1);

    EXPECT_EQ(Stop(), GARDO_OK);
    EXPECT_FALSE(sim().running());
    EXPECT_EQ(PKeys_State(2), GARDO_OK);
    EXPECT_TRUE(sim().state().pkeys);
    EXPECT_EQ(Start(), GARDO_OK);
    EXPECT_TRUE(sim().running());
}

TEST_F(Gardolink, CalibrationIsTakenOverOnApplyProgram) {
    const uint8_t left[2] = {120, 121}, right[2] = {122, 123};
    EXPECT_EQ(Stop(), GARDO_OK);
    EXPECT_EQ(Write_Program(1184, 2, left), GARDO_OK);
    EXPECT_EQ(Write_Program(1186, 2, right), GARDO_OK);
    EXPECT_NE(sim().state().activeCalibration[0], 120);
    EXPECT_EQ(Apply_Program(), GARDO_OK);
    EXPECT_EQ(Start(), GARDO_OK);
    EXPECT_EQ(sim().state().activeCalibration, (std::array<uint8_t, 4>{120, 121, 122, 123}));
    uint8_t back[4] = {};
    EXPECT_EQ(Read_Program(1184, 4, back), GARDO_OK);
    EXPECT_EQ(Bytes(back, back + 4), (Bytes{120, 121, 122, 123}));
}

TEST_F(Gardolink, ReadsSendTheirFramesAndDeliverTheData) {
    uint8_t buf[8] = {};
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), kIdent);
    EXPECT_EQ(requests().back(), (Bytes{kStation, 0x80, 0x04, 0x90, 0x06, 0x1B}));

    EXPECT_EQ(Read_ProzessData(78, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), sim().peek(Area::Process, 78, 4));
    EXPECT_EQ(requests().back(), (Bytes{kStation, 0x81, 0x04, 0x4E, 0x00, 0xD3}));

    sim().setClock({4, 13, 14, 15, 11, 12, 26});
    EXPECT_EQ(Read_Clock(0, 7, buf), GARDO_OK);
    // Only the seconds may have moved on meanwhile.
    EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{4, 13, 14}));
    EXPECT_EQ(Bytes(buf + 4, buf + 7), (Bytes{11, 12, 26}));
    EXPECT_EQ(requests().back(), readReq(0x82, 0, 7));

    EXPECT_EQ(Read_RemoteDisplay(0, 8, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 8), sim().peek(Area::RemoteDisplay, 0, 8));
    EXPECT_EQ(requests().back(), readReq(0x83, 0, 8));

    const uint8_t values[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    sim().poke(Area::RemoteValues, 0, values);
    EXPECT_EQ(GetRemoteValues(buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), Bytes(values, values + 4));
    EXPECT_EQ(requests().back(), (Bytes{kStation, 0x86, 0x04, 0x00, 0x00, 0x8A}));
    EXPECT_EQ(sim().frameCount(), 5u);
}

TEST_F(Gardolink, WritesSendTheirFramesAndChangeTheController) {
    const uint8_t counter[4] = {0x0F, 0x27, 0x5A, 0x09};
    EXPECT_EQ(Write_ProzessData(78, 4, counter), GARDO_OK);
    EXPECT_EQ(requests().back(), writeReq(0xA1, 78, Bytes(counter, counter + 4)));
    EXPECT_EQ(sim().peek(Area::Process, 78, 4), Bytes(counter, counter + 4));

    const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(Write_Program(2000, 10, ten), GARDO_OK);
    EXPECT_EQ(requests().back(), writeReq(0xA0, 2000, Bytes(ten, ten + 10)));
    EXPECT_EQ(sim().peek(Area::Program, 2000, 10), Bytes(ten, ten + 10));

    // A date written into the clock runs on from there.
    const uint8_t date[7] = {6, 23, 59, 59, 31, 12, 26};
    EXPECT_EQ(Write_Clock(0, 7, date), GARDO_OK);
    EXPECT_EQ(requests().back(), writeReq(0xA2, 0, Bytes(date, date + 7)));
    const auto c = sim().clock();
    EXPECT_TRUE(c[6] == 26 || c == (gardosim::ClockBytes{0, 0, 0, 0, 1, 1, 27}));

    const uint8_t text[5] = {'H', 'A', 'L', 'L', 'O'};
    EXPECT_EQ(Write_RemoteDisplay(16, 5, text), GARDO_OK);
    EXPECT_EQ(requests().back(), writeReq(0xA3, 16, Bytes(text, text + 5)));
    EXPECT_EQ(sim().peek(Area::RemoteDisplay, 16, 5), Bytes(text, text + 5));

    const uint32_t value = 0x12345678;
    EXPECT_EQ(SetRemoteValues(&value), GARDO_OK);
    EXPECT_EQ(requests().back(), writeReq(0xA6, 0, {0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(sim().peek(Area::RemoteValues, 0, 4), (Bytes{0x78, 0x56, 0x34, 0x12}));
}

TEST_F(Gardolink, AWriteOfNoBytesSendsASixByteFrame) {
    EXPECT_EQ(Write_Program(300, 0, nullptr), GARDO_OK);
    const Bytes expected{kStation, 0xA0, 0x00, 0x2C, 0x01, 0xCD};  // A0 + 2C + 01 = 0xCD
    EXPECT_EQ(requests(), std::vector<Bytes>{expected});
}

TEST_F(Gardolink, EveryByteValueCrossesTheLineUnchanged) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    for (Area area : {Area::Program, Area::Process}) {
        const uint32_t base = 0x3000;
        for (std::size_t off = 0; off < all.size(); off += 10) {
            const int n = static_cast<int>(std::min<std::size_t>(10, all.size() - off));
            const int32_t rc = area == Area::Program ? Write_Program(base + off, n, &all[off])
                                                     : Write_ProzessData(base + off, n, &all[off]);
            ASSERT_EQ(rc, GARDO_OK) << off;
        }
        EXPECT_EQ(sim().peek(area, base, 256), all);
        Bytes back(256, 0);
        for (std::size_t off = 0; off < back.size(); off += 8) {
            const int32_t rc = area == Area::Program ? Read_Program(base + off, 8, &back[off])
                                                     : Read_ProzessData(base + off, 8, &back[off]);
            ASSERT_EQ(rc, GARDO_OK) << off;
        }
        EXPECT_EQ(back, all);
    }
}

TEST_F(Gardolink, BadChecksumsAreRetriedUpToFourRequests) {
    uint8_t buf[4] = {};
    sim().inject(FaultKind::BadChecksum, 3);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), kIdent);
    EXPECT_EQ(requests(), std::vector<Bytes>(4, readReq(0x80, 1680, 4)));

    sim().clearLog();
    const uint8_t sentinel[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    std::copy(sentinel, sentinel + 4, buf);
    sim().inject(FaultKind::BadChecksum, 4);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_UNKNOWN_REPLY);
    EXPECT_EQ(Bytes(buf, buf + 4), Bytes(sentinel, sentinel + 4));
    EXPECT_EQ(requests(), std::vector<Bytes>(4, readReq(0x80, 1680, 4)));
}

TEST_F(Gardolink, SilenceIsRetriedThenReportedAsTimeOut) {
    // A call whose last attempt is answered keeps the normal byte wait, so
    // that a late answer on a loaded machine is not cut short; calls that
    // get no answer at all use the short one.
    uint8_t buf[4] = {};
    sim().inject(FaultKind::Silence, 3);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), kIdent);
    EXPECT_EQ(sim().frameCount(), 4u);

    setWait(kShortWait);
    sim().clearLog();
    sim().inject(FaultKind::Silence, 4);
    EXPECT_EQ(Read_Program(1680, 4, buf), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(requests(), std::vector<Bytes>(4, readReq(0x80, 1680, 4)));

    // Writes repeat the same way.
    sim().clearLog();
    sim().inject(FaultKind::Silence, 4);
    const uint8_t v = 7;
    EXPECT_EQ(Write_ProzessData(4, 1, &v), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(requests(), std::vector<Bytes>(4, writeReq(0xA1, 4, {7})));
    setWait(kNormalWait);
    sim().clearLog();
    sim().inject(FaultKind::Silence, 2);
    EXPECT_EQ(Write_ProzessData(4, 1, &v), GARDO_OK);
    EXPECT_EQ(sim().frameCount(), 3u);

    // A short command is sent once only.
    setWait(kShortWait);
    sim().clearLog();
    sim().inject(FaultKind::Silence, 1);
    EXPECT_EQ(Start(), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(sim().frameCount(), 1u);
}

TEST_F(Gardolink, ALateAnswerTimesOutAndIsFlushedBeforeTheNextRequest) {
    setWait(kShortWait);
    // The answer comes long after all four waits are over, even when a loaded
    // machine stretches the gaps between the attempts.
    sim().inject(FaultKind::Delay, 1, 20 * static_cast<int>(kShortWait));
    uint8_t buf[4] = {};
    EXPECT_EQ(Read_Program(1680, 4, buf), SERLINK_E_READ_TIMEOUT);
    ASSERT_TRUE(sim().waitForFrames(4, 30s));
    // The late reply and the answers to the repeated requests wait on the
    // port; the next transaction drops them first.
    const std::size_t replyBytes = gardo::build_read_reply(Bytes(4, 0)).size();
    ASSERT_TRUE(waitForInput(4 * replyBytes));
    setWait(kNormalWait);
    sim().clearLog();
    sim().poke(Area::Process, 4, std::vector<uint8_t>{0x33});
    EXPECT_EQ(Read_ProzessData(4, 1, buf), GARDO_OK);
    EXPECT_EQ(buf[0], 0x33);
    EXPECT_EQ(sim().frameCount(), 1u);
}

TEST_F(Gardolink, PendingInputIsDroppedBeforeTheRequest) {
    // Left-over bytes that look like a complete read reply of other data.
    const Bytes leftOver = gardo::build_read_reply(Bytes{9, 9, 9, 9});
    sim().sendUnsolicited(leftOver);
    ASSERT_TRUE(waitForInput(leftOver.size()));
    ASSERT_EQ(IsDataAvailable(), 1);
    uint8_t buf[4] = {};
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), kIdent);

    const Bytes junk{'P', '0', 0x60};
    sim().sendUnsolicited(junk);
    ASSERT_TRUE(waitForInput(junk.size()));  // all three bytes in
    EXPECT_EQ(Stop(), GARDO_OK);
    EXPECT_FALSE(sim().running());
    EXPECT_EQ(requests().size(), 2u);
}

TEST_F(Gardolink, ReplyCharactersAndMisshapenRepliesMapToStatusCodes) {
    struct Case {
        FaultKind fault;
        int value;
        int32_t read, write, shortCmd;
    };
    const Case cases[] = {
        {FaultKind::Reject, -1, GARDO_REJECTED, GARDO_REJECTED, GARDO_REJECTED},
        {FaultKind::Faulty, -1, GARDO_FAULTY, GARDO_FAULTY, GARDO_FAULTY},
        {FaultKind::Ack, -1, GARDO_UNKNOWN_REPLY, GARDO_OK, GARDO_OK},
        {FaultKind::Unknown, 'x', GARDO_UNKNOWN_REPLY, GARDO_UNKNOWN_REPLY, GARDO_UNKNOWN_REPLY},
        {FaultKind::Garbage, -1, GARDO_UNKNOWN_REPLY, GARDO_UNKNOWN_REPLY, GARDO_UNKNOWN_REPLY},
    };
    const uint8_t v[2] = {1, 2};
    for (const Case& c : cases) {
        const char* name = gardosim::faultName(c.fault);
        uint8_t buf[4] = {};
        sim().clearLog();
        sim().inject(c.fault, 3, c.value);
        EXPECT_EQ(Read_ProzessData(78, 4, buf), c.read) << name;
        EXPECT_EQ(Write_ProzessData(78, 2, v), c.write) << name;
        EXPECT_EQ(Retention(), c.shortCmd) << name;
        // None of these answers leads to another request.
        EXPECT_EQ(sim().frameCount(), 3u) << name;
    }
}

TEST_F(Gardolink, WrongTypeOrLengthEndsTheReadAtOnce) {
    struct Case {
        FaultKind fault;
        int value;
        int32_t status;
    };
    const Case cases[] = {
        {FaultKind::BadType, 0x15, GARDO_BAD_TYPE},
        {FaultKind::BadLength, 9, GARDO_BAD_LENGTH},
        {FaultKind::BadLength, 0, GARDO_BAD_LENGTH},
        // One byte more than asked for would overrun the caller's buffer.
        {FaultKind::LongReply, -1, GARDO_BAD_LENGTH},
    };
    for (const Case& c : cases) {
        const char* name = gardosim::faultName(c.fault);
        uint8_t buf[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        sim().clearLog();
        sim().inject(c.fault, 1, c.value);
        EXPECT_EQ(Read_Program(1680, 4, buf), c.status) << name;
        EXPECT_EQ(Bytes(buf, buf + 5), Bytes(5, 0xAA)) << name << ": nothing copied";
        EXPECT_EQ(sim().frameCount(), 1u) << name;
        // The rest of the bad reply is dropped by the next transaction.
        EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK) << name;
        EXPECT_EQ(Bytes(buf, buf + 4), kIdent) << name;
    }
}

TEST_F(Gardolink, AutoRunChecksProcessByteFourFirst) {
    sim().setRunning(false);
    sim().pokeByte(Area::Process, 4, 17);
    EXPECT_EQ(AutoRun(), GARDO_OK);
    EXPECT_EQ(requests(), (std::vector<Bytes>{readReq(0x81, 4, 1)}));
    EXPECT_EQ(sim().state().autoRunCount, 0);
    EXPECT_FALSE(sim().running());

    sim().clearLog();
    sim().pokeByte(Area::Process, 4, 18);
    EXPECT_EQ(AutoRun(), GARDO_OK);
    EXPECT_EQ(requests(), (std::vector<Bytes>{readReq(0x81, 4, 1), {kStation, 0xC6, 0xC6}}));
    EXPECT_EQ(sim().state().autoRunCount, 1);
    EXPECT_TRUE(sim().running());

    // The status of either step comes back unchanged.
    sim().inject(FaultKind::Faulty, 1);
    EXPECT_EQ(AutoRun(), GARDO_FAULTY);
    sim().clearLog();
    sim().inject(FaultKind::Ack, 1);  // to the read
    sim().inject(FaultKind::Reject, 1);
    EXPECT_EQ(AutoRun(), GARDO_UNKNOWN_REPLY);
    EXPECT_EQ(sim().frameCount(), 1u);
    sim().clearLog();
    sim().clearFaults();
    sim().inject(FaultKind::BadChecksum, 1);
    sim().inject(FaultKind::Reject, 1);
    // A bad checksum is retried; the repeated read is rejected.
    EXPECT_EQ(AutoRun(), GARDO_REJECTED);
}

TEST_F(Gardolink, RefusedArgumentsSendNothing) {
    uint8_t buf[16] = {};
    EXPECT_EQ(Read_Program(0, 0, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Read_Program(0, 9, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Read_ProzessData(-1, 1, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Read_Clock(65536, 1, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Read_RemoteDisplay(0, 1, nullptr), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(GetRemoteValues(nullptr), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Write_Program(0, 11, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Write_Clock(0, -1, buf), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(Write_RemoteDisplay(0, 1, nullptr), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(SetRemoteValues(nullptr), GARDO_BAD_ARGUMENT);
    // The highest address and the largest counts still go out.
    EXPECT_EQ(Read_Program(65528, 8, buf), GARDO_OK);
    EXPECT_EQ(Write_ProzessData(65526, 10, buf), GARDO_OK);
    EXPECT_EQ(sim().frameCount(), 2u);
}

TEST_F(Gardolink, AnotherHolderOfThePortShutsUsOut) {
    // A second open of the pty while our side holds it is refused...
    const std::string path = sim().slavePath();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child's copy of serlink still holds the parent's handle: forget
        // it (without closing) and open the port anew.
        Set_COM_Handle(SERLINK_INVALID_HANDLE);
        _exit(InitCommunication(kPort, 4800) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "a second process opened the held port";

    // ...and, the other way round, a port held by another descriptor cannot
    // be opened here.
    EXPECT_EQ(CloseCommunication(), 0);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_LT(InitCommunication(kPort, 4800), 0);
    ::close(fd);
    ASSERT_EQ(InitCommunication(kPort, 4800), 0);
    uint8_t buf[4] = {};
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
}

TEST_F(Gardolink, NothingWorksWithoutAnOpenPort) {
    EXPECT_EQ(CloseCommunication(), 0);
    uint8_t buf[4] = {};
    EXPECT_LT(Read_Program(1680, 4, buf), 0);
    EXPECT_LT(Write_Program(0, 1, buf), 0);
    EXPECT_LT(Start(), 0);
    EXPECT_EQ(sim().frameCount(), 0u);
    EXPECT_LT(InitCommunication("COM77:", 4800), 0);  // no such entry, no /dev/ttyS76
    EXPECT_EQ(InitCommunication(kPort, 4800), 0);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
}

#if !defined(GARDOLINK_REDUCED)
TEST_F(Gardolink, HandleAndWaitTimeExportsForwardToSerlink) {
    EXPECT_EQ(Change_Wait_Time(250), 250);
    EXPECT_EQ(Set_Wait_Time(kNormalWait), kNormalWait);
    const serlink_handle_t h = Read_COM_Handle();
    EXPECT_NE(h, SERLINK_INVALID_HANDLE);
    EXPECT_EQ(h, Get_COM_Handle());
    // Handing the handle over and back leaves the line working.
    EXPECT_EQ(Write_COM_Handle(SERLINK_INVALID_HANDLE), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(Read_COM_Handle(), SERLINK_INVALID_HANDLE);
    uint8_t buf[4] = {};
    EXPECT_LT(Read_Program(1680, 4, buf), 0);
    EXPECT_EQ(Write_COM_Handle(h), h);
    EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
    EXPECT_EQ(Bytes(buf, buf + 4), kIdent);
    EXPECT_EQ(CloseCommunication(), 0);
    EXPECT_EQ(Read_COM_Handle(), SERLINK_INVALID_HANDLE);
}
#endif

namespace {

// The gardosim program as a child process, driven through its stdin.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<char*> argv{const_cast<char*>(GARDOSIM_PROGRAM)};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(GARDOSIM_PROGRAM, argv.data());
            _exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
    }
    ~SimProcess() {
        if (toChild_ >= 0) ::close(toChild_);
        if (fromChild_ >= 0) ::close(fromChild_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // One line of the child's stdout; "" after 20 s without a byte.
    std::string line() {
        std::string s;
        for (;;) {
            pollfd p{fromChild_, POLLIN, 0};
            char c = 0;
            if (::poll(&p, 1, 20000) <= 0 || ::read(fromChild_, &c, 1) != 1) return s;
            if (c == '\n') return s;
            s += c;
        }
    }
    // Sends one command and returns its answer line.
    std::string command(const std::string& cmd) {
        const std::string text = cmd + "\n";
        if (::write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return {};
        return line();
    }
    // Sends "quit" and returns the exit status.
    int quit() {
        const std::string text = "quit\n";
        if (::write(toChild_, text.data(), text.size()) < 0) return -1;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

}  // namespace

TEST_F(Gardolink, TheProgramServesItsPortAndTakesCommands) {
    EXPECT_EQ(CloseCommunication(), 0);
    const std::string dir = std::getenv("SERLINK_PORTS_DIR");
    const std::string memory = dir + "/controller.mem";
    char station[8];
    std::snprintf(station, sizeof station, "0x%02X", kStation);
    uint8_t buf[4] = {};
    {
        SimProcess p({"--port", "COM6", "--station", station, "--memory", memory});
        const std::string slave = p.line();
        ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
        EXPECT_EQ(std::filesystem::read_symlink(dir + "/COM6"), slave);
        ASSERT_EQ(InitCommunication("COM6:", 4800), 0);
        EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_OK);
        EXPECT_EQ(Bytes(buf, buf + 4), kIdent);

        EXPECT_EQ(p.command("reject 1"), "ok");
        EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_REJECTED);
        EXPECT_EQ(p.command("badsum 4"), "ok");
        EXPECT_EQ(Read_Program(1680, 4, buf), GARDO_UNKNOWN_REPLY);
        EXPECT_EQ(p.command("unknown 1 0x41"), "ok");
        EXPECT_EQ(Start(), GARDO_UNKNOWN_REPLY);
        EXPECT_EQ(p.command("nonsense 3").rfind("error", 0), 0u);

        EXPECT_EQ(p.command("poke process 4 18"), "ok");
        EXPECT_EQ(AutoRun(), GARDO_OK);
        EXPECT_NE(p.command("state").find("autorun 1"), std::string::npos);
        const uint8_t left[2] = {0x11, 0x12};
        EXPECT_EQ(Write_Program(1184, 2, left), GARDO_OK);
        EXPECT_EQ(p.command("peek program 1184 2"), "11 12");
        EXPECT_EQ(CloseCommunication(), 0);
        EXPECT_EQ(p.quit(), 0);
        EXPECT_FALSE(std::filesystem::is_symlink(dir + "/COM6"));
    }
    {
        // The written calibration survives the restart.
        SimProcess p({"--port", "COM6", "--station", station, "--memory", memory});
        ASSERT_FALSE(p.line().empty());
        ASSERT_EQ(InitCommunication("COM6:", 4800), 0);
        EXPECT_EQ(Read_Program(1184, 2, buf), GARDO_OK);
        EXPECT_EQ(Bytes(buf, buf + 2), (Bytes{0x11, 0x12}));
        EXPECT_EQ(CloseCommunication(), 0);
    }
    ASSERT_EQ(InitCommunication(kPort, 4800), 0);
}
