#include "trace_line.h"

#include <cstdio>

#include "frames.h"
#include "gardolink.h"
#include "line_trace.h"

namespace gardo {
namespace {

struct CommandName {
    uint8_t code;
    const char* name;
    const char* area;  // nullptr for a short command
};

constexpr CommandName kNames[] = {
    {0x80, "Read_Program", "program"},       {0x81, "Read_ProzessData", "process"},
    {0x82, "Read_Clock", "clock"},           {0x83, "Read_RemoteDisplay", "display"},
    {0x86, "GetRemoteValues", "values"},     {0xA0, "Write_Program", "program"},
    {0xA1, "Write_ProzessData", "process"},  {0xA2, "Write_Clock", "clock"},
    {0xA3, "Write_RemoteDisplay", "display"}, {0xA6, "SetRemoteValues", "values"},
    {0xC0, "Stop", nullptr},                 {0xC1, "Start", nullptr},
    {0xC2, "Apply_Program", nullptr},        {0xC3, "Activate_Test", nullptr},
    {0xC5, "Retention", nullptr},            {0xC6, "AutoRun", nullptr},
    {0xC8, "PKeys_State on", nullptr},       {0xC9, "PKeys_State off", nullptr},
    {0xCA, "InputDebounds on", nullptr},     {0xCB, "InputDebounds off", nullptr},
    {0xCC, "DST on", nullptr},               {0xCD, "DST off", nullptr},
    {0xCE, "RemoteMode on", nullptr},        {0xD0, "RemoteMode off", nullptr},
};

const CommandName* find(uint8_t code) {
    for (const CommandName& c : kNames) {
        if (c.code == code) return &c;
    }
    return nullptr;
}

bool is_read(uint8_t code) { return code >= 0x80 && code <= 0x86; }

std::string code_text(int32_t code) { return linktrace::status_text(code, linktrace::gardolink_status_name(code)); }

std::string byte_hex(uint8_t b) { return linktrace::hex(&b, 1); }

std::string outcome_text(uint8_t command, const Attempt& a) {
    switch (a.outcome) {
    case Outcome::Accepted:
        if (is_read(command)) return "reply C0 14 with " + linktrace::num(a.value) + " data bytes, checksum ok";
        return "reply 60 (accepted)";
    case Outcome::Rejected: return "reply \"P\" (rejected)";
    case Outcome::Faulty: return "reply \"0\" (faulty)";
    case Outcome::Unknown: return "unknown reply " + byte_hex(a.value);
    case Outcome::BadType: return "reply type " + byte_hex(a.value) + ", not 14";
    case Outcome::BadLength: return "reply length " + linktrace::num(a.value);
    case Outcome::BadChecksum: return "bad checksum " + byte_hex(a.value) + ", expected " + byte_hex(a.expected);
    case Outcome::NoReply:
        return (a.code == SERLINK_E_READ_TIMEOUT ? "silence (" : "no reply (") + code_text(a.code) + ")";
    case Outcome::BrokenOff: return "reply broken off (" + code_text(a.code) + ")";
    case Outcome::SendFailed: return "send failed (" + code_text(a.code) + ")";
    }
    return "?";
}

}  // namespace

std::string transaction_line(uint8_t code, int32_t address, int32_t count, const Record& rec, int32_t status,
                             double ms) {
    const CommandName* c = find(code);
    std::string s = c != nullptr ? c->name : "command";
    s += " (" + byte_hex(code) + ")";
    if (c == nullptr || c->area != nullptr) {
        s += ' ';
        s += c != nullptr ? c->area : "?";
        s += " address " + linktrace::num(address) + " count " + linktrace::num(count);
    }
    s += ':';
    if (rec.dropped > 0) {
        s += " dropped " + linktrace::num(rec.dropped) + " pending byte" + (rec.dropped == 1 ? "" : "s") + ";";
    }
    if (rec.flush_code != 0) {
        s += " input flush failed (" + code_text(rec.flush_code) + ");";
    }
    if (rec.quiet_waits > 0) {
        s += " waited for a quiet line " + linktrace::num(rec.quiet_waits) + " time" +
             (rec.quiet_waits == 1 ? "" : "s") + ", dropped " + linktrace::num(rec.quiet_dropped) + " byte" +
             (rec.quiet_dropped == 1 ? "" : "s") + ";";
    }
    for (int i = 0; i < rec.attempts; ++i) {
        s += " attempt " + linktrace::num(i + 1) + " " + outcome_text(code, rec.attempt[i]) + ";";
    }
    if (rec.attempts == 0 && rec.flush_code == 0) s += " nothing sent;";
    char tail[64];
    std::snprintf(tail, sizeof tail, " after %d attempt%s, %.3f ms", rec.attempts, rec.attempts == 1 ? "" : "s", ms);
    s += " status " + code_text(status) + tail;
    return s;
}

}  // namespace gardo
