// The Telnet framing a remote line with the COM-PORT-OPTION speaks: data
// bytes with 0xFF doubled, option negotiation (WILL/WONT/DO/DONT) and
// sub-negotiations (IAC SB option ... IAC SE). Pure: bytes in, bytes and
// commands out.
#ifndef SERLINK_TELNET_CODEC_H
#define SERLINK_TELNET_CODEC_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace serlink::telnet {

enum : uint8_t {
    kSe = 240,
    kSb = 250,
    kWill = 251,
    kWont = 252,
    kDo = 253,
    kDont = 254,
    kIac = 255,
};

// Options.
enum : uint8_t { kBinary = 0, kEcho = 1, kSuppressGoAhead = 3, kComPort = 44 };

// COM-PORT-OPTION commands as the client sends them; the server answers
// each with the same number plus kServerOffset.
enum : uint8_t {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
    kServerOffset = 100,
};

// SET-CONTROL values.
enum : uint8_t {
    kControlNoFlow = 1,
    kControlXonXoff = 2,
    kControlHardware = 3,
    kControlDtrOn = 8,
    kControlDtrOff = 9,
    kControlRtsOn = 11,
    kControlRtsOff = 12,
};

// PURGE-DATA values: the server's buffer of bytes received from its port,
// of bytes to send to it, or both.
enum : uint8_t { kPurgeReceived = 1, kPurgeToSend = 2, kPurgeBoth = 3 };

// Line-state bits a server reports (NOTIFY-LINESTATE).
enum : uint8_t { kLineOverrun = 0x02, kLineParity = 0x04, kLineFraming = 0x08, kLineBreak = 0x10 };

// A command received: an option negotiation (verb kWill..kDont) or a
// sub-negotiation (verb kSb, with its bytes unescaped in data, at most
// kMaxSubData of them: a server that never ends one cannot fill the memory).
struct Command {
    static constexpr std::size_t kMaxSubData = 64;  // a COM-PORT-OPTION reply has at most 5
    uint8_t verb = 0;
    uint8_t option = 0;
    std::vector<uint8_t> data;
};

// Splits what a server sends into data bytes and commands, in order, across
// any division of the stream into reads.
class Reader {
public:
    using DataFn = std::function<void(uint8_t)>;
    using CommandFn = std::function<void(const Command&)>;
    void feed(const uint8_t* bytes, std::size_t count, const DataFn& on_data, const CommandFn& on_command);

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    State state_ = State::Data;
    Command command_;
};

// IAC verb option.
std::vector<uint8_t> negotiation(uint8_t verb, uint8_t option);
// IAC SB COM-PORT-OPTION command value... IAC SE, with 0xFF in the value
// doubled.
std::vector<uint8_t> com_port_command(uint8_t command, const std::vector<uint8_t>& value);

}  // namespace serlink::telnet

#endif  // SERLINK_TELNET_CODEC_H
