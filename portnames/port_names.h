// Port names on POSIX systems, shared by the serial library and the
// program so that both follow one rule:
// - the device name is the port text up to its first ":";
// - a name holding a "/" is a path;
// - otherwise it is looked up as an entry of the ports folder
//   ($SERLINK_PORTS_DIR, else ~/.config/serlink/ports), usually a symbolic
//   link such as COM3 -> /dev/ttyUSB0; a link that points nowhere is still
//   the entry (and fails to open);
// - COM names ignore case, as on Windows: "com3" is the entry "COM3", or
//   where there is none an entry of the same number in another case;
// - "COMn" without an entry is /dev/ttyS<n-1>;
// - a URL, or an entry that names one, is a remote line (remote_line.h).
// Opening follows one rule too: read and write, no controlling terminal,
// non-blocking, only a terminal, and only for one user at a time.
#pragma once

#include <string>
#include <vector>

namespace portnames {

// "COMn" (any case, n from 1 to 999 without a leading zero) gives n; else 0.
unsigned ComNumber(const std::string& name);

// The ports folder in force.
std::string PortsDir();

struct Target {
    std::string path;        // what is opened: the path, the entry or the default
    bool fromEntry = false;  // found in the ports folder
    std::string remote;      // the URL of a remote line ("rfc2217://..."), else empty
};
// The target of a device name ("COM3", "/dev/ttyUSB0", "socket://host:4001");
// the part after the name's ":" is ignored.
Target Resolve(const std::string& portText);

// The COM entries of the ports folder ("COM1", "COM12", ...), by number:
// one per number, the one Resolve() takes for it.
std::vector<std::string> ComEntries();

// The steps of opening a port, for telling why it failed.
enum class OpenStep { Open, Terminal, Lock };

// Opens the path as a port: O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, a
// terminal check and an exclusive lock. Returns the descriptor, or -1 with
// errno set and *failed naming the step; nothing stays open on failure.
int OpenPort(const std::string& path, OpenStep* failed);

enum class OpenProblem {
    None,          // it opens now
    Missing,       // no such device (or the entry points nowhere)
    NoPermission,  // the user may not open it
    InUse,         // another program holds it
    NotSerial,     // it is no terminal device
    NoHardware,    // the device node exists but nothing answers behind it
    NoConnection,  // a remote line's server cannot be reached
    Other,
};
// Why opening failed at the step with the error number.
OpenProblem Classify(OpenStep step, int error);

}  // namespace portnames
