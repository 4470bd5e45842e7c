#include <gtest/gtest.h>

#include <vector>

#include "fake_serial.h"
#include "frames.h"
#include "gardolink.h"
#include "trace_line.h"
#include "transact.h"

using gardo::test::FakeSerial;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kStation = 0xC1;

Bytes reply(const Bytes& data) { return gardo::build_read_reply(data); }

Bytes bad_sum(const Bytes& data) {
    Bytes r = gardo::build_read_reply(data);
    r.back() ^= 0x5A;
    return r;
}

int32_t read_program(FakeSerial& port, int32_t address, int32_t count, uint8_t* dest) {
    return gardo::read_transaction(port, kStation, 0x80, address, count, dest);
}

}  // namespace

TEST(ShortCommand, SendsThreeBytesAndMapsTheReply) {
    const std::pair<uint8_t, int32_t> cases[] = {{0x60, GARDO_OK}, {'P', GARDO_REJECTED}, {'0', GARDO_FAULTY},
                                                 {0xC0, GARDO_UNKNOWN_REPLY}};
    for (auto [answer, status] : cases) {
        FakeSerial port;
        port.replies.push_back({answer});
        EXPECT_EQ(gardo::short_command(port, kStation, 0xC1), status);
        EXPECT_EQ(port.sent, (Bytes{0xC1, 0xC1, 0xC1}));
    }
}

TEST(ShortCommand, NoReplyIsNotRepeated) {
    FakeSerial port;
    EXPECT_EQ(gardo::short_command(port, kStation, 0xC0), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(port.requests, 1);
}

TEST(Flush, DropsPendingInputOnceBeforeTheRequest) {
    FakeSerial port;
    port.pending = {0x11, 0x22, 0x33};
    port.replies.push_back(reply({7, 8}));
    uint8_t dest[2] = {};
    EXPECT_EQ(read_program(port, 10, 2, dest), GARDO_OK);
    EXPECT_TRUE(port.pending.empty());
    EXPECT_EQ(dest[0], 7);
    EXPECT_EQ(dest[1], 8);
}

TEST(Flush, AFailedQueryEndsTheTransactionBeforeSending) {
    FakeSerial port;
    port.availableError = SERLINK_E_FRAME;
    uint8_t dest[1];
    EXPECT_EQ(read_program(port, 0, 1, dest), SERLINK_E_FRAME);
    EXPECT_EQ(gardo::short_command(port, kStation, 0xC1), SERLINK_E_FRAME);
    EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 1, dest), SERLINK_E_FRAME);
    EXPECT_TRUE(port.sent.empty());
}

TEST(Read, ReplyCharactersInsteadOfAFrame) {
    const std::pair<uint8_t, int32_t> cases[] = {
        {'P', GARDO_REJECTED}, {'0', GARDO_FAULTY}, {0x60, GARDO_UNKNOWN_REPLY}, {0xFF, GARDO_UNKNOWN_REPLY}};
    for (auto [answer, status] : cases) {
        FakeSerial port;
        port.replies.push_back({answer});
        uint8_t dest[4];
        EXPECT_EQ(read_program(port, 1680, 4, dest), status);
        EXPECT_EQ(port.requests, 1);
    }
}

TEST(Read, MalformedRepliesEndAtOnce) {
    {
        FakeSerial port;
        port.replies.push_back({0xC0, 0x15, 0x01, 0x00, 0x15});
        uint8_t dest[1];
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_BAD_TYPE);
        EXPECT_EQ(port.requests, 1);
    }
    for (uint8_t n : {uint8_t{0}, uint8_t{9}}) {
        FakeSerial port;
        port.replies.push_back({0xC0, 0x14, n});
        uint8_t dest[8];
        EXPECT_EQ(read_program(port, 0, 8, dest), GARDO_BAD_LENGTH);
        EXPECT_EQ(port.requests, 1);
    }
}

TEST(Read, LongerReplyThanAskedForCopiesNothing) {
    FakeSerial port;
    port.replies.push_back(reply({1, 2, 3, 4, 5, 6, 7, 8}));
    uint8_t buffer[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(read_program(port, 0, 2, buffer), GARDO_BAD_LENGTH);
    for (uint8_t b : buffer) EXPECT_EQ(b, 0xEE);
}

TEST(Read, ShorterReplyIsAccepted) {
    FakeSerial port;
    port.replies.push_back(reply({9}));
    uint8_t buffer[4] = {0, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(read_program(port, 0, 4, buffer), GARDO_OK);
    EXPECT_EQ(buffer[0], 9);
    EXPECT_EQ(buffer[1], 0xEE);
}

TEST(Read, ChecksumRetriesShareTheFourAttemptLimit) {
    {
        FakeSerial port;
        for (int i = 0; i < 3; ++i) port.replies.push_back(bad_sum({1, 2, 3, 4}));
        port.replies.push_back(reply({1, 2, 3, 4}));
        uint8_t dest[4] = {};
        EXPECT_EQ(read_program(port, 1680, 4, dest), GARDO_OK);
        EXPECT_EQ(port.requests, 4);
        EXPECT_EQ(dest[3], 4);
        // Every attempt sends the same frame; the flush ran only once.
        const Bytes frame = gardo::build_read_request(kStation, 0x80, 1680, 4);
        ASSERT_EQ(port.sent.size(), 4 * frame.size());
        for (size_t i = 0; i < port.sent.size(); ++i) EXPECT_EQ(port.sent[i], frame[i % frame.size()]);
    }
    {
        FakeSerial port;
        for (int i = 0; i < 5; ++i) port.replies.push_back(bad_sum({1}));
        uint8_t dest[1];
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_UNKNOWN_REPLY);
        EXPECT_EQ(port.requests, 4);
    }
    {
        // Two silences and two bad checksums: still four requests in all.
        FakeSerial port;
        port.replies = {{}, bad_sum({1}), {}, bad_sum({1}), reply({1})};
        uint8_t dest[1];
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_UNKNOWN_REPLY);
        EXPECT_EQ(port.requests, 4);
    }
}

TEST(Read, SilenceGivesTheLastReadCodeAfterFourRequests) {
    FakeSerial port;
    uint8_t dest[1];
    EXPECT_EQ(read_program(port, 0, 1, dest), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(port.requests, 4);
}

TEST(Read, AFailureAfterTheStartByteIsNotRetried) {
    FakeSerial port;
    port.replies.push_back({0xC0, 0x14, 0x04, 1, 2});  // cut short
    port.replies.push_back(reply({1, 2, 3, 4}));
    uint8_t dest[4];
    EXPECT_EQ(read_program(port, 0, 4, dest), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(port.requests, 1);
}

TEST(Read, SendFailureEndsTheTransaction) {
    FakeSerial port;
    port.writeError = SERLINK_E_WRITE_TIMEOUT;
    port.writeFailAt = 2;
    uint8_t dest[1];
    EXPECT_EQ(read_program(port, 0, 1, dest), SERLINK_E_WRITE_TIMEOUT);
    EXPECT_EQ(port.sent.size(), 2u);
}

TEST(Arguments, OutOfRangeCallsAreRefusedBeforeSending) {
    FakeSerial port;
    uint8_t buffer[16] = {};
    EXPECT_EQ(read_program(port, 0, 0, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(read_program(port, 0, 9, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(read_program(port, -1, 1, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(read_program(port, 0x10000, 1, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(read_program(port, 0, 1, nullptr), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 11, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, -1, buffer), GARDO_BAD_ARGUMENT);
    EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 2, nullptr), GARDO_BAD_ARGUMENT);
    EXPECT_TRUE(port.sent.empty());
}

TEST(Write, FrameRetriesAndReplies) {
    {
        FakeSerial port;
        port.replies.push_back({0x60});
        const Bytes data(10, 0xAB);
        EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA1, 81, 10, data.data()), GARDO_OK);
        EXPECT_EQ(port.sent, gardo::build_write_request(kStation, 0xA1, 81, data));
        EXPECT_EQ(port.sent.size(), 16u);
    }
    {
        FakeSerial port;
        port.replies = {{}, {}, {'P'}};
        EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 0, nullptr), GARDO_REJECTED);
        EXPECT_EQ(port.requests, 3);
    }
    {
        FakeSerial port;
        port.readError = SERLINK_E_BREAK;
        EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA2, 0, 0, nullptr), SERLINK_E_BREAK);
        EXPECT_EQ(port.requests, 4);
    }
    {
        // A reply character is never a reason for another attempt.
        FakeSerial port;
        port.replies = {{'X'}, {0x60}};
        EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 0, nullptr), GARDO_UNKNOWN_REPLY);
        EXPECT_EQ(port.requests, 1);
    }
}

TEST(AutoRun, SendsTheCommandOnlyFrom18) {
    {
        FakeSerial port;
        port.replies.push_back(reply({17}));
        EXPECT_EQ(gardo::auto_run(port, kStation), GARDO_OK);
        EXPECT_EQ(port.sent, gardo::build_read_request(kStation, 0x81, 4, 1));
    }
    {
        FakeSerial port;
        port.replies = {reply({18}), {'P'}};
        EXPECT_EQ(gardo::auto_run(port, kStation), GARDO_REJECTED);
        Bytes expected = gardo::build_read_request(kStation, 0x81, 4, 1);
        expected.insert(expected.end(), {0xC1, 0xC6, 0xC6});
        EXPECT_EQ(port.sent, expected);
    }
    {
        FakeSerial port;
        port.replies.push_back({'0'});
        EXPECT_EQ(gardo::auto_run(port, kStation), GARDO_FAULTY);
        EXPECT_EQ(port.requests, 1);
    }
}

// The record each transaction fills for the trace, as the trace line reads it.
TEST(TraceLine, NamesWhatBecameOfEachRequest) {
    {
        FakeSerial port;
        port.pending = {0x11, 0x22};
        port.replies.push_back({0xC0, 0x15, 0x01, 0x07, 0x1C});
        port.late = {{100, 0x33}};  // comes while the line settles
        gardo::Record rec;
        uint8_t dest[1];
        const int32_t rc = gardo::read_transaction(port, kStation, 0x82, 3, 1, dest, rec);
        EXPECT_EQ(gardo::transaction_line(0x82, 3, 1, rec, rc, 1.5),
                  "Read_Clock (82) clock address 3 count 1: dropped 2 pending bytes; waited for a quiet line 1 "
                  "time, dropped 1 byte; attempt 1 reply type 15, not 14; status 4 GARDO_BAD_TYPE after 1 "
                  "attempt, 1.500 ms");
    }
    {
        FakeSerial port;
        port.replies = {{}, {'P'}};
        gardo::Record rec;
        const uint8_t src[2] = {1, 2};
        const int32_t rc = gardo::write_transaction(port, kStation, 0xA0, 1184, 2, src, rec);
        EXPECT_EQ(gardo::transaction_line(0xA0, 1184, 2, rec, rc, 0),
                  "Write_Program (A0) program address 1184 count 2: waited for a quiet line 1 time, dropped 0 "
                  "bytes; attempt 1 silence (-1154 "
                  "SERLINK_E_READ_TIMEOUT); attempt 2 reply \"P\" (rejected); status 1 GARDO_REJECTED after 2 "
                  "attempts, 0.000 ms");
    }
    {
        FakeSerial port;
        port.writeError = SERLINK_E_WRITE_TIMEOUT;
        gardo::Record rec;
        const int32_t rc = gardo::short_command(port, kStation, 0xC8, rec);
        EXPECT_EQ(gardo::transaction_line(0xC8, 0, 0, rec, rc, 2),
                  "PKeys_State on (C8): attempt 1 send failed (-1153 SERLINK_E_WRITE_TIMEOUT); status -1153 "
                  "SERLINK_E_WRITE_TIMEOUT after 1 attempt, 2.000 ms");
    }
}

// The wait for a quiet line, on the fake's clock: what is left of a bad or
// late reply is dropped before the next request, and a good session never
// waits.
TEST(QuietLine, TheRestOfABadReplyNeverPassesForTheNextAnswer) {
    const int64_t quiet = FakeSerial::byte_micros(4800) + gardo::kQuietMarginMicros;
    {
        // A reply with a bad checksum whose rest trickles in: the retry goes
        // out only once the line has been quiet long enough after its last
        // byte.
        FakeSerial port;
        port.replies = {{0xC0, 0x14, 0x02, 1, 2, 0x00}, reply({1, 2})};
        port.late = {{2000, 0x00}, {4000, 0x55}, {6000, 0xC0}, {8000, 0x13}};
        gardo::Record rec;
        uint8_t dest[2] = {};
        EXPECT_EQ(gardo::read_transaction(port, kStation, 0x80, 0, 2, dest, rec), GARDO_OK);
        EXPECT_EQ(dest[1], 2);
        ASSERT_EQ(port.requests, 2);
        EXPECT_GE(port.requestTimes[1], 8000 + quiet);
        EXPECT_LT(port.requestTimes[1], 8000 + quiet + gardo::kQuietPollMicros + 1);
        EXPECT_EQ(rec.quiet_dropped, 4);
        EXPECT_TRUE(port.unsettled);  // one attempt failed
    }
    {
        // A late second answer to a repeated request (another address's
        // data) comes after the transaction ended: the next one drops it.
        FakeSerial port;
        port.waitMicros = 2'000'000;
        port.replies = {{}, reply({1})};
        uint8_t dest[1] = {};
        EXPECT_EQ(read_program(port, 10, 1, dest), GARDO_OK);
        const int64_t end = port.now;
        const Bytes stale = reply({1});
        for (size_t i = 0; i < stale.size(); ++i) port.late.push_back({end + 14'000 + 2'000 * int64_t(i), stale[i]});
        port.replies.push_back(reply({9}));
        EXPECT_EQ(read_program(port, 20, 1, dest), GARDO_OK);
        EXPECT_EQ(dest[0], 9);
        EXPECT_TRUE(port.late.empty());
        EXPECT_TRUE(port.pending.empty());
        EXPECT_FALSE(port.unsettled);
    }
    {
        // A line that never goes quiet holds the next request back only up
        // to the limit.
        FakeSerial port;
        port.replies = {{'P'}};
        for (int64_t t = 1000; t < 2'000'000; t += 1000) port.late.push_back({t, 0x55});
        uint8_t dest[1];
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_REJECTED);
        port.replies.push_back({0x60});
        EXPECT_EQ(gardo::short_command(port, kStation, 0xC1), GARDO_OK);
        ASSERT_EQ(port.requests, 2);
        EXPECT_GE(port.requestTimes[1], gardo::kQuietLimitMicros);
        EXPECT_LE(port.requestTimes[1], gardo::kQuietLimitMicros + 1000);
    }
    {
        // Clean transactions of every kind: no wait, no pause.
        FakeSerial port;
        port.replies = {reply({1}), {0x60}, {0x60}, reply({2})};
        uint8_t dest[1];
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_OK);
        EXPECT_EQ(gardo::write_transaction(port, kStation, 0xA0, 0, 1, dest), GARDO_OK);
        EXPECT_EQ(gardo::short_command(port, kStation, 0xC1), GARDO_OK);
        EXPECT_EQ(read_program(port, 0, 1, dest), GARDO_OK);
        EXPECT_EQ(port.pauses, 0);
        EXPECT_EQ(port.now, 0);
    }
}
