#include <gtest/gtest.h>

#include <vector>

#include "frames.h"
#include "gardosim/faults.h"

using namespace gardosim;
using Bytes = std::vector<uint8_t>;

namespace {
const Bytes kRead = gardo::build_read_reply(Bytes{0x10, 0x20, 0x30, 0x40});
const Bytes kAckReply{0x60};
}  // namespace

TEST(FaultPlan, CountsEachFaultDownInOrder) {
    FaultPlan plan;
    plan.add({FaultKind::Silence, 2});
    plan.add({FaultKind::Reject, 1});
    EXPECT_TRUE(plan.apply(true, kRead).silent);
    EXPECT_TRUE(plan.apply(false, kAckReply).silent);
    EXPECT_EQ(plan.apply(true, kRead).reply, Bytes{'P'});
    const auto normal = plan.apply(true, kRead);
    EXPECT_EQ(normal.kind, FaultKind::None);
    EXPECT_EQ(normal.reply, kRead);
    EXPECT_TRUE(plan.pending().empty());
}

TEST(FaultPlan, ForeverLastsUntilCleared) {
    FaultPlan plan;
    plan.add({FaultKind::Faulty, kForever});
    for (int i = 0; i < 5; ++i) EXPECT_EQ(plan.apply(false, kAckReply).reply, Bytes{'0'});
    plan.clear();
    EXPECT_EQ(plan.apply(false, kAckReply).reply, kAckReply);
    plan.add({FaultKind::Reject, 0});  // nothing to do
    EXPECT_TRUE(plan.pending().empty());
}

TEST(FaultPlan, ReadReplyFaultsWaitForARead) {
    FaultPlan plan;
    plan.add({FaultKind::BadChecksum, 1});
    // A write's answer passes untouched and the fault stays queued.
    EXPECT_EQ(plan.apply(false, kAckReply).reply, kAckReply);
    // So does a read that the controller refused.
    EXPECT_EQ(plan.apply(true, Bytes{'0'}).reply, Bytes{'0'});
    ASSERT_EQ(plan.pending().size(), 1u);
    const auto out = plan.apply(true, kRead);
    EXPECT_EQ(out.kind, FaultKind::BadChecksum);
    ASSERT_EQ(out.reply.size(), kRead.size());
    EXPECT_TRUE(std::equal(kRead.begin(), kRead.end() - 1, out.reply.begin()));
    EXPECT_NE(out.reply.back(), kRead.back());
}

TEST(FaultPlan, BuildsMisshapenReadReplies) {
    FaultPlan plan;
    plan.add({FaultKind::BadType, 1});
    plan.add({FaultKind::BadLength, 1});
    plan.add({FaultKind::LongReply, 1});
    plan.add({FaultKind::BadLength, 1, 0});

    auto t = plan.apply(true, kRead).reply;
    EXPECT_EQ(t[1], 0x15);
    EXPECT_EQ(t.back(), gardo::checksum(std::span(t).subspan(1, t.size() - 2)));

    auto l = plan.apply(true, kRead).reply;
    ASSERT_EQ(l.size(), 9u + 4);
    EXPECT_EQ(l[2], 9);
    EXPECT_EQ(Bytes(l.begin() + 3, l.begin() + 7), (Bytes{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(l.back(), gardo::checksum(std::span(l).subspan(1, l.size() - 2)));

    auto longer = plan.apply(true, kRead).reply;
    EXPECT_EQ(longer[2], 5);
    EXPECT_EQ(longer.size(), 5u + 4);

    auto zero = plan.apply(true, kRead).reply;
    EXPECT_EQ(zero, (Bytes{0xC0, 0x14, 0x00, 0x14}));
}

TEST(FaultPlan, ReplacesOrDelaysAnyAnswer) {
    FaultPlan plan;
    plan.add({FaultKind::Unknown, 1});
    plan.add({FaultKind::Unknown, 1, 0x7E});
    plan.add({FaultKind::Ack, 1});
    plan.add({FaultKind::Garbage, 1});
    plan.add({FaultKind::Delay, 1, 40});
    EXPECT_EQ(plan.apply(false, kAckReply).reply, Bytes{'?'});
    EXPECT_EQ(plan.apply(false, kAckReply).reply, Bytes{0x7E});
    EXPECT_EQ(plan.apply(true, kRead).reply, kAckReply);
    const auto g = plan.apply(true, kRead);
    EXPECT_FALSE(g.reply.empty());
    EXPECT_NE(g.reply[0], 0xC0);
    const auto d = plan.apply(true, kRead);
    EXPECT_EQ(d.delayMs, 40);
    EXPECT_EQ(d.reply, kRead);
}

TEST(FaultNames, RoundTrip) {
    for (FaultKind k : {FaultKind::Silence, FaultKind::Reject, FaultKind::Faulty, FaultKind::Unknown, FaultKind::Ack,
                        FaultKind::BadChecksum, FaultKind::BadType, FaultKind::BadLength, FaultKind::LongReply,
                        FaultKind::Garbage, FaultKind::Delay})
        EXPECT_EQ(faultFromName(faultName(k)), k);
    EXPECT_EQ(faultFromName("nonsense"), FaultKind::None);
}
