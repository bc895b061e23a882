#!/usr/bin/env python3
"""Plain Python totals of result files, for comparing speed and output with `ruvo-tool totals`.

Usage: totals_ref.py PATH...   (folders: every .ruvot below them; files: each .ruvot)
Prints the tables as ruvo-tool totals does. Standard library only.
"""
import os
import struct
import sys

FIRST_DATE = "3456/04/25 13:52:41"


def decode_bdc(data):
    """Bytes of a BDC stream, or None when it does not decode."""
    if len(data) < 32 or data[:4] != b"BDC1":
        return None
    total, size = struct.unpack_from("<II", data, 4)
    if total != len(data):
        return None
    max_rank, sel, b0, b1, b2, b3 = struct.unpack_from("<HBBBBB", data, 16)
    if 33 + max_rank > len(data):
        return None
    symbols = data[32:33 + max_rank]
    table = bytes(symbols) + bytes(256 - len(symbols))
    widths = (b0, b1, b2, b3)
    end0 = ((1 << b0) - 1) & 0xFF
    end1 = (end0 + (1 << b1)) & 0xFF
    end2 = (end1 + (1 << b2)) & 0xFF
    starts = (0, (end0 + 1) & 0xFF, (end1 + 1) & 0xFF, (end2 + 1) & 0xFF)
    out = bytearray()
    remaining = size
    buf = 0
    bits = 0
    pos = 33 + max_rank
    n = len(data)
    while remaining > 0 and pos < n:
        if pos + 1 < n:
            word = data[pos] | (data[pos + 1] << 8)
            pos += 2
        else:
            word = data[pos]
            pos += 1
        buf = ((buf << 16) | word) & 0xFFFFFFFFFFFFFFFF
        bits += 16
        while remaining > 0 and bits >= sel:
            k = (buf >> (bits - sel)) & ((1 << sel) - 1)
            w = widths[k]
            if bits - sel < w:
                break
            bits -= sel + w
            o = (buf >> bits) & ((1 << w) - 1)
            out.append(table[(starts[k] + o) & 0xFF])
            remaining -= 1
    return bytes(out) if remaining == 0 else None


def read_lines(path):
    try:
        with open(path, "rb") as f:
            plain = decode_bdc(f.read())
    except OSError:
        return []
    if plain is None:
        return []
    text = plain.decode("cp932", errors="replace")
    return text.replace("\r\n", "\n").replace("\r", "\n").split("\n")[:-1] if text else []


def fold_key(s):
    return (s.translate(FOLD), s)


FOLD = {c: c + 32 for c in range(ord("A"), ord("Z") + 1)}


def average(header, values, prefix, whole, any_number):
    start = -1
    for i, h in enumerate(header):
        hl = h.lower()
        if any_number:
            if i > 0 and hl.startswith(prefix) and len(hl) > len(prefix) and hl[len(prefix):].isdigit() \
                    and hl[len(prefix):].isascii():
                start = i
                break
        elif hl == prefix + "1":
            start = i
            break
    if start <= 0:
        return 0.0
    total, count = 0.0, 0
    i = start
    while i < len(header) and header[i].lower().startswith(prefix) and i < len(values):
        v = values[i].strip(" \t\r\n")
        i += 1
        if not v:
            continue
        try:
            x = int(v) if whole else float(v)
        except ValueError:
            continue
        total += x
        count += 1
    return total / count if count else 0.0


class Table:
    def __init__(self, header):
        self.header = header
        self.key = ""
        self.first_date = FIRST_DATE
        self.records = set()


def main(args):
    paths = []
    for a in args:
        if os.path.isdir(a):
            found = []
            for root, _dirs, files in os.walk(a):
                for f in files:
                    if f.lower().endswith(".ruvot"):
                        found.append(os.path.join(root, f))
            paths.extend(sorted(found))
        elif a.lower().endswith(".ruvot"):
            paths.append(a)
    tables = []
    points = []
    for p in paths:
        lines = read_lines(p)
        if len(lines) < 2:
            continue
        header, record = lines[0], lines[1]
        tab = record.find("\t")
        key = record[:tab + 1] if tab >= 0 else ""
        table = None
        for t in reversed(tables):
            if t.header == header and t.key == key:
                table = t
                break
        if table is None:
            table = Table(header)
            tables.append(table)
        table.records.add(record)
        fields = record.split("\t")
        date = fields[2] if len(fields) >= 3 else ""
        if date.encode() < table.first_date.encode():
            table.first_date = date
        table.key = key
        hf = header.split("\t")
        points.append((average(hf, fields, "wpm", False, False), average(hf, fields, "scr", True, True)))
    if len(tables) >= 2:
        tables.sort(key=lambda t: t.first_date.encode())
    out = []
    for t in tables:
        out.append(t.header if t.header else "unknown")
        out.extend(sorted(t.records, key=fold_key))
        out.append("")
    sys.stdout.write("".join(line + "\n" for line in out))


if __name__ == "__main__":
    main(sys.argv[1:])
