# The server's scenarios with real peers, each in a private network namespace but `cli`:
#   scenarios.py <visa-sim-server> cli|pyvisa|channels|faults
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

from peer import *

HERE = os.path.dirname(os.path.abspath(__file__))
BUS = os.path.join(HERE, "lan_bus.txt")
FAST_BLOCK = "CONF:VOLT:DC 10;:VOLT:DC:APER 0.0004;:TRIG:SOUR IMM;:SAMP:COUN 64"


def cli(binary):
    run = lambda *a: subprocess.run([binary, *a], capture_output=True, text=True, timeout=10)
    r = run("--version")
    assert r.returncode == 0 and r.stdout.startswith("visa-sim-server ") and r.stdout.strip()[-1].isdigit(), r
    r = run("--hislip-port", "70000")
    assert r.returncode == 2 and "--hislip-port" in r.stderr, r
    r = run("--frobnicate")
    assert r.returncode == 2 and "--frobnicate" in r.stderr, r
    with tempfile.TemporaryDirectory() as tmp:
        for text, said in [("[VXI0::24::INSTR]\nq7304 = yes\nlan.sockt_port = 5025\n", ":3: unknown key"),
                           ("[GPIB0::1::INSTR]\nlan.device = a\n[GPIB0::2::INSTR]\nlan.device = A\n",
                            "the LAN device name a is taken")]:
            path = os.path.join(tmp, "bus.txt")
            with open(path, "w") as f:
                f.write(text)
            r = run("--bus", path)
            assert r.returncode == 2 and said in r.stderr, r
        r = run("--bus", os.path.join(tmp, "missing.txt"))
        assert r.returncode == 2 and "missing.txt" in r.stderr, r
    libraries = subprocess.run(["ldd", binary], capture_output=True, text=True).stdout
    assert "libQt" not in libraries and "libtirpc" in libraries, libraries
    r = run("--listen", "localhost")  # names are not looked up
    assert r.returncode == 2 and "localhost" in r.stderr, r


def pyvisa_peer(binary):
    import pyvisa
    server = Server(binary, "--bus", BUS)
    for name in ("inst0=VXI0::24::INSTR", "inst1=GPIB0::22::INSTR,gpib0,22", "dmm9=GPIB0::9::INSTR,gpib0,9",
                 "socket inst0 127.0.0.1:5025"):
        assert name in server.line, server.line
    rm = pyvisa.ResourceManager("@py")
    for resource in ("TCPIP::127.0.0.1::inst0::INSTR", "TCPIP::127.0.0.1::5025::SOCKET"):
        dmm = rm.open_resource(resource, read_termination="\n", write_termination="\n", timeout=5000)
        assert ",Q7304A," in dmm.query("*IDN?")
        dmm.write(FAST_BLOCK)
        assert len(dmm.query_ascii_values("READ?")) == 64
        dmm.close()
    # Status byte, bus trigger, clear and locks over VXI-11.
    a = rm.open_resource("TCPIP::127.0.0.1::inst0::INSTR", read_termination="\n", write_termination="\n")
    a.write("*CLS;*ESE 1;*OPC")
    assert a.read_stb() & 0x20
    a.write("*CLS;:TRIG:SOUR BUS;:SAMP:COUN 1;:INIT")
    a.assert_trigger()
    assert len(a.query_ascii_values("FETC?")) == 1
    a.write("INIT;:FETC?")  # waits for a trigger that never comes
    a.timeout = 300
    try:
        a.read()
        raise AssertionError("a reply without a trigger")
    except pyvisa.VisaIOError as e:
        assert e.error_code == pyvisa.constants.StatusCode.error_timeout
    a.clear()
    a.timeout = 5000
    assert ",Q7304A," in a.query("*IDN?")
    b = rm.open_resource("TCPIP::127.0.0.1::inst0::INSTR", read_termination="\n", write_termination="\n")
    a.lock_excl()
    for refused in (lambda: b.query("*IDN?"), lambda: b.lock_excl(timeout=100)):
        try:
            refused()
            raise AssertionError("a locked device let another link in")
        except pyvisa.VisaIOError as e:  # pyvisa-py reports a refused write as an I/O error
            assert e.error_code in (pyvisa.constants.StatusCode.error_resource_locked,
                                    pyvisa.constants.StatusCode.error_io), e
    a.unlock()
    assert ",Q7304A," in b.query("*IDN?")
    # Gateway names.
    for name, idn in [("gpib0,22", ",Q7304A,"), ("hpib0,22", ",Q7304A,"), ("dmm9", "OTHER MAKER"),
                      ("gpib0,9", "OTHER MAKER")]:
        d = rm.open_resource(f"TCPIP::127.0.0.1::{name}::INSTR", read_termination="\n", write_termination="\n")
        assert idn in d.query("*IDN?"), name
        d.close()
    try:
        rm.open_resource("TCPIP::127.0.0.1::inst7::INSTR")
        raise AssertionError("an unknown device name opened")
    except Exception as e:  # pyvisa-py raises a plain exception with the VXI-11 error
        assert "error creating link: 3" in str(e), e
    a.close()
    b.close()
    loopback_peer(rm)
    server.stop()


def loopback_peer(rm):
    # The loopback device over VXI-11 and the socket: stored messages come back unchanged, a slow
    # reply is announced by the request-service bit, which a serial poll clears.
    for resource in ("TCPIP::127.0.0.1::loop::INSTR", "TCPIP::127.0.0.1::5026::SOCKET"):
        loop = rm.open_resource(resource, read_termination="\n", write_termination="\n", timeout=5000)
        assert loop.query("*IDN?") == "VISA-SIM,LOOPBACK,0,1.0", resource
        loop.write("RECEIVE")
        loop.write("a;b? \x01 unchanged")
        assert loop.query("SEND") == "a;b? \x01 unchanged", resource
        if resource.endswith("SOCKET"):  # a slow reply comes when it is ready
            loop.write("SENDSLOWSRQ")
            assert loop.read() == "a;b? \x01 unchanged"
            loop.close()
            continue
        loop.write("*CLS")
        loop.write("SENDSLOWSRQ")
        assert not loop.read_stb() & 0x50  # nothing yet
        deadline = time.monotonic() + 3
        while not (stb := loop.read_stb()) & 0x40:
            assert time.monotonic() < deadline, "no service request"
            time.sleep(0.05)
        assert stb & 0x10 and loop.read_stb() & 0x50 == 0x10, stb  # the poll cleared the request
        assert loop.read() == "a;b? \x01 unchanged"
        loop.close()


def channels(binary):
    server = Server(binary)
    assert getport() == getport(udp=True) != 0
    # The portmapper knows itself, and gives a version it lacks as its server's other one.
    assert getport(prog=100000, vers=4) == 111 and getport(vers=2) == getport()
    # A second server finds port 111 taken by the first's portmapper, which refuses it.
    second = subprocess.run([binary], capture_output=True, text=True, timeout=30)
    assert second.returncode == 1 and "VXI-11 is off" in second.stderr, second
    a, b = Link(), Link()
    assert a.error == b.error == 0 and a.lid != b.lid and a.max_recv > 0

    # Read reasons: the request size (1), the termination character (2), END (4).
    assert a.write(b"*IDN?\n")[0] == 0
    error, reason, head = a.read(size=4)
    assert (error, reason, len(head)) == (0, 1, 4)
    error, reason, field = a.read(flags=TERMCHRSET, term=ord(","))
    assert (error, reason) == (0, 2) and field.endswith(b",") and b"," not in head + field[:-1]
    error, reason, rest = a.read()
    assert (error, reason) == (0, 4) and rest.endswith(b"\n") and b"Q7304A," in rest
    assert a.read(io_timeout=200)[0] == 15  # nothing to read: the client's time-out

    # Locks: refused at once, refused after the lock time-out, waited for with waitlock.
    assert a.lock() == 0
    assert b.write(b"*IDN?\n")[0] == 11
    assert b.lock(WAITLOCK, 200) == 11
    threading.Timer(0.3, a.unlock).start()
    assert b.write(b"*IDN?\n", flags=END | WAITLOCK, lock_timeout=5000)[0] == 0
    assert ",Q7304A," in b.read()[2].decode()
    assert b.unlock() == 12

    # Abort: a read waiting for a trigger ends with error 23.
    assert a.write(b"TRIG:SOUR BUS;:INIT;:FETC?\n")[0] == 0
    aborter, read_done = Rpc(a.abort_port, ASYNC), threading.Event()
    def abort_until_done():  # again and again, in case the read had not begun yet
        while not read_done.wait(0.3):
            assert aborter.call(1, struct.pack(">i", a.lid))[1] == b"\0\0\0\0"
    threading.Thread(target=abort_until_done).start()
    assert a.read(io_timeout=20000)[0] == 23
    read_done.set()
    assert a.generic(15)[:4] == b"\0\0\0\0"  # device_clear

    # Interrupt channel: a service request of the device reaches the link that enabled it.
    intr = IntrServer()
    remote = struct.pack(">IIIIi", 0x7F000001, intr.port, INTR, 1, 0)
    assert a.error_of(25, remote) == 0
    assert a.error_of(25, remote) == 29
    assert a.error_of(20, struct.pack(">ii", a.lid, 1) + pack_opaque(b"link-a")) == 0
    assert a.write(b"*CLS;*SRE 16\n")[0] == 0
    assert a.write(b"*IDN?\n")[0] == 0
    assert intr.arrived.wait(5) and intr.handles[0] == b"link-a"
    assert a.read()[0] == 0
    assert a.error_of(26, b"") == 0 and a.error_of(26, b"") == 6

    # device_docmd is no gateway's here; a link of nobody.
    docmd = struct.pack(">iiIIiiI", a.lid, 0, 1000, 0, 0x20000, 1, 1) + pack_opaque(b"x")
    assert a.error_of(22, docmd) == 8
    assert struct.unpack(">i", a.core.call(11, struct.pack(">iIIi", 9999, 0, 0, END) + pack_opaque(b"x"))[1][:4])[0] == 4

    # A client killed while it holds the lock and waits in a read: the read ends, the lock is freed.
    child = killable_client(
        "l = Link()\nassert l.lock() == 0\nassert l.write(b'TRIG:SOUR BUS;:INIT;:FETC?\\n')[0] == 0\n"
        "l.core.sock.sendall(record(struct.pack('>10I', 9, 0, 2, CORE, 1, 12, 0, 0, 0, 0)"
        " + struct.pack('>iIIIii', l.lid, 100, 600000, 0, 0, 0)))\n"
        "print('locked', flush=True)\nimport time\ntime.sleep(60)\n")
    assert child.stdout.readline().strip() == "locked"
    assert b.lock(WAITLOCK, 100) == 11
    child.kill()
    child.wait()
    assert b.lock(WAITLOCK, 10000) == 0 and b.unlock() == 0
    assert a.destroy() == 0 and a.destroy() == 4
    assert "anyone" not in server.stop()

    # Listening on every address: said on standard error; the portmapper answers there too.
    server = Server(binary, "--listen", "0.0.0.0")
    assert getport(udp=True) != 0 and ",Q7304A," in Link().query("*IDN?")
    assert "anyone who can reach this address can control the instruments" in server.stop()


def faults(binary):
    server = Server(binary, "--bus", BUS)
    threads = server.status("Threads")
    rss = server.status("VmRSS")
    port = getport()
    silent = socket.create_connection(("127.0.0.1", port))  # says nothing all along

    # Malformed records: each answered as RPC says, or the connection closed; never a crash.
    def exchange(data):
        s = socket.create_connection(("127.0.0.1", port), timeout=5)
        s.sendall(data)
        try:
            return read_record(s)
        except (ConnectionError, OSError):
            return None
        finally:
            s.close()
    header = lambda rpcvers, prog, vers, proc: struct.pack(">10I", 1, 0, rpcvers, prog, vers, proc, 0, 0, 0, 0)
    assert exchange(b"\x80\x00\x00\x08GARBAGE!") is None
    assert exchange(struct.pack(">I", 0xFFFFFFFF) + b"x" * 64) is None
    assert exchange(record(struct.pack(">6I", 1, 1, 0, 0, 0, 0))) is None  # a reply, not a call
    assert struct.unpack(">3I", exchange(record(header(3, CORE, 1, 10)))[8:20]) == (1, 0, 2)  # denied: RPC_MISMATCH
    assert exchange(record(header(2, 0x12345, 1, 0)))[-4:] == struct.pack(">I", 1)  # PROG_UNAVAIL
    assert exchange(record(header(2, CORE, 1, 99)))[-4:] == struct.pack(">I", 3)  # PROC_UNAVAIL
    huge_name = struct.pack(">iII", 1, 0, 0) + struct.pack(">I", 0xFFFFFFF0) + b"inst0\0\0\0"
    assert exchange(record(header(2, CORE, 1, 10) + huge_name))[-4:] == struct.pack(">I", 4)  # GARBAGE_ARGS

    # 10 MB without a terminator, over VXI-11 and the socket; then the device answers again.
    link = Link()
    assert link.write(b"x" * (link.max_recv + 1))[0] == 5
    chunk = b"x" * link.max_recv
    for _ in range(10 * (1 << 20) // len(chunk)):
        assert link.write(chunk, flags=0)[0] == 0
    assert link.write(b"\n")[0] == 0
    assert ",Q7304A," in link.query("*IDN?")
    raw = socket.create_connection(("127.0.0.1", 5025), timeout=10)
    raw.sendall(b"y" * (10 << 20))
    raw.sendall(b"\n*IDN?\n")
    assert b",Q7304A," in read_line(raw)
    raw.close()

    # Load: 64 links from 16 connections, each exchange under the lock and its own.
    failures, exchanges = [], [0]
    def client(n):
        core = Rpc(port, CORE)
        links = [Link(device=("inst0", "inst1")[i % 2], core=core) for i in range(4)]
        deadline = time.time() + float(os.environ.get("LOAD_SECONDS", "3"))
        k = n * 1000
        while time.time() < deadline:
            for l in links:
                k += 1
                if l.lock(WAITLOCK, 10000) != 0:
                    failures.append("lock")
                    continue
                if int(float(l.query(f"SAMP:COUN {k % 4000 + 1};:SAMP:COUN?"))) != k % 4000 + 1:
                    failures.append(k)
                l.unlock()
                exchanges[0] += 1
        core.close()
    workers = [threading.Thread(target=client, args=(n,)) for n in range(16)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    assert not failures and exchanges[0] > 64, (failures[:5], exchanges)

    # Everything held for the clients is let go; what the server holds stays bounded.
    link.core.close()
    for _ in range(50):
        if server.status("Threads") <= threads + 2:  # the silent connection's two
            break
        time.sleep(0.1)
    assert server.status("Threads") <= threads + 2, (threads, server.status("Threads"))
    assert server.status("VmRSS") < rss + 64 * 1024, (rss, server.status("VmRSS"))
    assert ",Q7304A," in Link().query("*IDN?")
    silent.close()
    server.stop()


def read_line(sock):
    data = b""
    while not data.endswith(b"\n"):
        chunk = sock.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


if __name__ == "__main__":
    binary, scenario = sys.argv[1], sys.argv[2]
    {"cli": cli, "pyvisa": pyvisa_peer, "channels": channels, "faults": faults}[scenario](binary)
    print(scenario, "ok")
