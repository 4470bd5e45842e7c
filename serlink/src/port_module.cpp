#include "port_module.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "flag_word.h"
#include "line_trace.h"
#include "mode_text.h"

namespace serlink {

namespace {

using linktrace::num;

// The port error bits that IsDataAvailable reports: receive overflow,
// overrun, parity, framing and break.
constexpr uint32_t kLineErrorBits = kErrRxOver | kErrOverrun | kErrParity | kErrFrame | kErrBreak;

constexpr const char* kSource = "serlink";

std::string code_text(int32_t rc) { return linktrace::status_text(rc, linktrace::serlink_status_name(rc)); }

// "0x000A overrun framing".
std::string error_word(uint32_t word) {
    char head[16];
    std::snprintf(head, sizeof head, "0x%04X", static_cast<unsigned>(word));
    std::string s = head;
    static const struct {
        uint32_t bit;
        const char* name;
    } names[] = {{kErrRxOver, "receive-overflow"}, {kErrOverrun, "overrun"}, {kErrParity, "parity"},
                 {kErrFrame, "framing"},           {kErrBreak, "break"}};
    for (const auto& n : names) {
        if (word & n.bit) {
            s += ' ';
            s += n.name;
        }
    }
    return s;
}

// "8N1" from the settings the port was given.
std::string line_mode(const PortSettings& s) {
    static const char parity[] = "NOEMS";
    const char* stop = s.stop_bits == kTwoStopBits ? "2" : s.stop_bits == kOne5StopBits ? "1.5" : "1";
    std::string m = num(s.byte_size);
    m += s.parity < 5 ? parity[s.parity] : '?';
    m += stop;
    return m;
}

}  // namespace

// What the trace of one module keeps: the target, the failure last noted,
// and the burst of bytes being collected. Bytes of one direction that follow
// each other closely make one line; a change of direction, any other event,
// a pause of more than kBurstGap or a full line ends the burst.
class PortModule::Trace {
public:
    enum class Dir { None, Send, Recv };
    static constexpr std::size_t kBurstMax = 32;
    static constexpr std::chrono::milliseconds kBurstGap{20};

    linktrace::Writer writer;
    std::string failure;  // "<call> failed: <the system's text>"

    void add(Dir dir, uint8_t byte) {
        const auto now = linktrace::Clock::now();
        if (dir != dir_ || count_ == kBurstMax || now - last_ > kBurstGap) end();
        if (count_ == 0) {
            dir_ = dir;
            first_ = now;
        }
        bytes_[count_++] = byte;
        last_ = now;
    }

    void end() {
        if (count_ == 0) return;
        writer.line(first_, kSource, (dir_ == Dir::Send ? "send " : "recv ") + linktrace::hex(bytes_, count_));
        count_ = 0;
        dir_ = Dir::None;
    }

    void line(const std::string& text) {
        end();
        writer.line(kSource, text);
    }

    void note_failure(const char* call, const std::string& text, uint32_t number) {
        failure = std::string(call) + " failed: ";
        if (!text.empty()) {
            failure += text;
        } else if (number != 0) {
            failure += "error " + num(number);
        } else {
            failure += "the system gave no error number";
        }
    }

private:
    Dir dir_ = Dir::None;
    uint8_t bytes_[kBurstMax] = {};
    std::size_t count_ = 0;
    linktrace::Clock::time_point first_{}, last_{};
};

PortModule::PortModule(PortBackend& backend) : backend_(backend), trace_(std::make_unique<Trace>()) {}

PortModule::~PortModule() = default;

int32_t PortModule::SystemFailure(const char* call) {
    uint32_t number = backend_.last_error();
    int32_t code = number == 0 ? SERLINK_E_NO_ERRNO : map_flag_word(number);
    if (tracing_) {
        trace_->note_failure(call, backend_.last_error_text(), number);
    }
    uint32_t ignored_errors = 0;
    PortStatus ignored_status;
    (void)backend_.clear_error(handle_, ignored_errors, ignored_status);
    return code;
}

void PortModule::TraceFailure(int32_t rc) {
    trace_->line(trace_->failure + " -> " + code_text(rc));
}

uint32_t PortModule::Remaining(uint32_t elapsed) const {
    uint64_t left = static_cast<uint64_t>(wait_time_) - elapsed + 1;
    return left > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(left);
}

int32_t PortModule::Init(const char* port, int32_t baud) {
    if (handle_ != SERLINK_INVALID_HANDLE) {
        return SERLINK_OK;
    }
    // The trace follows SERLINK_TRACE as it is at each open; its times count
    // from the moment of this call.
    const auto origin = linktrace::Clock::now();
    tracing_ = trace_->writer.open_from_env(kSource);
    if (tracing_) {
        trace_->writer.set_origin(origin);
        backend_.set_note_sink([this](const std::string& text) { trace_->line(text); });
    } else {
        backend_.set_note_sink(nullptr);
    }
    const char* failed_step = nullptr;
    const int32_t rc = Open(port, baud, failed_step);
    if (tracing_) {
        TraceOpen(port, baud, rc, failed_step);
    }
    return rc;
}

void PortModule::TraceOpen(const char* port, int32_t baud, int32_t rc, const char* failed_step) {
    std::string text = "open \"";
    text += port != nullptr ? port : "(null)";
    text += "\"";
    char mode[kModeTextSize];
    char device[kModeTextSize];
    const bool named = build_mode_text(port, baud, mode) && device_name(mode, device);
    if (named) {
        text += " -> " + backend_.device_path(device);
    }
    if (rc == SERLINK_OK) {
        text += ", " + num(settings_.baud_rate) + " baud " + line_mode(settings_) + ", wait time " +
                num(wait_time_) + " ms";
    } else if (failed_step != nullptr) {
        text += " " + trace_->failure + " -> " + code_text(rc);
    } else if (!named) {
        text += " at " + num(baud) + " baud failed: the port text names no device or is too long -> " +
                code_text(rc);
    } else {
        text += " failed: the mode text \"" + std::string(mode) + "\" is not valid -> " + code_text(rc);
    }
    trace_->line(text);
}

int32_t PortModule::Open(const char* port, int32_t baud, const char*& failed_step) {
    // The mode text must fit its buffer and name a device before anything
    // is opened.
    char mode[kModeTextSize];
    char device[kModeTextSize];
    if (!build_mode_text(port, baud, mode) || !device_name(mode, device)) {
        return SERLINK_E_BAD_MODE;
    }

    // The handle is kept even when the port could not be opened or set up.
    handle_ = backend_.open(device);
    if (handle_ == SERLINK_INVALID_HANDLE) {
        return SystemFailure(failed_step = "open");
    }
    if (!backend_.set_event_mask(handle_, kEventRxChar | kEventTxEmpty)) {
        return SystemFailure(failed_step = "set_event_mask");
    }
    if (!backend_.setup_queues(handle_, kInQueueSize, kOutQueueSize)) {
        return SystemFailure(failed_step = "setup_queues");
    }
    if (!backend_.build_settings(mode, settings_)) {
        return SystemFailure(failed_step = "build_settings");
    }
    // The port's current settings replace what the mode text check produced;
    // fields this library does not set keep the port's values.
    (void)backend_.get_settings(handle_, settings_);

    int32_t parsed = parse_mode_text(mode, settings_);
    if (parsed != SERLINK_OK) {
        return parsed;
    }
    apply_fixed_settings(settings_);
    if (!backend_.set_settings(handle_, settings_)) {
        return SystemFailure(failed_step = "set_settings");
    }
    if (!backend_.set_timeouts(handle_, fixed_timeouts())) {
        return SystemFailure(failed_step = "set_timeouts");
    }
    if (!backend_.purge(handle_, kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear)) {
        return SystemFailure(failed_step = "purge");
    }
    (void)backend_.clear_break(handle_);
    uint32_t errors = 0;
    (void)backend_.clear_error(handle_, errors, status_);
    return SERLINK_OK;
}

int32_t PortModule::Exit() {
    if (handle_ != SERLINK_INVALID_HANDLE) {
        if (!backend_.close(handle_)) {
            const int32_t rc = SystemFailure("close");
            if (tracing_) TraceFailure(rc);
            return rc;
        }
    }
    handle_ = SERLINK_INVALID_HANDLE;
    if (tracing_) {
        trace_->line("close");
        trace_->writer.close();
        tracing_ = false;
        backend_.set_note_sink(nullptr);
    }
    return SERLINK_OK;
}

serlink_handle_t PortModule::GetHandle() {
    if (tracing_) trace_->end();
    return handle_;
}

serlink_handle_t PortModule::SetHandle(serlink_handle_t handle) {
    handle_ = handle;
    if (tracing_) {
        char text[48];
        std::snprintf(text, sizeof text, "handle set to %" PRIdPTR, reinterpret_cast<intptr_t>(handle));
        trace_->line(text);
    }
    return handle_;
}

uint32_t PortModule::SetWaitTime(uint32_t ms) {
    wait_time_ = ms;
    if (tracing_) trace_->line("wait time " + num(ms) + " ms");
    return wait_time_;
}

int32_t PortModule::IsDataAvailable() {
    uint32_t errors = 0;
    if (!backend_.clear_error(handle_, errors, status_)) {
        const int32_t rc = SystemFailure("clear_error");
        if (tracing_) TraceFailure(rc);
        return rc;
    }
    if (errors & kLineErrorBits) {
        const int32_t rc = map_flag_word(errors);
        if (tracing_) trace_->line("line error " + error_word(errors) + " -> " + code_text(rc));
        return rc;
    }
    return status_.in_queue > 0 ? 1 : 0;
}

int32_t PortModule::IsBufferEmpty() {
    uint32_t errors = 0;  // read and reset, but not reported here
    if (!backend_.clear_error(handle_, errors, status_)) {
        const int32_t rc = SystemFailure("clear_error");
        if (tracing_) TraceFailure(rc);
        return rc;
    }
    if (tracing_ && errors != 0) {
        trace_->line("line error " + error_word(errors) + " cleared while waiting to send, not reported");
    }
    return (status_.out_queue > 0 || status_.immediate_char) ? 0 : 1;
}

int32_t PortModule::ReadByte(uint8_t* dest) {
    if (dest == nullptr) {
        return SERLINK_E_READ_EMPTY;
    }
    const uint32_t start = backend_.tick_ms();
    for (;;) {
        const uint32_t elapsed = Elapsed(start);
        if (elapsed > wait_time_) {
            if (tracing_) {
                trace_->line("timeout: no byte received within " + num(wait_time_) + " ms -> " +
                             code_text(SERLINK_E_READ_TIMEOUT));
            }
            return SERLINK_E_READ_TIMEOUT;
        }
        int32_t available = IsDataAvailable();
        if (available < 0) {
            return available;
        }
        if (available > 0) {
            break;
        }
        backend_.wait_input(handle_, Remaining(elapsed));
    }
    uint32_t count = 0;
    if (!backend_.read_byte(handle_, dest, count) || count != 1) {
        if (tracing_) {
            const std::string why = backend_.last_error_text();
            trace_->line("read delivered no byte" + (why.empty() ? std::string() : ": " + why) + " -> " +
                         code_text(SERLINK_E_READ_EMPTY));
        }
        return SERLINK_E_READ_EMPTY;
    }
    if (tracing_) trace_->add(Trace::Dir::Recv, *dest);
    return SERLINK_OK;
}

int32_t PortModule::WriteByte(uint8_t byte) {
    const uint32_t start = backend_.tick_ms();
    for (;;) {
        const uint32_t elapsed = Elapsed(start);
        if (elapsed > wait_time_) {
            if (tracing_) {
                trace_->line("timeout: no byte could be sent within " + num(wait_time_) + " ms -> " +
                             code_text(SERLINK_E_WRITE_TIMEOUT));
            }
            return SERLINK_E_WRITE_TIMEOUT;
        }
        int32_t empty = IsBufferEmpty();
        if (empty < 0) {
            return empty;
        }
        if (empty > 0) {
            break;
        }
        backend_.wait_output(handle_, Remaining(elapsed));
    }
    uint32_t count = 0;  // the count taken is not examined
    if (!backend_.write_byte(handle_, byte, count)) {
        const int32_t rc = SystemFailure("write");
        if (tracing_) TraceFailure(rc);
        return rc;
    }
    if (tracing_) trace_->add(Trace::Dir::Send, byte);
    return SERLINK_OK;
}

}  // namespace serlink
