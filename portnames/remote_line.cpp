#include "remote_line.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include "port_names.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace portnames {

namespace {

// An entry file larger than this is not a URL entry.
constexpr long kEntryFileMax = 4096;

bool startsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix)
        if (*text == '\0' || (*text | 0x20) != *prefix) return false;
    return true;
}

// (snprintf rather than std::to_string, which would add a weak symbol to the
// serial library's exports.)
std::string decimal(long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    return text;
}

bool hostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

bool ipv6Char(char c)
{
    return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// The whole text as a URL, nothing before or after it.
bool wholeUrl(const std::string& text, RemoteUrl* url)
{
    return !text.empty() && ParseRemote(text.c_str(), url) == text.size();
}

#ifdef _WIN32
void startWinsock()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

std::string lookupText(int rc)
{
    return SocketErrorText(rc);
}
#else
void startWinsock() {}

std::string lookupText(int rc)
{
    return rc == EAI_SYSTEM ? SocketErrorText(errno) : std::string(gai_strerror(rc));
}
#endif

bool setNonBlocking(intptr_t s)
{
#ifdef _WIN32
    u_long on = 1;
    return ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &on) == 0;
#else
    const int flags = fcntl(static_cast<int>(s), F_GETFL);
    return flags >= 0 && fcntl(static_cast<int>(s), F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

// The lookup of a stream socket's address; with AI_NUMERICHOST in flags,
// of a written-out address only (no name server).
addrinfo streamHints(int flags)
{
    addrinfo h{};
    h.ai_family = AF_UNSPEC;
    h.ai_socktype = SOCK_STREAM;
    h.ai_flags = AI_NUMERICSERV | flags;
    return h;
}

// A name lookup that may take long (a name server that does not answer)
// runs on a thread of its own; the caller waits for it only as long as its
// limit allows and then leaves it to finish alone. Whoever lets go of the
// shared state last frees it.
#ifdef _WIN32
// (Win32 threads: the MinGW build may come without std::thread.)
struct Lookup {
    LONG refs = 2;
    HANDLE done = nullptr;
    std::string host, service;
    int rc = 0;
    addrinfo* list = nullptr;
};

void release(Lookup* l)
{
    if (InterlockedDecrement(&l->refs) != 0) return;
    if (l->list != nullptr) freeaddrinfo(l->list);
    CloseHandle(l->done);
    delete l;
}

DWORD WINAPI lookupThread(void* p)
{
    auto* l = static_cast<Lookup*>(p);
    const addrinfo h = streamHints(0);
    l->rc = getaddrinfo(l->host.c_str(), l->service.c_str(), &h, &l->list);
    SetEvent(l->done);
    release(l);
    return 0;
}

int lookUpSlowly(const std::string& host, const char* service, uint32_t ms, addrinfo** list, bool* late)
{
    auto* l = new Lookup;
    l->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    l->host = host;
    l->service = service;
    HANDLE thread = l->done != nullptr ? CreateThread(nullptr, 0, lookupThread, l, 0, nullptr) : nullptr;
    if (thread == nullptr) {
        const addrinfo h = streamHints(0);
        l->rc = getaddrinfo(host.c_str(), service, &h, &l->list);  // no thread: look up here
        l->refs = 1;
    } else {
        CloseHandle(thread);
        if (WaitForSingleObject(l->done, ms) != WAIT_OBJECT_0) {
            *late = true;
            release(l);
            return -1;
        }
    }
    const int rc = l->rc;
    *list = l->list;
    l->list = nullptr;
    release(l);
    return rc;
}
#else
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    int rc = 0;
    addrinfo* list = nullptr;
};

int lookUpSlowly(const std::string& host, const char* service, uint32_t ms, addrinfo** list, bool* late)
{
    auto state = std::make_shared<Lookup>();
    try {
        std::thread([state, host, port = std::string(service)] {
            const addrinfo h = streamHints(0);
            addrinfo* found = nullptr;
            const int rc = getaddrinfo(host.c_str(), port.c_str(), &h, &found);
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->abandoned) {
                if (found != nullptr) freeaddrinfo(found);
            } else {
                state->rc = rc;
                state->list = found;
            }
            state->finished = true;
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: looked up here (nothing may leave the
        // library as an exception).
        const addrinfo h = streamHints(0);
        return getaddrinfo(host.c_str(), service, &h, list);
    }
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state->finished; })) {
        state->abandoned = true;
        *late = true;
        return -1;
    }
    *list = state->list;
    return state->rc;
}
#endif

int lookUp(const std::string& host, const char* service, std::chrono::steady_clock::time_point deadline,
           addrinfo** list, bool* late)
{
    const addrinfo hints = streamHints(AI_NUMERICHOST);
    // An address needs no name server.
    if (getaddrinfo(host.c_str(), service, &hints, list) == 0) return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return lookUpSlowly(host, service, left.count() > 0 ? uint32_t(left.count()) : 0, list, late);
}

}  // namespace

std::size_t ParseRemote(const char* text, RemoteUrl* url)
{
    if (text == nullptr) return 0;
    RemoteUrl u;
    const char* p = text;
    if (startsWithNoCase(p, "rfc2217://")) {
        u.kind = RemoteKind::Rfc2217;
        p += 10;
    } else if (startsWithNoCase(p, "socket://")) {
        u.kind = RemoteKind::Raw;
        p += 9;
    } else {
        return 0;
    }
    if (*p == '[') {
        const char* begin = ++p;
        while (ipv6Char(*p)) ++p;
        if (*p != ']' || p == begin) return 0;
        u.host.assign(begin, p);
        ++p;
    } else {
        const char* begin = p;
        while (hostChar(*p)) ++p;
        if (p == begin) return 0;
        u.host.assign(begin, p);
    }
    if (*p != ':') return 0;
    ++p;
    unsigned long port = 0;
    const char* digits = p;
    while (*p >= '0' && *p <= '9' && p - digits < 6) port = port * 10 + unsigned(*p++ - '0');
    if (p == digits || (*p >= '0' && *p <= '9') || port == 0 || port > 65535) return 0;
    u.port = static_cast<uint16_t>(port);
    const std::size_t length = static_cast<std::size_t>(p - text);
    u.text.assign(text, length);
    if (url != nullptr) *url = u;
    return length;
}

std::size_t DeviceNameLength(const char* portText)
{
    if (portText == nullptr) return 0;
    if (const std::size_t n = ParseRemote(portText, nullptr)) return n;
    const char* colon = std::strchr(portText, ':');
    return colon != nullptr ? static_cast<std::size_t>(colon - portText) : std::strlen(portText);
}

#ifdef _WIN32
std::string PortsDir()
{
    if (const char* env = std::getenv("SERLINK_PORTS_DIR"); env != nullptr && *env != '\0') return env;
    const char* appData = std::getenv("APPDATA");
    return std::string(appData != nullptr ? appData : ".") + "\\serlink\\ports";
}

std::string EntryPath(const std::string& deviceName)
{
    return PortsDir() + "\\" + deviceName + "-remote.txt";
}
#endif

bool EntryUrl(const std::string& entryPath, RemoteUrl* url)
{
#ifndef _WIN32
    struct stat st;
    if (lstat(entryPath.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) {
        char target[512];
        const ssize_t n = readlink(entryPath.c_str(), target, sizeof target - 1);
        if (n <= 0) return false;
        return wholeUrl(std::string(target, static_cast<std::size_t>(n)), url);
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kEntryFileMax) return false;
#endif
    std::FILE* f = std::fopen(entryPath.c_str(), "rb");
    if (f == nullptr) return false;
    char buffer[kEntryFileMax + 1];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    if (n > static_cast<std::size_t>(kEntryFileMax) || std::memchr(buffer, '\0', n) != nullptr) return false;
    const std::string content(buffer, n);
    return wholeUrl(trimmed(content.substr(0, content.find('\n'))), url);
}

bool RemoteFor(const std::string& deviceName, RemoteUrl* url, std::string* entry)
{
    if (wholeUrl(deviceName, url)) return true;
    if (deviceName.empty() || deviceName.find_first_of("/\\:") != std::string::npos) return false;
#ifdef _WIN32
    const std::string path = EntryPath(deviceName);
#else
    // The entry the device backend would open, so that both agree: a COM
    // name finds its entry in any case.
    const Target target = Resolve(deviceName);
    if (!target.fromEntry) return false;
    const std::string& path = target.path;
#endif
    if (!EntryUrl(path, url)) return false;
    if (entry != nullptr) *entry = path;
    return true;
}

std::string HostPort(const RemoteUrl& url)
{
    const bool v6 = url.host.find(':') != std::string::npos;
    return (v6 ? "[" + url.host + "]" : url.host) + ":" + decimal(url.port);
}

intptr_t ConnectTcp(const RemoteUrl& url, uint32_t timeoutMs, int* error, std::string* text, std::string* address)
{
    startWinsock();
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char service[8];
    std::snprintf(service, sizeof service, "%u", unsigned(url.port));
    addrinfo* list = nullptr;
    bool late = false;
    const int rc = lookUp(url.host, service, deadline, &list, &late);
    if (late) {
        *error = ETIMEDOUT;
        *text = "the name " + url.host + " could not be looked up within " + decimal(timeoutMs) + " ms";
        return -1;
    }
    if (rc != 0) {
        *error = rc;
        *text = lookupText(rc) + " (" + url.host + ")";
        return -1;
    }
    *error = 0;
    text->clear();
    intptr_t result = -1;
    for (const addrinfo* ai = list; ai != nullptr && result < 0; ai = ai->ai_next) {
        char host[NI_MAXHOST] = "?";
        (void)getnameinfo(ai->ai_addr, static_cast<socklen_t>(ai->ai_addrlen), host, sizeof host, nullptr, 0,
                          NI_NUMERICHOST);
        *address = ai->ai_family == AF_INET6 ? "[" + std::string(host) + "]" : std::string(host);
        *address += ":" + std::string(service);
#ifdef _WIN32
        const SOCKET raw = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        const intptr_t s = raw == INVALID_SOCKET ? -1 : static_cast<intptr_t>(raw);
#else
        const intptr_t s = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
#endif
        if (s < 0 || !setNonBlocking(s)) {
            *error = SocketError();
            if (s >= 0) CloseSocket(s);
            continue;
        }
        int on = 1;
        (void)setsockopt(static_cast<decltype(socket(0, 0, 0))>(s), IPPROTO_TCP, TCP_NODELAY,
                         reinterpret_cast<const char*>(&on), sizeof on);
        int err = 0;
        if (connect(static_cast<decltype(socket(0, 0, 0))>(s), ai->ai_addr, static_cast<socklen_t>(ai->ai_addrlen)) !=
            0) {
            err = SocketError();
#ifdef _WIN32
            const bool pending = err == WSAEWOULDBLOCK || err == WSAEINPROGRESS;
#else
            const bool pending = err == EINPROGRESS || err == EINTR;
#endif
            if (pending) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                const int seen = SocketWait(s, kSocketOut, left.count() > 0 ? uint32_t(left.count()) : 0);
                if (seen == 0) {
                    err = ETIMEDOUT;
#ifdef _WIN32
                    err = WSAETIMEDOUT;
#endif
                } else if (seen < 0) {
                    err = SocketError();
                } else {
                    socklen_t size = sizeof err;
                    err = 0;
                    if (getsockopt(static_cast<decltype(socket(0, 0, 0))>(s), SOL_SOCKET, SO_ERROR,
                                   reinterpret_cast<char*>(&err), &size) != 0)
                        err = SocketError();
                }
            }
        }
        if (err == 0) {
            result = s;
        } else {
            *error = err;
            CloseSocket(s);
            if (Clock::now() >= deadline) break;
        }
    }
    freeaddrinfo(list);
    if (result < 0) {
        if (*error == 0) *error = ETIMEDOUT;
        *text = SocketErrorText(*error);
    }
    return result;
}

void CloseSocket(intptr_t s)
{
#ifdef _WIN32
    closesocket(static_cast<SOCKET>(s));
#else
    ::close(static_cast<int>(s));
#endif
}

int SocketWait(intptr_t s, short events, uint32_t ms)
{
#ifdef _WIN32
    fd_set in, out, bad;
    FD_ZERO(&in);
    FD_ZERO(&out);
    FD_ZERO(&bad);
    const SOCKET raw = static_cast<SOCKET>(s);
    if (events & kSocketIn) FD_SET(raw, &in);
    if (events & kSocketOut) FD_SET(raw, &out);
    FD_SET(raw, &bad);  // a failed connect shows here
    timeval tv;
    tv.tv_sec = long(ms / 1000);
    tv.tv_usec = long(ms % 1000) * 1000;
    const int n = select(0, &in, &out, &bad, &tv);
    if (n <= 0) return n;
    int seen = 0;
    if (FD_ISSET(raw, &in)) seen |= kSocketIn;
    if (FD_ISSET(raw, &out) || FD_ISSET(raw, &bad)) seen |= kSocketOut;
    return seen != 0 ? seen : events;
#else
    pollfd p{static_cast<int>(s), 0, 0};
    if (events & kSocketIn) p.events |= POLLIN;
    if (events & kSocketOut) p.events |= POLLOUT;
    const int n = poll(&p, 1, ms > 0x7FFFFFFFu ? 0x7FFFFFFF : int(ms));
    if (n <= 0) return n;
    int seen = 0;
    // A closed or broken connection counts as readable: the next receive
    // tells what happened.
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) seen |= kSocketIn;
    if (p.revents & (POLLOUT | POLLERR | POLLHUP)) seen |= kSocketOut;
    if (p.revents & POLLNVAL) return -1;
    return seen;
#endif
}

long SocketSend(intptr_t s, const uint8_t* data, std::size_t size)
{
#ifdef _WIN32
    return send(static_cast<SOCKET>(s), reinterpret_cast<const char*>(data), int(size), 0);
#else
    // No SIGPIPE for a connection the server has closed: the error is
    // reported instead.
    ssize_t n;
    do {
        n = ::send(static_cast<int>(s), data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return long(n);
#endif
}

long SocketRecv(intptr_t s, uint8_t* data, std::size_t size)
{
#ifdef _WIN32
    return recv(static_cast<SOCKET>(s), reinterpret_cast<char*>(data), int(size), 0);
#else
    ssize_t n;
    do {
        n = ::recv(static_cast<int>(s), data, size, 0);
    } while (n < 0 && errno == EINTR);
#if defined(TCP_QUICKACK)
    // Acknowledge at once. A server that holds its next small write until
    // the last one is acknowledged (Nagle's delay, the default of many
    // device servers) would otherwise wait for the delayed acknowledgement:
    // up to 40 ms in the middle of every reply.
    if (n > 0) {
        int on = 1;
        (void)setsockopt(static_cast<int>(s), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    }
#endif
    return long(n);
#endif
}

int SocketError()
{
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

bool SocketWouldBlock(int error)
{
#ifdef _WIN32
    return error == WSAEWOULDBLOCK;
#else
    return error == EAGAIN || error == EWOULDBLOCK;
#endif
}

std::string SocketErrorText(int error)
{
#ifdef _WIN32
    char buffer[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(error), 0,
                             buffer, sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ' || buffer[n - 1] == '.'))
        buffer[--n] = '\0';
    return n > 0 ? std::string(buffer) : "Winsock error " + decimal(error);
#else
    return std::strerror(error);
#endif
}

}  // namespace portnames
