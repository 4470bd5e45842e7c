// The backend of remote lines: a serial port behind a serial device server,
// reached over TCP ("socket://HOST:PORT", bytes as they are) or over Telnet
// with the COM-PORT-OPTION ("rfc2217://HOST:PORT"), on every platform.
//
// Time limits: connecting (name lookup included) takes at most kConnectMs;
// every wait for the server's answers during the set-up at most
// kNegotiationMs; a byte read waits no longer than on a local line (the
// module's byte wait), since received bytes are counted in the input queue
// like a driver's.
//
// RFC 2217: BINARY is asked for in both directions and COM-PORT-OPTION
// offered; the line settings go to the far port as SET-BAUDRATE, -DATASIZE,
// -PARITY, -STOPSIZE and SET-CONTROL (flow control), and the input flush as
// PURGE-DATA. Data bytes 0xFF go out as IAC IAC and come back unescaped. A
// remote line has no handle on which a caller could set the modem lines, so
// the backend sets them where the protocol library sets them on every open,
// RTS on and DTR off, and back (RTS off, DTR on) as it closes. A server that
// does not confirm a setting (a device server whose port has no modem lines
// does not confirm them) does not stop the line; the trace says so. A
// setting confirmed with another value than asked fails the open.
//
// Failures: a connection that cannot be made, a server that does not answer
// the negotiation and a connection lost later all report Windows error 2
// (the port is not available: -1162), with the system's own text for the
// trace. Bytes received before a connection was lost are still delivered.
#ifndef SERLINK_PORT_NETWORK_H
#define SERLINK_PORT_NETWORK_H

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "port_backend.h"
#include "remote_line.h"
#include "telnet_codec.h"

namespace serlink {

class NetworkBackend final : public PortBackend {
public:
    static constexpr uint32_t kConnectMs = 5000;
    static constexpr uint32_t kNegotiationMs = 2000;
    // Received bytes kept until read; more is an input overflow.
    static constexpr std::size_t kInputMax = 65536;

    // Connects to the URL and, for RFC 2217, negotiates the options.
    serlink_handle_t open_url(const portnames::RemoteUrl& url);
    // Whether h is the open connection's handle.
    bool owns(serlink_handle_t h) const { return sock_ >= 0 && h == handle(); }

    serlink_handle_t open(const char* device) override;
    bool set_event_mask(serlink_handle_t h, uint32_t mask) override;
    bool setup_queues(serlink_handle_t h, uint32_t in_size, uint32_t out_size) override;
    bool build_settings(const char* mode, PortSettings& settings) override;
    bool get_settings(serlink_handle_t h, PortSettings& settings) override;
    bool set_settings(serlink_handle_t h, const PortSettings& settings) override;
    bool set_timeouts(serlink_handle_t h, const PortTimeouts& timeouts) override;
    bool purge(serlink_handle_t h, uint32_t flags) override;
    bool clear_break(serlink_handle_t h) override;
    bool clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) override;
    bool read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) override;
    bool write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) override;
    bool close(serlink_handle_t h) override;
    uint32_t last_error() override { return last_error_; }
    uint32_t tick_ms() override;
    std::string last_error_text() override { return last_text_; }
    void set_note_sink(NoteSink sink) override { note_ = std::move(sink); }
    void wait_input(serlink_handle_t h, uint32_t max_ms) override;
    void wait_output(serlink_handle_t h, uint32_t max_ms) override;

private:
    using Clock = std::chrono::steady_clock;

    serlink_handle_t handle() const;
    // Records a failure (Windows number and text) and returns false.
    bool fail(uint32_t number, const std::string& text);
    // The handle is this connection's and it is still up; records why not.
    bool usable(serlink_handle_t h);
    void note(const std::string& text) {
        if (note_) note_(text);
    }
    // Takes in what the server has sent without waiting.
    void pump();
    // Pumps until done() holds, the connection is lost or the deadline has
    // passed; returns done().
    template <class Done>
    bool pump_until(Clock::time_point deadline, Done done);
    void on_command(const telnet::Command& c);
    void on_com_port_reply(uint8_t command, const std::vector<uint8_t>& value);
    // Sends all bytes, waiting up to ms for room; false when the
    // connection failed (recorded as lost).
    bool send_all(const std::vector<uint8_t>& bytes, uint32_t ms);
    void lost(const std::string& why);
    void drop_connection();

    // What one option is at for each side, and whether an answer to our own
    // request is awaited.
    struct OptionState {
        bool on = false;
        bool asked = false;
    };

    intptr_t sock_ = -1;
    portnames::RemoteUrl url_;
    telnet::Reader reader_;
    std::deque<uint8_t> in_;
    bool closed_ = false;       // the server closed or the connection broke
    std::string closed_why_;
    uint32_t line_errors_ = 0;  // error-word bits the server reported
    std::size_t received_ = 0;  // bytes from the server since connecting
    std::array<OptionState, 256> us_{};
    std::array<OptionState, 256> him_{};
    bool lines_set_ = false;    // RTS and DTR were set on the far port
    bool purge_awaited_ = false;  // a purge of received bytes is not yet confirmed
    // Server answers to COM-PORT-OPTION commands, in arrival order.
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> replies_;
    PortSettings settings_;
    PortTimeouts timeouts_;
    uint32_t last_error_ = 0;
    std::string last_text_;
    NoteSink note_;
};

}  // namespace serlink

#endif  // SERLINK_PORT_NETWORK_H
