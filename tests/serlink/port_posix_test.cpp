// The POSIX backend under the algorithms, over a pseudo-terminal the test
// makes itself.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "port_module.h"
#include "port_posix.h"
#include "pty.h"
#include "remote_line.h"

using namespace serlink;

namespace {

struct Posix : ::testing::Test {
    Pty pty;
    PosixBackend backend;
    PortModule port{backend};

    void SetUp() override { ASSERT_TRUE(pty.ok()); }
    void TearDown() override { port.Exit(); }
    std::string text() const { return pty.slave + ":"; }
};

std::string temp_dir() {
    char name[] = "/tmp/serlink_test_XXXXXX";
    return mkdtemp(name) ? name : "";
}

}  // namespace

TEST_F(Posix, OpensByPathRaw8N1AtTheRate) {
    ASSERT_EQ(port.Init(text().c_str(), 4800), SERLINK_OK);
    termios t;
    ASSERT_EQ(tcgetattr(static_cast<int>(port.GetHandle()), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(port.IsBufferEmpty(), 1);
    EXPECT_EQ(port.IsDataAvailable(), 0);
}

TEST_F(Posix, OpensAPortsFolderEntry) {
    const std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    ASSERT_EQ(symlink(pty.slave.c_str(), (dir + "/COM7").c_str()), 0);
    setenv("SERLINK_PORTS_DIR", dir.c_str(), 1);

    EXPECT_EQ(PosixBackend::resolve_device("COM7"), dir + "/COM7");
    EXPECT_EQ(PosixBackend::resolve_device("COM3"), "/dev/ttyS2");
    EXPECT_EQ(PosixBackend::resolve_device("com12"), "/dev/ttyS11");
    EXPECT_EQ(PosixBackend::resolve_device("COM0"), dir + "/COM0");
    EXPECT_EQ(PosixBackend::resolve_device("COM01"), dir + "/COM01");
    EXPECT_EQ(PosixBackend::resolve_device("/dev/ttyUSB0"), "/dev/ttyUSB0");

    ASSERT_EQ(port.Init("COM7:", 4800), SERLINK_OK);
    pty.put({0x42});
    uint8_t b = 0;
    EXPECT_EQ(port.ReadByte(&b), SERLINK_OK);
    EXPECT_EQ(b, 0x42);

    // A link whose target is gone reads as a missing port.
    EXPECT_EQ(port.Exit(), SERLINK_OK);
    ASSERT_EQ(symlink("/dev/pts/no-such-pty", (dir + "/COM8").c_str()), 0);
    EXPECT_EQ(port.Init("COM8:", 4800), SERLINK_E_OVERRUN);

    unsetenv("SERLINK_PORTS_DIR");
    std::remove((dir + "/COM7").c_str());
    std::remove((dir + "/COM8").c_str());
    rmdir(dir.c_str());
}

// A COM name finds its entry in any case; the network and the device
// backends must agree on which entry that is, or a remote entry would be
// opened as a device.
TEST(PortsFolder, RemoteEntriesAreFoundAsTheDeviceBackendFindsEntries) {
    const std::string dir = temp_dir();
    ASSERT_FALSE(dir.empty());
    ASSERT_EQ(symlink("rfc2217://127.0.0.1:4001", (dir + "/com3").c_str()), 0);
    setenv("SERLINK_PORTS_DIR", dir.c_str(), 1);

    portnames::RemoteUrl url;
    std::string entry;
    EXPECT_TRUE(portnames::RemoteFor("COM3", &url, &entry));
    EXPECT_EQ(url.port, 4001);
    EXPECT_EQ(entry, dir + "/com3");
    EXPECT_EQ(PosixBackend::resolve_device("COM3"), entry);
    EXPECT_FALSE(portnames::RemoteFor("COM4", &url));

    unsetenv("SERLINK_PORTS_DIR");
    std::remove((dir + "/com3").c_str());
    rmdir(dir.c_str());
}

TEST_F(Posix, EveryByteValuePassesBothWays) {
    ASSERT_EQ(port.Init(text().c_str(), 4800), SERLINK_OK);
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);

    pty.put(all);
    std::vector<uint8_t> got(256);
    for (auto& b : got) ASSERT_EQ(port.ReadByte(&b), SERLINK_OK);
    EXPECT_EQ(got, all);

    for (uint8_t b : all) ASSERT_EQ(port.WriteByte(b), SERLINK_OK);
    EXPECT_EQ(pty.take(256), all);
}

TEST_F(Posix, ReadTimesOutOnASilentLine) {
    ASSERT_EQ(port.Init(text().c_str(), 4800), SERLINK_OK);
    port.SetWaitTime(50);
    uint8_t b = 0;
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_READ_TIMEOUT);
    port.SetWaitTime(0);
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_READ_TIMEOUT);
}

TEST_F(Posix, MissingDevicesAndNonTerminalsAreRefused) {
    const int fds = open_fd_count();
    EXPECT_EQ(port.Init("/dev/no-such-serial-port:", 4800), SERLINK_E_OVERRUN);
    EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE);

    const std::string dir = temp_dir();
    const std::string file = dir + "/plain";
    if (FILE* f = std::fopen(file.c_str(), "w")) std::fclose(f);
    for (const std::string& path : {file, std::string("/dev/null")}) {
        EXPECT_EQ(port.Init((path + ":").c_str(), 4800), SERLINK_E_OVERRUN) << path;
        EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE) << path;
    }
    EXPECT_EQ(open_fd_count(), fds);
    std::remove(file.c_str());
    rmdir(dir.c_str());

    // A handle that is no descriptor fails every query cleanly.
    port.SetHandle(SERLINK_INVALID_HANDLE);
    EXPECT_EQ(port.IsDataAvailable(), SERLINK_E_OVERRUN);
    uint8_t b = 0;
    EXPECT_EQ(port.ReadByte(&b), SERLINK_E_OVERRUN);
    EXPECT_EQ(port.WriteByte(0), SERLINK_E_OVERRUN);
}

TEST_F(Posix, PortHeldElsewhereIsRefusedAndLeftClosed) {
    int holder = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    const int fds = open_fd_count();
    EXPECT_EQ(port.Init(text().c_str(), 4800), SERLINK_E_RX_OVERFLOW);
    EXPECT_EQ(port.GetHandle(), SERLINK_INVALID_HANDLE);
    EXPECT_EQ(open_fd_count(), fds);

    // Once free, the port opens and is held against others until Exit.
    ASSERT_EQ(flock(holder, LOCK_UN), 0);
    ASSERT_EQ(port.Init(text().c_str(), 4800), SERLINK_OK);
    EXPECT_NE(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(port.Exit(), SERLINK_OK);
    EXPECT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    ::close(holder);
}

TEST(PosixErrors, WindowsNumbersForSystemErrors) {
    for (int e : {ENOENT, ENODEV, ENXIO}) EXPECT_EQ(PosixBackend::windows_error(e), 2u) << e;
    for (int e : {EBUSY, EACCES, EPERM, EWOULDBLOCK}) EXPECT_EQ(PosixBackend::windows_error(e), 5u) << e;
    EXPECT_EQ(PosixBackend::windows_error(ENOTTY), 2u);
    EXPECT_EQ(PosixBackend::windows_error(EBADF), 6u);
    EXPECT_EQ(PosixBackend::windows_error(0), 0u);
}
