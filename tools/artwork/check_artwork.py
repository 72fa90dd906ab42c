#!/usr/bin/python3
"""Checks the files in app/assets against what the window code expects.

Usage: check_artwork.py [ASSETS_DIR]   (default: app/assets of this checkout)

Prints what it measures and exits non-zero on the first group that fails.
The numbers below are the window's layout, not read from make_artwork.py,
so a change to the generator cannot quietly move the goalposts.
"""

import io
import os
import struct
import sys

import numpy as np
from PIL import Image

ASSETS = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                       "..", "..", "app", "assets"))

failures = []


def check(ok, what):
    print(("  ok   " if ok else "  FAIL ") + what)
    if not ok:
        failures.append(what)


def near(rgb, want, tol):
    return all(abs(int(a) - b) <= tol for a, b in zip(rgb, want))


def bbox(mask):
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return None
    return int(xs.min()), int(ys.min()), int(xs.max()), int(ys.max())


# ------------------------------------------------------------------- skin

def check_skin():
    path = os.path.join(ASSETS, "skin.jpg")
    img = Image.open(path)
    print(f"skin.jpg: {img.format} {img.mode} {img.size[0]}x{img.size[1]}")
    check(img.format == "JPEG" and img.mode == "RGB", "JPEG, 24-bit RGB")
    check(img.size == (325, 496), "325 x 496")
    if img.size != (325, 496):
        return  # every spot below would be in the wrong place
    px = np.asarray(img.convert("RGB")).astype(int)

    def at(x, y):
        return tuple(int(v) for v in px[y, x])

    # The field between title and panel and below the panel is the centre
    # colour; the corners are the darkest.
    for x, y in [(162, 46), (20, 250), (305, 320), (100, 405), (225, 410)]:
        c = at(x, y)
        print(f"    field at ({x},{y}) = {c}")
        check(near(c, (90, 19, 19), 10), f"field at ({x},{y}) about (90,19,19)")
    # On the way out to a corner it darkens steadily.
    path = [at(int(100 * (1 - f)), int(405 + 90 * f)) for f in (0.0, 0.5, 0.8, 1.0)]
    print(f"    from (100,405) towards the bottom left corner: {path}")
    check(all(a[0] >= b[0] for a, b in zip(path, path[1:])) and path[0][0] - path[-1][0] >= 25,
          "field darkens towards the corner")
    for x, y in [(0, 0), (324, 0), (0, 495), (324, 495)]:
        c = at(x, y)
        print(f"    corner ({x},{y}) = {c}")
        check(near(c, (56, 12, 13), 6), f"corner ({x},{y}) about (56,12,13)")

    top_right = px[0:40, 250:325]
    print(f"    top right x>=250 y<40: R {top_right[..., 0].min()}..{top_right[..., 0].max()}, "
          f"G {top_right[..., 1].min()}..{top_right[..., 1].max()}, "
          f"B {top_right[..., 2].min()}..{top_right[..., 2].max()}")
    # Plain means no drawing: only the slow vignette and a little grain.
    jump = np.abs(np.diff(top_right, axis=0)).max(), np.abs(np.diff(top_right, axis=1)).max()
    print(f"    top right largest step between neighbours: {max(jump)}")
    check(top_right[..., 0].max() <= 90 and top_right[..., 1:].max() <= 22 and max(jump) <= 6,
          "top right is plain dark red")

    lst = px[80:368, 48:273]
    print(f"    list area x48..272 y80..367: min channel {lst.min()}, mean {lst.mean():.2f}")
    check(lst.min() >= 250, "list area is white (every channel >= 250)")

    for x, y, what in [(36, 230, "panel left edge"), (288, 120, "panel right edge"),
                       (162, 63, "panel top edge"), (162, 391, "panel bottom edge")]:
        c = at(x, y)
        print(f"    {what} ({x},{y}) = {c}")
        check(min(c) >= 170 and max(c) <= 240 and max(c) - min(c) <= 20, f"{what} is light grey")
    c = at(162, 230)
    print(f"    panel centre (162,230) = {c}")
    check(min(c) >= 253, "panel centre is white")
    # Rounded corners: the very corner pixel of the panel box is not panel.
    c = at(35, 62)
    print(f"    panel corner (35,62) = {c}")
    check(c[0] > c[1] + 40, "panel corner is rounded off (red shows through)")
    # The glow just outside the panel is a brighter red than the plain field.
    c = at(31, 230)
    print(f"    glow (31,230) = {c}")
    check(c[0] > 120 and c[0] > c[1] + 60, "red glow around the panel")

    for x, y in [(307, 200), (307, 215), (318, 260)]:
        c = at(x, y)
        print(f"    tab ({x},{y}) = {c}")
        check(min(c) >= 150 and max(c) - min(c) <= 20, f"tab at ({x},{y}) is light grey")
    tab_rows = px[150:310, 300:325]
    grey = (tab_rows.min(axis=2) >= 140) & (np.ptp(tab_rows, axis=2) <= 25)
    rows = np.nonzero(grey.any(axis=1))[0] + 150
    print(f"    tab rows: {rows.min()}..{rows.max()}")
    check(abs(int(rows.min()) - 191) <= 1 and abs(int(rows.max()) - 269) <= 1, "tab spans y 191..269")
    check(grey[:, -1].any(), "tab reaches the right edge")

    region = px[0:56, 0:250]
    gold = (region[..., 1] > 60) & (region[..., 0] > 120)
    b = bbox(gold)
    print(f"    gold title ink bbox: {b}")
    check(b is not None and all(abs(a - e) <= 2 for a, e in zip(b, (14, 15, 180, 33))),
          "title occupies about x 14..180, y 15..33")
    r, g, bl = (region[..., i][gold].mean() for i in range(3))
    print(f"    title mean colour ({r:.0f},{g:.0f},{bl:.0f})")
    check(r > g > bl and r > 170, "title is gold")

    region = px[400:496, 110:216]
    badge = (region[..., 2] > 50) & (region[..., 0] > 80)
    b = bbox(badge)
    b = None if b is None else (b[0] + 110, b[1] + 400, b[2] + 110, b[3] + 400)
    print(f"    emblem bbox: {b}")
    check(b is not None and all(abs(a - e) <= 2 for a, e in zip(b, (132, 416, 193, 476))),
          "emblem occupies about x 132..193, y 416..476")
    magenta = region[badge]
    print(f"    emblem mean colour {tuple(int(v) for v in magenta.mean(axis=0))}")
    check(magenta[:, 2].mean() > 80 and magenta[:, 0].mean() > magenta[:, 1].mean() + 60,
          "emblem is magenta")


# ------------------------------------------------------------------ glyphs

def gif_blocks(data):
    """Graphic control extensions and image count, read from the raw file."""
    check(data[:6] == b"GIF89a", "GIF89a header")
    w, h, packed = struct.unpack("<HHB", data[6:11])
    pos = 13
    if packed & 0x80:
        pos += 3 * (2 << (packed & 7))
    gces, images = [], 0
    while pos < len(data):
        b = data[pos]
        if b == 0x3B:
            break
        if b == 0x21:
            label = data[pos + 1]
            pos += 2
            first = True
            while data[pos]:
                n = data[pos]
                if label == 0xF9 and first:
                    flags, _delay, index = struct.unpack("<BHB", data[pos + 1:pos + 5])
                    gces.append((bool(flags & 1), index))
                first = False
                pos += n + 1
            pos += 1
        elif b == 0x2C:
            images += 1
            lflags = data[pos + 9]
            pos += 10
            if lflags & 0x80:
                pos += 3 * (2 << (lflags & 7))
            pos += 1
            while data[pos]:
                pos += data[pos] + 1
            pos += 1
        else:
            raise ValueError(f"unexpected GIF block 0x{b:02x} at {pos}")
    return (w, h), gces, images


def check_gif(name, expect_opaque, edge=24):
    path = os.path.join(ASSETS, name)
    data = open(path, "rb").read()
    size, gces, images = gif_blocks(data)
    img = Image.open(path)
    print(f"{name}: {img.format} {img.mode} {size[0]}x{size[1]}, images {images}, "
          f"graphic control blocks {gces}")
    check(size == (edge, edge) and img.size == (edge, edge), f"{edge} x {edge}")
    check(images == 1, "one frame")
    check(len(gces) == 1 and gces[0][0], "one graphic control block with transparency on")
    tindex = gces[0][1]
    idx = np.asarray(img)
    opaque = idx != tindex
    used = sorted(set(int(v) for v in idx[opaque].ravel()))
    print(f"    transparent index {tindex}, opaque indices used {len(used)}, "
          f"opaque pixels {int(opaque.sum())}, bbox {bbox(opaque)}")
    check(tindex not in used, "the transparent index is used for nothing else")
    rgba = np.asarray(img.convert("RGBA")).astype(int)
    check(set(np.unique(rgba[..., 3]).tolist()) <= {0, 255}, "alpha is only 0 or 255")
    reds = rgba[opaque][:, :3]
    print(f"    opaque colours: R {reds[:, 0].min()}..{reds[:, 0].max()}, "
          f"G {reds[:, 1].min()}..{reds[:, 1].max()}, B {reds[:, 2].min()}..{reds[:, 2].max()}")
    check(bool((reds[:, 0] > reds[:, 1] + 60).all() and (reds[:, 0] >= 95).all()),
          "every opaque pixel is a clear red")
    expect_opaque(opaque, rgba)
    return opaque


def expect_bar(opaque, rgba):
    rows = np.nonzero(opaque.any(axis=1))[0]
    print(f"    opaque rows {rows.min()}..{rows.max()}")
    check(opaque[10:16].all() and not opaque[:10].any() and not opaque[16:].any(),
          "rows 10..15 fully opaque, all other rows transparent")
    left = rgba[10:16, 0:4, :3].mean(axis=(0, 1))
    right = rgba[10:16, 20:24, :3].mean(axis=(0, 1))
    print(f"    left end mean {tuple(int(v) for v in left)}, right end mean "
          f"{tuple(int(v) for v in right)}")
    check(left.sum() > right.sum() + 60, "lighter towards the left end")


def expect_cross(opaque, rgba):
    b = bbox(opaque)
    check(b == (1, 1, 21, 21), "opaque extent is exactly (1,1)-(21,21)")
    diag = all(opaque[i, i] and opaque[i, 22 - i] for i in range(1, 22))
    check(diag, "both diagonals are solid")
    # Stroke width across a diagonal, counted along a row away from the centre.
    run = int(opaque[5, :11].sum())
    print(f"    stroke run along row 5 (left arm): {run} px, about {run / 2 ** 0.5:.1f} px across")
    check(4 <= run <= 7, "strokes are about 4 px thick")
    check(not opaque[11, 2] and not opaque[2, 11], "arms are separate away from the centre")
    top = rgba[1:11, :, :3][opaque[1:11]].mean(axis=0)
    bottom = rgba[12:22, :, :3][opaque[12:22]].mean(axis=0)
    print(f"    upper half mean {tuple(int(v) for v in top)}, lower half mean "
          f"{tuple(int(v) for v in bottom)}")
    check(top.sum() > bottom.sum() + 60, "lighter in the upper half")


# -------------------------------------------------------------------- icon

EXPECT_ICO = [(16, 24, "BMP"), (256, 32, "PNG"), (128, 32, "BMP"), (48, 32, "BMP"),
              (32, 32, "BMP"), (24, 32, "BMP"), (16, 32, "BMP")]


def decode_dib(blob, size, bits):
    hdr = struct.unpack("<IiiHHIIiiII", blob[:40])
    bi_size, w, h2, planes, bitcount, compression = hdr[:6]
    check(bi_size == 40 and w == size and h2 == 2 * size and planes == 1
          and bitcount == bits and compression == 0,
          f"{size}x{size} DIB header: BITMAPINFOHEADER, height doubled, {bits} bpp, BI_RGB")
    stride = (size * bits // 8 + 3) & ~3
    mstride = ((size + 31) // 32) * 4
    check(len(blob) == 40 + stride * size + mstride * size,
          f"{size}x{size} DIB length = header + colour rows + AND mask")
    rows = np.frombuffer(blob[40:40 + stride * size], dtype=np.uint8).reshape(size, stride)
    bpp = bits // 8
    colour = rows[:, :size * bpp].reshape(size, size, bpp)[::-1]
    mrows = np.frombuffer(blob[40 + stride * size:], dtype=np.uint8).reshape(size, mstride)
    andmask = np.unpackbits(mrows, axis=1)[:, :size][::-1].astype(bool)
    return colour, andmask


def check_ico():
    path = os.path.join(ASSETS, "talvane.ico")
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    print(f"talvane.ico: {len(data)} bytes, type {kind}, {count} images")
    check(reserved == 0 and kind == 1 and count == 7, "icon directory with 7 images")
    end = 6 + 16 * count
    for i, (size, bits, fmt) in enumerate(EXPECT_ICO[:count]):
        bw, bh, ncol, res, planes, bitcount, nbytes, offset = \
            struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        blob = data[offset:offset + nbytes]
        got = "PNG" if blob[:8] == b"\x89PNG\r\n\x1a\n" else "BMP"
        print(f"  [{i + 1}] entry {bw or 256}x{bh or 256} colours {ncol} planes {planes} "
              f"bits {bitcount} bytes {nbytes} offset {offset} -> {got}")
        check((bw or 256) == size and (bh or 256) == size, f"[{i + 1}] is {size}x{size}")
        check(ncol == 0 and res == 0 and planes == 1 and bitcount == bits,
              f"[{i + 1}] colour count 0, planes 1, {bits} bits")
        check(offset == end and offset + nbytes <= len(data), f"[{i + 1}] offset follows the last one")
        end = offset + nbytes
        check(got == fmt, f"[{i + 1}] stored as {fmt}")
        if got == "PNG":
            im = Image.open(io.BytesIO(blob))
            print(f"      PNG {im.mode} {im.size}")
            check(im.mode == "RGBA" and im.size == (size, size), f"[{i + 1}] RGBA PNG")
            alpha = np.asarray(im)[..., 3]
        else:
            colour, andmask = decode_dib(blob, size, bits)
            if bits == 32:
                alpha = colour[..., 3]
                check(bool(((alpha < 128) == andmask).all()),
                      f"[{i + 1}] AND mask marks exactly the pixels with alpha < 128")
            else:
                alpha = np.where(andmask, 0, 255)
                check(bool((colour[andmask] == 0).all()),
                      f"[{i + 1}] masked-out pixels are black, so they stay transparent")
        opaque = alpha >= 128
        print(f"      opaque {opaque.mean() * 100:.0f}% of pixels, alpha levels "
              f"{len(np.unique(alpha))}")
        check(0.4 < opaque.mean() < 0.95, f"[{i + 1}] a shape on a transparent background")
    check(end == len(data), "no bytes after the last image")


# ---------------------------------------------------------- twice the size

def check_skin_double():
    one = np.asarray(Image.open(os.path.join(ASSETS, "skin.jpg")).convert("RGB")).astype(float)
    img = Image.open(os.path.join(ASSETS, "skin@2x.jpg"))
    print(f"skin@2x.jpg: {img.format} {img.mode} {img.size[0]}x{img.size[1]}")
    check(img.format == "JPEG" and img.mode == "RGB" and img.size == (650, 992),
          "JPEG, 24-bit RGB, 650 x 992")
    if img.size != (650, 992):
        return
    two = np.asarray(img).astype(float)
    check(two[160:736, 96:546].min() >= 250, "list area is white")
    reduced = two.reshape(496, 2, 325, 2, 3).mean(axis=(1, 3))
    diff = np.abs(reduced - one).mean()
    print(f"    mean difference from skin.jpg, 2 x 2 blocks averaged: {diff:.2f}")
    check(diff <= 2.0, "the same picture as skin.jpg")


def check_glyph_double(name, single, expect_extent):
    opaque = check_gif(name, lambda o, rgba: None, edge=48)
    agree = (opaque == single.repeat(2, axis=0).repeat(2, axis=1)).mean()
    print(f"    opaque where the 24 x 24 glyph is: {agree * 100:.1f}% of pixels, bbox {bbox(opaque)}")
    check(agree >= 0.97, "the same glyph as at 24 x 24")
    check(bbox(opaque) == expect_extent, f"opaque extent is exactly {expect_extent}")


def main():
    global ASSETS
    if len(sys.argv) > 1:
        ASSETS = sys.argv[1]
    check_skin()
    bar = check_gif("minimise.gif", expect_bar)
    cross = check_gif("close.gif", expect_cross)
    check_skin_double()
    check_glyph_double("minimise@2x.gif", bar, (0, 20, 47, 31))
    check_glyph_double("close@2x.gif", cross, (2, 2, 43, 43))
    check_ico()
    if failures:
        print(f"{len(failures)} check(s) failed")
        sys.exit(1)
    print("all checks passed")


if __name__ == "__main__":
    main()
