"""Copies a 7z archive with one byte of its packed data flipped, three
quarters of the way through, where a payload keeps its largest files."""
import struct
import sys

data = bytearray(open(sys.argv[1], "rb").read())
next_header_offset = struct.unpack_from("<Q", data, 12)[0]
at = 32 + next_header_offset * 3 // 4
data[at] ^= 0xFF
open(sys.argv[2], "wb").write(bytes(data))
