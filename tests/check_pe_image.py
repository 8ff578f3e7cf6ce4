#!/usr/bin/env python3
"""TrelBoard.sys held to the rules the Windows kernel, and memory integrity
(HVCI), apply to a driver image: a valid PE checksum, native subsystem,
NX-compatible, no section both writable and executable, sections on pages,
base relocations, no TLS, exactly the three exports, and imports exactly
DbgPrint, ExAllocatePoolWithTag and ExFreePoolWithTag from ntoskrnl.exe.

Usage: check_pe_image.py FILE.sys   (prints "ok: ..." or one "FAIL: <rule>: ..."
line per broken rule, and exits 1). Standard library only."""
import struct
import sys

KERNEL = "ntoskrnl.exe"
IMPORTS = ("DbgPrint", "ExAllocatePoolWithTag", "ExFreePoolWithTag")
EXPORTS = ("DllInitialize", "DllUnload", "GetBoardModuleCaps")
PAGE = 0x1000
SUBSYSTEM_NATIVE = 1
NX_COMPAT = 0x0100
SCN_EXECUTE, SCN_WRITE = 0x20000000, 0x80000000
DIR_EXPORT, DIR_IMPORT, DIR_BASERELOC, DIR_TLS = 0, 1, 5, 9
# Offsets in the PE32+ optional header.
OPT_SECTION_ALIGNMENT, OPT_CHECKSUM, OPT_SUBSYSTEM, OPT_DLL_CHARACTERISTICS = 32, 64, 68, 70
OPT_DIRECTORY_COUNT, OPT_DIRECTORIES = 108, 112


class Image:
    """The headers of a PE32+ image, with the file offsets of the fields the
    rules read (so that a test can damage exactly one of them)."""

    def __init__(self, data):
        self.data = bytearray(data)
        if self.data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self.u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = self.u16(pe + 6), self.u16(pe + 20)
        self.opt = pe + 24
        if self.u16(self.opt) != 0x20B:
            raise ValueError("not a PE32+ image")
        self.directories = min(self.u32(self.opt + OPT_DIRECTORY_COUNT), 16)
        first = self.opt + optional_size
        self.sections = []
        for header in range(first, first + 40 * sections, 40):
            name = bytes(self.data[header:header + 8]).rstrip(b"\0").decode("latin-1")
            vsize, va, raw_size, raw = struct.unpack_from("<4I", self.data, header + 8)
            self.sections.append(dict(name=name, header=header, va=va, vsize=vsize,
                                      raw=raw, raw_size=raw_size, flags=self.u32(header + 36)))

    def u16(self, off):
        return struct.unpack_from("<H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from("<I", self.data, off)[0]

    def field(self, off):
        """File offset of a field of the optional header."""
        return self.opt + off

    def directory_field(self, index):
        return self.opt + OPT_DIRECTORIES + 8 * index

    def directory(self, index):
        if index >= self.directories:
            return 0, 0
        return struct.unpack_from("<2I", self.data, self.directory_field(index))

    def offset(self, rva):
        for s in self.sections:
            if 0 <= rva - s["va"] < s["raw_size"]:
                return s["raw"] + rva - s["va"]
        raise ValueError("address 0x%x is in no section of the file" % rva)

    def string(self, rva):
        off = self.offset(rva)
        end = self.data.index(b"\0", off)
        return bytes(self.data[off:end]).decode("latin-1")

    def checksum(self):
        """The image checksum: 16-bit words summed with end-around carry, the
        checksum field counted as zero, plus the file length."""
        data = bytes(self.data)
        at = self.field(OPT_CHECKSUM)
        data = data[:at] + b"\0\0\0\0" + data[at + 4:]
        if len(data) % 2:
            data += b"\0"
        total = sum(struct.unpack("<%dH" % (len(data) // 2), data))
        while total >> 16:
            total = (total & 0xFFFF) + (total >> 16)
        return total + len(self.data)

    def exports(self):
        rva, size = self.directory(DIR_EXPORT)
        if not size:
            return []
        base = self.offset(rva)
        count, names = self.u32(base + 24), self.u32(base + 32)
        return sorted(self.string(self.u32(self.offset(names) + 4 * i)) for i in range(count))

    def imports(self):
        """{dll name: [imported names, "#n" for an ordinal]}."""
        rva, size = self.directory(DIR_IMPORT)
        result = {}
        if not size:
            return result
        descriptor = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<5I", self.data, descriptor)
            if not name and not thunks:
                return result
            entries = result.setdefault(self.string(name), [])
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<Q", self.data, entry)[0]
                if not value:
                    break
                entries.append("#%d" % (value & 0xFFFF) if value >> 63 else self.string((value & 0x7FFFFFFF) + 2))
                entry += 8
            descriptor += 20


def problems(image):
    """One message per broken rule, each starting with the rule's name."""
    found = []
    stored, computed = image.u32(image.field(OPT_CHECKSUM)), image.checksum()
    if stored != computed:
        found.append("checksum: the header says 0x%x, the image sums to 0x%x" % (stored, computed))
    subsystem = image.u16(image.field(OPT_SUBSYSTEM))
    if subsystem != SUBSYSTEM_NATIVE:
        found.append("subsystem: %d, not native (1)" % subsystem)
    characteristics = image.u16(image.field(OPT_DLL_CHARACTERISTICS))
    if not characteristics & NX_COMPAT:
        found.append("NX compatibility: DllCharacteristics 0x%04x lacks NX_COMPAT (0x0100)" % characteristics)
    for s in image.sections:
        if s["flags"] & SCN_WRITE and s["flags"] & SCN_EXECUTE:
            found.append("writable and executable section: %s (characteristics 0x%08x)" % (s["name"], s["flags"]))
    alignment = image.u32(image.field(OPT_SECTION_ALIGNMENT))
    if alignment != PAGE:
        found.append("section alignment: 0x%x, not the page (0x%x)" % (alignment, PAGE))
    for s in image.sections:
        if s["va"] % PAGE:
            found.append("section alignment: %s at 0x%x is not on a page" % (s["name"], s["va"]))
    rva, size = image.directory(DIR_BASERELOC)
    if not rva or size < 8 or image.u32(image.offset(rva) + 4) < 8:
        found.append("relocations: the base relocation directory is empty (0x%x, %d bytes)" % (rva, size))
    rva, size = image.directory(DIR_TLS)
    if rva or size:
        found.append("TLS directory: present (0x%x, %d bytes)" % (rva, size))
    exports = image.exports()
    if tuple(exports) != EXPORTS:
        found.append("exports: %s, expected exactly %s" % (" ".join(exports) or "none", " ".join(EXPORTS)))
    imports = image.imports()
    for dll in sorted(imports):
        if dll.lower() != KERNEL:
            found.append("imports: from %s, a DLL other than %s (%s)" % (dll, KERNEL, " ".join(imports[dll])))
    names = sorted(sum((v for k, v in imports.items() if k.lower() == KERNEL), []))
    if tuple(names) != IMPORTS:
        found.append("imports: %s from %s, expected exactly %s" % (" ".join(names) or "nothing", KERNEL, " ".join(IMPORTS)))
    return found


def main(path):
    try:
        with open(path, "rb") as f:
            image = Image(f.read())
        found = problems(image)
    except (OSError, ValueError, struct.error, IndexError, UnicodeDecodeError) as e:
        found = ["image: %s cannot be read as a PE32+ image: %s" % (path, e)]
    for message in found:
        print("FAIL: " + message)
    if found:
        return 1
    print("ok: %s: checksum 0x%x valid; native; NX; no W+X section; %d sections on pages; "
          "%d bytes of relocations; no TLS; exports %s; imports %s from %s"
          % (path.rsplit("/", 1)[-1], image.checksum(), len(image.sections),
             image.directory(DIR_BASERELOC)[1], " ".join(EXPORTS), " ".join(IMPORTS), KERNEL))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: check_pe_image.py FILE.sys")
    sys.exit(main(sys.argv[1]))
