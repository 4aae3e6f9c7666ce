"""A pyvisa session over our VISA library through pyvisa's ctypes backend.

session.py <library> default|gpib: lists, opens, queries, reads with a termination-character
split, locks, waits for a service request, clears and closes, all through ``with`` blocks.
"""
import sys
import warnings

import pyvisa
from pyvisa import constants, errors

IDN_PREFIX = "VANTREL-OSSMARK,Q7304A,"


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def split_readings(inst):
    inst.write("*RST;*CLS;:VOLT:APER 0.0004;:SAMP:COUN 3")
    whole = inst.query("READ?").strip()
    inst.read_termination = ","
    inst.write("FETC?")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # the last piece ends at END, not at ','
        pieces = [inst.read(), inst.read(), inst.read()]
    inst.read_termination = None
    check([float(p) for p in pieces] == [float(v) for v in whole.split(",")],
          "termination-character split %r of %r" % (pieces, whole))
    check(inst.stb & 0x10 == 0, "nothing left to read")


def locks(rm, name):
    kind = {"resource_pyclass": pyvisa.resources.MessageBasedResource}
    with rm.open_resource(name, **kind) as inst, rm.open_resource(name, **kind) as other:
        with inst.lock_context():
            check(inst.lock_state == constants.AccessModes.exclusive_lock, "exclusive lock state")
            try:
                other.write("*CLS")
                raise AssertionError("a write past another session's lock")
            except errors.VisaIOError as e:
                check(e.error_code == constants.StatusCode.error_resource_locked, str(e))
            check(inst.query("*IDN?").startswith(IDN_PREFIX), "the holder queries")
        key = inst.lock(timeout=0)
        other.lock(timeout=0, requested_key=key)
        other.write("*CLS")
        other.unlock()
        inst.unlock()
        check(inst.lock_state == constants.AccessModes.no_lock, "no lock left")


def service_request(inst, gpib):
    # The end of a running block raises the request on the instrument's own clock, through
    # *OPC and the event status bit, while the wait is on.
    inst.write("*CLS;*ESE 1;*SRE 32;:VOLT:APER 0.2;:SAMP:COUN 3;:INIT;*OPC")
    if gpib:
        inst.wait_for_srq(5000)
    else:
        inst.enable_event(constants.EventType.service_request, constants.EventMechanism.queue)
        response = inst.wait_on_event(constants.EventType.service_request, 5000)
        check(response.event.event_type == constants.EventType.service_request, "event type")
        check(inst.stb & 0x40, "request-service bit")
        inst.disable_event(constants.EventType.service_request, constants.EventMechanism.queue)
    check(inst.query("*ESR?").strip() == "1", "operation complete after the service request")
    check(len(inst.query("FETC?").split(",")) == 3, "the block's readings")
    inst.write("*SRE 0;*ESE 0")


def vxi_card(rm):
    # pyvisa takes a VXI INSTR for register-based; its registers tell the card.
    with rm.open_resource("VXI0::24::INSTR") as card:
        check(card.manufacturer_id == 3674, "manufacturer id")
        check(card.model_name == "Q7304A", "model name")
        device_type = card.read_memory(constants.AddressSpace.a16, 2, 16)
        check(device_type & 0x0FFF == 705, "device-type register %#x" % device_type)


# pyvisa 1.11's resource manager is no context manager; its resources are.
def main():
    library, bus = sys.argv[1], sys.argv[2]
    gpib = bus == "gpib"
    rm = pyvisa.ResourceManager(library + "@ivi")
    try:
        found = rm.list_resources()
        expected = ("GPIB0::22::INSTR", "GPIB0::9::INSTR") if gpib else ("VXI0::24::INSTR",)
        check(found == expected, "listed %r" % (found,))
        name = "GPIB0::22::0::INSTR" if gpib else "VXI::24"
        # pyvisa's own classes for GPIB; a VXI INSTR it takes for register-based.
        kind = {} if gpib else {"resource_pyclass": pyvisa.resources.MessageBasedResource}
        with rm.open_resource(name, timeout=2000, **kind) as inst:
            check(inst.query("*IDN?").startswith(IDN_PREFIX), "identification")
            split_readings(inst)
            service_request(inst, gpib)
            inst.clear()
            check(inst.query("*ESE?").strip() == "0", "query after a clear")
        locks(rm, found[0])
        if not gpib:
            vxi_card(rm)
        if gpib:
            with rm.open_resource("GPIB0::9::INSTR") as plain:
                check(plain.query("*IDN?").strip() == "OTHER MAKER,DMM,1,1.0", "plain device")
    finally:
        rm.close()
    print("pyvisa session on the %s bus: ok" % bus)


if __name__ == "__main__":
    main()
