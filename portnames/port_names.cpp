#include "port_names.h"

#include "remote_line.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>

namespace portnames {

unsigned ComNumber(const std::string& name)
{
    if (name.size() < 4 || name.size() > 6) return 0;
    for (int i = 0; i < 3; ++i)
        if ((name[size_t(i)] | 0x20) != "com"[i]) return 0;
    if (name[3] < '1' || name[3] > '9') return 0;
    unsigned n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        n = n * 10 + unsigned(name[i] - '0');
    }
    return n;
}

std::string PortsDir()
{
    if (const char* env = std::getenv("SERLINK_PORTS_DIR"); env != nullptr && *env != '\0') return env;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* pw = getpwuid(getuid());
        home = pw != nullptr ? pw->pw_dir : "";
    }
    return std::string(home) + "/.config/serlink/ports";
}

namespace {

// The names in the ports folder.
std::vector<std::string> FolderNames()
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(PortsDir().c_str())) {
        while (const dirent* e = readdir(dir)) names.emplace_back(e->d_name);
        closedir(dir);
    }
    return names;
}

// The entry of COM number n among the names: "COMn" itself, else the first
// (by byte order) that names the same number in another case ("com7"), as
// Windows ignores the case of COM names. Empty when there is none.
std::string EntryOfNumber(unsigned n, const std::vector<std::string>& names)
{
    char canonical[16];
    std::snprintf(canonical, sizeof canonical, "COM%u", n);
    std::string found;
    for (const std::string& name : names) {
        if (name == canonical) return name;
        if (ComNumber(name) == n && (found.empty() || name < found)) found = name;
    }
    return found;
}

}  // namespace

Target Resolve(const std::string& portText)
{
    const std::string name = portText.substr(0, DeviceNameLength(portText.c_str()));
    RemoteUrl url;
    if (ParseRemote(name.c_str(), &url) == name.size() && !name.empty()) return {name, false, url.text};
    if (name.find('/') != std::string::npos) return {name, false, {}};
    const std::string dir = PortsDir();
    struct stat st;
    // An entry is a link or file that may name a remote line.
    auto fromEntry = [&url](const std::string& entry) {
        return Target{entry, true, EntryUrl(entry, &url) ? url.text : std::string()};
    };
    if (const unsigned n = ComNumber(name); n != 0) {
        std::string entry = dir + "/COM" + name.substr(3);
        if (lstat(entry.c_str(), &st) == 0) return fromEntry(entry);
        if (const std::string other = EntryOfNumber(n, FolderNames()); !other.empty())
            return fromEntry(dir + "/" + other);
        // (snprintf rather than std::to_string, which would add a weak
        // symbol to the serial library's exports.)
        char device[32];
        std::snprintf(device, sizeof device, "/dev/ttyS%u", n - 1);
        return {device, false, {}};
    }
    const std::string entry = dir + "/" + name;
    if (lstat(entry.c_str(), &st) == 0) return fromEntry(entry);
    return {entry, false, {}};
}

std::vector<std::string> ComEntries()
{
    const std::vector<std::string> all = FolderNames();
    std::vector<std::string> names;
    for (const std::string& name : all) {
        const unsigned n = ComNumber(name);
        if (n != 0 && EntryOfNumber(n, all) == name) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return ComNumber(a) < ComNumber(b); });
    return names;
}

int OpenPort(const std::string& path, OpenStep* failed)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        *failed = OpenStep::Open;
        return -1;
    }
    // Only a terminal is a port (a regular file or /dev/null opens fine), and
    // only one user at a time may hold it.
    termios t;
    OpenStep step = OpenStep::Terminal;
    if (tcgetattr(fd, &t) == 0) {
        step = OpenStep::Lock;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    }
    const int err = errno;
    ::close(fd);
    errno = err;
    *failed = step;
    return -1;
}

OpenProblem Classify(OpenStep step, int error)
{
    switch (step) {
    case OpenStep::Open:
        switch (error) {
        case EACCES:
        case EPERM: return OpenProblem::NoPermission;
        case EBUSY: return OpenProblem::InUse;
        case ENOENT:
        case ENOTDIR:
        case ELOOP: return OpenProblem::Missing;
        case ENXIO:
        case ENODEV:
        case EIO: return OpenProblem::NoHardware;
        case EISDIR: return OpenProblem::NotSerial;
        default: return OpenProblem::Other;
        }
    case OpenStep::Terminal: return error == EIO ? OpenProblem::NoHardware : OpenProblem::NotSerial;
    case OpenStep::Lock: return error == EWOULDBLOCK ? OpenProblem::InUse : OpenProblem::Other;
    }
    return OpenProblem::Other;
}

}  // namespace portnames
