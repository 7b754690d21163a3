#!/usr/bin/env python3
# Writes the sample product's font, "Zep Sample": a small TrueType font whose glyphs are plain
# boxes and triangles, made here so the repository carries no binary font. The output is the
# same bytes on every run.  Usage: make-font.py OUT.TTF
import struct
import sys

UNITS_PER_EM = 1000
ASCENDER, DESCENDER = 800, -200
CAP_HEIGHT, X_HEIGHT = 700, 500
ADVANCE, SPACE_ADVANCE = 600, 300
# 2024-01-01 00:00:00 UTC in seconds since 1904-01-01, for head.created and head.modified.
TIMESTAMP = 3786912000

FAMILY, STYLE, FULL_NAME, PS_NAME = "Zep Sample", "Regular", "Zep Sample", "ZepSample"
VERSION = "Version 1.000"
COPYRIGHT = ("The ZepInstall sample font, made by the ZepInstall project as its own work; "
             "free to use, copy and change for any purpose.")
NAMES = {0: COPYRIGHT, 1: FAMILY, 2: STYLE, 3: "ZepInstall: " + FULL_NAME + ": 1.000",
         4: FULL_NAME, 5: VERSION, 6: PS_NAME}


def rect(x0, y0, x1, y1, hole=False):
    """A rectangle contour: clockwise (filled) or counter-clockwise (a hole in a filled one)."""
    pts = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
    return pts[::-1] if hole else pts


# Glyph order: .notdef, space, 0-9, A-Z, a-z. Each entry: (character or None, advance, contours).
def glyph_set():
    glyphs = [(None, ADVANCE, [rect(50, 0, 550, CAP_HEIGHT), rect(100, 50, 500, 650, True)]),
              (" ", SPACE_ADVANCE, [])]
    for c in "0123456789":  # triangles
        glyphs.append((c, ADVANCE, [[(60, 0), (300, CAP_HEIGHT), (540, 0)]]))
    for c in "ABCDEFGHIJKLMNOPQRSTUVWXYZ":  # thick frames
        glyphs.append((c, ADVANCE, [rect(50, 0, 550, CAP_HEIGHT), rect(170, 120, 430, 580, True)]))
    for c in "abcdefghijklmnopqrstuvwxyz":  # solid blocks
        glyphs.append((c, ADVANCE, [rect(80, 0, 520, X_HEIGHT)]))
    return glyphs


def bbox(contours):
    pts = [p for c in contours for p in c]
    return (min(x for x, _ in pts), min(y for _, y in pts),
            max(x for x, _ in pts), max(y for _, y in pts))


def encode_glyph(contours):
    """A simple glyph of on-curve points; no instructions. Empty for no contours."""
    if not contours:
        return b""
    ends, flags, xs, ys = [], bytearray(), bytearray(), bytearray()
    last = (0, 0)  # coordinates are stored as steps from the previous point
    for c in contours:
        for p in c:
            flag = 0x01  # on curve; per axis: a short (one byte) step, and 'same or positive'
            for d, short, same, out in ((p[0] - last[0], 0x02, 0x10, xs),
                                        (p[1] - last[1], 0x04, 0x20, ys)):
                if d == 0:
                    flag |= same
                elif -255 <= d <= 255:
                    flag |= short | (same if d > 0 else 0)
                    out.append(abs(d))
                else:
                    out += struct.pack(">h", d)
            flags.append(flag)
            last = p
        ends.append(len(flags) - 1)
    data = struct.pack(">h4h", len(contours), *bbox(contours))
    data += struct.pack(">%dH" % len(ends), *ends) + struct.pack(">H", 0)
    data += bytes(flags) + bytes(xs) + bytes(ys)
    return data + b"\0" * (len(data) % 2)  # short loca needs even offsets


def cmap_table(glyphs):
    codes = {ord(ch): gid for gid, (ch, _, _) in enumerate(glyphs) if ch}
    segs = []  # runs of consecutive codes mapping to consecutive glyphs
    for code in sorted(codes):
        if segs and code == segs[-1][1] + 1 and codes[code] == codes[segs[-1][1]] + 1:
            segs[-1][1] = code
        else:
            segs.append([code, code])
    segs.append([0xFFFF, 0xFFFF])
    n = len(segs)
    power = 1 << (n.bit_length() - 1)
    sub = struct.pack(">HHHHHHH", 4, 16 + 8 * n, 0, 2 * n, 2 * power,
                      power.bit_length() - 1, 2 * n - 2 * power)
    sub += struct.pack(">%dH" % n, *(e for _, e in segs)) + struct.pack(">H", 0)
    sub += struct.pack(">%dH" % n, *(s for s, _ in segs))
    sub += struct.pack(">%dH" % n, *((codes.get(s, 0) - s) % 0x10000 if s != 0xFFFF else 1
                                     for s, _ in segs))
    sub += struct.pack(">%dH" % n, *([0] * n))
    # Unicode BMP (platform 0, encoding 3) and Windows Unicode BMP (3, 1) share the subtable.
    return struct.pack(">HHHHIHHI", 0, 2, 0, 3, 20, 3, 1, 20) + sub


def name_table():
    records = []
    for platform, encoding, language, codec in ((1, 0, 0, "mac_roman"), (3, 1, 0x409, "utf-16-be")):
        for name_id in sorted(NAMES):
            records.append((platform, encoding, language, name_id, NAMES[name_id].encode(codec)))
    header = struct.pack(">HHH", 0, len(records), 6 + 12 * len(records))
    strings = b""
    for platform, encoding, language, name_id, text in records:
        header += struct.pack(">6H", platform, encoding, language, name_id, len(text), len(strings))
        strings += text
    return header + strings


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def build():
    glyphs = glyph_set()
    num = len(glyphs)
    drawn = [bbox(c) for _, _, c in glyphs if c]
    x_min, y_min = min(b[0] for b in drawn), min(b[1] for b in drawn)
    x_max, y_max = max(b[2] for b in drawn), max(b[3] for b in drawn)

    glyf, loca, hmtx = b"", [], b""
    for _, advance, contours in glyphs:
        loca.append(len(glyf) // 2)
        glyf += encode_glyph(contours)
        hmtx += struct.pack(">Hh", advance, bbox(contours)[0] if contours else 0)
    loca.append(len(glyf) // 2)
    metrics = [(adv, bbox(c)) for _, adv, c in glyphs if c]

    head = struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5,
                       0x000B,  # baseline at y=0, lsb at x=0, integer ppem
                       UNITS_PER_EM, TIMESTAMP, TIMESTAMP, x_min, y_min, x_max, y_max,
                       0, 8, 2, 0, 0)  # macStyle, lowestRecPPEM, direction, short loca
    hhea = struct.pack(">IhhhHhhhhhh4hhH", 0x00010000, ASCENDER, DESCENDER, 0,
                       max(adv for _, adv, _ in glyphs),
                       min(b[0] for _, b in metrics),
                       min(adv - b[2] for adv, b in metrics),
                       max(b[2] for _, b in metrics),
                       1, 0, 0, 0, 0, 0, 0, 0, num)
    points = [sum(len(c) for c in contours) for _, _, contours in glyphs]
    maxp = struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, num, max(points),
                       max(len(c) for _, _, c in glyphs), 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0)
    advances = [adv for _, adv, _ in glyphs if adv]
    codes = [ord(ch) for ch, _, _ in glyphs if ch]
    os2 = struct.pack(">HhHHHhhhhhhhhhhh10s4I4sHHHhhhHHIIhhHHH",
                      3, round(sum(advances) / len(advances)), 400, 5, 0,  # weight, width, fsType
                      650, 600, 0, 75, 650, 600, 0, 350,  # subscript and superscript
                      50, 250, 0, bytes(10),  # strikeout, family class, PANOSE
                      1, 0, 0, 0, b"ZEP ",  # unicode ranges: bit 0 Basic Latin; vendor
                      0x0040, min(codes), max(codes),  # fsSelection REGULAR
                      ASCENDER, DESCENDER, 0, max(y_max, ASCENDER), max(-y_min, -DESCENDER),
                      1, 0,  # code pages: bit 0 Latin 1
                      X_HEIGHT, CAP_HEIGHT, 0, 0x20, 0)
    post = struct.pack(">IIhhIIIII", 0x00030000, 0, -100, 50, 0, 0, 0, 0, 0)

    tables = {"head": head, "hhea": hhea, "maxp": maxp, "OS/2": os2, "hmtx": hmtx,
              "cmap": cmap_table(glyphs), "loca": struct.pack(">%dH" % len(loca), *loca),
              "glyf": glyf, "name": name_table(), "post": post}
    n = len(tables)
    power = 1 << (n.bit_length() - 1)
    directory = struct.pack(">IHHHH", 0x00010000, n, 16 * power,
                            power.bit_length() - 1, 16 * n - 16 * power)
    offset = len(directory) + 16 * n
    entries, body = {}, b""
    for tag, data in tables.items():  # the data in the recommended order
        entries[tag] = struct.pack(">4sIII", tag.encode("ascii"), checksum(data),
                                   offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    font = bytearray(directory + b"".join(entries[t] for t in sorted(entries)) + body)
    adjustment = (0xB1B0AFBA - checksum(bytes(font))) & 0xFFFFFFFF
    head_offset = struct.unpack(">I", entries["head"][8:12])[0]
    font[head_offset + 8:head_offset + 12] = struct.pack(">I", adjustment)
    return bytes(font)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-font.py OUT.TTF")
    with open(sys.argv[1], "wb") as out:
        out.write(build())
