// The operations the serial algorithms need from the operating system.
//
// The algorithms (mode text, settings, flag-word mapping, wait loops) are
// written once against this interface; each platform provides one backend
// (port_posix.cpp, port_win32.cpp), the network backend (port_network.cpp)
// serves remote lines on every platform, port_lines.cpp hands each call to
// the one that opened the port, and the tests provide a scripted one.
//
// Conventions shared by every backend:
// - Every call that can fail returns true on success. On failure the backend
//   records an error number that last_error() reports, in the Windows
//   numbering (2 = no such port, 5 = access denied / port held elsewhere,
//   0 = no number known). The algorithms feed that number into the flag-word
//   mapping, so the status codes are the same on every platform.
// - Calls other than open() take the handle to act on. The algorithms pass
//   whatever handle is stored, which may have been put in place from outside,
//   so a backend must cope with any value (and fail cleanly on a bad one).
// - Nothing here throws.
#ifndef SERLINK_PORT_BACKEND_H
#define SERLINK_PORT_BACKEND_H

#include <cstdint>
#include <functional>
#include <string>

#include "serlink.h"

namespace serlink {

// Parity codes, numbered as the Win32 settings record numbers them.
enum : uint8_t { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };
// Stop-bit codes, numbered as the Win32 settings record numbers them.
enum : uint8_t { kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2 };
// Values of the DTR and RTS line control fields.
enum : uint8_t { kLineControlDisable = 0, kLineControlEnable = 1, kLineControlHandshake = 2 };

// Port settings, shaped like the Win32 settings record (DCB). The algorithms
// read the current settings into it, overwrite the fields they own and hand it
// back. A backend keeps whatever else its platform's record holds (the Win32
// backend keeps the DCB it read and overlays these fields on it), so settings
// this record does not name keep the values read from the port.
struct PortSettings {
    uint32_t baud_rate = 0;
    uint8_t byte_size = 8;                 // data bits, 4..8
    uint8_t parity = kParityNone;          // kParity*
    uint8_t stop_bits = kOneStopBit;       // kOneStopBit, kOne5StopBits, kTwoStopBits

    // Flag fields.
    bool binary = true;                    // fBinary
    bool parity_check = false;             // fParity
    bool outx_cts_flow = false;            // fOutxCtsFlow
    bool outx_dsr_flow = false;            // fOutxDsrFlow
    uint8_t dtr_control = kLineControlDisable;  // fDtrControl
    bool dsr_sensitivity = false;          // fDsrSensitivity
    bool tx_continue_on_xoff = true;       // fTXContinueOnXoff
    bool out_x = false;                    // fOutX
    bool in_x = false;                     // fInX
    bool error_char_on = false;            // fErrorChar
    bool null_strip = false;               // fNull
    uint8_t rts_control = kLineControlDisable;  // fRtsControl
    bool abort_on_error = true;            // fAbortOnError

    // Limits and characters.
    uint16_t xon_lim = 512;                // XonLim
    uint16_t xoff_lim = 128;               // XoffLim
    char xon_char = 0x11;                  // XonChar
    char xoff_char = 0x13;                 // XoffChar
    char error_char = 0;                   // ErrorChar
    char eof_char = 0;                     // EofChar
    char evt_char = 0;                     // EvtChar
    uint16_t reserved = 0;                 // wReserved
};

// Port time-outs in milliseconds, shaped like the Win32 COMMTIMEOUTS record.
struct PortTimeouts {
    uint32_t read_interval = 0;
    uint32_t read_total_multiplier = 0;
    uint32_t read_total_constant = 0;
    uint32_t write_total_multiplier = 0;
    uint32_t write_total_constant = 0;
};

// What an error query reports besides the error word (the COMSTAT record's
// fields the algorithms use).
struct PortStatus {
    uint32_t in_queue = 0;       // bytes received and not yet read
    uint32_t out_queue = 0;      // bytes written and not yet sent
    bool immediate_char = false; // an immediate character waits to be sent
};

// Error-word bits (the Win32 CE_* values) a backend reports from clear_error().
enum : uint32_t {
    kErrRxOver = 0x0001,   // receive queue overflow
    kErrOverrun = 0x0002,  // receive overrun
    kErrParity = 0x0004,   // parity error
    kErrFrame = 0x0008,    // framing error
    kErrBreak = 0x0010,    // break received
};

// Event mask bits (the Win32 EV_* values) for set_event_mask().
enum : uint32_t { kEventRxChar = 0x0001, kEventTxEmpty = 0x0004 };

// Purge flags (the Win32 PURGE_* values) for purge().
enum : uint32_t {
    kPurgeTxAbort = 0x0001,
    kPurgeRxAbort = 0x0002,
    kPurgeTxClear = 0x0004,
    kPurgeRxClear = 0x0008,
};

class PortBackend {
public:
    virtual ~PortBackend() = default;

    // Opens the device for exclusive read and write use. device is the device
    // name (the port text up to its first ":"), never empty. Returns the
    // handle, or SERLINK_INVALID_HANDLE with last_error() set; a failed open
    // leaves nothing open.
    virtual serlink_handle_t open(const char* device) = 0;

    // Selects the events the port reports (kEvent* bits).
    virtual bool set_event_mask(serlink_handle_t h, uint32_t mask) = 0;
    // Asks for driver queues of the given sizes in bytes.
    virtual bool setup_queues(serlink_handle_t h, uint32_t in_size, uint32_t out_size) = 0;
    // Checks that the platform can parse a mode text such as
    // "COM1:baud=4800 parity=n data=8 stop=1" and fills settings from it.
    virtual bool build_settings(const char* mode, PortSettings& settings) = 0;
    // Reads the port's current settings.
    virtual bool get_settings(serlink_handle_t h, PortSettings& settings) = 0;
    // Applies the settings to the port.
    virtual bool set_settings(serlink_handle_t h, const PortSettings& settings) = 0;
    // Applies the time-outs to the port.
    virtual bool set_timeouts(serlink_handle_t h, const PortTimeouts& timeouts) = 0;
    // Aborts pending transfers and clears the queues named by kPurge* flags.
    virtual bool purge(serlink_handle_t h, uint32_t flags) = 0;
    // Leaves a break state on the transmit line.
    virtual bool clear_break(serlink_handle_t h) = 0;
    // Reads and resets the port's error word (kErr* bits) and fills status.
    virtual bool clear_error(serlink_handle_t h, uint32_t& errors, PortStatus& status) = 0;

    // Reads at most one byte without waiting; count tells how many arrived.
    virtual bool read_byte(serlink_handle_t h, uint8_t* dest, uint32_t& count) = 0;
    // Writes one byte; count tells how many were taken.
    virtual bool write_byte(serlink_handle_t h, uint8_t byte, uint32_t& count) = 0;
    // Closes the handle.
    virtual bool close(serlink_handle_t h) = 0;

    // Error number of the last failed call, in the Windows numbering; 0 when
    // the system gave none.
    virtual uint32_t last_error() = 0;
    // Millisecond clock that wraps at 2^32 (like GetTickCount).
    virtual uint32_t tick_ms() = 0;

    // For the trace: the operating system's own text of the last failure
    // with its own number ("No such file or directory (errno 2)"), before it
    // was turned into the Windows numbering; empty when there is none.
    virtual std::string last_error_text() { return {}; }
    // For the trace: what a device name reaches on this system.
    virtual std::string device_path(const char* device) { return device; }

    // For the trace: where a backend tells what it does beyond the calls (a
    // remote line's connect and negotiation), one line at a time. The module
    // sets it when the trace is on at an open and clears it at the close.
    using NoteSink = std::function<void(const std::string&)>;
    virtual void set_note_sink(NoteSink) {}

    // Called by the read loop while the input queue is empty: give up the
    // processor until input may have arrived, for at most max_ms. A backend
    // may return earlier (the Win32 one just yields its time slice); the loop
    // checks the clock and the queue again either way.
    virtual void wait_input(serlink_handle_t h, uint32_t max_ms) = 0;
    // Called by the write loop while the output queue is not empty: give up
    // the processor until the queue may have drained, for at most max_ms.
    virtual void wait_output(serlink_handle_t h, uint32_t max_ms) = 0;
};

// The backend for devices on the platform the library is built for, one per
// process: defined by port_posix.cpp or port_win32.cpp.
PortBackend& device_backend();

// The backend the exported functions run on (port_lines.cpp): remote lines
// (a URL, or a ports-folder entry naming one) go to the network backend,
// everything else to the device backend; exports.cpp binds to it.
PortBackend& platform_backend();

}  // namespace serlink

#endif  // SERLINK_PORT_BACKEND_H
