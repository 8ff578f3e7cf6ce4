#!/usr/bin/env python3
"""trelhost run --vcd: the session's waveform, read back by sigrok-cli.

sigrok's decoders are the oracle. For every board's usual session, at both
bus clocks, the I2C decoder must find exactly the bus log trelhost reports
(start, address, direction, bytes, acknowledges, repeated start, stop), the
UART decoder the names of the operations that use the bus, in order, the SPI
decoder (ser_clk, ser_data, ser_load) the CCD's serial words; the waveform
lasts the session's wire time. The wire bits of every call follow the bus
model, a failed call drawn as its address not acknowledged and a stop (11
bits), a failed serial word clocked out but not latched. A file that cannot
be written is exit 5, a bus clock other than 100k and 400k exit 3.

Usage: check_waveform.py <scratch dir> <trelhost command...>
"""
import json
import os
import subprocess
import sys

from checks import check, finish

scratch, trelhost = sys.argv[1], sys.argv[2:]
os.makedirs(scratch, exist_ok=True)
CLOCKS = {"400k": 400, "100k": 100}
I2C = {"I2cWrite", "I2cRead", "I2cWriteBuffer", "I2cWriteSubaddress", "I2cReadSubaddress"}


def run(*args):
    return subprocess.run([*trelhost, *args], capture_output=True, text=True)


def sigrok(vcd, decoder, row):
    out = subprocess.run(["sigrok-cli", "-I", "vcd", "-i", vcd, "-P", decoder, "-A", row],
                         capture_output=True, text=True, check=True).stdout
    return [line.split(": ", 1)[1] for line in out.splitlines() if ": " in line]


# The analyzer's view of one call: sigrok's I2C annotations (7-bit addresses).
def expected_i2c(call):
    def byte(value, kind, ack=True):
        return [f"{kind}: {value:02X}", "ACK" if ack else "NACK"]

    def address(value, ack=True):
        read = value & 1
        return ["Read" if read else "Write"] + byte(value >> 1, "Address read" if read else "Address write", ack)

    def reads(values):
        return [t for i, v in enumerate(values) for t in byte(v, "Data read", i + 1 < len(values))]

    service, first = call["service"], call.get("address", (call.get("header") or [0])[0])
    if call["result"] != 0:
        return ["Start", *address(first, False), "Stop"]
    width = call["constants"][0] // 8 if call["constants"] else 1
    reg = [t for n in reversed(range(width)) for t in byte(call.get("reg", 0) >> (8 * n) & 0xFF, "Data write")]
    writes = lambda values: [t for v in values for t in byte(v, "Data write")]
    body = {
        "I2cWrite": lambda: address(first) + reg + byte(call["value"], "Data write"),
        "I2cRead": lambda: address(first) + reg + ["Start repeat"] + address(first | 1) + reads([call["value"]]),
        "I2cWriteBuffer": lambda: address(first) + writes(call["data"]),
        "I2cWriteSubaddress": lambda: address(first) + writes(call["header"][1:] + call["data"]),
        "I2cReadSubaddress": lambda: address(first) + writes(call["header"][1:]) + ["Start repeat"] +
                                     address(first | 1) + reads(call["data"]),
    }[service]()
    return ["Start", *body, "Stop"]


# Bit times, from the bus model: start, 9 a byte, repeated start, stop; a
# failed I2C call 11; a serial word its three fields.
def expected_bits(call):
    if call["service"] == "SerialWrite":
        return sum(call["constants"][:3])
    if call["service"] not in I2C:
        return 0
    tokens = expected_i2c(call)
    return tokens.count("Start") + tokens.count("Start repeat") + tokens.count("Stop") + 9 * tokens.count("ACK") + \
        9 * tokens.count("NACK")


def serial_word(call):
    word = 0
    for bits, field in zip(call["constants"][:3], (call["field1"], call["field2"], call["field3"])):
        word = word << bits | field & ((1 << bits) - 1)
    return word


def last_timestamp(vcd):
    with open(vcd, encoding="ascii") as f:
        return int([line for line in f if line.startswith("#")][-1][1:])


def step_pulses(vcd):
    with open(vcd, encoding="ascii") as f:
        ident = next(line.split()[3] for line in f if line.startswith("$var") and line.split()[4] == "step")
        return sum(1 for line in f if line.strip() == "1" + ident)


def session(name, *options):
    """Runs the session at both clocks and checks its waveforms against its JSON."""
    steps, wire = [], None
    for clock, khz in CLOCKS.items():
        vcd = os.path.join(scratch, f"{name}-{clock}.vcd")
        result = run(*options, "--json", "--vcd", vcd, "--bus-clock", clock)
        lines = [json.loads(line) for line in result.stdout.splitlines()]
        steps = [line for line in lines if line["type"] == "step"]
        wire = next(line["wire"] for line in lines if line["type"] == "session")
        calls = [call for step in steps for call in step["bus"]]
        for step in steps:
            check(step["wire"]["bits"] == sum(expected_bits(c) for c in step["bus"]),
                  f"{name}: {step['op']}'s wire bits follow the bus model")
        check(last_timestamp(vcd) * 10 == wire[f"ns{khz}kHz"], f"{name} at {clock}: the waveform lasts the wire time")
        i2c = [t for call in calls if call["service"] in I2C for t in expected_i2c(call)]
        decoded = sigrok(vcd, "i2c:scl=scl:sda=sda", "i2c=addr-data")
        check(decoded == i2c, f"{name} at {clock}: the I2C decode is the bus log")
        drawn = [step["op"] + "[0A]" for step in steps if step["wire"]["bits"] != 0]
        names = sigrok(vcd, f"uart:rx=step_name:baudrate={25000 * khz}:format=ascii:rx_packet_delim=10",
                       "uart=rx-packets")
        check(names == drawn, f"{name} at {clock}: the UART names the operations that use the bus: {names[:3]}...")
        check(step_pulses(vcd) == len(drawn), f"{name} at {clock}: one step pulse an operation that uses the bus")
        serial = [call for call in calls if call["service"] == "SerialWrite"]
        if serial:
            words = sigrok(vcd, "spi:clk=ser_clk:mosi=ser_data:cs=ser_load:cs_polarity=active-high:wordsize=16",
                           "spi=mosi-transfer")
            check(words == [f"{serial_word(c):X}" for c in serial if c["result"] == 0],
                  f"{name} at {clock}: the serial link holds the latched SerialWrite words, one a load pulse")
    return steps, wire


boards = run("list").stdout.splitlines()
check(len(boards) == 11, "trelhost lists the catalogue")
for index, line in enumerate(boards):
    steps, wire = session(f"board{index}", "run", str(index))
    # Plover's session uses no bus: its waveform is the idle lines at time 0.
    check((wire["bits"] != 0) == ("Plover" not in line), f"{line.strip()}: the session uses the bus")

# Failed calls: a write and a subaddress read NAKed at the address, a serial word not latched.
for name, service, options in [
        ("heron-fail", "I2cWrite", ["Heron I", "--fail", "3"]),
        ("kestrel-fail", "I2cReadSubaddress", ["Kestrel", "--tune", "471.25M", "--fail", "i2c-read-subaddress:0x80"]),
        ("swift-fail", "SerialWrite", ["Swift", "--fail", "10"])]:
    steps, _ = session(name, "run", *options)
    failures = [c["service"] for s in steps for c in s["bus"] if c["result"] != 0]
    check(failures[:1] == [service], f"{name}: a call of {service} failed: {failures}")

# Bad output and clock.
result = run("run", "Heron I", "--vcd", os.path.join(scratch, "missing", "x.vcd"))
check(result.returncode == 5 and "cannot write the waveform file" in result.stderr and result.stdout == "",
      f"an unwritable --vcd is exit 5 before the session runs: {result.returncode} {result.stderr.strip()}")
result = run("run", "Heron I", "--vcd", "/dev/full")
check(result.returncode == 5 and "cannot write the waveform file '/dev/full'" in result.stderr,
      f"a waveform file that fills up is exit 5: {result.returncode} {result.stderr.strip()}")
result = run("run", "Heron I", "--vcd", os.path.join(scratch, "x.vcd"), "--bus-clock", "1M")
check(result.returncode == 3 and "expected 100k or 400k, got '1M'" in result.stderr,
      f"--bus-clock 1M is exit 3: {result.returncode} {result.stderr.strip()}")

finish("trelhost's waveforms decoded by sigrok")
