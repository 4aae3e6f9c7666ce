# A small VXI-11 peer for the server's tests: the server started and stopped, and RPC calls
# made by hand where no Debian client goes (abort, interrupt channel, malformed records).
import os
import select
import signal
import socket
import struct
import subprocess
import threading

CORE, ASYNC, INTR = 0x0607AF, 0x0607B0, 0x0607B1
WAITLOCK, END, TERMCHRSET = 0x01, 0x08, 0x80


class Server:
    """visa-sim-server running until stop(), which checks its clean exit."""

    def __init__(self, binary, *args):
        self.proc = subprocess.Popen([binary, *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        self.line = self.proc.stdout.readline()
        assert self.line.startswith("listening"), (self.line, self.proc.stderr.read())

    def status(self, key):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        assert self.proc.wait(timeout=10) == 0
        return self.proc.stderr.read()


def pack_opaque(data):
    return struct.pack(">I", len(data)) + data + b"\0" * (-len(data) % 4)


def record(message):
    return struct.pack(">I", 0x80000000 | len(message)) + message


def read_record(sock):
    data = b""
    while True:
        header = recv_exact(sock, 4)
        (word,) = struct.unpack(">I", header)
        data += recv_exact(sock, word & 0x7FFFFFFF)
        if word & 0x80000000:
            return data


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def getport(prog=CORE, vers=1, udp=False):
    """The portmapper's version 2 answer for a TCP program."""
    call = struct.pack(">10I", 7, 0, 2, 100000, 2, 3, 0, 0, 0, 0) + struct.pack(">4I", prog, vers, 6, 0)
    if udp:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.settimeout(5)
        s.sendto(call, ("127.0.0.1", 111))
        reply = s.recv(100)
    else:
        s = socket.create_connection(("127.0.0.1", 111), timeout=5)
        s.sendall(record(call))
        reply = read_record(s)
    s.close()
    return struct.unpack(">I", reply[-4:])[0]


class Rpc:
    def __init__(self, port, prog, timeout=10):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.prog, self.xid = prog, 0

    def call(self, proc, args=b""):
        self.xid += 1
        self.sock.sendall(record(struct.pack(">10I", self.xid, 0, 2, self.prog, 1, proc, 0, 0, 0, 0) + args))
        reply = read_record(self.sock)
        xid, _, stat, _, _, accept = struct.unpack(">6I", reply[:24])
        assert xid == self.xid and stat == 0, reply
        return accept, reply[24:]

    def close(self):
        self.sock.close()


class Link:
    """One VXI-11 link over its own core connection (or a shared one)."""

    def __init__(self, device="inst0", core=None, lock=False, lock_timeout=0):
        self.core = core or Rpc(getport(), CORE)
        _, r = self.core.call(10, struct.pack(">iII", 1, lock, lock_timeout) + pack_opaque(device.encode()))
        self.error, self.lid, self.abort_port, self.max_recv = struct.unpack(">iiII", r)

    def error_of(self, proc, args):
        return struct.unpack(">i", self.core.call(proc, args)[1][:4])[0]

    def write(self, data, flags=END, io_timeout=2000, lock_timeout=0):
        r = self.core.call(11, struct.pack(">iIIi", self.lid, io_timeout, lock_timeout, flags) + pack_opaque(data))[1]
        return struct.unpack(">iI", r)

    def read(self, size=1 << 20, flags=0, term=0, io_timeout=2000, lock_timeout=0):
        r = self.core.call(12, struct.pack(">iIIIii", self.lid, size, io_timeout, lock_timeout, flags, term))[1]
        error, reason, n = struct.unpack(">iiI", r[:12])
        return error, reason, r[12:12 + n]

    def query(self, text, **kw):
        error, _ = self.write(text.encode() + b"\n", **kw)
        assert error == 0, error
        error, _, data = self.read(**kw)
        assert error == 0, error
        return data.decode()

    def generic(self, proc, flags=0, lock_timeout=0, io_timeout=2000):
        return self.core.call(proc, struct.pack(">iiII", self.lid, flags, lock_timeout, io_timeout))[1]

    def lock(self, flags=0, lock_timeout=0):
        return self.error_of(18, struct.pack(">iiI", self.lid, flags, lock_timeout))

    def unlock(self):
        return self.error_of(19, struct.pack(">i", self.lid))

    def destroy(self):
        return self.error_of(23, struct.pack(">i", self.lid))


class IntrServer:
    """The client's end of the interrupt channel: collects device_intr_srq handles."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.handles = []
        self.arrived = threading.Event()
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        conn, _ = self.listener.accept()
        while True:
            try:
                call = read_record(conn)
            except (ConnectionError, OSError):
                return
            prog, vers, proc = struct.unpack(">3I", call[12:24])
            assert (prog, vers, proc) == (INTR, 1, 30), (prog, vers, proc)
            (n,) = struct.unpack(">I", call[40:44])
            self.handles.append(call[44:44 + n])
            self.arrived.set()


def killable_client(script):
    """A python child that runs `script` with this module imported, to be killed."""
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.abspath(__file__)))
    return subprocess.Popen(["/usr/bin/python3", "-c", "from peer import *\n" + script],
                            stdout=subprocess.PIPE, text=True, env=env)


def ready(sock, timeout):
    return bool(select.select([sock], [], [], timeout)[0])
