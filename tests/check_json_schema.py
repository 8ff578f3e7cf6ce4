#!/usr/bin/env python3
"""trelhost's JSON output against its schema (docs/trelhost-output.schema.json).

Every line trelhost prints with --json, for every board (run plain and with
--explain, table) and for the catalogue (list), must validate against the
schema with a real validator; damaged lines must not. The warning cases check
that what the chip models find the hardware delivers otherwise comes out on
stderr and as structured JSON, with the exit status unchanged, and that the
arguments and chip state carry their numbers.

Usage: check_json_schema.py <schema> <trelhost command...>
"""
import json
import subprocess
import sys

import jsonschema
from checks import check, finish

schema_path, command = sys.argv[1], sys.argv[2:]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)



def trelhost(*args):
    done = subprocess.run(command + list(args), capture_output=True, text=True)
    return done.returncode, done.stdout.replace("\r", ""), done.stderr.replace("\r", "")


def json_lines(*args):
    status, out, err = trelhost(*args)
    lines = [json.loads(line) for line in out.splitlines()]
    check(status in (0, 1) and lines, f"trelhost {' '.join(args)}: exit {status}, {len(lines)} lines\n{err}")
    for number, line in enumerate(lines, 1):
        errors = sorted(validator.iter_errors(line), key=str)
        check(not errors, f"trelhost {' '.join(args)} line {number}: {errors[0].message if errors else ''}")
    return status, lines, err


# Every line of every command, with the type each command prints.
boards = json_lines("list", "--json")[1]
check([b["type"] for b in boards] == ["board"] * len(boards) and boards, "list --json: one board line per entry")
for board in range(len(boards)):
    for extra in ([], ["--explain"]):
        _, lines, err = json_lines("run", str(board), "--json", *extra)
        types = [line["type"] for line in lines]
        check(types == ["step"] * (len(lines) - 1) + ["session"], f"run {board} {extra}: steps, then the session")
        check(all(not line.get("warnings") for line in lines) and "trelhost: warning" not in err,
              f"run {board} {extra}: the host's usual session warns of nothing")
    _, lines, _ = json_lines("table", str(board), "--json")
    check([line["type"] for line in lines] == ["table"], f"table {board} --json: one table line")

# Damaged lines: each must be rejected.
step = json_lines("run", "Egret", "--json", "--explain")[1][0]
damaged = {
    "no type": {k: v for k, v in step.items() if k != "type"},
    "no version": {k: v for k, v in step.items() if k != "version"},
    "another version": dict(step, version=2),
    "unknown type": dict(step, type="steps"),
    "a status as text": dict(step, status="0x00000000"),
    "a slot argument as text": dict(step, arguments=dict(step["arguments"], values={"index": "3"})),
    "a chip state field as an object": dict(step, chipState=[{"aspect": "x", "text": "x", "fields": {"a": {}}}]),
    "an operation the engine has not": dict(step, op="GetVideoWidget"),
    "the old session line": {"session": {"wire": {}}},
}
for name, line in damaged.items():
    check(not validator.is_valid(line), f"a damaged line is accepted: {name}")


def step_of(lines, op):
    return next(line for line in lines if line.get("op") == op)


def fields_of(line, name):
    return next(a["fields"] for a in line["chipState"] if a["aspect"] == name)


# Numbers as numbers: the capture asked, the scaler the chips hold, the tuner.
_, lines, _ = json_lines("run", "Egret", "--json", "--explain", "--size", "720x288")
capture = step_of(lines, "OnStartCapture")
check(capture["arguments"]["records"] == [{"name": "config", "null": False, "size": 1424, "fields": {
    "standardMask": 0xA07, "captureWidth": 720, "captureHeight": 288}}], f"Egret capture arguments: {capture['arguments']}")
check(fields_of(capture, "TW9906 scaler") == {"sourceWidth": 720, "sourceLines": 480, "horizontal": 256,
                                              "vertical": 412, "deliveredWidth": 720, "deliveredLines": 298},
      f"Egret scaler state: {capture['chipState']}")
_, lines, _ = json_lines("run", "Kestrel", "--json", "--explain", "--standard", "0x5F0", "--tune", "471250000")
tune = [line for line in lines if line.get("op") == "SetTunerProperty"][-1]
check(tune["arguments"]["values"] == {"id": 4, "value": 0} and
      tune["arguments"]["records"][0]["fields"]["words"][0] == 471250000, f"Kestrel tune arguments: {tune['arguments']}")
check(fields_of(tune, "tuner") == {"kind": "TV", "band": 4, "divider": 8162, "stepHz": 62500,
                                   "oscillatorHz": 510125000, "tunedHz": 471225000, "ifHz": 38900000},
      f"Kestrel tuner state: {tune['chipState']}")

# Warnings: (arguments, the step that warns, what, asked, delivered, unit, the stderr line).
WARNINGS = [
    (["Egret", "--size", "720x288"], "OnStartCapture", "capture size", {"width": 720, "height": 288},
     {"width": 720, "height": 298}, "pixels", "capture size: asked 720x288, the scaler delivers 720x298"),
    (["Heron I", "--size", "1440x480"], "OnStartCapture", "capture size", {"width": 1440, "height": 480},
     {"width": 720, "height": 484}, "pixels", "capture size: asked 1440x480, the scaler delivers 720x484"),
    (["Kestrel", "--fm", "4294967295"], "SetTunerProperty", "tuned frequency", 4294967295, 1018150000, "Hz",
     "tuned frequency: asked 4294967295 Hz, the tuner receives 1018150000 Hz, outside every band"),
    (["Kestrel", "--fm", "50000000"], "SetTunerProperty", "tuned frequency", 50000000, 50000000, "Hz",
     "tuned frequency: asked 50000000 Hz, the tuner receives 50000000 Hz, outside every band"),
    (["Kestrel", "--standard", "0x5F0"], "InitAudio", "sample rate", 48000, 40040, "Hz",
     "sample rate: asked 48000 Hz, the audio clock runs at 40040 Hz"),
]
for args, op, what, asked, delivered, unit, text in WARNINGS:
    for mode in (["--json"], []):
        status, out, err = trelhost("run", *args, *mode)
        check(f"trelhost: warning: {text}\n" in err, f"run {args} {mode}: stderr lacks '{text}':\n{err}")
        # Warnings never set the exit status; Heron I's capture start at
        # 1440x480 fails (0xFFFFFFFF), which does.
        expected = 1 if args[:3] == ["Heron I", "--size", "1440x480"] else 0
        check(status == expected, f"run {args} {mode}: exit status {status}, not {expected}")
        if not mode:
            continue
        lines = [json.loads(line) for line in out.splitlines()]
        warned = [(line["op"], w) for line in lines for w in line.get("warnings", [])]
        check(warned == [(op, {"what": what, "asked": asked, "delivered": delivered, "unit": unit, "text": text})],
              f"run {args}: warnings {warned}")
        check(all(validator.is_valid(line) for line in lines), f"run {args}: a line fails the schema")

finish("trelhost JSON output against docs/trelhost-output.schema.json")
