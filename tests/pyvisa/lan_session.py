"""A pyvisa session through our VISA library's TCPIP resources against visa-sim-server.

lan_session.py <library> <server>: run in a private network namespace; starts the server,
drives a Q7304A and the loopback device over VXI-11, HiSLIP and a raw socket, stops it.
"""
import os
import subprocess
import sys
import tempfile

import pyvisa
from pyvisa import constants

IDN_PREFIX = "VANTREL-OSSMARK,Q7304A,"
BUS = ("[VXI0::24::INSTR]\nq7304 = yes\nlan.socket_port = 5025\n"
       "[GPIB0::3::INSTR]\ninterface = gpib\nloopback = yes\n")


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def drive(rm, name):
    with rm.open_resource(name, read_termination="\n", write_termination="\n",
                          resource_pyclass=pyvisa.resources.MessageBasedResource) as dmm:
        check(dmm.interface_type == constants.InterfaceType.tcpip, name + ": interface type")
        check(dmm.query("*IDN?").startswith(IDN_PREFIX), name + ": *IDN?")
        dmm.write("*RST;:SAMP:COUN 4")
        values = dmm.query_ascii_values("READ?")
        check(len(values) == 4, name + ": a block of 4 %r" % values)
        dmm.write("*IDN?")
        check(dmm.stb & 0x10, name + ": MAV with a reply waiting")
        dmm.clear()
        check(dmm.stb & 0x10 == 0, name + ": nothing after a clear")


def main(library, server):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write(BUS)
    proc = subprocess.Popen([server, "--bus", f.name], stdout=subprocess.PIPE, text=True)
    try:
        line = proc.stdout.readline()
        check(line.startswith("listening"), "server: " + line)
        rm = pyvisa.ResourceManager(library + "@ivi")
        drive(rm, "TCPIP0::127.0.0.1::inst0::INSTR")
        drive(rm, "TCPIP0::127.0.0.1::hislip0::INSTR")
        with rm.open_resource("TCPIP0::127.0.0.1::5025::SOCKET", read_termination="\n",
                              write_termination="\n") as sock:
            check(sock.query("*IDN?").startswith(IDN_PREFIX), "socket: *IDN?")
            sock.set_visa_attribute(constants.VI_ATTR_IO_PROT, constants.VI_PROT_4882_STRS)
            check(sock.read_stb() & 0x10 == 0, "socket: *STB? answered")
        with rm.open_resource("TCPIP0::127.0.0.1::inst1::INSTR") as loop:
            loop.write("RECEIVE")
            loop.write_raw(b"\x00\xff" * 5000)
            loop.write("SEND")
            check(loop.read_raw() == b"\x00\xff" * 5000, "binary message round trip")
        rm.close()
    finally:
        proc.terminate()
        proc.wait(10)
        os.unlink(f.name)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
