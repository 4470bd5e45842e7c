// The line trace of the serial link: one text line per event, written to the
// file SERLINK_TRACE names ("-" for standard error) and appended, so that
// several opens in one run, and several writers in one process, add to the
// same file. Every line is
//
//     <ms since the port was opened, three decimals> <source> <what happened>
//
// e.g. "    31.204 serlink   recv C0 14 04 39 30 00 00 81". serlink writes the
// port's events, gardolink one line per transaction, gardosim its frame log.
// A line is formatted whole and handed to the system in one append, so the
// lines of different writers never mix.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace linktrace {

using Clock = std::chrono::steady_clock;

// The environment variable naming the trace target.
inline constexpr const char* kVariable = "SERLINK_TRACE";

// The operating system's own text for one of its error numbers (errno on
// POSIX, GetLastError() on Windows), with the number: "No such file or
// directory (errno 2)". The port dialog shows the same text.
std::string os_error_text(unsigned long code);

// A number as text. (Not std::to_string: its instantiations would appear in
// the libraries' dynamic symbol tables.)
std::string num(long long value);

// "C1 80 04 90 06 1B".
std::string hex(const uint8_t* bytes, std::size_t count);

// The header name of a serlink status code ("SERLINK_E_READ_TIMEOUT"), or
// nullptr for a code without one.
const char* serlink_status_name(int32_t code);

// "-1154 SERLINK_E_READ_TIMEOUT", or just the number without a name.
std::string status_text(int32_t code, const char* name);

// One open trace target. Off until open() succeeds.
class Writer {
public:
    Writer() = default;
    ~Writer() { close(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Opens what SERLINK_TRACE names; off when it is unset or empty. A file
    // that cannot be opened is reported once on standard error, and the
    // trace stays off.
    bool open_from_env(const char* source);
    // Opens target for appending ("-" = standard error). Closes a previous one.
    bool open(const char* target, const char* source);
    void close();
    bool on() const { return open_; }

    // Times count from origin.
    void set_origin(Clock::time_point origin) { origin_ = origin; }
    Clock::time_point origin() const { return origin_; }

    // Writes "<ms since origin> <source> <text>\n" for the moment when.
    void line(Clock::time_point when, const char* source, const std::string& text);
    void line(const char* source, const std::string& text) { line(Clock::now(), source, text); }

    // The line as line() would write it (for writers that keep their own
    // target, such as gardosim's log on standard error).
    static std::string format(double ms, const char* source, const std::string& text);

private:
    void write_all(const std::string& s);

    bool open_ = false;
    bool is_stderr_ = false;
#if defined(_WIN32)
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    Clock::time_point origin_ = Clock::now();
};

}  // namespace linktrace
