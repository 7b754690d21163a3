#!/usr/bin/python3
# Writes the seeds of pe_fuzzer: small PE32 and PE32+ programs laid out as MinGW lays out
# setup.exe (.text, .rsrc, then .reloc), with a string table, a resource of type 256
# and a named one, and variants (no resources, .rsrc last, a data section after .rsrc).
#   make_pe_seeds.py DIR
import os
import struct
import sys

FILE_ALIGN, SECTION_ALIGN = 0x200, 0x1000


def align(v, a):
    return (v + a - 1) // a * a


def resource_section(rva):
    # root -> type 6 (block 501) and type 256 (12000) and a named type; one language each
    def u16(s):
        return struct.pack("<H", len(s)) + s.encode("utf-16-le")
    block = b"".join(u16(s) for s in ["INSTALL.INI", "23944", "2080"] + [""] * 13)
    payload = b"SZDD\x88\xf0'3A\x00\x05\x00\x00\x00\xffhello"
    items = [((6,), (501,), 1033, block), ((256,), (12000,), 1033, payload), (("DATA",), ("ITEM",), 0, b"named")]
    # layout: root, 3 type tables, 3 name tables, 3 data entries, names, data
    root = 0
    types_at = 16 + 8 * 3
    names_at = types_at + 3 * (16 + 8)
    entries_at = names_at + 3 * (16 + 8)
    strings_at = entries_at + 3 * 16
    strings = b""
    name_off = {}
    for s in ["DATA", "ITEM"]:
        name_off[s] = strings_at + len(strings)
        strings += u16(s)
    data_at = align(strings_at + len(strings), 8)
    data = b""
    data_off = []
    for it in items:
        data_off.append(data_at + len(data))
        data += it[3] + b"\0" * (align(len(it[3]), 8) - len(it[3]))

    def ident(x):
        return 0x80000000 | name_off[x] if isinstance(x, str) else x

    def table(entries):
        named = sum(1 for e in entries if isinstance(e[0], str))
        out = struct.pack("<IIHHHH", 0, 0, 0, 0, named, len(entries) - named)
        for name, target in entries:
            out += struct.pack("<II", ident(name), target)
        return out
    # the named type sorts first
    order = [2, 0, 1]
    out = table([(items[i][0][0], 0x80000000 | (types_at + 24 * k)) for k, i in enumerate(order)])
    for k, i in enumerate(order):
        out += table([(items[i][1][0], 0x80000000 | (names_at + 24 * k))])
    for k, i in enumerate(order):
        out += table([(items[i][2], entries_at + 16 * k)])
    for k, i in enumerate(order):
        out += struct.pack("<IIII", rva + data_off[i], len(items[i][3]), 0, 0)
    out += strings
    out += b"\0" * (data_at - len(out)) + data
    return out


def program(plus, sections, resource_index):
    # sections: list of (name, data, characteristics); .rsrc built at its address
    count = len(sections)
    opt_size = 240 if plus else 224
    headers = align(0x80 + 24 + opt_size + 40 * count, FILE_ALIGN)
    va = SECTION_ALIGN
    raw = headers
    table = b""
    body = b""
    dirs = [(0, 0)] * 16
    for i, (name, data, ch) in enumerate(sections):
        if i == resource_index:
            data = resource_section(va)
            dirs[2] = (va, len(data))
        if name == b".reloc":
            dirs[5] = (va, len(data))
        size = align(len(data), FILE_ALIGN)
        table += struct.pack("<8sIIIIIIHHI", name, len(data), va, size, raw, 0, 0, 0, 0, ch)
        body += data + b"\0" * (size - len(data))
        raw += size
        va += align(len(data), SECTION_ALIGN)
    machine = 0x8664 if plus else 0x14C
    fh = struct.pack("<HHIIIHH", machine, count, 0, 0, 0, opt_size, 0x22 if plus else 0x102)
    std = struct.pack("<HBBIIIII", 0x20B if plus else 0x10B, 2, 0, 0x200, 0x200, 0, 0x1000, 0x1000)
    if plus:
        win = struct.pack("<QIIHHHHHHIIIIHHQQQQII", 0x140000000, SECTION_ALIGN, FILE_ALIGN, 4, 0, 0, 0, 4, 0,
                          0, va, headers, 0, 2, 0x160, 0x200000, 0x1000, 0x100000, 0x1000, 0, 16)
    else:
        win = struct.pack("<IIIIHHHHHHIIIIHHIIIIII", 0x1000, 0x400000, SECTION_ALIGN, FILE_ALIGN, 4, 0, 0, 0, 4, 0,
                          0, va, headers, 0, 2, 0x140, 0x200000, 0x1000, 0x100000, 0x1000, 0, 16)
    opt = std + win + b"".join(struct.pack("<II", *d) for d in dirs)
    assert len(opt) == opt_size, (len(opt), opt_size)
    dos = b"MZ" + b"\0" * 58 + struct.pack("<I", 0x80) + b"\0" * (0x80 - 64)
    head = dos + b"PE\0\0" + fh + opt + table
    return head + b"\0" * (headers - len(head)) + body


TEXT = (b".text", b"\xc3" * 16, 0x60000020)
DATA = (b".data", b"\x01\x02\x03\x04", 0xC0000040)
RSRC = (b".rsrc", b"", 0x40000040)
RELOC = (b".reloc", struct.pack("<IIHH", 0x1000, 12, 0x3000, 0), 0x42000040)

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
variants = {
    "mingw": ([TEXT, RSRC, RELOC], 1),
    "rsrc_last": ([TEXT, RELOC, RSRC], 2),
    "data_after_rsrc": ([TEXT, RSRC, DATA, RELOC], 1),
    "no_resources": ([TEXT, DATA, RELOC], -1),
}
for name, (sections, index) in variants.items():
    for plus in (False, True):
        # .bin, not .exe: the seeds are data, and programs are not kept in the repository
        with open(os.path.join(out, "%s_%s.bin" % (name, "pe32plus" if plus else "pe32")), "wb") as f:
            f.write(program(plus, sections, index))
