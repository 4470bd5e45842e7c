#include "port_module.h"

#include "flag_word.h"
#include "mode_text.h"

namespace serlink {

namespace {

// The port error bits that IsDataAvailable reports: receive overflow,
// overrun, parity, framing and break.
constexpr uint32_t kLineErrorBits = kErrRxOver | kErrOverrun | kErrParity | kErrFrame | kErrBreak;

}  // namespace

int32_t PortModule::SystemFailure() {
    uint32_t number = backend_.last_error();
    int32_t code = number == 0 ? SERLINK_E_NO_ERRNO : map_flag_word(number);
    uint32_t ignored_errors = 0;
    PortStatus ignored_status;
    (void)backend_.clear_error(handle_, ignored_errors, ignored_status);
    return code;
}

uint32_t PortModule::Remaining(uint32_t elapsed) const {
    uint64_t left = static_cast<uint64_t>(wait_time_) - elapsed + 1;
    return left > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(left);
}

int32_t PortModule::Init(const char* port, int32_t baud) {
    if (handle_ != SERLINK_INVALID_HANDLE) {
        return SERLINK_OK;
    }

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
        return SystemFailure();
    }
    if (!backend_.set_event_mask(handle_, kEventRxChar | kEventTxEmpty)) {
        return SystemFailure();
    }
    if (!backend_.setup_queues(handle_, kInQueueSize, kOutQueueSize)) {
        return SystemFailure();
    }
    if (!backend_.build_settings(mode, settings_)) {
        return SystemFailure();
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
        return SystemFailure();
    }
    if (!backend_.set_timeouts(handle_, fixed_timeouts())) {
        return SystemFailure();
    }
    if (!backend_.purge(handle_, kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear)) {
        return SystemFailure();
    }
    (void)backend_.clear_break(handle_);
    uint32_t errors = 0;
    (void)backend_.clear_error(handle_, errors, status_);
    return SERLINK_OK;
}

int32_t PortModule::Exit() {
    if (handle_ != SERLINK_INVALID_HANDLE) {
        if (!backend_.close(handle_)) {
            return SystemFailure();
        }
    }
    handle_ = SERLINK_INVALID_HANDLE;
    return SERLINK_OK;
}

serlink_handle_t PortModule::SetHandle(serlink_handle_t handle) {
    handle_ = handle;
    return handle_;
}

uint32_t PortModule::SetWaitTime(uint32_t ms) {
    wait_time_ = ms;
    return wait_time_;
}

int32_t PortModule::IsDataAvailable() {
    uint32_t errors = 0;
    if (!backend_.clear_error(handle_, errors, status_)) {
        return SystemFailure();
    }
    if (errors & kLineErrorBits) {
        return map_flag_word(errors);
    }
    return status_.in_queue > 0 ? 1 : 0;
}

int32_t PortModule::IsBufferEmpty() {
    uint32_t errors = 0;  // read and reset, but not reported here
    if (!backend_.clear_error(handle_, errors, status_)) {
        return SystemFailure();
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
        return SERLINK_E_READ_EMPTY;
    }
    return SERLINK_OK;
}

int32_t PortModule::WriteByte(uint8_t byte) {
    const uint32_t start = backend_.tick_ms();
    for (;;) {
        const uint32_t elapsed = Elapsed(start);
        if (elapsed > wait_time_) {
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
        return SystemFailure();
    }
    return SERLINK_OK;
}

}  // namespace serlink
