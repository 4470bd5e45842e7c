#include "line_trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

#include "serlink.h"

namespace linktrace {

std::string os_error_text(unsigned long code) {
    char number[32];
#if defined(_WIN32)
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string s = n > 0 && text != nullptr ? std::string(text, n) : std::string("unknown error");
    if (text != nullptr) LocalFree(text);
    // The system's texts end in ".\r\n".
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    std::snprintf(number, sizeof number, " (error %lu)", code);
#else
    char buf[256];
    // The GNU strerror_r returns the text, the XSI one fills buf.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    std::string s = strerror_r(static_cast<int>(code), buf, sizeof buf);
#else
    std::string s = strerror_r(static_cast<int>(code), buf, sizeof buf) == 0 ? buf : "unknown error";
#endif
    std::snprintf(number, sizeof number, " (errno %lu)", code);
#endif
    return s + number;
}

std::string num(long long value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%lld", value);
    return buf;
}

std::string hex(const uint8_t* bytes, std::size_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) s += ' ';
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 0x0F];
    }
    return s;
}

const char* serlink_status_name(int32_t code) {
    switch (code) {
    case SERLINK_OK: return "SERLINK_OK";
    case SERLINK_E_WRITE_TIMEOUT: return "SERLINK_E_WRITE_TIMEOUT";
    case SERLINK_E_READ_TIMEOUT: return "SERLINK_E_READ_TIMEOUT";
    case SERLINK_E_READ_EMPTY: return "SERLINK_E_READ_EMPTY";
    case SERLINK_E_BAD_MODE: return "SERLINK_E_BAD_MODE";
    case SERLINK_E_NO_ERRNO: return "SERLINK_E_NO_ERRNO";
    case SERLINK_E_MODE_FLAG: return "SERLINK_E_MODE_FLAG";
    case SERLINK_E_UNMAPPED: return "SERLINK_E_UNMAPPED";
    case SERLINK_E_RX_OVERFLOW: return "SERLINK_E_RX_OVERFLOW";
    case SERLINK_E_OVERRUN: return "SERLINK_E_OVERRUN";
    case SERLINK_E_PARITY: return "SERLINK_E_PARITY";
    case SERLINK_E_FRAME: return "SERLINK_E_FRAME";
    case SERLINK_E_BREAK: return "SERLINK_E_BREAK";
    case SERLINK_E_CTS_TIMEOUT: return "SERLINK_E_CTS_TIMEOUT";
    case SERLINK_E_DSR_TIMEOUT: return "SERLINK_E_DSR_TIMEOUT";
    case SERLINK_E_CD_TIMEOUT: return "SERLINK_E_CD_TIMEOUT";
    case SERLINK_E_TX_FULL: return "SERLINK_E_TX_FULL";
    case SERLINK_E_PAR_TIMEOUT: return "SERLINK_E_PAR_TIMEOUT";
    case SERLINK_E_PAR_IO: return "SERLINK_E_PAR_IO";
    case SERLINK_E_PAR_NOT_SELECTED: return "SERLINK_E_PAR_NOT_SELECTED";
    default: return nullptr;
    }
}

std::string status_text(int32_t code, const char* name) {
    std::string s = num(code);
    if (name != nullptr) {
        s += ' ';
        s += name;
    }
    return s;
}

bool Writer::open_from_env(const char* source) {
    const char* target = std::getenv(kVariable);
    if (target == nullptr || *target == '\0') {
        close();
        return false;
    }
    return open(target, source);
}

bool Writer::open(const char* target, const char* source) {
    close();
    if (std::strcmp(target, "-") == 0) {
        is_stderr_ = true;
#if defined(_WIN32)
        handle_ = GetStdHandle(STD_ERROR_HANDLE);
#else
        fd_ = STDERR_FILENO;
#endif
        open_ = true;
        return true;
    }
#if defined(_WIN32)
    // FILE_APPEND_DATA alone makes every write an append at the current end.
    HANDLE h = CreateFileA(target, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "%s: cannot open the trace %s: %s\n", source, target,
                     os_error_text(GetLastError()).c_str());
        return false;
    }
    handle_ = h;
#else
    int fd;
    do {
        fd = ::open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        std::fprintf(stderr, "%s: cannot open the trace %s: %s\n", source, target, os_error_text(errno).c_str());
        return false;
    }
    fd_ = fd;
#endif
    open_ = true;
    return true;
}

void Writer::close() {
    if (open_ && !is_stderr_) {
#if defined(_WIN32)
        CloseHandle(static_cast<HANDLE>(handle_));
#else
        ::close(fd_);
#endif
    }
#if defined(_WIN32)
    handle_ = nullptr;
#else
    fd_ = -1;
#endif
    open_ = false;
    is_stderr_ = false;
}

std::string Writer::format(double ms, const char* source, const std::string& text) {
    char head[48];
    std::snprintf(head, sizeof head, "%10.3f %-9s ", ms, source);
    std::string s = head;
    s += text;
    s += '\n';
    return s;
}

void Writer::line(Clock::time_point when, const char* source, const std::string& text) {
    if (!open_) return;
    const double ms = std::chrono::duration<double, std::milli>(when - origin_).count();
    write_all(format(ms, source, text));
}

void Writer::write_all(const std::string& s) {
#if defined(_WIN32)
    DWORD written = 0;
    (void)WriteFile(static_cast<HANDLE>(handle_), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
#else
    // One write() with O_APPEND puts the whole line at the end; a short write
    // (a full disk, a pipe) is finished rather than lost silently.
    const char* p = s.data();
    std::size_t left = s.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
#endif
}

}  // namespace linktrace
