#!/usr/bin/env python3
"""Derives damaged captures from a waveform trelhost wrote (`trelhost run
--vcd`), for the compare test. The writer's timing is regular: the session's
I2C transactions lie back to back, each bit of the bus in a slot of one bit
time, SDA changing a quarter into its slot. Edits name bit slots (0: the first
slot of the session) and know nothing of bytes or transactions:

  sda:SLOT=V        hold SDA at V through the bit of slot SLOT (from a quarter
                    into it to a quarter into the next)
  cut:FROM-TO       remove the slots FROM..TO-1 on every channel
  copy:FROM-TO@AT   insert a copy of the slots FROM..TO-1 before slot AT

Usage: capture_edit.py IN.vcd OUT.vcd UNITS_PER_BIT EDIT...
Edits apply in order, each to the waveform the one before left."""
import sys


def read(path):
    header, changes, end = [], {}, 0
    ids = {}
    with open(path) as f:
        lines = f.read().splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        header.append(line)
        i += 1
        words = line.split()
        if words[:1] == ["$var"]:
            ids[words[4]] = words[3]
            changes[words[3]] = []
        if line.startswith("$enddefinitions"):
            break
    now = 0
    for line in lines[i:]:
        if line.startswith("#"):
            now = int(line[1:])
            end = max(end, now)
        elif line:
            changes[line[1:]].append((now, int(line[0])))
    return header, ids, changes, end


def value_at(changes, t):
    value = 0
    for when, v in changes:
        if when > t:
            break
        value = v
    return value


def segment(changes, t0, t1):
    """The channel from t0 to t1, times from 0: its value at t0 first."""
    return [(0, value_at(changes, t0))] + [(t - t0, v) for t, v in changes if t0 < t < t1]


def join(parts):
    """Segments (changes, length) one after the other."""
    out, start = [], 0
    for changes, length in parts:
        for t, v in changes:
            if out and out[-1][0] == start + t:
                out.pop()
            if not out or out[-1][1] != v:
                out.append((start + t, v))
        start += length
    return out


def main():
    source, target, unit = sys.argv[1], sys.argv[2], int(sys.argv[3])
    header, ids, channels, end = read(source)
    sda = ids["sda"]
    for edit in sys.argv[4:]:
        kind, arg = edit.split(":", 1)
        if kind == "sda":
            slot, level = (int(x) for x in arg.split("="))
            t0, t1 = slot * unit + unit // 4, (slot + 1) * unit + unit // 4
            c = channels[sda]
            channels[sda] = join([(segment(c, 0, t0), t0), ([(0, level)], t1 - t0), (segment(c, t1, end), end - t1)])
        elif kind == "cut":
            a, b = (int(x) * unit for x in arg.split("-"))
            for name, c in channels.items():
                channels[name] = join([(segment(c, 0, a), a), (segment(c, b, end), end - b)])
            end -= b - a
        elif kind == "copy":
            span, at = arg.split("@")
            a, b = (int(x) * unit for x in span.split("-"))
            at = int(at) * unit
            for name, c in channels.items():
                channels[name] = join([(segment(c, 0, at), at), (segment(c, a, b), b - a), (segment(c, at, end), end - at)])
            end += b - a
        else:
            sys.exit("unknown edit " + edit)
    events = sorted((t, name, v) for name, c in channels.items() for t, v in c)
    with open(target, "w") as f:
        f.write("\n".join(header) + "\n")
        now = None
        for t, name, v in events:
            if t != now:
                f.write("#%d\n" % t)
                now = t
            f.write("%d%s\n" % (v, name))
        if now != end:
            f.write("#%d\n" % end)


main()
