// TCP ports on 127.0.0.1 for the servers that the remote-line tests and
// benchmark start: a free one to give a server, and the wait until it
// listens. Plain POSIX sockets, so that the benchmark needs no Qt.
#pragma once

#include <netinet/in.h>

namespace lumo::test {

// The address 127.0.0.1:port.
sockaddr_in LoopbackAddress(int port);

// A TCP port on 127.0.0.1 that nothing listens on right now.
int FreeTcpPort();
// Waits until something accepts connections at 127.0.0.1:port.
bool WaitForListener(int port, int timeoutMs = 15000);

}  // namespace lumo::test
