// The exported command set, bound to serlink and to the station address
// byte of this configuration (GARDOLINK_STATION).
#include <cstdint>

#include "frames.h"
#include "gardolink.h"
#include "line_trace.h"
#include "lines.h"
#include "serlink.h"
#include "trace_line.h"
#include "transact.h"

#ifndef GARDOLINK_STATION
#error "GARDOLINK_STATION must name the station address byte of this configuration"
#endif

namespace {

constexpr uint8_t kStation = GARDOLINK_STATION;
constexpr const char* kSource = "gardolink";

// serlink's module port, seen through the transaction layer's interface.
// One for the process, as the port is: it keeps whether the line is
// unsettled from one transaction to the next, and the baud rate the port was
// opened with.
class SerlinkPort final : public gardo::SerialLayer {
public:
    int32_t isDataAvailable() override { return IsDataAvailable(); }
    int32_t readByte(uint8_t* dest) override { return ReadByte(dest); }
    int32_t writeByte(uint8_t b) override { return WriteByte(b); }
    int64_t byteMicros() override { return byte_micros(baud > 0 ? baud : kSlowestBaud); }

    int32_t baud = 0;  // 0 while not known (a handle set from outside)
};
SerlinkPort g_port;

bool valid(serlink_handle_t h) { return h != SERLINK_INVALID_HANDLE; }

// The transaction trace: one line per transaction into the file SERLINK_TRACE
// names, beside serlink's lines. The variable is read when InitCommunication
// opens the port (times count from there, as serlink's do), or at the first
// transaction when the port was opened some other way.
enum class TraceState { Unknown, Off, On };
TraceState g_trace_state = TraceState::Unknown;
linktrace::Writer g_trace;

void configure_trace(linktrace::Clock::time_point origin) {
    g_trace_state = g_trace.open_from_env(kSource) ? TraceState::On : TraceState::Off;
    g_trace.set_origin(origin);
}

bool tracing() {
    if (g_trace_state == TraceState::Off) return false;  // the one test while the trace is off
    if (g_trace_state == TraceState::Unknown) configure_trace(linktrace::Clock::now());
    return g_trace_state == TraceState::On;
}

// Runs one transaction, run(record), and traces it when the trace is on.
template <class Run>
int32_t transaction(gardo::Cmd code, int32_t address, int32_t count, Run run) {
    gardo::Record rec;
    if (!tracing()) return run(rec);
    const auto start = linktrace::Clock::now();
    const int32_t status = run(rec);
    const auto end = linktrace::Clock::now();
    // Asking serlink for the handle ends the burst of bytes it is collecting,
    // so the reply's bytes are written before this line.
    (void)Get_COM_Handle();
    g_trace.line(end, kSource,
                 gardo::transaction_line(static_cast<uint8_t>(code), address, count, rec, status,
                                         std::chrono::duration<double, std::milli>(end - start).count()));
    return status;
}

int32_t short_cmd(gardo::Cmd code) {
    return transaction(code, 0, 0, [code](gardo::Record& rec) {
        return gardo::short_command(g_port, kStation, static_cast<uint8_t>(code), rec);
    });
}

int32_t read_cmd(gardo::Cmd code, int32_t address, int32_t count, uint8_t* dest) {
    return transaction(code, address, count, [=](gardo::Record& rec) {
        return gardo::read_transaction(g_port, kStation, static_cast<uint8_t>(code), address, count, dest, rec);
    });
}

int32_t write_cmd(gardo::Cmd code, int32_t address, int32_t count, const uint8_t* src) {
    return transaction(code, address, count, [=](gardo::Record& rec) {
        return gardo::write_transaction(g_port, kStation, static_cast<uint8_t>(code), address, count, src, rec);
    });
}

}  // namespace

extern "C" {

int32_t InitCommunication(const char* port, int32_t baud) {
    // An open that really opens reads the trace variable anew, as serlink does.
    const bool opening = !valid(Get_COM_Handle());
    const auto start = linktrace::Clock::now();
    const int32_t rc = Init_Serlink(port, baud);
    if (opening) configure_trace(start);
    if (rc != 0) return rc;
    if (opening) {
        g_port.baud = baud;
        g_port.unsettled = false;
    }
    if (serlink_handle_t h = Get_COM_Handle(); valid(h)) {
        gardo::set_line(h, gardo::Line::SetRts);
        gardo::set_line(h, gardo::Line::ClearDtr);
    }
    return 0;
}

int32_t CloseCommunication(void) {
    if (serlink_handle_t h = Get_COM_Handle(); valid(h)) {
        gardo::set_line(h, gardo::Line::ClearRts);
        gardo::set_line(h, gardo::Line::SetDtr);
    }
    const int32_t rc = Exit_Serlink();
    if (rc == 0) {
        g_trace.close();
        g_trace_state = TraceState::Unknown;
    }
    return rc;
}

#if !defined(GARDOLINK_REDUCED)
int32_t Change_Wait_Time(int32_t ms) { return static_cast<int32_t>(Set_Wait_Time(static_cast<uint32_t>(ms))); }
serlink_handle_t Read_COM_Handle(void) { return Get_COM_Handle(); }
serlink_handle_t GARDOLINK_STDCALL Write_COM_Handle(serlink_handle_t handle) {
    // A port opened elsewhere: its baud rate is not known here.
    g_port.baud = 0;
    return Set_COM_Handle(handle);
}
#endif

int32_t Start(void) { return short_cmd(gardo::Cmd::Start); }
int32_t Stop(void) { return short_cmd(gardo::Cmd::Stop); }
int32_t Apply_Program(void) { return short_cmd(gardo::Cmd::ApplyProgram); }
int32_t Activate_Test(void) { return short_cmd(gardo::Cmd::ActivateTest); }
int32_t Retention(void) { return short_cmd(gardo::Cmd::Retention); }

int32_t AutoRun(void) {
    // The check and the command are traced as two transactions.
    return gardo::auto_run_steps([](uint8_t* value) { return read_cmd(gardo::Cmd::ReadProcess, 4, 1, value); },
                                 [] { return short_cmd(gardo::Cmd::AutoRun); });
}

int32_t PKeys_State(int32_t on) { return short_cmd(on ? gardo::Cmd::PKeysOn : gardo::Cmd::PKeysOff); }
int32_t InputDebounds(int32_t on) { return short_cmd(on ? gardo::Cmd::DebounceOn : gardo::Cmd::DebounceOff); }
int32_t DST(int32_t on) { return short_cmd(on ? gardo::Cmd::DstOn : gardo::Cmd::DstOff); }
int32_t RemoteMode(int32_t on) { return short_cmd(on ? gardo::Cmd::RemoteModeOn : gardo::Cmd::RemoteModeOff); }

int32_t Read_Program(int32_t a, int32_t n, uint8_t* d) { return read_cmd(gardo::Cmd::ReadProgram, a, n, d); }
int32_t Read_ProzessData(int32_t a, int32_t n, uint8_t* d) { return read_cmd(gardo::Cmd::ReadProcess, a, n, d); }
int32_t Read_Clock(int32_t a, int32_t n, uint8_t* d) { return read_cmd(gardo::Cmd::ReadClock, a, n, d); }
int32_t Read_RemoteDisplay(int32_t a, int32_t n, uint8_t* d) { return read_cmd(gardo::Cmd::ReadRemoteDisplay, a, n, d); }
int32_t GetRemoteValues(uint8_t* d) { return read_cmd(gardo::Cmd::ReadRemoteValues, 0, 4, d); }

int32_t Write_Program(int32_t a, int32_t n, const uint8_t* s) { return write_cmd(gardo::Cmd::WriteProgram, a, n, s); }
int32_t Write_ProzessData(int32_t a, int32_t n, const uint8_t* s) { return write_cmd(gardo::Cmd::WriteProcess, a, n, s); }
int32_t Write_Clock(int32_t a, int32_t n, const uint8_t* s) { return write_cmd(gardo::Cmd::WriteClock, a, n, s); }
int32_t Write_RemoteDisplay(int32_t a, int32_t n, const uint8_t* s) { return write_cmd(gardo::Cmd::WriteRemoteDisplay, a, n, s); }

int32_t SetRemoteValues(const uint32_t* value) {
    if (value == nullptr) return GARDO_BAD_ARGUMENT;
    // The value's bytes in memory order, as the frame carries them.
    const auto* bytes = reinterpret_cast<const uint8_t*>(value);
    return write_cmd(gardo::Cmd::WriteRemoteValues, 0, 4, bytes);
}

}  // extern "C"
