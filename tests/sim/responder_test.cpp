#include <gtest/gtest.h>

#include <vector>

#include "frames.h"
#include "gardosim/responder.h"

using namespace gardosim;
using Bytes = std::vector<uint8_t>;
using TP = std::chrono::steady_clock::time_point;

namespace {

const TP kT0{std::chrono::seconds(1000)};

std::optional<Frame> feedAll(FrameParser& p, const Bytes& bytes, TP t = kT0) {
    std::optional<Frame> last;
    for (uint8_t b : bytes) {
        auto f = p.feed(b, t);
        if (f) {
            EXPECT_FALSE(last) << "more than one frame";
            last = f;
        }
    }
    return last;
}

// The reply of a fresh default controller to one request frame.
Bytes ask(DeviceMemory& mem, const Bytes& request, uint8_t station = kStationFull) {
    FrameParser p(station);
    auto f = feedAll(p, request);
    if (!f) return {};
    return respond(*f, mem, kT0).reply;
}

Bytes readReq(uint8_t code, int address, int count) { return gardo::build_read_request(0xC1, code, address, count); }
Bytes writeReq(uint8_t code, int address, const Bytes& data) {
    return gardo::build_write_request(0xC1, code, address, data);
}

}  // namespace

TEST(FrameParser, ParsesEachFrameKind) {
    FrameParser p;
    auto r = feedAll(p, readReq(0x80, 1680, 4));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, FrameKind::Read);
    EXPECT_EQ(r->count, 4);
    EXPECT_EQ(r->address, 1680);
    EXPECT_TRUE(r->intact);

    auto w = feedAll(p, writeReq(0xA1, 0x1234, {1, 2, 3}));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->kind, FrameKind::Write);
    EXPECT_EQ(w->address, 0x1234);
    EXPECT_EQ(w->data, (Bytes{1, 2, 3}));
    EXPECT_TRUE(w->intact);
    EXPECT_EQ(w->raw.size(), 9u);

    auto s = feedAll(p, {0xC1, 0xC2, 0xC2});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, FrameKind::Short);
    EXPECT_TRUE(s->intact);

    auto bad = feedAll(p, {0xC1, 0xC2, 0xC3});
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->intact);

    // A write of 0 bytes is a complete 6-byte frame.
    auto empty = feedAll(p, writeReq(0xA0, 5, {}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->data.empty());
    EXPECT_TRUE(p.idle());
}

TEST(FrameParser, SkipsOtherStationsAndNoiseAndSeesWrongChecksums) {
    FrameParser p(kStationReduced);
    EXPECT_FALSE(feedAll(p, readReq(0x80, 1680, 4)));  // for 0xC1
    EXPECT_EQ(p.skippedBytes(), 6u);
    Bytes req = gardo::build_read_request(0xB1, 0x81, 78, 4);
    Bytes noisy{0x00, 0x7F};
    noisy.insert(noisy.end(), req.begin(), req.end());
    auto f = feedAll(p, noisy);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->raw, req);
    req.back() ^= 1;
    f = feedAll(p, req);
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->intact);
}

TEST(FrameParser, DropsAStalledFrameAndResynchronises) {
    FrameParser p;
    const Bytes req = readReq(0x80, 1184, 4);
    // Half a frame, then silence longer than the stall time-out.
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(p.feed(req[i], kT0));
    const TP later = kT0 + FrameParser::kStallTimeout + std::chrono::milliseconds(1);
    auto f = feedAll(p, req, later);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->raw, req);
    EXPECT_TRUE(f->intact);
}

TEST(Responder, ReadsAnswerWithAChecksummedReply) {
    DeviceMemory mem;
    const Bytes reply = ask(mem, readReq(0x80, 1680, 4));
    // 1234567 = 0x0012D687, little-endian.
    EXPECT_EQ(reply, gardo::build_read_reply(Bytes{0x87, 0xD6, 0x12, 0x00}));
    const Bytes counters = ask(mem, readReq(0x81, 78, 4));
    ASSERT_EQ(counters.size(), 8u);
    EXPECT_EQ(counters[3], 3);
    EXPECT_EQ(counters[5], 0x5A);  // process byte 80
    EXPECT_EQ(ask(mem, readReq(0x86, 0, 4)).size(), 8u);
    EXPECT_EQ(ask(mem, readReq(0x82, 0, 7)).size(), 11u);
}

TEST(Responder, RefusesBadReadsWithFaulty) {
    DeviceMemory mem;
    const Bytes faulty{kFaulty};
    EXPECT_EQ(ask(mem, readReq(0x80, 0, 0)), faulty);
    EXPECT_EQ(ask(mem, readReq(0x80, 0, 9)), faulty);
    EXPECT_EQ(ask(mem, readReq(0x80, 65535, 2)), faulty);  // beyond the end
    EXPECT_EQ(ask(mem, readReq(0x82, 1, 7)), faulty);      // clock has 7 bytes
    EXPECT_EQ(ask(mem, readReq(0x86, 2, 4)), faulty);      // remote values have 4
    EXPECT_EQ(ask(mem, readReq(0x84, 0, 1)), faulty);      // unused area code
    Bytes broken = readReq(0x80, 1680, 4);
    broken.back() ^= 0x40;
    EXPECT_EQ(ask(mem, broken), faulty);
    EXPECT_EQ(ask(mem, {0xC1, 0x12}), faulty);  // unknown command code
}

TEST(Responder, WritesStoreAndAreReadBack) {
    DeviceMemory mem;
    EXPECT_EQ(ask(mem, writeReq(0xA1, 78, {0x0F, 0x27, 0x11, 0x22})), Bytes{kAck});
    EXPECT_EQ(mem.read(Area::Process, 78, 5, kT0), (Bytes{0x0F, 0x27, 0x11, 0x22, 0}));
    const Bytes ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(ask(mem, writeReq(0xA0, 100, ten)), Bytes{kAck});
    EXPECT_EQ(mem.read(Area::Program, 100, 10, kT0), ten);
    EXPECT_EQ(ask(mem, writeReq(0xA3, 0, {'H', 'i'})), Bytes{kAck});
    EXPECT_EQ(mem.read(Area::RemoteDisplay, 0, 2, kT0), (Bytes{'H', 'i'}));
    EXPECT_EQ(ask(mem, writeReq(0xA6, 0, {1, 2, 3, 4})), Bytes{kAck});
    EXPECT_EQ(mem.read(Area::RemoteValues, 0, 4, kT0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(ask(mem, writeReq(0xA0, 200, {})), Bytes{kAck});
}

TEST(Responder, RefusedWritesChangeNothing) {
    DeviceMemory mem;
    const Bytes before = mem.read(Area::Program, 0, 20, kT0);
    const Bytes eleven(11, 0x77);
    EXPECT_EQ(ask(mem, writeReq(0xA0, 0, eleven)), Bytes{kFaulty});
    Bytes broken = writeReq(0xA0, 0, {1, 2});
    broken.back() = static_cast<uint8_t>(broken.back() + 1);
    EXPECT_EQ(ask(mem, broken), Bytes{kFaulty});
    EXPECT_EQ(ask(mem, writeReq(0xA0, 65535, {1, 2})), Bytes{kFaulty});
    EXPECT_EQ(mem.read(Area::Program, 0, 20, kT0), before);
    EXPECT_EQ(mem.read(Area::Program, 65535, 1, kT0), Bytes{0});
}

TEST(Responder, ShortCommandsSwitchTheControllersState) {
    DeviceMemory mem;
    EXPECT_EQ(ask(mem, {0xC1, 0xC0, 0xC0}), Bytes{kAck});
    EXPECT_FALSE(mem.state().running);
    EXPECT_EQ(ask(mem, {0xC1, 0xC1, 0xC1}), Bytes{kAck});
    EXPECT_TRUE(mem.state().running);

    struct Switch {
        uint8_t on, off;
        bool DeviceState::*flag;
    };
    for (Switch s : {Switch{0xC8, 0xC9, &DeviceState::pkeys}, Switch{0xCA, 0xCB, &DeviceState::debounce},
                     Switch{0xCC, 0xCD, &DeviceState::dst}, Switch{0xCE, 0xD0, &DeviceState::remoteMode}}) {
        EXPECT_EQ(ask(mem, {0xC1, s.on, s.on}), Bytes{kAck});
        EXPECT_TRUE(mem.state().*s.flag) << int(s.on);
        EXPECT_EQ(ask(mem, {0xC1, s.off, s.off}), Bytes{kAck});
        EXPECT_FALSE(mem.state().*s.flag) << int(s.off);
    }
    EXPECT_EQ(ask(mem, {0xC1, 0xC3, 0xC3}), Bytes{kAck});
    EXPECT_TRUE(mem.state().testActive);
    EXPECT_EQ(ask(mem, {0xC1, 0xC5, 0xC5}), Bytes{kAck});
    EXPECT_TRUE(mem.state().retention);
    // Unused codes, and a code not repeated, are refused.
    EXPECT_EQ(ask(mem, {0xC1, 0xCF, 0xCF}), Bytes{kFaulty});
    EXPECT_EQ(ask(mem, {0xC1, 0xC4, 0xC4}), Bytes{kFaulty});
    EXPECT_EQ(ask(mem, {0xC1, 0xC0, 0xC1}), Bytes{kFaulty});
}

TEST(Responder, ApplyProgramTakesOverTheWrittenCalibration) {
    DeviceMemory mem;
    const auto before = mem.state().activeCalibration;
    ask(mem, {0xC1, 0xC0, 0xC0});
    ask(mem, writeReq(0xA0, 1184, {111, 112}));
    ask(mem, writeReq(0xA0, 1186, {113, 114}));
    EXPECT_EQ(mem.state().activeCalibration, before);  // not yet applied
    EXPECT_EQ(ask(mem, {0xC1, 0xC2, 0xC2}), Bytes{kAck});
    EXPECT_EQ(mem.state().activeCalibration, (std::array<uint8_t, 4>{111, 112, 113, 114}));
    EXPECT_EQ(mem.state().applyCount, 1);
}

TEST(Responder, AutoRunStartsTheController) {
    DeviceMemory mem;
    ask(mem, {0xC1, 0xC0, 0xC0});
    EXPECT_EQ(ask(mem, {0xC1, 0xC6, 0xC6}), Bytes{kAck});
    EXPECT_TRUE(mem.state().running);
    EXPECT_EQ(mem.state().autoRunCount, 1);
}

TEST(Responder, ReducedStationIsAnsweredOnlyOnItsOwnByte) {
    DeviceMemory mem;
    const Bytes req = gardo::build_read_request(0xB1, 0x86, 0, 4);
    EXPECT_EQ(req, (Bytes{0xB1, 0x86, 0x04, 0x00, 0x00, 0x8A}));
    EXPECT_EQ(ask(mem, req, kStationReduced).size(), 8u);
    EXPECT_TRUE(ask(mem, req, kStationFull).empty());
}
