#!/usr/bin/env bash
# zep simulate --report in a real browser: headless Chromium takes a screenshot of the
# page, which must show the drawn dialogs (their navy caption bars), not a blank page.
#   report_screenshot.sh ZEP EXAMPLES_DIR WORK_DIR
# Exit 77 (skipped) when Chromium is not installed.
set -euo pipefail
zep=$1
examples=$2
work=$3
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "report_screenshot.sh: chromium is not installed (scripts/install-deps.sh installs it): skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/product"
product=$work/product
# The sample's script with stand-ins for its files: the installer does not look inside them.
cp "$examples/sample/INSTALL.INI" "$examples/sample/files/README.TXT" "$product/"
printf '%5000s' '' > "$product/SAMPLE.EXE"
printf '%3000s' '' > "$product/SAMPLE.TTF"
printf '?_\003\000help' > "$product/SAMPLE.HLP"
seq -w 1 25000 | sed 's/$/ data/' > "$work/lines.txt"
head -c 100000 "$work/lines.txt" > "$product/DATA.1"
head -c 50000 "$work/lines.txt" > "$work/DATA.2"
"$zep" compress -o "$product" "$work/DATA.2" > /dev/null
"$zep" simulate "$product" --then-uninstall --report "$work/report.html" > "$work/report.txt"
url=$(python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).resolve().as_uri())' "$work/report.html")
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=640,1400 \
  --screenshot="$work/report.png" "$url" > "$work/chromium.log" 2>&1 || true
[ -s "$work/report.png" ] || { echo "report_screenshot.sh: chromium wrote no screenshot:"; cat "$work/chromium.log"; exit 1; }
# Count the rows that show the caption bars' navy: each dialog's bar is 18 rows high.
python3 - "$work/report.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
pos, idat, width, height, kind = 8, b'', 0, 0, 0
while pos < len(data):
    length, name = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if name == b'IHDR':
        width, height, depth, kind = struct.unpack('>IIBB', body[:10])
        assert depth == 8 and kind in (2, 6), 'an 8-bit RGB or RGBA PNG is expected'
    elif name == b'IDAT':
        idat += body
    pos += 12 + length
bpp = 3 if kind == 2 else 4
raw = zlib.decompress(idat)
stride = width * bpp
prev = bytearray(stride)
navy_rows, colours = 0, set()
for y in range(height):
    f = raw[y * (stride + 1)]
    line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    pixels = [tuple(line[x * bpp:x * bpp + 3]) for x in range(width)]
    colours.update(pixels[::7])
    if sum(1 for p in pixels if p == (0, 0, 128)) > 100:
        navy_rows += 1
    prev = line
print('%d x %d, %d colours sampled, %d rows of caption bars' % (width, height, len(colours), navy_rows))
if len(colours) < 4 or navy_rows < 3 * 18:
    sys.exit('the screenshot shows no dialogs: it is blank or the page did not draw')
PY
