// Remote lines: a serial port behind a serial device server, named by a URL
// instead of a device.
// - "rfc2217://HOST:PORT" is a Telnet connection with the COM-PORT-OPTION
//   (the server sets its port's line as asked), "socket://HOST:PORT" a plain
//   TCP connection whose bytes go to the port unchanged. HOST is a name, an
//   IPv4 address or an IPv6 address in brackets ("[::1]"); PORT is 1..65535.
//   The scheme is read in any case.
// - In a port text the URL is the device name, followed by the ":" like any
//   other ("rfc2217://192.0.2.7:4001:").
// - A ports-folder entry names a URL when it is a symbolic link whose target
//   is the URL, or a small text file whose first line is the URL. On Windows
//   the entry of COMn is the text file "COMn-remote.txt" (the names COM1 to
//   COM9 cannot be file names there) in %SERLINK_PORTS_DIR%, else
//   %APPDATA%\serlink\ports.
// Shared by the serial library (which connects) and the program (which
// shows what a port number reaches), so that both read a name one way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace portnames {

enum class RemoteKind { None, Rfc2217, Raw };

struct RemoteUrl {
    RemoteKind kind = RemoteKind::None;
    std::string host;  // without brackets
    uint16_t port = 0;
    std::string text;  // the URL as written
};

// Reads a URL at the start of text. Returns the number of characters it
// takes (0 when text does not start with a valid URL); fills *url when given.
std::size_t ParseRemote(const char* text, RemoteUrl* url);

// Length of the device name at the start of a port text: the URL when the
// text starts with one, else everything up to the first ":" (the whole text
// when it has none).
std::size_t DeviceNameLength(const char* portText);

// The URL a ports-folder entry names (see above); false for anything else
// (a link to a device, a missing entry, a large or binary file).
bool EntryUrl(const std::string& entryPath, RemoteUrl* url);

// The URL a device name reaches: the name itself, or the ports-folder entry
// of that name when it names one (*entry gets the entry's path then).
bool RemoteFor(const std::string& deviceName, RemoteUrl* url, std::string* entry = nullptr);

// The ports folder in force. On Windows (see above); the POSIX one is in
// port_names.h.
#ifdef _WIN32
std::string PortsDir();
// The path of the entry of a device name in the ports folder (on POSIX
// systems Resolve in port_names.h finds it).
std::string EntryPath(const std::string& deviceName);
#endif

// "host:port", with brackets around an IPv6 address.
std::string HostPort(const RemoteUrl& url);

// A TCP connection to the URL's host, made within timeoutMs (names are
// looked up within the same limit). Returns the socket (a descriptor, or a
// Winsock SOCKET) in non-blocking mode with Nagle's delay off, or -1 with
// *error (the system's number: errno, a Winsock code, or for a name that
// cannot be looked up the resolver's) and *text (the system's text, e.g.
// "Connection refused") set. *address gets the address that answered (or
// was tried last).
intptr_t ConnectTcp(const RemoteUrl& url, uint32_t timeoutMs, int* error, std::string* text,
                    std::string* address);
// Closes a socket ConnectTcp returned.
void CloseSocket(intptr_t socket);

}  // namespace portnames

namespace portnames {

// The few socket calls the serial library needs beyond connecting, the same
// on every platform. Each returns what the system call returns (-1 on
// failure, with SocketError() telling why).
enum : short { kSocketIn = 1, kSocketOut = 2 };
// Waits until the socket is readable (kSocketIn) or writable (kSocketOut),
// or ms have passed; returns the events seen (0 on time-out, -1 on failure).
int SocketWait(intptr_t socket, short events, uint32_t ms);
long SocketSend(intptr_t socket, const uint8_t* data, std::size_t size);
long SocketRecv(intptr_t socket, uint8_t* data, std::size_t size);
// The system's number of the last socket failure (errno, WSAGetLastError())
// and whether it only says "try again later".
int SocketError();
bool SocketWouldBlock(int error);
// The system's text of a socket error number.
std::string SocketErrorText(int error);

}  // namespace portnames
