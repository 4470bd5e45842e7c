// The mode text ("COM1:baud=4800 parity=n data=8 stop=1"): building it from
// the port text and baud rate, taking the device name from it, parsing it
// into port settings, and the settings that never vary.
#ifndef SERLINK_MODE_TEXT_H
#define SERLINK_MODE_TEXT_H

#include <cstddef>
#include <cstdint>

#include "port_backend.h"

namespace serlink {

// Size of the mode text buffer, terminator included.
inline constexpr std::size_t kModeTextSize = 100;

// Writes port, "baud=", the rate in decimal and " parity=n data=8 stop=1".
// Returns false (and leaves an empty text) when port is null or the result
// does not fit the buffer.
bool build_mode_text(const char* port, int32_t baud, char (&mode)[kModeTextSize]);

// Copies the device name into name: the text up to its first ":", or a URL
// of a remote line ("socket://host:4001") with its own colons. Returns false
// when no ":" follows the name or there is nothing before it.
bool device_name(const char* mode, char (&name)[kModeTextSize]);

// Whether the text after the device name reads as blank-separated
// "key=value" pairs (the values are checked by parse_mode_text).
bool settings_text_ok(const char* mode);

// Reads baud rate, parity, data bits and stop bits from the mode text into
// settings. Returns 0, or SERLINK_E_BAD_MODE for a missing key, a rate not in
// the supported list, an unknown parity letter or data bits outside 4..8.
// Fields are filled as they are parsed, so a failure may leave some changed.
int32_t parse_mode_text(const char* mode, PortSettings& settings);

// Sets the flow control, line control, limit and character fields to the
// values the library always uses (binary, no handshake, RTS and DTR by hand,
// abort on error, XON/XOFF limits 512/128 ...). Leaves rate, parity, data and
// stop bits alone.
void apply_fixed_settings(PortSettings& settings);

// The time-outs the library applies to every port it opens.
PortTimeouts fixed_timeouts();

// Driver queue sizes the library asks for.
inline constexpr uint32_t kInQueueSize = 4096;
inline constexpr uint32_t kOutQueueSize = 512;

}  // namespace serlink

#endif  // SERLINK_MODE_TEXT_H
