"""tools/wince_pe.py on a small PE32 image made here: the fields CE reads, the export table's
ordinal base, nothing else touched, a second run a no-op, and images it must refuse."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "wince_pe.py")
sys.path.insert(0, os.path.dirname(TOOL))
import wince_pe  # noqa: E402

PE = 0x40
COFF = PE + 4
OPTIONAL = COFF + 20
SECTIONS = OPTIONAL + 224
EDATA_RAW = 0x200
EDATA_RVA = 0x1000
FUNCTIONS_RVA = EDATA_RVA + 0x28
NAMES_RVA = EDATA_RVA + 0x38
ORDINALS_RVA = EDATA_RVA + 0x44


def image(machine=0x1C4, magic=0x10B, base=0, slots=(0, 0x2001, 0x2003, 0x2005), ordinals=(1, 2, 3)):
    """A DLL as lld 14 links it for ARM: machine ARMNT, subsystem GUI 6.0, and an export table
    with ordinal base 0 whose slot 0 is empty."""
    data = bytearray(0x400)
    data[0:2] = b"MZ"
    struct.pack_into("<I", data, 0x3C, PE)
    data[PE:PE + 4] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", data, COFF, machine, 1, 0, 0, 0, 224, 0x2102)
    struct.pack_into("<H", data, OPTIONAL, magic)
    struct.pack_into("<HH", data, OPTIONAL + 40, 6, 0)   # OS version
    struct.pack_into("<HH", data, OPTIONAL + 48, 6, 0)   # subsystem version
    struct.pack_into("<H", data, OPTIONAL + 68, 2)       # Windows GUI
    struct.pack_into("<I", data, OPTIONAL + 92, 16)
    struct.pack_into("<II", data, OPTIONAL + 96, EDATA_RVA, 0x60)
    data[SECTIONS:SECTIONS + 8] = b".edata\0\0"
    struct.pack_into("<IIII", data, SECTIONS + 8, 0x200, EDATA_RVA, 0x200, EDATA_RAW)
    directory = EDATA_RAW
    struct.pack_into("<IIIIII", data, directory + 16, base, len(slots), len(ordinals),
                     FUNCTIONS_RVA, NAMES_RVA, ORDINALS_RVA)
    for i, slot in enumerate(slots):
        struct.pack_into("<I", data, EDATA_RAW + FUNCTIONS_RVA - EDATA_RVA + 4 * i, slot)
    for i, ordinal in enumerate(ordinals):
        struct.pack_into("<H", data, EDATA_RAW + ORDINALS_RVA - EDATA_RVA + 2 * i, ordinal)
    return data


def exports(data):
    """(ordinal, address) of each named export, as a loader finds it by name."""
    base, _, names, functions, _, ordinals = struct.unpack_from("<IIIIII", data, EDATA_RAW + 16)
    found = []
    for i in range(names):
        index = struct.unpack_from("<H", data, EDATA_RAW + ordinals - EDATA_RVA + 2 * i)[0]
        address = struct.unpack_from("<I", data, EDATA_RAW + functions - EDATA_RVA + 4 * index)[0]
        found.append((base + index, address))
    return found


class MarksACeImage(unittest.TestCase):
    def test_sets_what_ce_reads_and_keeps_every_ordinal(self):
        marked = wince_pe.mark(image())
        self.assertEqual(struct.unpack_from("<H", marked, COFF)[0], 0x1C2)
        self.assertEqual(struct.unpack_from("<HH", marked, OPTIONAL + 40), (7, 0))
        self.assertEqual(struct.unpack_from("<HH", marked, OPTIONAL + 48), (7, 0))
        self.assertEqual(struct.unpack_from("<H", marked, OPTIONAL + 68)[0], 9)
        base, functions = struct.unpack_from("<II", marked, EDATA_RAW + 16)
        self.assertEqual((base, functions), (1, 3))
        self.assertEqual(exports(marked), exports(image()))
        self.assertEqual(exports(marked), [(1, 0x2001), (2, 0x2003), (3, 0x2005)])

    def test_changes_only_those_fields_and_again_nothing(self):
        before = image()
        once = wince_pe.mark(image())
        changed = {i for i in range(len(before)) if before[i] != once[i]}
        allowed = set(range(COFF, COFF + 2)) | set(range(OPTIONAL + 40, OPTIONAL + 44)) \
            | set(range(OPTIONAL + 48, OPTIONAL + 52)) | set(range(OPTIONAL + 68, OPTIONAL + 70)) \
            | set(range(EDATA_RAW + 16, EDATA_RAW + 24)) | set(range(EDATA_RAW + 28, EDATA_RAW + 32)) \
            | set(range(EDATA_RAW + ORDINALS_RVA - EDATA_RVA, EDATA_RAW + ORDINALS_RVA - EDATA_RVA + 6))
        self.assertTrue(changed and changed <= allowed, sorted(changed - allowed))
        self.assertEqual(wince_pe.mark(bytearray(once)), once)

    def test_leaves_an_export_table_that_needs_no_rebasing(self):
        cases = {
            "base 1 already": dict(base=1, slots=(0x2001, 0x2003, 0x2005), ordinals=(0, 1, 2)),
            "slot 0 holds a function": dict(slots=(0x2001, 0x2003, 0x2005), ordinals=(0, 1, 2)),
            "a name at slot 0": dict(slots=(0, 0x2003, 0x2005), ordinals=(0, 1, 2)),
        }
        for name, fields in cases.items():
            with self.subTest(name):
                before = image(**fields)
                marked = wince_pe.mark(image(**fields))
                self.assertEqual(marked[EDATA_RAW:], before[EDATA_RAW:])


class RefusesOtherImages(unittest.TestCase):
    def run_tool(self, data):
        with tempfile.NamedTemporaryFile(suffix=".dll", delete=False) as f:
            f.write(data)
        try:
            result = subprocess.run([sys.executable, TOOL, f.name], capture_output=True, text=True)
            with open(f.name, "rb") as written:
                return result, written.read()
        finally:
            os.unlink(f.name)

    def test_refuses_and_leaves_the_file_alone(self):
        no_pe = image()
        no_pe[PE:PE + 4] = b"NE\0\0"
        cases = {
            "x86-64": (image(machine=0x8664, magic=0x20B), "not PE32"),
            "32-bit x86": (image(machine=0x14C), "not 32-bit ARM"),
            "ARM64": (image(machine=0xAA64), "not 32-bit ARM"),
            "no MZ": (bytearray(b"\0" * 0x400), "no MZ"),
            "no PE signature": (no_pe, "no PE signature"),
        }
        for name, (data, reason) in cases.items():
            with self.subTest(name):
                result, written = self.run_tool(bytes(data))
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(reason, result.stderr)
                self.assertEqual(written, bytes(data))

    def test_marks_a_file_in_place(self):
        result, written = self.run_tool(bytes(image()))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(written, bytes(wince_pe.mark(image())))


if __name__ == "__main__":
    unittest.main()
