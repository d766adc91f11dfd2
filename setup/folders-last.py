"""Moves the folder entries of a 7z archive to the end of its file list.

7-Zip always lists folders (and empty files) before the files with data;
the setup wants the files first, so that its progress counts them from the
start, and the folders last, deepest first. Only the file list is rewritten:
the packed data and the stream descriptions stay byte for byte. The archive
must have an uncompressed header (7-Zip's -mhc=off).

    python3 folders-last.py ARCHIVE
"""
import struct
import sys
import zlib


class Reader:
    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def byte(self):
        b = self.data[self.pos]
        self.pos += 1
        return b

    def take(self, n):
        out = self.data[self.pos:self.pos + n]
        if len(out) != n:
            raise ValueError("header ends early")
        self.pos += n
        return out

    def number(self):
        first = self.byte()
        mask, value = 0x80, 0
        for i in range(8):
            if first & mask == 0:
                return value | ((first & (mask - 1)) << (8 * i))
            value |= self.byte() << (8 * i)
            mask >>= 1
        return value

    def bits(self, n):
        raw = self.take((n + 7) // 8)
        return [bool(raw[i // 8] & (0x80 >> (i % 8))) for i in range(n)]

    def defined(self, n):
        return [True] * n if self.byte() else self.bits(n)

    def digests(self, n):
        defined = self.defined(n)
        self.take(4 * sum(defined))
        return defined


def number_bytes(value):
    for n in range(9):
        if n == 8 or value < (1 << (7 * (n + 1))):
            break
    if n == 8:
        return bytes([0xFF]) + value.to_bytes(8, "little")
    high = value >> (8 * n)
    first = (0xFF << (8 - n)) & 0xFF | high
    return bytes([first]) + (value & ((1 << (8 * n)) - 1)).to_bytes(n, "little")


def bits_bytes(flags):
    out = bytearray((len(flags) + 7) // 8)
    for i, f in enumerate(flags):
        if f:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def skip_streams_info(r):
    folders_out = []
    folders = 0
    folder_crc = []
    while True:
        kind = r.byte()
        if kind == 0x00:
            return
        if kind == 0x06:  # pack info
            r.number()
            count = r.number()
            while True:
                sub = r.byte()
                if sub == 0x00:
                    break
                if sub == 0x09:
                    for _ in range(count):
                        r.number()
                elif sub == 0x0A:
                    r.digests(count)
                else:
                    raise ValueError("pack info %d" % sub)
        elif kind == 0x07:  # unpack info
            if r.byte() != 0x0B:
                raise ValueError("folders expected")
            folders = r.number()
            if r.byte() != 0:
                raise ValueError("external folders")
            for _ in range(folders):
                coders = r.number()
                total_in = total_out = 0
                for _ in range(coders):
                    flag = r.byte()
                    r.take(flag & 0x0F)
                    n_in = n_out = 1
                    if flag & 0x10:
                        n_in, n_out = r.number(), r.number()
                    if flag & 0x20:
                        r.take(r.number())
                    total_in += n_in
                    total_out += n_out
                for _ in range(total_out - 1):
                    r.number()
                    r.number()
                packed = total_in - (total_out - 1)
                if packed > 1:
                    for _ in range(packed):
                        r.number()
                folders_out.append(total_out)
            if r.byte() != 0x0C:
                raise ValueError("unpack sizes expected")
            for outs in folders_out:
                for _ in range(outs):
                    r.number()
            sub = r.byte()
            folder_crc = [False] * folders
            if sub == 0x0A:
                folder_crc = r.digests(folders)
                sub = r.byte()
            if sub != 0x00:
                raise ValueError("unpack info %d" % sub)
        elif kind == 0x08:  # substreams info
            per_folder = [1] * folders
            sub = r.byte()
            if sub == 0x0D:
                per_folder = [r.number() for _ in range(folders)]
                sub = r.byte()
            if sub == 0x09:
                for n in per_folder:
                    for _ in range(max(0, n - 1)):
                        r.number()
                sub = r.byte()
            if sub == 0x0A:
                # A folder of one stream whose CRC is known needs none here.
                crc = folder_crc or [False] * folders
                r.digests(sum(n for n, known in zip(per_folder, crc) if not (n == 1 and known)))
                sub = r.byte()
            if sub != 0x00:
                raise ValueError("substreams info %d" % sub)
        else:
            raise ValueError("streams info %d" % kind)


def per_file_values(raw, count, width):
    r = Reader(raw)
    defined = r.defined(count)
    if r.byte() != 0:
        raise ValueError("external data")
    return [r.take(width) if d else None for d in defined]


def values_bytes(values):
    out = bytearray()
    if all(v is not None for v in values):
        out.append(1)
    else:
        out.append(0)
        out += bits_bytes([v is not None for v in values])
    out.append(0)
    for v in values:
        if v is not None:
            out += v
    return bytes(out)


def reorder(header):
    r = Reader(header)
    if r.byte() != 0x01:
        raise ValueError("plain header expected (build with -mhc=off)")
    kind = r.byte()
    if kind == 0x04:
        skip_streams_info(r)
        kind = r.byte()
    if kind != 0x05:
        return header  # no file list
    files_at = r.pos - 1
    count = r.number()
    props = []
    while True:
        kind = r.number()
        if kind == 0:
            break
        props.append((kind, r.take(r.number())))
    if r.byte() != 0x00:
        raise ValueError("header end expected")

    table = dict(props)
    empty = Reader(table[0x0E]).bits(count) if 0x0E in table else [False] * count
    n_empty = sum(empty)
    empty_file = Reader(table[0x0F]).bits(n_empty) if 0x0F in table else [False] * n_empty
    anti = Reader(table[0x10]).bits(n_empty) if 0x10 in table else [False] * n_empty
    names_raw = table[0x11]
    if names_raw[0] != 0:
        raise ValueError("external names")
    names = names_raw[1:].decode("utf-16-le").split("\0")[:count]

    # Per empty item, its flags; then the new order.
    empty_index, k = {}, 0
    for i in range(count):
        if empty[i]:
            empty_index[i] = k
            k += 1
    with_data = [i for i in range(count) if not empty[i] or empty_file[empty_index[i]]]
    folders = sorted((i for i in range(count) if i not in with_data), key=lambda i: names[i], reverse=True)
    order = with_data + folders

    new_empty = [empty[i] for i in order]
    new_empty_file = [empty_file[empty_index[i]] for i in order if empty[i]]
    new_anti = [anti[empty_index[i]] for i in order if empty[i]]
    out = bytearray(header[:files_at])
    out.append(0x05)
    out += number_bytes(count)

    def prop(kind, data):
        out.extend(number_bytes(kind) + number_bytes(len(data)) + data)

    for kind, data in props:
        if kind == 0x0E:
            prop(kind, bits_bytes(new_empty))
        elif kind == 0x0F:
            prop(kind, bits_bytes(new_empty_file))
        elif kind == 0x10:
            prop(kind, bits_bytes(new_anti))
        elif kind == 0x11:
            prop(kind, b"\0" + "".join(names[i] + "\0" for i in order).encode("utf-16-le"))
        elif kind in (0x12, 0x13, 0x14, 0x15):
            values = per_file_values(data, count, 4 if kind == 0x15 else 8)
            prop(kind, values_bytes([values[i] for i in order]))
        elif kind == 0x19:
            continue  # alignment padding
        else:
            raise ValueError("file property %d" % kind)
    out += b"\0\0"  # end of the file list, end of the header
    return bytes(out)


def main(path):
    data = bytearray(open(path, "rb").read())
    if data[:6] != b"7z\xbc\xaf\x27\x1c":
        raise ValueError("not a 7z archive")
    offset, size = struct.unpack_from("<QQ", data, 12)
    start = 32 + offset
    header = reorder(bytes(data[start:start + size]))
    data = data[:start] + header
    struct.pack_into("<QQI", data, 12, offset, len(header), zlib.crc32(header))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    open(path, "wb").write(bytes(data))


if __name__ == "__main__":
    main(sys.argv[1])
