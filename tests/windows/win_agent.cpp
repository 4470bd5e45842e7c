// lumo_winagent: a Windows console program that calls serlink and gardolink
// on request, so that tests running on Linux can drive the Windows build of
// the libraries under Wine against the simulator.
//
// It links gardolink (and serlink) at load time, like the service program;
// the three exports of the full configuration only are looked up by name, so
// the same program runs beside either configuration.
//
// One request per line on stdin, one answer line on stdout:
//   "= <status> [<hex bytes>] ms=<elapsed>"   the call's result
//   "! <text>"                                the request was not understood
// Numbers are decimal unless noted; byte strings are hex without blanks.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gardolink.h"
#include "serlink.h"

namespace {

using ShortFn = int32_t (*)();
using SwitchFn = int32_t (*)(int32_t);
using ReadFn = int32_t (*)(int32_t, int32_t, uint8_t*);
using WriteFn = int32_t (*)(int32_t, int32_t, const uint8_t*);

struct ShortCmd { const char* name; ShortFn fn; };
struct SwitchCmd { const char* name; SwitchFn fn; };
struct ReadCmd { const char* name; ReadFn fn; };
struct WriteCmd { const char* name; WriteFn fn; };

const ShortCmd kShort[] = {
    {"Start", Start}, {"Stop", Stop}, {"Apply_Program", Apply_Program},
    {"Activate_Test", Activate_Test}, {"Retention", Retention}, {"AutoRun", AutoRun},
};
const SwitchCmd kSwitch[] = {
    {"PKeys_State", PKeys_State}, {"InputDebounds", InputDebounds}, {"DST", DST}, {"RemoteMode", RemoteMode},
};
const ReadCmd kRead[] = {
    {"Read_Program", Read_Program}, {"Read_ProzessData", Read_ProzessData},
    {"Read_Clock", Read_Clock}, {"Read_RemoteDisplay", Read_RemoteDisplay},
};
const WriteCmd kWrite[] = {
    {"Write_Program", Write_Program}, {"Write_ProzessData", Write_ProzessData},
    {"Write_Clock", Write_Clock}, {"Write_RemoteDisplay", Write_RemoteDisplay},
};

// Every name either configuration may export.
const char* const kAllExports[] = {
    "InitCommunication", "CloseCommunication", "Change_Wait_Time", "Read_COM_Handle",
    "_Write_COM_Handle@4", "Start", "Stop", "Apply_Program", "Activate_Test", "Retention",
    "AutoRun", "PKeys_State", "InputDebounds", "DST", "RemoteMode", "Read_Program",
    "Read_ProzessData", "Read_Clock", "Read_RemoteDisplay", "GetRemoteValues",
    "Write_Program", "Write_ProzessData", "Write_Clock", "Write_RemoteDisplay",
    "SetRemoteValues",
};

std::string hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

bool unhex(const std::string& s, std::vector<uint8_t>& out) {
    if (s == "-") return true;  // no bytes
    if (s.size() % 2) return false;
    for (size_t i = 0; i < s.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = s.substr(i, 2);
        const long v = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0') return false;
        out.push_back(static_cast<uint8_t>(v));
    }
    return true;
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

long long num(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 0); }

HMODULE gardolink_module() { return GetModuleHandleA("gardolink.dll"); }

// Looks up an export by name as a function of type Fn (null when absent).
template <typename Fn>
Fn full_only(const char* name) {
    // Through void(*)(): the one cast GCC accepts between function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(gardolink_module(), name)));
}

std::string handle_text(serlink_handle_t h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(h)));
    return buf;
}

// Runs one request; returns the answer without the elapsed time.
std::string run(const std::vector<std::string>& w) {
    const std::string& cmd = w[0];
    const size_t argc = w.size() - 1;
    auto status = [](long long rc, const std::string& data = {}) {
        return "= " + std::to_string(rc) + (data.empty() ? "" : " " + data);
    };

    // ---- serlink
    if (cmd == "Init_Serlink" && argc == 2) return status(Init_Serlink(w[1].c_str(), num(w[2])));
    if (cmd == "Exit_Serlink" && argc == 0) return status(Exit_Serlink());
    if (cmd == "Get_COM_Handle" && argc == 0) return status(0, handle_text(Get_COM_Handle()));
    if (cmd == "Set_Wait_Time" && argc == 1) return status(Set_Wait_Time(static_cast<uint32_t>(num(w[1]))));
    if (cmd == "IsDataAvailable" && argc == 0) return status(IsDataAvailable());
    if (cmd == "IsBufferEmpty" && argc == 0) return status(IsBufferEmpty());
    if (cmd == "ReadByte" && argc == 0) {
        uint8_t b = 0;
        const int32_t rc = ReadByte(&b);
        return status(rc, rc == 0 ? hex(&b, 1) : std::string());
    }
    if (cmd == "WriteByte" && argc == 1) {
        std::vector<uint8_t> b;
        if (!unhex(w[1], b) || b.size() != 1) return "! one hex byte expected";
        return status(WriteByte(b[0]));
    }

    // ---- gardolink, common exports
    if (cmd == "InitCommunication" && argc == 2) return status(InitCommunication(w[1].c_str(), num(w[2])));
    if (cmd == "CloseCommunication" && argc == 0) return status(CloseCommunication());
    for (const auto& c : kShort)
        if (cmd == c.name && argc == 0) return status(c.fn());
    for (const auto& c : kSwitch)
        if (cmd == c.name && argc == 1) return status(c.fn(static_cast<int32_t>(num(w[1]))));
    for (const auto& c : kRead) {
        if (cmd == c.name && argc == 2) {
            uint8_t buf[64];
            std::memset(buf, 0xEE, sizeof buf);
            const int32_t count = static_cast<int32_t>(num(w[2]));
            const int32_t rc = c.fn(static_cast<int32_t>(num(w[1])), count, buf);
            // The buffer is shown whatever the status, so that a caller can
            // see that a failed read copied nothing (it starts as EE bytes).
            return status(rc, hex(buf, count > 0 && count <= 8 ? count : 0));
        }
    }
    for (const auto& c : kWrite) {
        if (cmd == c.name && argc == 2) {
            std::vector<uint8_t> data;
            if (!unhex(w[2], data)) return "! bad hex";
            return status(c.fn(static_cast<int32_t>(num(w[1])), static_cast<int32_t>(data.size()), data.data()));
        }
    }
    if (cmd == "GetRemoteValues" && argc == 0) {
        uint8_t buf[8];
        std::memset(buf, 0xEE, sizeof buf);
        const int32_t rc = GetRemoteValues(buf);
        return status(rc, hex(buf, 4));
    }
    if (cmd == "SetRemoteValues" && argc == 1) {
        const uint32_t value = static_cast<uint32_t>(std::strtoul(w[1].c_str(), nullptr, 16));
        return status(SetRemoteValues(&value));
    }

    // ---- full configuration only, looked up by their exported names
    if (cmd == "Change_Wait_Time" && argc == 1) {
        auto fn = full_only<int32_t (*)(int32_t)>("Change_Wait_Time");
        if (!fn) return "! not exported";
        return status(fn(static_cast<int32_t>(num(w[1]))));
    }
    if (cmd == "Read_COM_Handle" && argc == 0) {
        auto fn = full_only<serlink_handle_t (*)()>("Read_COM_Handle");
        if (!fn) return "! not exported";
        return status(0, handle_text(fn()));
    }
    if (cmd == "Write_COM_Handle" && argc == 1) {
        auto fn = full_only<serlink_handle_t(__stdcall*)(serlink_handle_t)>("_Write_COM_Handle@4");
        if (!fn) return "! not exported";
        auto h = reinterpret_cast<serlink_handle_t>(static_cast<intptr_t>(num(w[1])));
        return status(0, handle_text(fn(h)));
    }

    // ---- inspection of the platform's view of the port
    if (cmd == "exports" && argc == 0) {
        std::string names;
        for (const char* n : kAllExports)
            if (GetProcAddress(gardolink_module(), n)) names += (names.empty() ? "" : ",") + std::string(n);
        return status(0, names);
    }
    if (cmd == "dcb" && argc == 0) {
        DCB d;
        std::memset(&d, 0, sizeof d);
        d.DCBlength = sizeof d;
        if (!GetCommState(static_cast<HANDLE>(Get_COM_Handle()), &d))
            return status(-static_cast<long long>(GetLastError()));
        char buf[400];
        std::snprintf(buf, sizeof buf,
                      "baud=%lu,bytesize=%u,parity=%u,stopbits=%u,binary=%u,fparity=%u,ctsflow=%u,"
                      "dsrflow=%u,dtr=%u,dsrsens=%u,txcont=%u,outx=%u,inx=%u,errchar=%u,null=%u,"
                      "rts=%u,abort=%u,xonlim=%u,xofflim=%u,xon=%u,xoff=%u",
                      static_cast<unsigned long>(d.BaudRate), d.ByteSize, d.Parity, d.StopBits,
                      d.fBinary, d.fParity, d.fOutxCtsFlow, d.fOutxDsrFlow, d.fDtrControl,
                      d.fDsrSensitivity, d.fTXContinueOnXoff, d.fOutX, d.fInX, d.fErrorChar, d.fNull,
                      d.fRtsControl, d.fAbortOnError, d.XonLim, d.XoffLim,
                      static_cast<unsigned>(static_cast<uint8_t>(d.XonChar)),
                      static_cast<unsigned>(static_cast<uint8_t>(d.XoffChar)));
        return status(0, buf);
    }
    if (cmd == "timeouts" && argc == 0) {
        COMMTIMEOUTS t;
        if (!GetCommTimeouts(static_cast<HANDLE>(Get_COM_Handle()), &t))
            return status(-static_cast<long long>(GetLastError()));
        char buf[120];
        std::snprintf(buf, sizeof buf, "%lu,%lu,%lu,%lu,%lu", static_cast<unsigned long>(t.ReadIntervalTimeout),
                      static_cast<unsigned long>(t.ReadTotalTimeoutMultiplier),
                      static_cast<unsigned long>(t.ReadTotalTimeoutConstant),
                      static_cast<unsigned long>(t.WriteTotalTimeoutMultiplier),
                      static_cast<unsigned long>(t.WriteTotalTimeoutConstant));
        return status(0, buf);
    }
    if (cmd == "open_again" && argc == 1) {
        // A second open of a port, as another program would try it: the
        // status is 0 when it opened (it is closed again at once), else the
        // system error number.
        const std::string path = "\\\\.\\" + w[1];
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return status(GetLastError());
        CloseHandle(h);
        return status(0);
    }
    return "! unknown request";
}

}  // namespace

int main() {
    // Plain "\n" line ends and no buffering: the test reads answer by answer.
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        const std::vector<std::string> words = split(std::string(line, std::strcspn(line, "\n")));
        if (words.empty()) continue;
        if (words[0] == "quit") break;
        const DWORD t0 = GetTickCount();
        std::string answer = run(words);
        if (answer[0] == '=') answer += " ms=" + std::to_string(GetTickCount() - t0);
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
    }
    return 0;
}
