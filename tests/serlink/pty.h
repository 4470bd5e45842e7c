// A pseudo-terminal pair for tests: the test plays the far end on the master
// side, the library opens the slave path.
#ifndef SERLINK_TEST_PTY_H
#define SERLINK_TEST_PTY_H

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

struct Pty {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    std::string slave = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : "";

    ~Pty() { if (master >= 0) ::close(master); }
    bool ok() const { return !slave.empty(); }
    void put(const std::vector<uint8_t>& bytes) const {
        for (size_t done = 0; done < bytes.size();) {
            ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // Up to n bytes the library sent, waiting at most 2 s for each chunk.
    std::vector<uint8_t> take(size_t n) const {
        std::vector<uint8_t> out(n);
        size_t got = 0;
        for (pollfd p{master, POLLIN, 0}; got < n && poll(&p, 1, 2000) > 0;) {
            ssize_t r = ::read(master, out.data() + got, n - got);
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        out.resize(got);
        return out;
    }
};

// Number of open descriptors of this process.
inline int open_fd_count() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

#endif  // SERLINK_TEST_PTY_H
