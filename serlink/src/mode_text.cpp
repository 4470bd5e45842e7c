#include "mode_text.h"

#include <cstdio>
#include <cstring>

#include "remote_line.h"
#include "serlink.h"

namespace serlink {

namespace {

// The rates a port can be opened with.
constexpr uint32_t kRates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// Reads the decimal digits in [begin, end) as a rate from the list above.
bool parse_rate(const char* begin, const char* end, uint32_t& rate) {
    if (begin == end || end - begin > 6) {
        return false;
    }
    uint32_t value = 0;
    for (const char* p = begin; p != end; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    for (uint32_t r : kRates) {
        if (r == value) {
            rate = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool build_mode_text(const char* port, int32_t baud, char (&mode)[kModeTextSize]) {
    mode[0] = '\0';
    if (port == nullptr) {
        return false;
    }
    int n = std::snprintf(mode, kModeTextSize, "%sbaud=%d parity=n data=8 stop=1", port, static_cast<int>(baud));
    if (n < 0 || static_cast<std::size_t>(n) >= kModeTextSize) {
        mode[0] = '\0';
        return false;
    }
    return true;
}

bool device_name(const char* mode, char (&name)[kModeTextSize]) {
    name[0] = '\0';
    if (mode == nullptr) {
        return false;
    }
    // A URL keeps its own colons ("rfc2217://host:4001:baud=...").
    const std::size_t len = portnames::DeviceNameLength(mode);
    if (len == 0 || mode[len] != ':' || len >= kModeTextSize) {
        return false;
    }
    std::memcpy(name, mode, len);
    name[len] = '\0';
    return true;
}

bool settings_text_ok(const char* mode) {
    // "NAME:key=value key=value ...": blank-separated pairs after the name.
    const std::size_t len = portnames::DeviceNameLength(mode);
    if (mode == nullptr || mode[len] != ':') {
        return false;
    }
    const char* p = mode + len + 1;
    while (*p != '\0') {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const char* end = std::strchr(p, ' ');
        if (end == nullptr) {
            end = p + std::strlen(p);
        }
        const char* eq = static_cast<const char*>(std::memchr(p, '=', static_cast<std::size_t>(end - p)));
        if (eq == nullptr || eq == p || eq + 1 == end) {
            return false;
        }
        p = end;
    }
    return true;
}

int32_t parse_mode_text(const char* mode, PortSettings& settings) {
    if (mode == nullptr) {
        return SERLINK_E_BAD_MODE;
    }

    // Baud rate: after "baud=", up to the next blank.
    const char* baud = std::strstr(mode, "baud=");
    if (baud == nullptr) {
        return SERLINK_E_BAD_MODE;
    }
    const char* rate_begin = baud + 5;
    const char* blank = std::strchr(rate_begin, ' ');
    const char* rate_end = blank ? blank : rate_begin + std::strlen(rate_begin);
    uint32_t rate = 0;
    if (!parse_rate(rate_begin, rate_end, rate)) {
        return SERLINK_E_BAD_MODE;
    }
    settings.baud_rate = rate;
    if (blank == nullptr) {
        return SERLINK_E_BAD_MODE;  // nothing can follow the rate
    }

    // Parity: the one letter after "parity=", searched after that blank.
    const char* parity = std::strstr(blank + 1, "parity=");
    if (parity == nullptr) {
        return SERLINK_E_BAD_MODE;
    }
    switch (parity[7]) {
    case 'E': case 'e': settings.parity = kParityEven; settings.parity_check = true; break;
    case 'N': case 'n': settings.parity = kParityNone; settings.parity_check = false; break;
    case 'O': case 'o': settings.parity = kParityOdd; settings.parity_check = true; break;
    default: return SERLINK_E_BAD_MODE;
    }

    // Data bits: the first digit after "data=", searched from the parity key.
    const char* data = std::strstr(parity, "data=");
    if (data == nullptr) {
        return SERLINK_E_BAD_MODE;
    }
    const char* data_digit = data + 5;
    if (*data_digit < '4' || *data_digit > '8') {
        return SERLINK_E_BAD_MODE;
    }
    settings.byte_size = static_cast<uint8_t>(*data_digit - '0');

    // Stop bits: searched from two characters after the data digit; the
    // digit ANDed with 2 is the stop-bit code (1 -> one, 2 -> two). A text
    // that ends right after the data digit has no room for the key.
    if (data_digit[1] == '\0') {
        return SERLINK_E_BAD_MODE;
    }
    const char* stop = std::strstr(data_digit + 2, "stop=");
    if (stop == nullptr) {
        return SERLINK_E_BAD_MODE;
    }
    settings.stop_bits = static_cast<uint8_t>(static_cast<unsigned char>(stop[5]) & 2u);
    return SERLINK_OK;
}

void apply_fixed_settings(PortSettings& s) {
    s.binary = true;
    s.outx_cts_flow = false;
    s.outx_dsr_flow = false;
    s.dtr_control = kLineControlDisable;
    s.dsr_sensitivity = false;
    s.tx_continue_on_xoff = true;
    s.out_x = false;
    s.in_x = false;
    s.error_char_on = false;
    s.null_strip = false;
    s.rts_control = kLineControlDisable;
    s.abort_on_error = true;
    s.xon_lim = 512;
    s.xoff_lim = 128;
    s.xon_char = 0x11;
    s.xoff_char = 0x13;
    s.error_char = 0;
    s.eof_char = 0;
    s.evt_char = 0;
    s.reserved = 0;
}

PortTimeouts fixed_timeouts() {
    PortTimeouts t;
    t.read_interval = 0xFFFFFFFFu;
    t.read_total_multiplier = 0;
    t.read_total_constant = 1000;
    t.write_total_multiplier = 1000;
    t.write_total_constant = 0;
    return t;
}

}  // namespace serlink
