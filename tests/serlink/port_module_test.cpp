// The algorithms over a scripted backend: the Init/Exit lifecycle, the error
// word, and the wait loops of ReadByte and WriteByte against a fake clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fake_backend.h"
#include "port_module.h"

using namespace serlink;
using Calls = std::vector<std::string>;

struct Module : ::testing::Test {
    FakeBackend fake;
    PortModule port{fake};
    uint8_t b = 0;
};

TEST_F(Module, InitConfiguresThePortInOrder) {
    fake.port_settings.parity = kParityOdd;
    fake.port_settings.out_x = true;
    ASSERT_EQ(port.Init("COM1:", 4800), SERLINK_OK);
    EXPECT_EQ(fake.opened, "COM1");
    EXPECT_EQ(port.GetHandle(), fake.open_handle);
    EXPECT_EQ(fake.calls, (Calls{"open", "set_event_mask", "setup_queues", "build_settings", "get_settings",
                                 "set_settings", "set_timeouts", "purge", "clear_break"}));
    EXPECT_EQ(fake.polls, 1);  // the final error reset
    EXPECT_EQ(fake.event_mask, kEventRxChar | kEventTxEmpty);
    EXPECT_EQ(fake.in_size, 4096u);
    EXPECT_EQ(fake.out_size, 512u);
    EXPECT_EQ(fake.purge_flags, 0x0Fu);
    EXPECT_EQ(fake.timeouts.read_total_constant, 1000u);
    EXPECT_EQ(fake.applied.baud_rate, 4800u);
    EXPECT_EQ(fake.applied.parity, kParityNone);
    EXPECT_FALSE(fake.applied.parity_check || fake.applied.out_x);
    EXPECT_EQ(fake.applied.byte_size, 8);
    EXPECT_EQ(fake.applied.stop_bits, kOneStopBit);
    EXPECT_EQ(fake.applied.rts_control, kLineControlDisable);
}

TEST_F(Module, RefusedRateKeepsThePortOpenUntilExit) {
    EXPECT_EQ(port.Init("COM1:", 14400), SERLINK_E_BAD_MODE);
    EXPECT_EQ(port.GetHandle(), fake.open_handle);
    EXPECT_EQ(fake.calls.back(), "get_settings");
    fake.calls.clear();
    EXPECT_EQ(port.Init("COM2:", 4800), SERLINK_OK);  // changes nothing
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(port.Exit(), SERLINK_OK);
    EXPECT_EQ(fake.calls, Calls{"close"});
    EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(port.Init("COM2:", 4800), SERLINK_OK);
    EXPECT_EQ(fake.opened, "COM2");
}

TEST_F(Module, FailedSystemCallsMapTheirErrorNumber) {
    struct Case { const char* call; uint32_t number; int32_t code; };
    for (Case c : {Case{"open", 2, -1162}, Case{"open", 5, -1161}, Case{"open", 0, -1157},
                   Case{"set_event_mask", 87, -1161}, Case{"setup_queues", 0x8000, -1158},
                   Case{"build_settings", 87, -1161}, Case{"set_settings", 31, -1161},
                   Case{"set_timeouts", 6, -1162}, Case{"purge", 0x1000, -1159}, Case{"get_settings", 1, 0},
                   Case{"clear_break", 1, 0}}) {
        FakeBackend fake;
        PortModule port(fake);
        fake.failing = {c.call};
        fake.error_number = c.number;
        EXPECT_EQ(port.Init("COM3:", 4800), c.code) << c.call;
        EXPECT_EQ(fake.polls, 1) << c.call;  // error flags reset after the failure
        // The handle is kept, and invalid only when the open itself failed.
        const bool open_failed = std::string(c.call) == "open";
        EXPECT_EQ(port.GetHandle(), open_failed ? SERLINK_INVALID_HANDLE : fake.open_handle) << c.call;
        EXPECT_EQ(port.Init("COM3:", 4800), open_failed ? c.code : SERLINK_OK) << c.call;
    }
}

TEST_F(Module, PortTextWithoutDeviceNameOrRoomOpensNothing) {
    for (const char* text : {"COM1", "", ":", "COM1:baud=4800 parity=n data=8 stop=1 and a lot more text to overflow it"})
        EXPECT_EQ(port.Init(text, 4800), SERLINK_E_BAD_MODE) << text;
    EXPECT_EQ(port.Init(nullptr, 4800), SERLINK_E_BAD_MODE);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE);
}

TEST_F(Module, ExitHandlesAndWaitTime) {
    EXPECT_EQ(port.Exit(), SERLINK_OK);  // nothing open: nothing closed
    EXPECT_EQ(port.SetHandle(fake_handle(42)), fake_handle(42));
    EXPECT_EQ(port.Init("COM1:", 4800), SERLINK_OK);
    EXPECT_TRUE(fake.calls.empty());
    fake.failing = {"close"};
    fake.error_number = 6;
    EXPECT_EQ(port.Exit(), SERLINK_E_OVERRUN);
    EXPECT_EQ(port.GetHandle(), fake_handle(42));
    fake.failing.clear();
    EXPECT_EQ(port.Exit(), SERLINK_OK);
    EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(port.wait_time(), 2000u);
    EXPECT_EQ(port.SetWaitTime(0), 0u);
}

TEST_F(Module, LineErrorReportedOnceAndOnlyByIsDataAvailable) {
    fake.input = {1};
    fake.error_words = {0x0008, 0};
    EXPECT_EQ(port.IsDataAvailable(), SERLINK_E_FRAME);
    EXPECT_EQ(port.IsDataAvailable(), 1);
    // Several bits: the lowest counts. Bits above 4 alone are no line errors.
    fake.error_words = {0x0006, 0x0020};
    EXPECT_EQ(port.IsDataAvailable(), SERLINK_E_OVERRUN);
    EXPECT_EQ(port.IsDataAvailable(), 1);
    // IsBufferEmpty resets the flags without reporting them.
    fake.input.clear();
    fake.error_words = {0x0008};
    EXPECT_EQ(port.IsBufferEmpty(), 1);
    EXPECT_EQ(port.IsDataAvailable(), 0);
    fake.out_queue = 3;
    EXPECT_EQ(port.IsBufferEmpty(), 0);
    fake.out_queue = 0;
    fake.immediate_char = true;
    EXPECT_EQ(port.IsBufferEmpty(), 0);
    fake.failing = {"clear_error"};
    EXPECT_EQ(port.IsDataAvailable(), SERLINK_E_NO_ERRNO);
    EXPECT_EQ(port.IsBufferEmpty(), SERLINK_E_NO_ERRNO);
}

TEST_F(Module, ReadWaitsUntilStrictlyPastTheWaitTime) {
    port.SetWaitTime(5);
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_READ_TIMEOUT);
    EXPECT_EQ(fake.polls, 6);  // at 0, 1, ..., 5 ms
    EXPECT_EQ(fake.wait_limits.front(), 6u);  // the hook may sleep until just past the limit
    EXPECT_EQ(fake.wait_limits.back(), 1u);

    // A wait time of 0 still polls while the clock stands still.
    port.SetWaitTime(0);
    fake.polls = 0;
    int waits = 0;
    fake.on_wait = [&] { if (++waits == 3) fake.input.push_back(0xA5); };
    EXPECT_EQ(port.ReadByte(&b), SERLINK_OK);
    EXPECT_EQ(b, 0xA5);
    EXPECT_EQ(fake.polls, 4);

    // The clock wraps around without ending the wait early.
    port.SetWaitTime(2000);
    fake.clock = 0xFFFFFFF0u;
    waits = 0;
    fake.on_wait = [&] {
        fake.clock += 10;
        if (++waits == 3) fake.input.push_back(0x5A);  // at 0x0000000E
    };
    EXPECT_EQ(port.ReadByte(&b), SERLINK_OK);
    EXPECT_EQ(b, 0x5A);
}

TEST_F(Module, ReadFailures) {
    fake.error_words = {0x0010};
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_BREAK);
    fake.input = {1};
    fake.short_read = true;
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_READ_EMPTY);
    fake.short_read = false;
    fake.failing = {"read_byte"};
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_READ_EMPTY);
    EXPECT_EQ(port.ReadByte(nullptr), SERLINK_E_READ_EMPTY);
}

TEST_F(Module, WriteWaitsForTheOutputQueue) {
    fake.out_queue = 1;
    fake.error_words = {0x0008};  // cleared silently on the way
    fake.on_wait = [&] { if (++fake.clock == 3) fake.out_queue = 0; };
    EXPECT_EQ(port.WriteByte(0xFF), SERLINK_OK);
    EXPECT_EQ(fake.written, std::vector<uint8_t>{0xFF});
    EXPECT_EQ(port.IsDataAvailable(), 0);

    fake.out_queue = 1;
    port.SetWaitTime(10);
    EXPECT_EQ(port.WriteByte(0x00), SERLINK_E_WRITE_TIMEOUT);
    EXPECT_EQ(fake.written.size(), 1u);

    fake.out_queue = 0;
    fake.failing = {"write_byte"};
    fake.error_number = 2;
    fake.polls = 0;
    EXPECT_EQ(port.WriteByte(0x00), SERLINK_E_OVERRUN);
    EXPECT_EQ(fake.polls, 2);  // the queue check, then the reset after the failure
}

// Line errors the trace records, reported or not, and a failed write: what a
// pseudo-terminal cannot produce.
TEST_F(Module, TraceRecordsLineErrorsAndFailures) {
    char dir[] = "/tmp/serlink-traceXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string file = std::string(dir) + "/t.txt";
    ::setenv("SERLINK_TRACE", file.c_str(), 1);
    ASSERT_EQ(port.Init("COM1:", 4800), SERLINK_OK);
    ::unsetenv("SERLINK_TRACE");
    fake.error_words = {kErrFrame | kErrOverrun, 0, kErrParity};
    EXPECT_EQ(port.IsDataAvailable(), SERLINK_E_OVERRUN);
    EXPECT_EQ(port.WriteByte(0x41), SERLINK_OK);
    fake.failing.insert("write_byte");  // its wait clears the parity flag unreported
    fake.error_number = 5;
    EXPECT_EQ(port.WriteByte(0x42), SERLINK_E_RX_OVERFLOW);
    EXPECT_EQ(port.Exit(), SERLINK_OK);

    std::vector<std::string> events;
    FILE* f = std::fopen(file.c_str(), "r");
    ASSERT_NE(f, nullptr);
    for (char line[512]; std::fgets(line, sizeof line, f);) events.push_back(std::string(line + 21));
    std::fclose(f);
    std::remove(file.c_str());
    ::rmdir(dir);
    EXPECT_EQ(events, (Calls{"open \"COM1:\" -> COM1, 4800 baud 8N1, wait time 2000 ms\n",
                             "line error 0x000A overrun framing -> -1162 SERLINK_E_OVERRUN\n",
                             "send 41\n",
                             "line error 0x0004 parity cleared while waiting to send, not reported\n",
                             "write failed: error 5 -> -1161 SERLINK_E_RX_OVERFLOW\n",
                             "close\n"}));
}
