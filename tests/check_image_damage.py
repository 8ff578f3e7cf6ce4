#!/usr/bin/env python3
"""Every rule of the image checkers refuses an image made wrong for it: from
the real TrelBoard.sys, one damaged copy per case (its checksum made valid
again, but for the checksum case), each of which check_pe_image.py must fail
naming that rule and no other; likewise check_linux_module.sh on damaged
copies of libTrelBoard.so and on the module built with one more import.

Usage: check_image_damage.py TrelBoard.sys libTrelBoard.so libTrelBoardBroken.so OUTDIR"""
import os
import re
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_pe_image as pe  # noqa: E402


def put16(image, off, value):
    struct.pack_into("<H", image.data, off, value)


def put32(image, off, value):
    struct.pack_into("<I", image.data, off, value)


def section(image, name):
    return next(s for s in image.sections if s["name"] == name)


def rename(image, old, new):
    """Overwrites the one NUL-terminated string `old` with `new` (no longer)."""
    old = old.encode() + b"\0"
    at = image.data.find(old)
    if at < 0 or image.data.find(old, at + 1) >= 0 or len(new) >= len(old):
        raise SystemExit("cannot rename %r in this image" % old)
    image.data[at:at + len(old)] = new.encode().ljust(len(old), b"\0")


def set_directory(image, index, rva, size):
    struct.pack_into("<2I", image.data, image.directory_field(index), rva, size)


class Elf:
    def __init__(self, data):
        self.data = bytearray(data)


def needs_libc(elf):
    """Turns the module's DT_SONAME entry into a DT_NEEDED of the C library."""
    phoff, phentsize, phnum = struct.unpack_from("<Q", elf.data, 0x20)[0], *struct.unpack_from("<2H", elf.data, 0x36)
    dynamic = next(struct.unpack_from("<Q", elf.data, h + 8)[0] for h in range(phoff, phoff + phentsize * phnum, phentsize)
                   if struct.unpack_from("<I", elf.data, h)[0] == 2)
    while struct.unpack_from("<q", elf.data, dynamic)[0] != 14:
        dynamic += 16
    struct.pack_into("<q", elf.data, dynamic, 1)
    rename(elf, "libTrelBoard.so", "libc.so.6")


# (image damaged, rule the checker must name, text its message must hold, damage)
DAMAGES = [
    ("sys", "checksum", "the header says", lambda i: put32(i, i.field(pe.OPT_CHECKSUM), i.u32(i.field(pe.OPT_CHECKSUM)) + 1)),
    ("sys", "subsystem", "2, not native", lambda i: put16(i, i.field(pe.OPT_SUBSYSTEM), 2)),
    ("sys", "NX compatibility", "lacks NX_COMPAT", lambda i: put16(i, i.field(pe.OPT_DLL_CHARACTERISTICS),
                                                          i.u16(i.field(pe.OPT_DLL_CHARACTERISTICS)) & ~pe.NX_COMPAT)),
    ("sys", "writable and executable section", ".text", lambda i: put32(i, section(i, ".text")["header"] + 36,
                                                                 section(i, ".text")["flags"] | pe.SCN_WRITE)),
    ("sys", "writable and executable section", ".rdata", lambda i: put32(i, section(i, ".rdata")["header"] + 36,
                                                                  section(i, ".rdata")["flags"] | pe.SCN_WRITE | pe.SCN_EXECUTE)),
    ("sys", "section alignment", "0x200, not the page", lambda i: put32(i, i.field(pe.OPT_SECTION_ALIGNMENT), 0x200)),
    ("sys", "section alignment", ".text at 0x1200", lambda i: put32(i, section(i, ".text")["header"] + 12, 0x1200)),
    ("sys", "relocations", "empty", lambda i: set_directory(i, pe.DIR_BASERELOC, 0, 0)),
    ("sys", "TLS directory", "present", lambda i: set_directory(i, pe.DIR_TLS, section(i, ".rdata")["va"], 0x28)),
    ("sys", "exports", "DllUnlock", lambda i: rename(i, "DllUnload", "DllUnlock")),
    ("sys", "imports", "memset from ntoskrnl.exe", lambda i: rename(i, "DbgPrint", "memset")),
    ("sys", "imports", "from hal.dll, a DLL other", lambda i: rename(i, "ntoskrnl.exe", "hal.dll")),
    ("so", "needed libraries", "libc.so.6", needs_libc),
    ("broken.so", "imports", "KeBugCheckEx", lambda e: None),
]


def main(sys_path, so_path, broken_path, outdir):
    os.makedirs(outdir, exist_ok=True)
    here = os.path.dirname(os.path.abspath(__file__))
    sources = {"sys": (sys_path, pe.Image, [sys.executable, os.path.join(here, "check_pe_image.py")]),
               "so": (so_path, Elf, [os.path.join(here, "check_linux_module.sh")]),
               "broken.so": (broken_path, Elf, [os.path.join(here, "check_linux_module.sh")])}
    failures = 0
    for number, (source, rule, text, damage) in enumerate(DAMAGES, 1):
        original, kind, checker = sources[source]
        with open(original, "rb") as f:
            image = kind(f.read())
        damage(image)
        if kind is pe.Image and rule != "checksum":
            put32(image, image.field(pe.OPT_CHECKSUM), image.checksum())
        path = os.path.join(outdir, "%02d-%s.%s" % (number, re.sub(r"\W+", "-", rule), source))
        with open(path, "wb") as f:
            f.write(image.data)
        run = subprocess.run(checker + [path], capture_output=True, text=True)
        lines = run.stdout.splitlines()
        named = all(line.startswith("FAIL: %s: " % rule) for line in lines)
        if run.returncode != 1 or not lines or not named or text not in run.stdout:
            failures += 1
            print("FAIL: %s (%s): the checker gave status %d and:\n%s%s"
                  % (path, rule, run.returncode, run.stdout, run.stderr))
        else:
            print("ok: %s refused: %s" % (os.path.basename(path), lines[0][6:]))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__.split("Usage: ")[1])
    sys.exit(main(*sys.argv[1:]))
