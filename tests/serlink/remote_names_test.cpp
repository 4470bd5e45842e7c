// Remote-line names and the Telnet framing: the pure parts under the
// network backend.
#include "mode_text.h"
#include "remote_line.h"
#include "telnet_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace serlink {
namespace {

TEST(RemoteNames, UrlsAreDeviceNamesWithTheirOwnColons)
{
    struct Case {
        const char* port;
        const char* device;  // nullptr: no device name
    } cases[] = {
        {"rfc2217://192.0.2.7:4001:", "rfc2217://192.0.2.7:4001"},
        {"SOCKET://station-7.example:23:", "SOCKET://station-7.example:23"},
        {"rfc2217://[2001:db8::1]:4001:", "rfc2217://[2001:db8::1]:4001"},
        {"COM3:", "COM3"},
        {"/dev/ttyUSB0:", "/dev/ttyUSB0"},
        {"rfc2217://192.0.2.7:4001", nullptr},     // no closing colon
        {"rfc2217://192.0.2.7:65536:", "rfc2217"},  // not a URL: the old rule
        {"rfc2217://[2001:db8::1:4001:", "rfc2217"},
        {"socket://:4001:", "socket"},
    };
    for (const Case& c : cases) {
        char mode[kModeTextSize];
        char device[kModeTextSize];
        ASSERT_TRUE(build_mode_text(c.port, 4800, mode)) << c.port;
        const bool named = device_name(mode, device);
        EXPECT_EQ(named, c.device != nullptr) << c.port;
        if (named && c.device) {
            EXPECT_STREQ(device, c.device) << c.port;
        }
        if (named) {
            EXPECT_TRUE(settings_text_ok(mode)) << mode;
        }
    }
    portnames::RemoteUrl url;
    ASSERT_EQ(portnames::ParseRemote("rfc2217://[::1]:4001", &url), 20u);
    EXPECT_EQ(url.kind, portnames::RemoteKind::Rfc2217);
    EXPECT_EQ(url.host, "::1");
    EXPECT_EQ(url.port, 4001);
    EXPECT_EQ(portnames::HostPort(url), "[::1]:4001");
    EXPECT_EQ(portnames::ParseRemote("socket://h:0", nullptr), 0u);
    EXPECT_EQ(portnames::ParseRemote("telnet://h:23", nullptr), 0u);
}

TEST(TelnetCodec, DataAndCommandsComeOutTheSameHoweverTheStreamIsSplit)
{
    using namespace telnet;
    // data FF, WILL BINARY, data 01, SB COM-PORT 101 (baud FF 00 00 FF), NOP, data 02
    const std::vector<uint8_t> stream = {kIac, kIac, kIac, kWill, kBinary, 0x01, kIac, kSb, kComPort, 101,
                                         kIac, kIac, 0,    0,     kIac,    kIac, kIac, kSe, kIac,     241, 0x02};
    auto run = [&](std::size_t piece) {
        Reader r;
        std::vector<uint8_t> data;
        std::vector<Command> commands;
        for (std::size_t i = 0; i < stream.size(); i += piece) {
            r.feed(stream.data() + i, std::min(piece, stream.size() - i), [&](uint8_t b) { data.push_back(b); },
                   [&](const Command& c) { commands.push_back(c); });
        }
        EXPECT_EQ(data, (std::vector<uint8_t>{0xFF, 0x01, 0x02})) << piece;
        ASSERT_EQ(commands.size(), 2u) << piece;
        EXPECT_EQ(commands[0].verb, kWill);
        EXPECT_EQ(commands[0].option, kBinary);
        EXPECT_EQ(commands[1].verb, kSb);
        EXPECT_EQ(commands[1].data, (std::vector<uint8_t>{101, 0xFF, 0, 0, 0xFF})) << piece;
    };
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) run(piece);
    // A sub-negotiation that never ends holds at most its limit.
    Reader endless;
    std::vector<uint8_t> open = {kIac, kSb, kComPort};
    open.resize(100000, 0x42);
    std::size_t held = 0;
    endless.feed(open.data(), open.size(), [](uint8_t) {}, [](const Command&) {});
    const uint8_t end[] = {kIac, kSe};
    endless.feed(end, 2, [](uint8_t) {}, [&](const Command& c) { held = c.data.size(); });
    EXPECT_EQ(held, Command::kMaxSubData);
    // What goes out is escaped the same way.
    EXPECT_EQ(com_port_command(kSetBaudRate, {0, 0, 0xFF, 0x01}),
              (std::vector<uint8_t>{kIac, kSb, kComPort, 1, 0, 0, 0xFF, 0xFF, 0x01, kIac, kSe}));
}

}  // namespace
}  // namespace serlink
