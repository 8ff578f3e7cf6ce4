#!/usr/bin/env python3
"""Reads the list of module breaks kept for scripts/mutate.sh and applies them.

  mutants.py check LIST ROOT [IDS]   validate every entry (or the ids given,
                                     comma-separated) against the tree at ROOT;
                                     prints "id<TAB>file<TAB>what" per entry
  mutants.py apply LIST ROOT ID      write the break ID into its file under ROOT

The list is blocks separated by blank lines; lines starting with '#' are
comments. Each block has the fields

  id:   short name, unique in the list (letters, digits, '-', '_', '.')
  file: path relative to the repository root, under src/drv/lib/
  from: the exact original text, which must occur exactly once in the file
  to:   its replacement (may be empty: the text is deleted)
  what: one line saying what the break does

A value is the rest of its line after "field:" and one space, taken as it is
(further leading, inner and trailing spaces count). Inside "from" and "to" the
two characters \\n stand for a line break and \\\\ for a backslash, so a break
may span lines.
"""
import os
import re
import sys

FIELDS = ("id", "file", "from", "to", "what")
MODULE_DIR = "src/drv/lib/"


class ListError(Exception):
    pass


def unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt == "n":
                out.append("\n")
                i += 2
                continue
            if nxt == "\\":
                out.append("\\")
                i += 2
                continue
        out.append(c)
        i += 1
    return "".join(out)


def parse(path):
    entries = []
    block = {}
    block_line = 0
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines + [""], start=1):
        if line.startswith("#"):
            continue
        if line.strip() == "":
            if block:
                missing = [k for k in FIELDS if k not in block]
                if missing:
                    raise ListError(f"{path}:{block_line}: entry lacks {', '.join(missing)}")
                block["line"] = block_line
                entries.append(block)
                block = {}
            continue
        m = re.match(r"^(id|file|from|to|what):(.*)$", line)
        if not m:
            raise ListError(f"{path}:{number}: not a field line: {line!r}")
        key, value = m.groups()
        if value.startswith(" "):
            value = value[1:]
        if key in block:
            raise ListError(f"{path}:{number}: field {key} given twice")
        if not block:
            block_line = number
        block[key] = unescape(value) if key in ("from", "to") else value.strip()
    seen = {}
    for e in entries:
        if not re.match(r"^[A-Za-z0-9_.-]+$", e["id"]):
            raise ListError(f"{path}:{e['line']}: bad id {e['id']!r}")
        if e["id"] in seen:
            raise ListError(f"{path}:{e['line']}: id {e['id']} already used at line {seen[e['id']]}")
        seen[e["id"]] = e["line"]
    return entries


def check_entry(entry, root):
    where = f"{entry['id']} (line {entry['line']})"
    rel = entry["file"]
    if not rel.startswith(MODULE_DIR) or ".." in rel.split("/"):
        raise ListError(f"{where}: {rel} is not a module source under {MODULE_DIR}")
    path = os.path.join(root, rel)
    if not os.path.isfile(path):
        raise ListError(f"{where}: no file {rel}")
    if entry["from"] == "":
        raise ListError(f"{where}: empty 'from'")
    if entry["from"] == entry["to"]:
        raise ListError(f"{where}: 'to' is the same as 'from'")
    if entry["what"] == "":
        raise ListError(f"{where}: empty 'what'")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    count = text.count(entry["from"])
    if count != 1:
        raise ListError(f"{where}: 'from' occurs {count} times in {rel} (must be exactly once): {entry['from']!r}")
    return path, text


def select(entries, ids):
    if not ids:
        return entries
    wanted = [i for i in ids.split(",") if i]
    by_id = {e["id"]: e for e in entries}
    unknown = [i for i in wanted if i not in by_id]
    if unknown:
        raise ListError(f"unknown id(s): {', '.join(unknown)}")
    return [by_id[i] for i in wanted]


def main(argv):
    if len(argv) < 4 or argv[1] not in ("check", "apply"):
        sys.stderr.write(__doc__)
        return 2
    command, list_path, root = argv[1], argv[2], argv[3]
    try:
        entries = parse(list_path)
        if command == "check":
            chosen = select(entries, argv[4] if len(argv) > 4 else "")
            errors = []
            for e in chosen:
                try:
                    check_entry(e, root)
                except ListError as err:
                    errors.append(str(err))
            if errors:
                raise ListError("\n".join(errors))
            for e in chosen:
                print(f"{e['id']}\t{e['file']}\t{e['what']}")
            return 0
        (entry,) = select(entries, argv[4] if len(argv) > 4 else "")
        path, text = check_entry(entry, root)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(entry["from"], entry["to"], 1))
        return 0
    except (ListError, ValueError) as err:
        sys.stderr.write(f"mutants: {err}\n")
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
