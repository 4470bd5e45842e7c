// The backend for POSIX systems with termios (Linux): the device named before
// the ":" is a path when it holds a "/", else an entry in the ports folder
// ($SERLINK_PORTS_DIR, else ~/.config/serlink/ports), usually a symbolic link
// such as COM3 -> /dev/ttyUSB0; "COMn" without an entry is /dev/ttyS<n-1>.
//
// The port is held exclusively with flock(), runs raw (every byte value
// passes unchanged) with RTS and DTR left to the caller, and waits in poll()
// or short sleeps, never in a busy loop.
//
// System error numbers are handed on in the Windows numbering so that the
// status codes match the Windows build:
//   ENOENT, ENODEV, ENXIO, ENOTDIR, ELOOP,
//   ENOTTY (not a terminal, e.g. a regular file or /dev/null)
//                                          -> 2  (no such port: -1162)
//   EBUSY, EACCES, EPERM, EWOULDBLOCK,
//   EISDIR, EROFS                          -> 5  (held elsewhere / denied: -1161)
//   EBADF                                  -> 6  (invalid handle: -1162)
//   EINVAL (setting the device refuses)    -> 87 (invalid parameter: -1161)
//   EMFILE, ENFILE                         -> 4  (too many open files: -1163)
//   ENOMEM                                 -> 8  (not enough memory: -1164)
//   EIO and anything else                  -> 31 (device not functioning: -1161)
#ifndef SERLINK_PORT_POSIX_H
#define SERLINK_PORT_POSIX_H

#include <cstdint>
#include <map>
#include <string>

#include "port_backend.h"

namespace serlink {

class PosixBackend final : public PortBackend {
public:
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
    std::string last_error_text() override;
    std::string device_path(const char* device) override;
    void wait_input(serlink_handle_t h, uint32_t max_ms) override;
    void wait_output(serlink_handle_t h, uint32_t max_ms) override;

    // The path a device name stands for (see above).
    static std::string resolve_device(const char* device);
    // The Windows error number for a system error number (see above).
    static uint32_t windows_error(int posix_errno);

private:
    // Line error counters of a port at the last error query.
    struct LineCounts {
        bool supported = true;
        int frame = 0, overrun = 0, parity = 0, brk = 0, buf_overrun = 0;
    };

    // Records errno as the last error and returns false.
    bool fail(int posix_errno);
    // Checks that h is an open terminal; records the error otherwise.
    bool check_tty(serlink_handle_t h);
    // Error-word bits for the line errors counted since the last query.
    uint32_t line_errors(int fd);

    uint32_t last_error_ = 0;
    int last_errno_ = 0;  // the system's own number behind last_error_
    PortTimeouts timeouts_;
    std::map<int, LineCounts> counts_;
};

}  // namespace serlink

#endif  // SERLINK_PORT_POSIX_H
