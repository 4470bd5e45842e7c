#include "gardosim/simulator.h"

#include "line_trace.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

namespace gardosim {

using Clock = std::chrono::steady_clock;

std::string defaultPortsDir() {
    if (const char* env = std::getenv("SERLINK_PORTS_DIR"); env && *env) return env;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    return home + "/.config/serlink/ports";
}

struct Simulator::Impl {
    Options opts;

    // Controller side, guarded by mu.
    mutable std::mutex mu;
    mutable std::condition_variable frameSeen;
    DeviceMemory memory;
    FrameParser parser;
    FaultPlan faults;
    std::deque<LogEntry> log;
    std::size_t frameCount = 0;

    // Transport.
    std::mutex writeMu;  // one writer at a time on the master
    int master = -1;
    int spareSlave = -1;  // keeps the master readable while no client is open
    int wake[2] = {-1, -1};
    std::string slave;
    std::string link;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> wireBaud{0};
    Clock::time_point rxDone{};  // modelled end of the last received byte
    Clock::time_point started{};  // log times count from here

    explicit Impl(Options o) : opts(std::move(o)), parser(opts.station), wireBaud(opts.wireBaud) {}

    Clock::duration byteTime() const {
        const int baud = wireBaud.load();
        if (baud <= 0) return Clock::duration::zero();
        // Start bit, 8 data bits, stop bit.
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
    }

    // Sleeps until t, or returns false early when stopping.
    bool sleepUntil(Clock::time_point t) {
        while (!stopping.load()) {
            const auto now = Clock::now();
            if (now >= t) return true;
            const auto left = t - now;
            std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(50)));
        }
        return false;
    }

    bool writeAll(const uint8_t* p, std::size_t n) {
        std::lock_guard lock(writeMu);
        while (n > 0) {
            const ssize_t w = ::write(master, p, n);
            if (w > 0) {
                p += w;
                n -= static_cast<std::size_t>(w);
                continue;
            }
            if (w < 0 && errno == EINTR) continue;
            if (w < 0 && errno == EAGAIN) {
                if (stopping.load()) return false;
                pollfd pfd{master, POLLOUT, 0};
                ::poll(&pfd, 1, 50);
                continue;
            }
            return false;
        }
        return true;
    }

    void saveIfWanted() {
        if (opts.memoryFile.empty()) return;
        std::string err;
        if (!memory.save(opts.memoryFile, Clock::now(), &err)) std::fprintf(stderr, "gardosim: %s\n", err.c_str());
    }

    void handle(const Frame& frame, Clock::time_point done) {
        FaultOutcome out;
        {
            std::lock_guard lock(mu);
            Answer a = respond(frame, memory, done);
            out = faults.apply(frame.kind == FrameKind::Read, std::move(a.reply));
            if (a.memoryChanged) saveIfWanted();
            LogEntry e{done, frame.raw, out.silent ? std::vector<uint8_t>{} : out.reply, out.kind, out.delayMs};
            if (opts.logToStderr) {
                std::string text;
                for (const std::string& line : logLines(e, started)) text += line;
                std::fputs(text.c_str(), stderr);
            }
            log.push_back(std::move(e));
            while (log.size() > kMaxLogEntries) log.pop_front();
            ++frameCount;
        }
        frameSeen.notify_all();
        if (out.silent) return;
        auto start = done;
        if (out.delayMs > 0) {
            start = Clock::now() + std::chrono::milliseconds(out.delayMs);
            if (!sleepUntil(start)) return;
        }
        const auto bt = byteTime();
        if (bt == Clock::duration::zero()) {
            writeAll(out.reply.data(), out.reply.size());
            return;
        }
        // Each byte is handed over once it has fully crossed the wire.
        for (std::size_t i = 0; i < out.reply.size(); ++i) {
            if (!sleepUntil(start + bt * static_cast<int64_t>(i + 1))) return;
            writeAll(&out.reply[i], 1);
        }
    }

    void serve() {
        uint8_t buf[512];
        while (!stopping.load()) {
            pollfd pfd[2] = {{master, POLLIN, 0}, {wake[0], POLLIN, 0}};
            if (::poll(pfd, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (pfd[1].revents) break;
            if (!(pfd[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                // EIO while no slave is open: wait for one.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            if (n == 0) continue;
            const auto arrived = Clock::now();
            const auto bt = byteTime();
            for (ssize_t i = 0; i < n; ++i) {
                Clock::time_point t = arrived;
                if (bt != Clock::duration::zero()) {
                    // A byte is complete ten bit times after the previous one.
                    t = std::max(arrived, rxDone) + bt;
                    rxDone = t;
                    if (!sleepUntil(t)) return;
                }
                std::optional<Frame> frame;
                {
                    std::lock_guard lock(mu);
                    frame = parser.feed(buf[i], t);
                }
                if (frame) handle(*frame, t);
            }
        }
    }

    void closeAll() {
        for (int* fd : {&master, &spareSlave, &wake[0], &wake[1]}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        slave.clear();
    }
};

std::vector<std::string> logLines(const LogEntry& entry, Clock::time_point origin) {
    auto ms = [origin](Clock::time_point t) { return std::chrono::duration<double, std::milli>(t - origin).count(); };
    const std::string fault =
        entry.fault == FaultKind::None ? std::string() : std::string(" (fault ") + faultName(entry.fault) + ")";
    std::vector<std::string> lines;
    lines.push_back(linktrace::Writer::format(ms(entry.time), "gardosim",
                                              "recv " + linktrace::hex(entry.request.data(), entry.request.size())));
    if (entry.reply.empty()) {
        lines.push_back(linktrace::Writer::format(ms(entry.time), "gardosim", "silence" + fault));
    } else {
        const auto sent = entry.time + std::chrono::milliseconds(entry.delayMs);
        lines.push_back(linktrace::Writer::format(
            ms(sent), "gardosim", "send " + linktrace::hex(entry.reply.data(), entry.reply.size()) + fault));
    }
    return lines;
}

Simulator::Simulator(Options options) : d_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() { stop(); }

bool Simulator::start(std::string* error) {
    if (d_->thread.joinable()) return true;
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        d_->closeAll();
        return false;
    };
    if (!d_->opts.memoryFile.empty()) {
        std::lock_guard lock(d_->mu);
        std::error_code ec;
        if (std::filesystem::exists(d_->opts.memoryFile, ec)) {
            std::string err;
            if (!d_->memory.load(d_->opts.memoryFile, Clock::now(), &err)) {
                if (error) *error = err;
                return false;
            }
        }
    }
    d_->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (d_->master < 0) return fail("posix_openpt");
    if (::grantpt(d_->master) != 0 || ::unlockpt(d_->master) != 0) return fail("grantpt/unlockpt");
    char name[128];
    if (::ptsname_r(d_->master, name, sizeof name) != 0) return fail("ptsname");
    d_->slave = name;
    d_->spareSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (d_->spareSlave < 0) return fail("open " + d_->slave);
    // Raw from the start: no echo of replies, all 256 byte values unchanged.
    termios tio{};
    if (::tcgetattr(d_->spareSlave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(d_->spareSlave, TCSANOW, &tio);
    }
    ::fcntl(d_->master, F_SETFL, ::fcntl(d_->master, F_GETFL) | O_NONBLOCK);
    if (::pipe2(d_->wake, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe");
    ::fcntl(d_->master, F_SETFD, FD_CLOEXEC);
    ::fcntl(d_->spareSlave, F_SETFD, FD_CLOEXEC);
    d_->stopping = false;
    d_->rxDone = {};
    d_->started = Clock::now();
    d_->thread = std::thread([this] { d_->serve(); });
    return true;
}

void Simulator::stop() {
    if (!d_->thread.joinable()) {
        unregisterPort();
        return;
    }
    d_->stopping = true;
    const char c = 'x';
    [[maybe_unused]] ssize_t w = ::write(d_->wake[1], &c, 1);
    d_->thread.join();
    unregisterPort();
    d_->closeAll();
    std::lock_guard lock(d_->mu);
    d_->parser.reset();
    d_->saveIfWanted();
}

bool Simulator::serving() const { return d_->thread.joinable() && !d_->stopping.load(); }

std::string Simulator::slavePath() const { return d_->slave; }

std::string Simulator::registerPort(const std::string& name, const std::string& dir, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what;
        return std::string();
    };
    if (d_->slave.empty()) return fail("the simulator is not started");
    if (name.empty() || name.find('/') != std::string::npos) return fail("bad port name '" + name + "'");
    const std::string folder = dir.empty() ? defaultPortsDir() : dir;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return fail("cannot create " + folder + ": " + ec.message());
    unregisterPort();
    const std::string link = folder + "/" + name;
    std::filesystem::remove(link, ec);  // an older entry of that name
    if (::symlink(d_->slave.c_str(), link.c_str()) != 0)
        return fail("cannot link " + link + ": " + std::strerror(errno));
    d_->link = link;
    return link;
}

void Simulator::unregisterPort() {
    if (d_->link.empty()) return;
    // Only remove the link while it is still ours.
    char target[256];
    const ssize_t n = ::readlink(d_->link.c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        if (d_->slave == target) ::unlink(d_->link.c_str());
    }
    d_->link.clear();
}

uint8_t Simulator::station() const {
    std::lock_guard lock(d_->mu);
    return d_->parser.station();
}

void Simulator::setStation(uint8_t station) {
    std::lock_guard lock(d_->mu);
    d_->opts.station = station;
    d_->parser.setStation(station);
}

void Simulator::setWireTiming(int baud) { d_->wireBaud = baud < 0 ? 0 : baud; }

std::vector<uint8_t> Simulator::peek(Area area, uint32_t address, std::size_t count) const {
    std::lock_guard lock(d_->mu);
    return d_->memory.read(area, address, count, Clock::now());
}

void Simulator::poke(Area area, uint32_t address, std::span<const uint8_t> bytes) {
    std::lock_guard lock(d_->mu);
    d_->memory.write(area, address, bytes, Clock::now());
}

uint8_t Simulator::peekByte(Area area, uint32_t address) const { return peek(area, address, 1)[0]; }

void Simulator::pokeByte(Area area, uint32_t address, uint8_t value) { poke(area, address, {&value, 1}); }

ClockBytes Simulator::clock() const {
    const auto v = peek(Area::Clock, 0, kClockSize);
    ClockBytes c{};
    std::copy(v.begin(), v.end(), c.begin());
    return c;
}

void Simulator::setClock(const ClockBytes& clock) { poke(Area::Clock, 0, clock); }

void Simulator::resetMemory() {
    std::lock_guard lock(d_->mu);
    d_->memory.loadDefaults(hostClock(), Clock::now());
}

bool Simulator::saveMemory(std::string* error) const {
    std::lock_guard lock(d_->mu);
    if (d_->opts.memoryFile.empty()) {
        if (error) *error = "no memory file";
        return false;
    }
    return d_->memory.save(d_->opts.memoryFile, Clock::now(), error);
}

DeviceState Simulator::state() const {
    std::lock_guard lock(d_->mu);
    return d_->memory.state();
}

bool Simulator::running() const { return state().running; }

void Simulator::setRunning(bool on) {
    std::lock_guard lock(d_->mu);
    d_->memory.state().running = on;
}

void Simulator::inject(const Fault& fault) {
    std::lock_guard lock(d_->mu);
    d_->faults.add(fault);
}

void Simulator::inject(FaultKind kind, int count, int value) { inject(Fault{kind, count, value}); }

void Simulator::clearFaults() {
    std::lock_guard lock(d_->mu);
    d_->faults.clear();
}

std::vector<Fault> Simulator::pendingFaults() const {
    std::lock_guard lock(d_->mu);
    return d_->faults.pending();
}

void Simulator::sendUnsolicited(std::span<const uint8_t> bytes) {
    if (d_->master < 0) return;
    d_->writeAll(bytes.data(), bytes.size());
}

std::vector<LogEntry> Simulator::frames() const {
    std::lock_guard lock(d_->mu);
    return {d_->log.begin(), d_->log.end()};
}

std::size_t Simulator::frameCount() const {
    std::lock_guard lock(d_->mu);
    return d_->frameCount;
}

void Simulator::clearLog() {
    std::lock_guard lock(d_->mu);
    d_->log.clear();
    d_->frameCount = 0;
}

bool Simulator::waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(d_->mu);
    return d_->frameSeen.wait_for(lock, timeout, [&] { return d_->frameCount >= count; });
}

}  // namespace gardosim
