#include "port_posix.h"

#include "line_trace.h"
#include "mode_text.h"
#include "port_names.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace serlink {

namespace {

// Windows error numbers handed on to the flag-word mapping.
enum : uint32_t {
    kWinFileNotFound = 2,
    kWinTooManyOpenFiles = 4,
    kWinAccessDenied = 5,
    kWinInvalidHandle = 6,
    kWinNotEnoughMemory = 8,
    kWinGenFailure = 31,
    kWinInvalidParameter = 87,
};

struct SpeedEntry {
    uint32_t rate;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},       {75, B75},       {110, B110},     {134, B134},       {150, B150},
    {200, B200},     {300, B300},     {600, B600},     {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool to_speed(uint32_t rate, speed_t& speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.rate == rate) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

uint32_t from_speed(speed_t speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.speed == speed) {
            return e.rate;
        }
    }
    return 0;
}

// A handle as a file descriptor, or -1 when it cannot be one.
int to_fd(serlink_handle_t h) {
    return (h < 0 || h > INT_MAX) ? -1 : static_cast<int>(h);
}

void sleep_ms(uint32_t ms) {
    timespec ts;
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int poll_timeout(uint32_t ms) {
    return ms > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(ms);
}

// Waits until fd is ready for events or ms have passed.
void poll_for(int fd, short events, uint32_t ms) {
    pollfd p{fd, events, 0};
    (void)poll(&p, 1, poll_timeout(ms));
}

// Drops a modem line for "disable", raises it for "enable"; leaves it to the
// driver for handshake. Errors are ignored.
void set_line(int fd, int line, uint8_t control) {
    if (control == kLineControlDisable) {
        (void)ioctl(fd, TIOCMBIC, &line);
    } else if (control == kLineControlEnable) {
        (void)ioctl(fd, TIOCMBIS, &line);
    }
}

}  // namespace

uint32_t PosixBackend::windows_error(int posix_errno) {
    switch (posix_errno) {
    case 0: return 0;
    case ENOENT: case ENODEV: case ENXIO: case ENOTDIR: case ELOOP: return kWinFileNotFound;
    case EBUSY: case EACCES: case EPERM: case EISDIR: case EROFS: return kWinAccessDenied;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK: return kWinAccessDenied;
#endif
    case EAGAIN: return kWinAccessDenied;
    // A device that opens but is no terminal is not a serial port: report it
    // as a missing port, as the Win32 backend does for a non-port name.
    case ENOTTY: return kWinFileNotFound;
    case EBADF: return kWinInvalidHandle;
    case EINVAL: return kWinInvalidParameter;
    case EMFILE: case ENFILE: return kWinTooManyOpenFiles;
    case ENOMEM: return kWinNotEnoughMemory;
    default: return kWinGenFailure;
    }
}

std::string PosixBackend::resolve_device(const char* device) {
    return portnames::Resolve(device).path;
}

bool PosixBackend::fail(int posix_errno) {
    last_error_ = windows_error(posix_errno);
    last_errno_ = posix_errno;
    return false;
}

std::string PosixBackend::last_error_text() {
    return last_errno_ == 0 ? std::string() : linktrace::os_error_text(static_cast<unsigned long>(last_errno_));
}

std::string PosixBackend::device_path(const char* device) {
    if (device == nullptr || *device == '\0') {
        return {};
    }
    // The path opened, and where its links end when that differs (for a
    // link that points nowhere: where it points).
    std::string path = resolve_device(device);
    std::string target;
    if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
        target = real;
        std::free(real);
    } else {
        char link[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
        if (n > 0) target.assign(link, static_cast<std::size_t>(n));
    }
    if (!target.empty() && target != path) path += " (" + target + ")";
    return path;
}

bool PosixBackend::check_tty(serlink_handle_t h) {
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    termios t;
    if (tcgetattr(fd, &t) != 0) {
        return fail(errno);
    }
    return true;
}

serlink_handle_t PosixBackend::open(const char* device) {
    if (device == nullptr || *device == '\0') {
        fail(ENOENT);
        return SERLINK_INVALID_HANDLE;
    }
    // Only a terminal is a port, and only one user at a time may hold it;
    // on refusal nothing stays open.
    portnames::OpenStep step;
    const int fd = portnames::OpenPort(resolve_device(device), &step);
    if (fd < 0) {
        fail(errno);
        return SERLINK_INVALID_HANDLE;
    }
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    // Deliver received bytes at once rather than in driver batches, where the
    // driver allows it.
    serial_struct ss;
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif
    // Line errors count from here on.
    counts_.erase(fd);
    (void)line_errors(fd);
    return static_cast<serlink_handle_t>(fd);
}

bool PosixBackend::set_event_mask(serlink_handle_t h, uint32_t) {
    // poll() watches input as it is needed; there is nothing to select.
    return check_tty(h);
}

bool PosixBackend::setup_queues(serlink_handle_t h, uint32_t, uint32_t) {
    // The kernel's tty buffers have fixed sizes.
    return check_tty(h);
}

bool PosixBackend::build_settings(const char* mode, PortSettings&) {
    // The values are read and checked by the caller.
    return settings_text_ok(mode) ? true : fail(EINVAL);
}

bool PosixBackend::get_settings(serlink_handle_t h, PortSettings& s) {
    int fd = to_fd(h);
    termios t;
    if (fd < 0) {
        return fail(EBADF);
    }
    if (tcgetattr(fd, &t) != 0) {
        return fail(errno);
    }
    s.baud_rate = from_speed(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: s.byte_size = 5; break;
    case CS6: s.byte_size = 6; break;
    case CS7: s.byte_size = 7; break;
    default: s.byte_size = 8; break;
    }
    if (!(t.c_cflag & PARENB)) {
        s.parity = kParityNone;
    } else if (t.c_cflag & CMSPAR) {
        s.parity = (t.c_cflag & PARODD) ? kParityMark : kParitySpace;
    } else {
        s.parity = (t.c_cflag & PARODD) ? kParityOdd : kParityEven;
    }
    s.parity_check = (t.c_iflag & INPCK) != 0;
    s.stop_bits = (t.c_cflag & CSTOPB) ? kTwoStopBits : kOneStopBit;
    s.binary = true;
    s.outx_cts_flow = (t.c_cflag & CRTSCTS) != 0;
    s.rts_control = (t.c_cflag & CRTSCTS) ? kLineControlHandshake : kLineControlEnable;
    s.dtr_control = kLineControlEnable;
    s.out_x = (t.c_iflag & IXON) != 0;
    s.in_x = (t.c_iflag & IXOFF) != 0;
    s.xon_char = static_cast<char>(t.c_cc[VSTART]);
    s.xoff_char = static_cast<char>(t.c_cc[VSTOP]);
    s.eof_char = static_cast<char>(t.c_cc[VEOF]);
    return true;
}

bool PosixBackend::set_settings(serlink_handle_t h, const PortSettings& s) {
    int fd = to_fd(h);
    termios t;
    if (fd < 0) {
        return fail(EBADF);
    }
    if (tcgetattr(fd, &t) != 0) {
        return fail(errno);
    }
    // Raw: no line editing, signals, echo or character translation, so every
    // byte value passes unchanged in both directions.
    cfmakeraw(&t);
    speed_t speed;
    if (!to_speed(s.baud_rate, speed)) {
        return fail(EINVAL);
    }
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (s.byte_size) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: return fail(EINVAL);
    }

    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (s.parity) {
    case kParityNone: break;
    case kParityOdd: t.c_cflag |= PARENB | PARODD; break;
    case kParityEven: t.c_cflag |= PARENB; break;
    case kParityMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case kParitySpace: t.c_cflag |= PARENB | CMSPAR; break;
    default: return fail(EINVAL);
    }
    if (s.parity_check && s.parity != kParityNone) {
        t.c_iflag |= INPCK;
    }

    if (s.stop_bits == kOneStopBit) {
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    } else {
        t.c_cflag |= CSTOPB;
    }

    // Ignore the modem status lines for receiving; RTS and DTR stay where the
    // caller sets them unless hardware handshake is asked for.
    t.c_cflag |= CLOCAL | CREAD;
    if (s.outx_cts_flow || s.rts_control == kLineControlHandshake) {
        t.c_cflag |= CRTSCTS;
    } else {
        t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    }
    if (s.out_x) {
        t.c_iflag |= IXON;
    }
    if (s.in_x) {
        t.c_iflag |= IXOFF;
    }
    t.c_cc[VSTART] = static_cast<cc_t>(s.xon_char);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoff_char);
    // Reads never block: the library waits in poll() itself.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        return fail(errno);
    }

    // Lines under manual control start low, as the caller expects to raise
    // them itself; drivers without modem lines (a pseudo-terminal) refuse,
    // which does not matter.
    set_line(fd, TIOCM_DTR, s.dtr_control);
    if (!(t.c_cflag & CRTSCTS)) {
        set_line(fd, TIOCM_RTS, s.rts_control);
    }
    return true;
}

bool PosixBackend::set_timeouts(serlink_handle_t h, const PortTimeouts& timeouts) {
    if (!check_tty(h)) {
        return false;
    }
    timeouts_ = timeouts;
    return true;
}

bool PosixBackend::purge(serlink_handle_t h, uint32_t flags) {
    if (!check_tty(h)) {
        return false;
    }
    // Transfers are never pending between calls here, so there is nothing to
    // abort; clearing drops what the queues hold.
    const bool rx = (flags & kPurgeRxClear) != 0;
    const bool tx = (flags & kPurgeTxClear) != 0;
    if (rx || tx) {
        int queue = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
        if (tcflush(to_fd(h), queue) != 0) {
            return fail(errno);
        }
    }
    return true;
}

bool PosixBackend::clear_break(serlink_handle_t h) {
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    if (ioctl(fd, TIOCCBRK) != 0) {
        return fail(errno);
    }
    return true;
}

uint32_t PosixBackend::line_errors(int fd) {
#if defined(__linux__) && defined(TIOCGICOUNT)
    const bool first = counts_.find(fd) == counts_.end();
    LineCounts& c = counts_[fd];
    if (!c.supported) {
        return 0;
    }
    serial_icounter_struct ic;
    std::memset(&ic, 0, sizeof ic);
    if (ioctl(fd, TIOCGICOUNT, &ic) != 0) {
        c.supported = false;  // e.g. a pseudo-terminal: no line errors to see
        return 0;
    }
    uint32_t errors = 0;
    if (!first) {
        if (ic.buf_overrun != c.buf_overrun) errors |= kErrRxOver;
        if (ic.overrun != c.overrun) errors |= kErrOverrun;
        if (ic.parity != c.parity) errors |= kErrParity;
        if (ic.frame != c.frame) errors |= kErrFrame;
        if (ic.brk != c.brk) errors |= kErrBreak;
    }
    c.buf_overrun = ic.buf_overrun;
    c.overrun = ic.overrun;
    c.parity = ic.parity;
    c.frame = ic.frame;
    c.brk = ic.brk;
    return errors;
#else
    (void)fd;
    return 0;
#endif
}

bool PosixBackend::clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) {
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    int in = 0;
    int out = 0;
    if (ioctl(fd, TIOCINQ, &in) != 0 || ioctl(fd, TIOCOUTQ, &out) != 0) {
        return fail(errno);
    }
    errors = line_errors(fd);
    status.in_queue = in > 0 ? static_cast<uint32_t>(in) : 0;
    status.out_queue = out > 0 ? static_cast<uint32_t>(out) : 0;
    status.immediate_char = false;
    return true;
}

namespace {

// Moves one byte with `move` (a read or a write of one byte), the way a
// Win32 transfer with a total time-out behaves: when the descriptor is not
// ready, wait up to `wait_ms` for it once, then give up with nothing moved.
// Returns the errno of a failure, else 0; count is 1 when the byte moved.
template <class Move>
int transfer_one(int fd, short events, uint32_t wait_ms, uint32_t& count, Move move) {
    count = 0;
    bool waited = false;
    for (;;) {
        ssize_t n = move();
        if (n == 1) {
            count = 1;
            return 0;
        }
        if (n == 0) {
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return errno;
        }
        if (waited) {
            return 0;
        }
        poll_for(fd, events, wait_ms);
        waited = true;
    }
}

}  // namespace

bool PosixBackend::read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) {
    count = 0;
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    int err = transfer_one(fd, POLLIN, timeouts_.read_total_constant, count,
                           [&] { return ::read(fd, dest, 1); });
    return err == 0 ? true : fail(err);
}

bool PosixBackend::write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) {
    count = 0;
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    // A full kernel buffer is waited out for the write time-out of one byte.
    uint64_t ms = static_cast<uint64_t>(timeouts_.write_total_multiplier) + timeouts_.write_total_constant;
    int err = transfer_one(fd, POLLOUT, ms > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(ms), count,
                           [&] { return ::write(fd, &byte, 1); });
    return err == 0 ? true : fail(err);
}

bool PosixBackend::close(serlink_handle_t h) {
    int fd = to_fd(h);
    if (fd < 0) {
        return fail(EBADF);
    }
    counts_.erase(fd);
    // The lock goes with the descriptor. After EINTR the descriptor is gone
    // all the same on Linux.
    if (::close(fd) != 0 && errno != EINTR) {
        return fail(errno);
    }
    return true;
}

uint32_t PosixBackend::tick_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void PosixBackend::wait_input(serlink_handle_t h, uint32_t max_ms) {
    int fd = to_fd(h);
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, poll_timeout(max_ms));
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // A hung-up or broken port would wake poll() at once, again and
        // again; sleep a little instead so the wait does not spin.
        sleep_ms(max_ms < 10 ? max_ms : 10);
    } else if (r < 0) {
        sleep_ms(max_ms < 10 ? max_ms : 10);
    }
}

void PosixBackend::wait_output(serlink_handle_t, uint32_t max_ms) {
    // The kernel offers no wake-up for "output queue empty" with a time
    // limit; a byte takes about 2 ms at 4800 baud, so check every 1 ms.
    sleep_ms(max_ms < 1 ? max_ms : 1);
}

PortBackend& device_backend() {
    static PosixBackend backend;
    return backend;
}

}  // namespace serlink
