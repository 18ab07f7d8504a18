#!/usr/bin/env bash
# Draws Zorvik's artwork from scratch and checks the results:
#   res/logo.bmp   200x48 banner, 32 bpp BI_RGB, bottom-up, 40-byte header.
#                  The window paints it with SRCAND, so it is dark drawing on
#                  pure white: white leaves the dialog colour alone, darker
#                  pixels darken it. Alpha is not relied on.
#   res/logo-150.bmp, res/logo-200.bmp  the same banner drawn for 150 and
#                  200 % scaling (300x72, 400x96), 8 bpp run-length coded
#                  (BI_RLE8): most of it is white runs, so each costs a few KB.
#   res/zorvik.ico 256, 64, 48, 32, 16, each PNG (RGBA), squeezed losslessly
#                  by zopflipng. Windows reads PNG icon images since Vista, at
#                  any size, and Zorvik runs on Windows 7 and later; as DIBs
#                  the five took 30 KB more of the exe, which has no room.
#
# The generated files are kept in the repository, so building Zorvik does not
# need ImageMagick; run this again only after changing the artwork.
# Needs ImageMagick 6 (Debian: imagemagick), icoutils, zopfli and python3.
#
# Usage: res/make-art.sh           draw both files, then check them
#        res/make-art.sh --check   only check the files already in res/
set -euo pipefail

check_only=0
case "${1-}" in
"") ;;
--check) check_only=1 ;;
*)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
logo_out="$here/logo.bmp"
logo150_out="$here/logo-150.bmp"
logo200_out="$here/logo-200.bmp"
icon_out="$here/zorvik.ico"

IM=/usr/bin/convert

die() {
    echo "make-art: $*" >&2
    exit 1
}

need_tool() { # path debian-package
    if [ ! -x "$1" ]; then
        if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
            apt-get install -y "$2" >&2 || die "could not install $2"
        fi
        [ -x "$1" ] || die "$1 is missing; install the Debian package $2"
    fi
}
need_tool /usr/bin/icotool icoutils
need_tool /usr/bin/zopflipng zopfli
command -v python3 >/dev/null || die "python3 is needed for the output checks"

# Colours.
tile_top='#3B82D9'    # square, top of the gradient
tile_bottom='#1B4F9C' # square, bottom of the gradient
tile_edge='#123A75'   # thin outline, keeps the square crisp on light themes
arrow='#E0701B'       # the squeezing arrows in the banner
ink='#1A2740'         # the word "Zorvik"

ss=8 # supersampling factor; shapes are drawn 8x and box-filtered down

# Picks the first bold sans face ImageMagick knows; the text is scaled to fit
# afterwards, so a fallback face only changes the look, not the layout.
pick_font() {
    local fonts f
    fonts=$("$IM" -list font | sed -n 's/^ *Font: *//p')
    for f in DejaVu-Sans-Bold Liberation-Sans-Bold FreeSans-Bold \
        Nimbus-Sans-Bold Helvetica-Bold; do
        if grep -qx -- "$f" <<<"$fonts"; then
            echo "$f"
            return
        fi
    done
    if [ -f /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf ]; then
        echo /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
        return
    fi
    echo "make-art: no bold sans font found, using ImageMagick's default" >&2
    echo ""
}

# tile SIZE MARGIN RADIUS EDGE ZX0 ZY0 ZX1 ZY1 BAR DIAG OUT
# The Zorvik mark: a rounded square with a white "Z". All numbers are in
# output pixels (edges, not centres); BAR is the thickness of the Z's bars,
# DIAG the horizontal width of its diagonal stroke, EDGE the outline width
# (0 for none). Writes an RGBA PNG of SIZE x SIZE.
tile() {
    local s=$1 m=$2 r=$3 e=$4 x0=$5 y0=$6 x1=$7 y1=$8 t=$9 d=${10} out=${11}
    local big=$((s * ss)) far=$((s - m))
    local z
    z=$(awk -v x0="$x0" -v y0="$y0" -v x1="$x1" -v y1="$y1" -v t="$t" -v d="$d" 'BEGIN {
        printf "polygon %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g %g,%g",
            x0, y0,  x1, y0,  x1, y0 + t,  x0 + d, y1 - t,  x1, y1 - t,
            x1, y1,  x0, y1,  x0, y1 - t,  x1 - d, y0 + t,  x0, y0 + t }')
    local edge_draw=()
    if [ "$e" != 0 ]; then
        # The stroke is centred on its path, so pull the path in by half
        # its width to keep the outline inside the square.
        local ring
        ring=$(awk -v m="$m" -v f="$far" -v r="$r" -v e="$e" 'BEGIN {
            h = e / 2
            printf "stroke-width %g roundrectangle %g,%g %g,%g %g,%g",
                e, m + h, m + h, f - h, f - h, r - h, r - h }')
        edge_draw=(-fill none -stroke "$tile_edge"
            -draw "scale $ss,$ss $ring" -stroke none)
    fi
    "$IM" -size "${big}x${big}" "gradient:${tile_top}-${tile_bottom}" \
        \( -size "${big}x${big}" xc:none -fill white \
        -draw "scale $ss,$ss roundrectangle $m,$m $far,$far $r,$r" \) \
        -alpha set -compose DstIn -composite -compose Over \
        "${edge_draw[@]}" \
        -fill white -stroke none -draw "scale $ss,$ss $z" \
        -filter Box -resize "${s}x${s}" \
        -strip -define png:exclude-chunks=date,time "PNG32:$out"
}

# banner SCALE OUT: the banner drawn for SCALE times 200x48, every shape laid
# out anew at that size. Left: the mark squeezed by two arrows; right: the
# word "Zorvik". Writes an RGB PNG on white.
banner() {
    local k=$1 out=$2 base=$work/banner
    S() { awk -v k="$k" -v v="$1" 'BEGIN { printf "%g", k * v }'; }
    local w h
    w=$(S 200) h=$(S 48)
    tile "$(S 34)" 0 "$(S 6)" "$(S 1)" "$(S 9)" "$(S 7)" "$(S 25)" "$(S 27)" "$(S 4)" "$(S 6)" \
        "$base-mark.png"

    local arrows="scale $ss,$ss polygon $(S 2),$(S 15) $(S 10),$(S 24) $(S 2),$(S 33)"
    arrows+=" polygon $(S 56),$(S 15) $(S 48),$(S 24) $(S 56),$(S 33)"
    "$IM" -size "$((w * ss))x$((h * ss))" xc:white -fill "$arrow" -stroke none \
        -draw "$arrows" -filter Box -resize "${w}x${h}" "$base-arrows.png"

    "$IM" -background none -fill "$ink" "${font_opt[@]}" -pointsize "$(S 36)" \
        label:Zorvik -trim +repage -resize "$(S 134)x$(S 34)>" "$base-word.png"

    "$IM" "$base-arrows.png" \
        "$base-mark.png" -geometry "+$(S 12)+$(S 7)" -composite \
        "$base-word.png" -gravity West -geometry "+$(S 64)+0" -composite \
        -background white -alpha remove -alpha off "$out"
}

# Draws the files into res/, going through a scratch directory.
draw() {
    need_tool "$IM" imagemagick
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT

    # The icon.
    # Each size is laid out by hand on its own pixel grid so the strokes stay
    # sharp; 64 and 48 follow the 256 design, 32 and 16 are simplified.
    #    size margin radius edge  Z: x0   y0   x1   y1  bar  diag
    tile 256 8 46 4 72 60 184 196 32 46 "$work/256.png"
    tile 64 2 12 1 18 15 46 49 8 11.5 "$work/64.png"
    tile 48 1 9 1 13 11 35 37 6 9 "$work/48.png"
    tile 32 1 6 1 8 7 24 25 4 6 "$work/32.png"
    tile 16 0 3 0 4 3 12 13 2 3.5 "$work/16.png"

    for png in "$work"/256.png "$work"/64.png "$work"/48.png "$work"/32.png "$work"/16.png; do
        zopflipng -y -m --iterations=50 --filters=01234mepb "$png" "$png" >/dev/null
    done
    rm -f "$icon_out"
    icotool -c -b 32 -o "$icon_out" --raw="$work/256.png" --raw="$work/64.png" \
        --raw="$work/48.png" --raw="$work/32.png" --raw="$work/16.png"

    # The banner, at 100, 150 and 200 %.
    font=$(pick_font)
    font_opt=()
    if [ -n "$font" ]; then
        font_opt=(-font "$font")
    fi
    banner 1 "$work/logo.png"
    banner 1.5 "$work/logo-150.png"
    banner 2 "$work/logo-200.png"

    # A BITMAPINFOHEADER bitmap with 32 bits per pixel: BMP3 writes 24 bpp
    # unless the picture carries an alpha channel and bmp3:alpha asks for it.
    # The alpha is fully opaque and plays no part in SRCAND painting.
    "$IM" "$work/logo.png" -alpha opaque -define bmp3:alpha=true "BMP3:$logo_out"
    # The larger ones in at most 256 colours, undithered so that runs stay long.
    "$IM" "$work/logo-150.png" +dither -colors 256 -compress RLE "BMP3:$logo150_out"
    "$IM" "$work/logo-200.png" +dither -colors 256 -compress RLE "BMP3:$logo200_out"
    repack_rle8 "$logo150_out" "$logo200_out"
}

# repack_rle8 BMP...: ImageMagick writes every run as an encoded run and keeps all 256
# palette entries. Rewritten with only the colours used and, where shorter, absolute runs:
# the same pixels in about 900 bytes fewer for the two.
repack_rle8() {
    python3 - "$@" <<'PY'
import struct
import sys

def rows_of(data):
    colours = struct.unpack_from("<I", data, 46)[0] or 256
    palette = [data[54 + 4 * i:54 + 4 * i + 4] for i in range(colours)]
    rle, rows, row, at = data[struct.unpack_from("<I", data, 10)[0]:], [], [], 0
    while at + 1 < len(rle):
        count, value = rle[at], rle[at + 1]
        at += 2
        if count:
            row += [value] * count
        elif value == 0:
            rows.append(row)
            row = []
        elif value == 1:
            break
        else:
            row += list(rle[at:at + value])
            at += value + (value & 1)
    return palette, rows

def encoded(row):  # the shortest mix of encoded and absolute runs, by dynamic programming
    n, best, how = len(row), [0] + [1 << 30] * len(row), [None] * (len(row) + 1)
    for i in range(n):
        j = i
        while j < n and row[j] == row[i] and j - i < 255:
            j += 1
            if best[i] + 2 < best[j]:
                best[j], how[j] = best[i] + 2, (i, True)
        for k in range(i + 3, min(n, i + 255) + 1):
            cost = best[i] + 2 + (k - i) + ((k - i) & 1)
            if cost < best[k]:
                best[k], how[k] = cost, (i, False)
    runs, k = [], n
    while k:
        i, same = how[k]
        runs.append(bytes([k - i, row[i]]) if same else
                    bytes([0, k - i]) + bytes(row[i:k]) + b"\0" * ((k - i) & 1))
        k = i
    return b"".join(reversed(runs))

for path in sys.argv[1:]:
    data = open(path, "rb").read()
    width, height = struct.unpack_from("<ii", data, 18)
    palette, rows = rows_of(data)
    used = sorted({v for row in rows for v in row})
    index = {v: i for i, v in enumerate(used)}
    pixels = b"".join(encoded([index[v] for v in row]) + b"\0\0" for row in rows) + b"\0\1"
    colours = b"".join(palette[v] for v in used)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(pixels), 0, 0,
                         len(used), len(used))
    start = 14 + len(header) + len(colours)
    open(path, "wb").write(b"BM" + struct.pack("<IHHI", start + len(pixels), 0, 0, start) +
                           header + colours + pixels)
PY
}

[ "$check_only" = 1 ] || draw
for f in "$logo_out" "$logo150_out" "$logo200_out" "$icon_out"; do
    [ -f "$f" ] || die "$f is missing"
done

# Checks: the files must be what the resource compiler and Windows expect.
python3 - "$logo_out" "$icon_out" "$logo150_out" "$logo200_out" <<'EOF'
import struct
import sys

logo_path, icon_path = sys.argv[1], sys.argv[2]
larger = {sys.argv[3]: (300, 72), sys.argv[4]: (400, 96)}
faults = []

def check(ok, what):
    if not ok:
        faults.append(what)

# logo.bmp
data = open(logo_path, "rb").read()
check(data[:2] == b"BM", "logo: not a BMP")
bf_size, bf_off = struct.unpack_from("<I4xI", data, 2)
(bi_size, width, height, planes, bpp, compression,
 image_size) = struct.unpack_from("<IiiHHII", data, 14)
check(bi_size == 40, f"logo: header is {bi_size} bytes, want 40")
check((width, height) == (200, 48), f"logo: {width}x{height}, want 200x48 bottom-up")
check(planes == 1, f"logo: {planes} planes")
check(bpp == 32, f"logo: {bpp} bits per pixel, want 32")
check(compression == 0, f"logo: compression {compression}, want BI_RGB (0)")
check(bf_off == 14 + 40, f"logo: pixels at {bf_off}, want 54")
check(bf_size == len(data), f"logo: file size field {bf_size} != {len(data)}")
check(len(data) == 54 + 200 * 48 * 4, f"logo: {len(data)} bytes, want {54 + 200 * 48 * 4}")
if not faults:
    rows = [data[54 + y * 800:54 + (y + 1) * 800] for y in range(48)]
    px = lambda x, y: rows[47 - y][x * 4:x * 4 + 3]  # bottom-up, BGR
    white = b"\xff\xff\xff"
    border = [px(x, y) for x in range(200) for y in (0, 47)] + \
             [px(x, y) for y in range(48) for x in (0, 199)]
    check(all(p == white for p in border), "logo: the edge is not pure white")
    dark = sum(1 for y in range(48) for x in range(200) if sum(px(x, y)) < 300)
    check(dark > 800, f"logo: only {dark} dark pixels, the drawing is missing")
    # the word sits on the right half, the mark on the left
    check(any(sum(px(x, 24)) < 300 for x in range(12, 46)), "logo: no mark")
    check(any(sum(px(x, y)) < 300 for x in range(64, 200) for y in range(48)),
          "logo: no word")

# logo-150.bmp and logo-200.bmp: BI_RLE8, bottom-up, each row ending in an
# end-of-line mark and the picture in an end-of-bitmap mark, with the word.
for path, (want_w, want_h) in larger.items():
    data = open(path, "rb").read()
    name = path.rsplit("/", 1)[-1]
    check(data[:2] == b"BM", f"{name}: not a BMP")
    (bi_size, width, height, planes, bpp, compression,
     image_size) = struct.unpack_from("<IiiHHII", data, 14)
    check((bi_size, width, height, bpp, compression) == (40, want_w, want_h, 8, 1),
          f"{name}: header {bi_size}, {width}x{height}, {bpp} bpp, compression "
          f"{compression}; want 40, {want_w}x{want_h}, 8 bpp, BI_RLE8 (1)")
    if faults:
        continue
    colours = struct.unpack_from("<I", data, 46)[0] or 256
    palette = [data[54 + 4 * i:54 + 4 * i + 3] for i in range(colours)]
    rle = data[struct.unpack_from("<I", data, 10)[0]:]
    rows, row, at = [], [], 0
    while at + 1 < len(rle):
        count, value = rle[at], rle[at + 1]
        at += 2
        if count:
            row += [value] * count
        elif value == 0:
            rows.append(row)
            row = []
        elif value == 1:
            break
        elif value == 2:
            check(False, f"{name}: uses a delta, which leaves pixels undefined")
            break
        else:
            row += list(rle[at:at + value])
            at += value + (value & 1)
    check(len(rows) == want_h and all(len(r) == want_w for r in rows),
          f"{name}: decodes to {len(rows)} rows, not {want_h} of {want_w} pixels")
    if len(rows) == want_h:
        dark = sum(1 for r in rows for v in r if sum(palette[v]) < 300)
        check(dark > 800 * want_w * want_h // 9600,
              f"{name}: only {dark} dark pixels, the drawing is missing")

# zorvik.ico
data = open(icon_path, "rb").read()
reserved, kind, count = struct.unpack_from("<HHH", data, 0)
check((reserved, kind) == (0, 1), "icon: not an .ico")
want = [256, 64, 48, 32, 16]
check(count == len(want), f"icon: {count} images, want {len(want)}")
seen = []
for i in range(count):
    w, h, colours, _, planes, bpp, size, off = struct.unpack_from(
        "<BBBBHHII", data, 6 + 16 * i)
    w, h = w or 256, h or 256
    seen.append(w)
    blob = data[off:off + size]
    check(w == h, f"icon: entry {i} is {w}x{h}")
    check(bpp == 32, f"icon: {w}px entry has {bpp} bpp in the directory")
    check(off + size <= len(data), f"icon: {w}px entry runs past the end")
    check(blob[:8] == b"\x89PNG\r\n\x1a\n", f"icon: {w}px entry is not PNG")
    if blob[:8] == b"\x89PNG\r\n\x1a\n":
        pw, ph, depth, ctype = struct.unpack_from(">IIBB", blob, 16)
        check((pw, ph, depth, ctype) == (w, w, 8, 6),
              f"icon: {w}px PNG is {pw}x{ph} depth {depth} type {ctype}, want RGBA")
check(sorted(seen) == sorted(want), f"icon: sizes {seen}, want {want}")

for f in faults:
    print("make-art: " + f, file=sys.stderr)
sys.exit(1 if faults else 0)
EOF

# icotool's own reading of the icon must agree: five sizes, all 32 bpp.
listing=$(icotool -l "$icon_out")
echo "$listing"
for s in 256 64 48 32 16; do
    grep -q -- "--width=$s --height=$s --bit-depth=32" <<<"$listing" ||
        die "icotool does not list a ${s}x${s} 32-bit image"
done
[ "$(wc -l <<<"$listing")" -eq 5 ] || die "the icon should hold exactly five images"

if [ "$check_only" = 1 ]; then
    echo "make-art: the logos and $icon_out are in order"
else
    echo "make-art: wrote $logo_out, $logo150_out, $logo200_out and $icon_out"
fi
