#include "port_network.h"

#include <cstdio>

#include "line_trace.h"
#include "mode_text.h"

namespace serlink {

namespace {

using namespace telnet;

// Windows number of every connection failure: the port is not available.
constexpr uint32_t kWinNotAvailable = 2;
// Windows number of a setting the far port refused.
constexpr uint32_t kWinInvalidParameter = 87;

using linktrace::num;

// "0.4 ms", "1203 ms".
std::string millis(std::chrono::steady_clock::duration d) {
    const double ms = std::chrono::duration<double, std::milli>(d).count();
    char text[32];
    std::snprintf(text, sizeof text, ms < 10 ? "%.1f ms" : "%.0f ms", ms);
    return text;
}

// Options the server may switch on for its side, and that we switch on for
// ours when asked.
bool accept_his(uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }
bool accept_ours(uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

uint8_t parity_code(uint8_t parity) {
    switch (parity) {
    case kParityOdd: return 2;
    case kParityEven: return 3;
    case kParityMark: return 4;
    case kParitySpace: return 5;
    default: return 1;
    }
}

uint8_t stop_code(uint8_t stop_bits) {
    return stop_bits == kTwoStopBits ? 2 : stop_bits == kOne5StopBits ? 3 : 1;
}

const char* control_text(uint8_t value) {
    switch (value) {
    case kControlNoFlow: return "no flow control";
    case kControlXonXoff: return "XON/XOFF flow control";
    case kControlHardware: return "hardware flow control";
    case kControlDtrOn: return "DTR on";
    case kControlDtrOff: return "DTR off";
    case kControlRtsOn: return "RTS on";
    case kControlRtsOff: return "RTS off";
    default: return "a control setting";
    }
}

std::vector<uint8_t> be32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

}  // namespace

serlink_handle_t NetworkBackend::handle() const {
#if defined(_WIN32)
    return reinterpret_cast<serlink_handle_t>(sock_);
#else
    return static_cast<serlink_handle_t>(sock_);
#endif
}

bool NetworkBackend::fail(uint32_t number, const std::string& text) {
    last_error_ = number;
    last_text_ = text;
    return false;
}

bool NetworkBackend::usable(serlink_handle_t h) {
    if (!owns(h)) return fail(kWinNotAvailable, "not a connection of this line");
    if (closed_ && in_.empty()) return fail(kWinNotAvailable, closed_why_);
    return true;
}

void NetworkBackend::lost(const std::string& why) {
    if (closed_) return;
    closed_ = true;
    closed_why_ = "connection to " + url_.text + " lost: " + why;
    note(closed_why_);
}

void NetworkBackend::pump() {
    if (sock_ < 0 || closed_) return;
    uint8_t buffer[4096];
    for (;;) {
        const long n = portnames::SocketRecv(sock_, buffer, sizeof buffer);
        if (n > 0) {
            received_ += static_cast<std::size_t>(n);
            auto take = [this](uint8_t b) {
                // A full input queue drops the byte and says so, like a driver's.
                if (in_.size() < kInputMax) {
                    in_.push_back(b);
                } else {
                    line_errors_ |= kErrRxOver;
                }
            };
            if (url_.kind == portnames::RemoteKind::Raw) {
                for (long i = 0; i < n; ++i) take(buffer[i]);
            } else {
                reader_.feed(buffer, static_cast<std::size_t>(n), take, [this](const Command& c) { on_command(c); });
            }
            continue;
        }
        if (n == 0) {
            lost("the server closed the connection");
            return;
        }
        const int err = portnames::SocketError();
        if (!portnames::SocketWouldBlock(err)) lost(portnames::SocketErrorText(err));
        return;
    }
}

template <class Done>
bool NetworkBackend::pump_until(Clock::time_point deadline, Done done) {
    for (;;) {
        pump();
        if (done()) return true;
        const auto now = Clock::now();
        if (closed_ || now >= deadline) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        (void)portnames::SocketWait(sock_, portnames::kSocketIn, static_cast<uint32_t>(left) + 1);
    }
}

bool NetworkBackend::send_all(const std::vector<uint8_t>& bytes, uint32_t ms) {
    if (closed_) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = portnames::SocketSend(sock_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int err = portnames::SocketError();
        if (n < 0 && !portnames::SocketWouldBlock(err)) {
            lost(portnames::SocketErrorText(err));
            return false;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            // Half a command sent would garble everything after it.
            if (done > 0) lost("the server took no data for " + num(ms) + " ms");
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        (void)portnames::SocketWait(sock_, portnames::kSocketOut, static_cast<uint32_t>(left) + 1);
    }
    return true;
}

void NetworkBackend::on_command(const Command& c) {
    const uint8_t o = c.option;
    auto answer = [this](uint8_t verb, uint8_t option) { (void)send_all(negotiation(verb, option), kNegotiationMs); };
    // WILL (his side) or DO (ours): an option we take is turned on and
    // confirmed, unless this is the answer to our own request; any other is
    // refused. (We only ever request options we take.)
    auto offered = [&](OptionState& state, bool take, uint8_t yes, uint8_t no) {
        if (take) {
            if (!state.on && !state.asked) answer(yes, o);
            state.on = true;
        } else {
            answer(no, o);
            state.on = false;
        }
        state.asked = false;
    };
    // WONT or DONT: off, confirmed when it was on.
    auto withdrawn = [&](OptionState& state, uint8_t confirm) {
        if (state.on) answer(confirm, o);
        state = OptionState{};
    };
    switch (c.verb) {
    case kWill: offered(him_[o], accept_his(o), kDo, kDont); break;
    case kWont: withdrawn(him_[o], kDont); break;
    case kDo: offered(us_[o], accept_ours(o), kWill, kWont); break;
    case kDont: withdrawn(us_[o], kWont); break;
    case kSb:
        if (o == kComPort && !c.data.empty()) {
            on_com_port_reply(c.data[0], std::vector<uint8_t>(c.data.begin() + 1, c.data.end()));
        }
        break;
    default:
        break;
    }
}

void NetworkBackend::on_com_port_reply(uint8_t command, const std::vector<uint8_t>& value) {
    if (command == kServerOffset + kNotifyLineState && !value.empty()) {
        const uint8_t s = value[0];
        if (s & kLineOverrun) line_errors_ |= kErrOverrun;
        if (s & kLineParity) line_errors_ |= kErrParity;
        if (s & kLineFraming) line_errors_ |= kErrFrame;
        if (s & kLineBreak) line_errors_ |= kErrBreak;
        return;
    }
    if (command == kServerOffset + kPurgeData && purge_awaited_) {
        // Whatever came before the confirmation was received before the
        // purge: it goes too.
        in_.clear();
        purge_awaited_ = false;
    }
    // Kept for set_settings(): the answers to the line settings, only as
    // many as it can ask for.
    if (command > kServerOffset && command <= kServerOffset + kSetControl && replies_.size() < 64) {
        replies_.emplace_back(command, value);
    }
}

uint32_t NetworkBackend::tick_ms() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

serlink_handle_t NetworkBackend::open(const char* device) {
    portnames::RemoteUrl url;
    if (device == nullptr || !portnames::RemoteFor(device, &url)) {
        fail(kWinNotAvailable, "not a remote line");
        return SERLINK_INVALID_HANDLE;
    }
    return open_url(url);
}

void NetworkBackend::drop_connection() {
    if (sock_ >= 0) portnames::CloseSocket(sock_);
    sock_ = -1;
    in_.clear();
    closed_ = false;
    closed_why_.clear();
    line_errors_ = 0;
    received_ = 0;
    us_.fill(OptionState{});
    him_.fill(OptionState{});
    lines_set_ = false;
    purge_awaited_ = false;
    replies_.clear();
    reader_ = Reader{};
}

serlink_handle_t NetworkBackend::open_url(const portnames::RemoteUrl& url) {
    // One connection at a time: a new open starts afresh.
    drop_connection();
    url_ = url;
    settings_ = PortSettings{};
    const auto start = Clock::now();
    int error = 0;
    std::string text, address;
    const intptr_t s = portnames::ConnectTcp(url, kConnectMs, &error, &text, &address);
    if (s < 0) {
        const std::string where = address.empty() ? portnames::HostPort(url) : address;
        note("connect " + url.text + ": " + where + " failed after " + millis(Clock::now() - start) + ": " + text);
        fail(kWinNotAvailable, text + " (" + where + ")");
        return SERLINK_INVALID_HANDLE;
    }
    sock_ = s;
    note("connect " + url.text + ": connected to " + address + " in " + millis(Clock::now() - start));
    if (url.kind == portnames::RemoteKind::Raw) return handle();

    // Ask for binary transmission both ways and offer the COM-PORT-OPTION;
    // the server's own requests are answered as they come.
    const auto negotiation_start = Clock::now();
    us_[kBinary].asked = him_[kBinary].asked = us_[kComPort].asked = true;
    std::vector<uint8_t> ask = negotiation(kWill, kBinary);
    for (const auto& part : {negotiation(kDo, kBinary), negotiation(kWill, kComPort)}) {
        ask.insert(ask.end(), part.begin(), part.end());
    }
    const bool sent = send_all(ask, kNegotiationMs);
    const bool answered =
        sent && pump_until(negotiation_start + std::chrono::milliseconds(kNegotiationMs), [this] {
            return !us_[kBinary].asked && !him_[kBinary].asked && !us_[kComPort].asked;
        });
    if (!answered && (closed_ || received_ == 0)) {
        const std::string why =
            closed_ ? closed_why_
                    : "the server did not answer the Telnet negotiation within " + num(kNegotiationMs) + " ms";
        note("negotiation with " + address + " failed: " + why);
        fail(kWinNotAvailable, why);
        drop_connection();
        return SERLINK_INVALID_HANDLE;
    }
    std::string agreed = "negotiation (" + millis(Clock::now() - negotiation_start) + "): ";
    agreed += us_[kBinary].on && him_[kBinary].on ? "BINARY both ways" : "no BINARY both ways, the server refused it";
    agreed += us_[kComPort].on ? ", COM-PORT-OPTION accepted"
                        : ", COM-PORT-OPTION not accepted: the far port keeps its own line settings";
    if (!answered) agreed += " (some requests were not answered within " + num(kNegotiationMs) + " ms)";
    note(agreed);
    return handle();
}

bool NetworkBackend::set_event_mask(serlink_handle_t h, uint32_t) { return usable(h); }

bool NetworkBackend::setup_queues(serlink_handle_t h, uint32_t, uint32_t) { return usable(h); }

bool NetworkBackend::build_settings(const char* mode, PortSettings&) {
    return settings_text_ok(mode) ? true : fail(kWinInvalidParameter, "the mode text is not valid");
}

bool NetworkBackend::get_settings(serlink_handle_t h, PortSettings& settings) {
    if (!usable(h)) return false;
    settings = settings_;
    return true;
}

bool NetworkBackend::set_settings(serlink_handle_t h, const PortSettings& s) {
    if (!usable(h)) return false;
    settings_ = s;
    if (!us_[kComPort].on) {
        note(url_.kind == portnames::RemoteKind::Raw
                 ? "socket:// line: no line settings are sent, the far port keeps its own"
                 : "line settings not sent: the server did not accept COM-PORT-OPTION");
        return true;
    }
    const uint8_t flow = (s.outx_cts_flow || s.rts_control == kLineControlHandshake) ? kControlHardware
                         : s.out_x                                                   ? kControlXonXoff
                                                                                     : kControlNoFlow;
    struct Asked {
        uint8_t command;
        uint8_t value;  // the one-byte value asked for (the rate is checked apart)
    };
    const Asked asked[] = {{kSetDataSize, s.byte_size},
                           {kSetParity, parity_code(s.parity)},
                           {kSetStopSize, stop_code(s.stop_bits)},
                           {kSetControl, flow},
                           {kSetControl, kControlDtrOff},
                           {kSetControl, kControlRtsOn}};
    std::vector<uint8_t> out = com_port_command(kSetBaudRate, be32(s.baud_rate));
    for (const Asked& a : asked) {
        const auto c = com_port_command(a.command, {a.value});
        out.insert(out.end(), c.begin(), c.end());
    }
    // A server answers in order: once it has answered the closing query of
    // the rate, every confirmation it was going to send has arrived.
    const auto query = com_port_command(kSetBaudRate, be32(0));
    out.insert(out.end(), query.begin(), query.end());
    replies_.clear();
    const auto start = Clock::now();
    if (!send_all(out, kNegotiationMs)) return fail(kWinNotAvailable, closed_why_);
    lines_set_ = true;
    auto rate_answers = [this] {
        int n = 0;
        for (const auto& r : replies_) n += r.first == kServerOffset + kSetBaudRate;
        return n;
    };
    const bool complete = pump_until(start + std::chrono::milliseconds(kNegotiationMs),
                                     [&] { return rate_answers() >= 2; });
    if (closed_) return fail(kWinNotAvailable, closed_why_);

    // What the server confirmed, and what it set differently.
    std::string confirmed, missing, refused;
    auto add = [](std::string& list, const std::string& item) { list += (list.empty() ? "" : ", ") + item; };
    bool rate_seen = false;
    for (const auto& [command, value] : replies_) {
        if (command == kServerOffset + kSetBaudRate && !rate_seen && value.size() == 4) {
            rate_seen = true;
            const uint32_t rate = uint32_t(value[0]) << 24 | uint32_t(value[1]) << 16 | uint32_t(value[2]) << 8 | value[3];
            if (rate == s.baud_rate) {
                add(confirmed, num(rate) + " baud");
            } else {
                add(refused, num(rate) + " baud instead of " + num(s.baud_rate));
            }
        }
    }
    if (!rate_seen) add(missing, num(s.baud_rate) + " baud");
    static const char* const kParityNames[] = {"", "parity none", "parity odd", "parity even", "parity mark",
                                               "parity space"};
    for (const Asked& a : asked) {
        std::string what;
        switch (a.command) {
        case kSetDataSize: what = num(a.value) + " data bits"; break;
        case kSetParity: what = kParityNames[a.value]; break;
        case kSetStopSize: what = a.value == 2 ? "2 stop bits" : a.value == 3 ? "1.5 stop bits" : "1 stop bit"; break;
        default: what = control_text(a.value); break;
        }
        bool seen = false, same = false;
        uint8_t got = 0;
        for (const auto& [command, value] : replies_) {
            if (command == kServerOffset + a.command && value.size() == 1 &&
                (a.command != kSetControl || value[0] == a.value)) {
                seen = true;
                got = value[0];
                same = value[0] == a.value;
                break;
            }
        }
        if (!seen) {
            add(missing, what);
        } else if (same) {
            add(confirmed, what);
        } else {
            add(refused, what + " (the server answered " + num(got) + ")");
        }
    }
    std::string text = "line settings (" + millis(Clock::now() - start) + "): ";
    text += confirmed.empty() ? "nothing confirmed" : "confirmed " + confirmed;
    if (!missing.empty()) {
        text += "; not confirmed: " + missing + " (a port without modem lines does not confirm them), going on";
    }
    if (!complete) text += "; the server's answers were not complete within " + num(kNegotiationMs) + " ms";
    if (!refused.empty()) {
        text += "; set differently: " + refused;
        note(text);
        return fail(kWinInvalidParameter, "the far port was set differently: " + refused);
    }
    note(text);
    return true;
}

bool NetworkBackend::set_timeouts(serlink_handle_t h, const PortTimeouts& timeouts) {
    if (!usable(h)) return false;
    timeouts_ = timeouts;
    return true;
}

bool NetworkBackend::purge(serlink_handle_t h, uint32_t flags) {
    if (!usable(h)) return false;
    const bool rx = (flags & (kPurgeRxClear | kPurgeRxAbort)) != 0;
    const bool tx = (flags & (kPurgeTxClear | kPurgeTxAbort)) != 0;
    if (!rx && !tx) return true;
    if (us_[kComPort].on) {
        // The server's buffers go too; what it sent before its confirmation
        // is dropped on arrival (on_com_port_reply).
        purge_awaited_ = rx;
        if (!send_all(com_port_command(kPurgeData, {rx && tx ? kPurgeBoth : rx ? kPurgeReceived : kPurgeToSend}),
                      kNegotiationMs)) {
            return fail(kWinNotAvailable, closed_why_);
        }
        if (rx && !pump_until(Clock::now() + std::chrono::milliseconds(kNegotiationMs),
                              [this] { return !purge_awaited_; })) {
            if (closed_) return fail(kWinNotAvailable, closed_why_);
            purge_awaited_ = false;
            note("the server did not confirm the purge within " + num(kNegotiationMs) + " ms, going on");
        }
    }
    if (rx) {
        pump();
        in_.clear();
    }
    return true;
}

bool NetworkBackend::clear_break(serlink_handle_t h) {
    // A break is never set on a remote line.
    return usable(h);
}

bool NetworkBackend::clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) {
    pump();
    if (!usable(h)) return false;
    errors = line_errors_;
    line_errors_ = 0;
    status.in_queue = static_cast<uint32_t>(in_.size());
    status.out_queue = 0;
    status.immediate_char = false;
    return true;
}

bool NetworkBackend::read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) {
    count = 0;
    if (!owns(h)) return fail(kWinNotAvailable, "not a connection of this line");
    if (in_.empty()) pump();
    if (in_.empty()) return true;
    *dest = in_.front();
    in_.pop_front();
    count = 1;
    return true;
}

bool NetworkBackend::write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) {
    count = 0;
    if (!usable(h)) return false;
    if (closed_) return fail(kWinNotAvailable, closed_why_);
    std::vector<uint8_t> bytes{byte};
    if (byte == kIac && url_.kind == portnames::RemoteKind::Rfc2217) bytes.push_back(kIac);
    const uint64_t ms = uint64_t(timeouts_.write_total_multiplier) + timeouts_.write_total_constant;
    if (!send_all(bytes, ms > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(ms))) {
        return closed_ ? fail(kWinNotAvailable, closed_why_) : true;  // nothing taken: a write time-out
    }
    count = 1;
    return true;
}

bool NetworkBackend::close(serlink_handle_t h) {
    if (!owns(h)) return fail(kWinNotAvailable, "not a connection of this line");
    // Unread input at the close would make the system reset the connection,
    // and the server could drop what was sent last.
    pump();
    if (lines_set_ && !closed_) {
        // Back where the protocol library leaves a local line at its close.
        std::vector<uint8_t> out = com_port_command(kSetControl, {kControlRtsOff});
        const auto dtr = com_port_command(kSetControl, {kControlDtrOn});
        out.insert(out.end(), dtr.begin(), dtr.end());
        (void)send_all(out, 100);
    }
    note("disconnect from " + url_.text);
    drop_connection();
    return true;
}

void NetworkBackend::wait_input(serlink_handle_t h, uint32_t max_ms) {
    if (!owns(h) || !in_.empty() || closed_) return;
    (void)portnames::SocketWait(sock_, portnames::kSocketIn, max_ms);
}

void NetworkBackend::wait_output(serlink_handle_t h, uint32_t max_ms) {
    // The output queue is always empty here (the socket takes every byte);
    // wait like a busy device would, briefly.
    if (owns(h) && !closed_) (void)portnames::SocketWait(sock_, portnames::kSocketOut, max_ms < 1 ? max_ms : 1);
}

}  // namespace serlink
