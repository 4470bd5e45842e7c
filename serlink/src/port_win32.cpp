// Win32 backend: the serial algorithms over the Win32 communications calls.
//
// The port is opened for synchronous (non-overlapped) I/O, exclusively, and
// moved one byte at a time. Every failing call records GetLastError() right
// away, so the number survives the error-flag reset the algorithms do next.
#include <windows.h>

#include <cstring>
#include <string>

#include "line_trace.h"
#include "port_backend.h"

namespace serlink {
namespace {

HANDLE to_handle(serlink_handle_t h) { return static_cast<HANDLE>(h); }

// How long after the last byte moved the wait hooks only yield the time
// slice (Sleep(0)) instead of sleeping. It covers the gap between two bytes
// of a frame at 4800 baud (about 2 ms per byte) with room to spare, so a
// transaction in progress is not slowed by the coarse Windows sleep; an idle
// wait (a controller that does not answer) sleeps and leaves the core free.
constexpr double kBusyWindowMs = 8.0;

class Win32Backend final : public PortBackend {
public:
    Win32Backend() {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        m_counts_per_ms = static_cast<double>(f.QuadPart) / 1000.0;
        std::memset(&m_dcb, 0, sizeof m_dcb);
        m_dcb.DCBlength = sizeof m_dcb;
    }

    serlink_handle_t open(const char* device) override {
        // "\\.\" reaches every device by its name; COM10 and above can only be
        // opened this way, and it is harmless for COM1..COM9.
        const std::string path = device_path(device);
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */,
                               nullptr, OPEN_EXISTING, 0 /* synchronous */, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            m_last_error = GetLastError();
            return SERLINK_INVALID_HANDLE;
        }
        // Not every name that opens is a serial port (a file, another device,
        // a link to a device that has gone): only a port answers GetCommState.
        DCB probe;
        std::memset(&probe, 0, sizeof probe);
        probe.DCBlength = sizeof probe;
        if (!GetCommState(h, &probe)) {
            CloseHandle(h);
            // Reported as "no such port".
            m_last_error = ERROR_FILE_NOT_FOUND;
            return SERLINK_INVALID_HANDLE;
        }
        m_started = 0;
        return static_cast<serlink_handle_t>(h);
    }

    bool set_event_mask(serlink_handle_t h, uint32_t mask) override {
        return ok(SetCommMask(to_handle(h), mask));
    }

    bool setup_queues(serlink_handle_t h, uint32_t in_size, uint32_t out_size) override {
        return ok(SetupComm(to_handle(h), in_size, out_size));
    }

    bool build_settings(const char* mode, PortSettings& settings) override {
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        if (!ok(BuildCommDCBA(mode, &dcb))) return false;
        m_dcb = dcb;
        from_dcb(m_dcb, settings);
        return true;
    }

    bool get_settings(serlink_handle_t h, PortSettings& settings) override {
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        if (!ok(GetCommState(to_handle(h), &dcb))) return false;
        m_dcb = dcb;
        from_dcb(m_dcb, settings);
        return true;
    }

    bool set_settings(serlink_handle_t h, const PortSettings& s) override {
        // The fields named by PortSettings go over the record read last, so
        // every other flag keeps the value the port had.
        DCB dcb = m_dcb;
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = s.baud_rate;
        dcb.ByteSize = s.byte_size;
        dcb.Parity = s.parity;
        dcb.StopBits = s.stop_bits;
        dcb.fBinary = s.binary;
        dcb.fParity = s.parity_check;
        dcb.fOutxCtsFlow = s.outx_cts_flow;
        dcb.fOutxDsrFlow = s.outx_dsr_flow;
        dcb.fDtrControl = s.dtr_control;
        dcb.fDsrSensitivity = s.dsr_sensitivity;
        dcb.fTXContinueOnXoff = s.tx_continue_on_xoff;
        dcb.fOutX = s.out_x;
        dcb.fInX = s.in_x;
        dcb.fErrorChar = s.error_char_on;
        dcb.fNull = s.null_strip;
        dcb.fRtsControl = s.rts_control;
        dcb.fAbortOnError = s.abort_on_error;
        dcb.XonLim = s.xon_lim;
        dcb.XoffLim = s.xoff_lim;
        dcb.XonChar = s.xon_char;
        dcb.XoffChar = s.xoff_char;
        dcb.ErrorChar = s.error_char;
        dcb.EofChar = s.eof_char;
        dcb.EvtChar = s.evt_char;
        dcb.wReserved = s.reserved;
        if (!ok(SetCommState(to_handle(h), &dcb))) return false;
        m_dcb = dcb;
        return true;
    }

    bool set_timeouts(serlink_handle_t h, const PortTimeouts& t) override {
        COMMTIMEOUTS ct;
        ct.ReadIntervalTimeout = t.read_interval;
        ct.ReadTotalTimeoutMultiplier = t.read_total_multiplier;
        ct.ReadTotalTimeoutConstant = t.read_total_constant;
        ct.WriteTotalTimeoutMultiplier = t.write_total_multiplier;
        ct.WriteTotalTimeoutConstant = t.write_total_constant;
        return ok(SetCommTimeouts(to_handle(h), &ct));
    }

    bool purge(serlink_handle_t h, uint32_t flags) override {
        return ok(PurgeComm(to_handle(h), flags));
    }

    bool clear_break(serlink_handle_t h) override { return ok(ClearCommBreak(to_handle(h))); }

    bool clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) override {
        DWORD word = 0;
        COMSTAT cs;
        std::memset(&cs, 0, sizeof cs);
        if (!ok(ClearCommError(to_handle(h), &word, &cs))) return false;
        errors = word;
        status.in_queue = cs.cbInQue;
        status.out_queue = cs.cbOutQue;
        status.immediate_char = cs.fTxim != 0;
        return true;
    }

    bool read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) override {
        DWORD n = 0;
        const bool done = ok(ReadFile(to_handle(h), dest, 1, &n, nullptr));
        count = n;
        if (n > 0) moved();
        return done;
    }

    bool write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) override {
        DWORD n = 0;
        const bool done = ok(WriteFile(to_handle(h), &byte, 1, &n, nullptr));
        count = n;
        if (n > 0) moved();
        return done;
    }

    bool close(serlink_handle_t h) override { return ok(CloseHandle(to_handle(h))); }

    uint32_t last_error() override { return m_last_error; }

    uint32_t tick_ms() override { return GetTickCount(); }

    std::string last_error_text() override {
        return m_last_error == 0 ? std::string() : linktrace::os_error_text(m_last_error);
    }

    std::string device_path(const char* device) override {
        std::string path = device;
        if (path.rfind("\\\\.\\", 0) != 0) path = "\\\\.\\" + path;
        return path;
    }

    // A synchronous handle offers no wait with a time limit (WaitCommEvent
    // would block until the event, however long), so the wait is a short
    // sleep: Sleep(0) while bytes are flowing, Sleep(1) once the line has
    // been quiet for a while. Neither ever sleeps longer than max_ms allows
    // in whole milliseconds; the caller checks its time limit after each.
    void wait_input(serlink_handle_t, uint32_t max_ms) override { pause(max_ms); }
    void wait_output(serlink_handle_t, uint32_t max_ms) override { pause(max_ms); }

private:
    bool ok(BOOL result) {
        if (result) return true;
        m_last_error = GetLastError();
        return false;
    }

    int64_t now_counts() const {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        return c.QuadPart;
    }

    void moved() { m_started = now_counts(); }

    void pause(uint32_t max_ms) {
        const double quiet_ms = static_cast<double>(now_counts() - m_started) / m_counts_per_ms;
        if (max_ms == 0 || quiet_ms < kBusyWindowMs) {
            Sleep(0);
        } else {
            Sleep(1);
        }
    }

    static void from_dcb(const DCB& d, PortSettings& s) {
        s.baud_rate = d.BaudRate;
        s.byte_size = d.ByteSize;
        s.parity = d.Parity;
        s.stop_bits = d.StopBits;
        s.binary = d.fBinary;
        s.parity_check = d.fParity;
        s.outx_cts_flow = d.fOutxCtsFlow;
        s.outx_dsr_flow = d.fOutxDsrFlow;
        s.dtr_control = static_cast<uint8_t>(d.fDtrControl);
        s.dsr_sensitivity = d.fDsrSensitivity;
        s.tx_continue_on_xoff = d.fTXContinueOnXoff;
        s.out_x = d.fOutX;
        s.in_x = d.fInX;
        s.error_char_on = d.fErrorChar;
        s.null_strip = d.fNull;
        s.rts_control = static_cast<uint8_t>(d.fRtsControl);
        s.abort_on_error = d.fAbortOnError;
        s.xon_lim = d.XonLim;
        s.xoff_lim = d.XoffLim;
        s.xon_char = d.XonChar;
        s.xoff_char = d.XoffChar;
        s.error_char = d.ErrorChar;
        s.eof_char = d.EofChar;
        s.evt_char = d.EvtChar;
        s.reserved = d.wReserved;
    }

    DCB m_dcb;
    DWORD m_last_error = 0;
    double m_counts_per_ms = 1.0;
    int64_t m_started = 0;  // performance counter when a byte last moved
};

}  // namespace

PortBackend& device_backend() {
    static Win32Backend backend;
    return backend;
}

}  // namespace serlink
