#!/usr/bin/env python3
"""Marks a 32-bit ARM DLL linked by lld as a Windows CE image, in place.

    tools/wince_pe.py TUNELEDGER.dll

lld-link has no Windows CE subsystem and writes machine ARMNT (0x1C4), which CE refuses. This
sets what CE's loader reads instead: machine THUMB (0x1C2), subsystem Windows CE GUI (9), and OS
and subsystem versions 7.0 (Windows Embedded Compact 7). It also gives the export table the
ordinal base 1 where lld 14 left base 0 with an empty slot 0, so that the first export sits at
ordinal 1 and slot 0. Every other byte stays as it was (lld writes the checksum as 0, which
stands for none). Running it twice changes nothing more. Exits 1, with the reason and the file
untouched, on anything but a PE32 image for 32-bit ARM.
"""
import struct
import sys

MACHINE_ARMNT = 0x1C4
MACHINE_THUMB = 0x1C2
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_CE_GUI = 9
CE_VERSION = (7, 0)

# Offsets in the optional header (PE32).
OS_VERSION = 40
SUBSYSTEM_VERSION = 48
SUBSYSTEM = 68
DATA_DIRECTORIES = 96
EXPORT_DIRECTORY = 0


class NotACeCandidate(Exception):
    pass


def _headers(image):
    if image[:2] != b"MZ" or len(image) < 0x40:
        raise NotACeCandidate("no MZ header")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise NotACeCandidate("no PE signature")
    coff = pe + 4
    machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", image, coff)
    optional = coff + 20
    magic = struct.unpack_from("<H", image, optional)[0]
    if magic != PE32_MAGIC:
        raise NotACeCandidate("not PE32 (optional header magic 0x%x)" % magic)
    if machine not in (MACHINE_ARMNT, MACHINE_THUMB):
        raise NotACeCandidate("machine 0x%x is not 32-bit ARM" % machine)
    return coff, optional, optional + optional_size, sections


def _file_offset(image, section_table, sections, rva):
    for i in range(sections):
        entry = section_table + 40 * i
        virtual_size, address, raw_size, raw = struct.unpack_from("<IIII", image, entry + 8)
        if address <= rva < address + max(virtual_size, raw_size):
            return raw + rva - address
    raise NotACeCandidate("RVA 0x%x is in no section" % rva)


def _rebase_exports(image, optional, section_table, sections):
    """Ordinal base 0 with nothing in slot 0 becomes base 1, each ordinal the same as before."""
    rva, size = struct.unpack_from("<II", image, optional + DATA_DIRECTORIES + 8 * EXPORT_DIRECTORY)
    if size == 0:
        return
    directory = _file_offset(image, section_table, sections, rva)
    base, functions, names, function_table, _, ordinal_table = struct.unpack_from("<IIIIII", image, directory + 16)
    if base != 0 or functions == 0:
        return
    first_slot = _file_offset(image, section_table, sections, function_table)
    if struct.unpack_from("<I", image, first_slot)[0] != 0:
        return
    ordinals = _file_offset(image, section_table, sections, ordinal_table) if names else 0
    indices = [struct.unpack_from("<H", image, ordinals + 2 * i)[0] for i in range(names)]
    if 0 in indices:
        return
    struct.pack_into("<III", image, directory + 16, 1, functions - 1, names)
    struct.pack_into("<I", image, directory + 28, function_table + 4)
    for i, index in enumerate(indices):
        struct.pack_into("<H", image, ordinals + 2 * i, index - 1)


def mark(image):
    """`image` (a bytearray) as a CE image."""
    coff, optional, section_table, sections = _headers(image)
    struct.pack_into("<H", image, coff, MACHINE_THUMB)
    struct.pack_into("<HH", image, optional + OS_VERSION, *CE_VERSION)
    struct.pack_into("<HH", image, optional + SUBSYSTEM_VERSION, *CE_VERSION)
    struct.pack_into("<H", image, optional + SUBSYSTEM, SUBSYSTEM_WINDOWS_CE_GUI)
    _rebase_exports(image, optional, section_table, sections)
    return image


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        image = bytearray(f.read())
    try:
        mark(image)
    except NotACeCandidate as problem:
        print("%s: %s" % (argv[1], problem), file=sys.stderr)
        return 1
    with open(argv[1], "wb") as f:
        f.write(image)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
