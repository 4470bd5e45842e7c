#!/usr/bin/python3
"""A second RFC 2217 server for the tests: pyserial's port manager in front
of a pseudo-terminal, on 127.0.0.1 at a free port, one client at a time.

Usage: rfc2217_server.py PTY_PATH
Prints "port N" once it listens, then serves until killed. A pseudo-terminal
has no modem lines, so the modem-line calls are answered here instead of by
the device."""
import socket
import sys
import threading

import serial
import serial.rfc2217


class PtyPort(serial.Serial):
    """A serial port without modem lines: RTS/DTR changes are kept, the
    status lines read as low."""

    def _update_rts_state(self):
        pass

    def _update_dtr_state(self):
        pass

    def _update_break_state(self):
        pass

    @property
    def cts(self):
        return False

    @property
    def dsr(self):
        return False

    @property
    def ri(self):
        return False

    @property
    def cd(self):
        return False


class Connection:
    """The socket as the port manager writes to it; one writer at a time, so
    that a reply never lands inside a burst of data."""

    def __init__(self, sock):
        self.sock = sock
        self.lock = threading.Lock()

    def write(self, data):
        with self.lock:
            self.sock.sendall(data)


def serve(port, client):
    connection = Connection(client)
    manager = serial.rfc2217.PortManager(port, connection)
    stop = threading.Event()

    def device_to_client():
        while not stop.is_set():
            try:
                data = port.read(port.in_waiting or 1)
                if data:
                    connection.write(b"".join(manager.escape(data)))
            except (OSError, serial.SerialException):
                break

    reader = threading.Thread(target=device_to_client, daemon=True)
    reader.start()
    try:
        while True:
            data = client.recv(4096)
            if not data:
                break
            port.write(b"".join(manager.filter(data)))
    except OSError:
        pass
    finally:
        stop.set()
        reader.join(1)
        client.close()


def main():
    port = PtyPort(sys.argv[1], baudrate=9600, timeout=0.05)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print("port", listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        serve(port, client)


if __name__ == "__main__":
    main()
