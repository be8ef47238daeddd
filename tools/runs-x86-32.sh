#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 Linux programs, 1 when its kernel refuses them
# (a 64-bit kernel built without 32-bit support, or with it switched off). 32-bit wine needs
# them: where they can't run, tools/setup.sh leaves wine32 out (installed, it stops 64-bit
# wine from starting too) and CI builds the 32-bit Windows DLL without running its tests.
#
# The probe is the smallest 32-bit program there is, written here byte by byte: an ELF header,
# one segment, and exit(0) through int 0x80.
set -uo pipefail

probe="$(mktemp)"
trap 'rm -f "$probe"' EXIT
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"  # ELF, 32-bit, little-endian
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"  # executable, i386, entry 0x8048054
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"  # one program header
printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"  # PT_LOAD at 0x8048000
printf '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' >>"$probe"  # 93 bytes, read and execute
printf '\x00\x10\x00\x00' >>"$probe"
printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"  # mov eax, 1; xor ebx, ebx; int 0x80
chmod +x "$probe"
"$probe" 2>/dev/null || exit 1
