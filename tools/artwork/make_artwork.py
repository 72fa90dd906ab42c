#!/usr/bin/python3
"""Draws Talvane's window skin, title-bar glyphs and application icon.

Everything is drawn here from numbers; the only outside input is the
DejaVu Serif Bold font.  See README.md beside it for how to run it.
"""

import argparse
import io
import math
import os
import struct
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.normpath(os.path.join(HERE, "..", "..", "app", "assets"))

TITLE_FONTS = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSerifBold.ttf",
]

SKIN_W, SKIN_H = 325, 496

# Layout that the window code relies on (inclusive pixel ranges).
TITLE_BOX = (14, 15, 180, 33)
PANEL_BOX = (35, 62, 289, 392)
LIST_BOX = (48, 80, 272, 367)
TAB_BOX = (290, 191, 324, 269)
EMBLEM_BOX = (132, 416, 193, 476)

FIELD_CENTRE = (90, 19, 19)
FIELD_CORNER = (56, 12, 13)


# ---------------------------------------------------------------- helpers

def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def lerp(a, b, t):
    a = np.asarray(a, dtype=np.float64)
    b = np.asarray(b, dtype=np.float64)
    t = np.asarray(t, dtype=np.float64)[..., None]
    return a + (b - a) * t


def box_blur_axis(a, r, axis):
    if r <= 0:
        return a
    pad = [(0, 0)] * a.ndim
    pad[axis] = (r + 1, r)
    c = np.cumsum(np.pad(a, pad, mode="constant"), axis=axis)
    n = a.shape[axis]
    hi = np.take(c, np.arange(2 * r + 1, 2 * r + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return (hi - lo) / (2 * r + 1)


def gaussian_blur(a, sigma):
    # Three box passes are close enough to a Gaussian for glows and bevels.
    r = int(round((math.sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0))
    for _ in range(3):
        a = box_blur_axis(a, r, 0)
        a = box_blur_axis(a, r, 1)
    return a


def shift(a, dy, dx):
    """Move an array by whole pixels, filling with zeros (np.roll would wrap)."""
    out = np.zeros_like(a)
    h, w = a.shape[:2]
    out[max(dy, 0):h + min(dy, 0), max(dx, 0):w + min(dx, 0)] = \
        a[max(-dy, 0):h + min(-dy, 0), max(-dx, 0):w + min(-dx, 0)]
    return out


def pixel_grid(w, h, scale=1.0):
    """Pixel-centre coordinates, in units of `scale` pixels."""
    ys, xs = np.mgrid[0:h, 0:w].astype(np.float64)
    return (xs + 0.5) / scale, (ys + 0.5) / scale


def rounded_rect_sdf(xs, ys, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle given by its outer edges."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    bx, by = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r
    qx = np.abs(xs - cx) - bx
    qy = np.abs(ys - cy) - by
    outside = np.hypot(np.maximum(qx, 0.0), np.maximum(qy, 0.0))
    inside = np.minimum(np.maximum(qx, qy), 0.0)
    return outside + inside - r


def coverage(sdf, soft=1.0):
    """Antialiased fill from a signed distance measured in output pixels."""
    return np.clip(0.5 - sdf / soft, 0.0, 1.0)


class Canvas:
    """Premultiplied float RGBA so layered alpha stays correct."""

    def __init__(self, w, h):
        self.px = np.zeros((h, w, 4), dtype=np.float64)

    def paint(self, rgb, alpha):
        rgb = np.asarray(rgb, dtype=np.float64) / 255.0
        alpha = np.clip(np.asarray(alpha, dtype=np.float64), 0.0, 1.0)
        if rgb.ndim == 1:
            rgb = np.broadcast_to(rgb, self.px.shape[:2] + (3,))
        a = alpha[..., None] if alpha.ndim == 2 else alpha
        self.px[..., :3] = rgb * a + self.px[..., :3] * (1.0 - a)
        self.px[..., 3] = alpha + self.px[..., 3] * (1.0 - alpha)

    def paint_image(self, rgba, left, top):
        """Composite an 8-bit RGBA PIL image with its top-left at (left, top)."""
        src = np.asarray(rgba, dtype=np.float64) / 255.0
        h, w = src.shape[:2]
        region = Canvas(w, h)
        region.px = self.px[top:top + h, left:left + w].copy()
        region.paint(src[..., :3] * 255.0, src[..., 3])
        self.px[top:top + h, left:left + w] = region.px

    def to_image(self):
        a = self.px[..., 3:4]
        rgb = np.where(a > 1e-6, self.px[..., :3] / np.maximum(a, 1e-6), 0.0)
        out = np.concatenate([rgb, a], axis=2)
        return Image.fromarray(np.round(np.clip(out, 0, 1) * 255).astype(np.uint8), "RGBA")


# ----------------------------------------------------------------- emblem

GEAR_TEETH = 10

# Proportions of the badge, relative to the canvas (radii) or to the sphere
# (arrow).  Icons of 32 px and less use SMALL: the badge fills the canvas
# (they get no drop shadow), the arc is shorter with a bigger head, and the
# sheen is faint so it does not swallow the head.
DETAILED = dict(tip=0.466, root=0.405, sphere=0.300, groove=0.018, ring=True,
                arc_r=0.56, arc_w=0.20, start=-40.0, sweep=300.0,
                head_half=1.4, head_len=1.85, sheen=1.0)
SMALL = dict(tip=0.495, root=0.415, sphere=0.32, groove=0.025, ring=False,
             arc_r=0.58, arc_w=0.26, start=-5.0, sweep=240.0,
             head_half=1.7, head_len=2.0, sheen=0.3)


def render_emblem(size=1024, shape=DETAILED, shadow=True):
    """The cog badge with its sphere and clockwise arrow, as RGBA."""
    s = float(size)
    xs, ys = pixel_grid(size, size)
    cx = cy = s / 2.0
    dx, dy = xs - cx, ys - cy
    r = np.hypot(dx, dy)
    theta = np.arctan2(dy, dx)
    aa = max(1.0, s / 512.0)

    tip_r = shape["tip"] * s
    root_r = shape["root"] * s
    sphere_r = shape["sphere"] * s
    groove_w = shape["groove"] * s

    # Teeth are trapezoids in angle; smoothstep rounds their corners.
    phase = (theta / (2 * math.pi) * GEAR_TEETH + 0.25) % 1.0
    dist_from_tooth = np.abs(phase - 0.5)
    profile = 1.0 - smoothstep(0.17, 0.29, dist_from_tooth)
    gear_edge = root_r + (tip_r - root_r) * profile
    gear_cov = coverage((r - gear_edge) / aa)

    canvas = Canvas(size, size)

    if shadow:
        sh = gaussian_blur(gear_cov, 0.014 * s)
        sh = shift(sh, int(0.016 * s), 0)
        canvas.paint((40, 0, 20), sh * 0.45)

    # Body: a diagonal magenta gradient, lit from the top left.
    diag = np.clip(((dx + dy) / (2 * tip_r) + 0.5), 0.0, 1.0)
    body = lerp((238, 78, 182), (150, 12, 104), smoothstep(0.0, 1.0, diag))

    # Bevel from the slope of a blurred mask; light comes from the top left.
    height = gaussian_blur(gear_cov, 0.012 * s)
    gy, gx = np.gradient(height)
    slope = (gx * 0.7071 + gy * 0.7071) * (0.012 * s) * 2.2
    body = body + np.clip(-slope, 0, 1)[..., None] * np.array([70.0, 80.0, 70.0])
    body = body - np.clip(slope, 0, 1)[..., None] * np.array([80.0, 10.0, 50.0])
    canvas.paint(np.clip(body, 0, 255), gear_cov)

    # Thin dark rim keeps the cog outline crisp on light and dark backgrounds.
    rim = np.clip(gear_cov - coverage((r - gear_edge + 0.010 * s) / aa), 0, 1)
    canvas.paint((105, 0, 70), rim * 0.85)

    # A raised ring at the root of the teeth gives the badge some depth.
    ring_in, ring_out = sphere_r + groove_w, root_r - 0.035 * s
    ring_mid = (ring_in + ring_out) / 2.0
    ring = coverage((np.abs(r - ring_mid) - 0.006 * s) / aa) * shape["ring"]
    ring_light = np.clip(-(dx + dy) / (r + 1e-6) * 0.7071, -1, 1)
    canvas.paint((255, 170, 230), ring * np.clip(ring_light, 0, 1) * 0.55)
    canvas.paint((110, 0, 75), ring * np.clip(-ring_light, 0, 1) * 0.55)

    # Groove the sphere sits in.
    groove = coverage((r - sphere_r - groove_w) / aa)
    canvas.paint((85, 0, 58), groove)

    # Glossy sphere: diffuse shading on a hemisphere plus a top-left sheen.
    nx, ny = dx / sphere_r, dy / sphere_r
    nz = np.sqrt(np.clip(1.0 - nx * nx - ny * ny, 0.0, 1.0))
    light = np.array([-0.45, -0.55, 0.70])
    light = light / np.linalg.norm(light)
    diffuse = np.clip(nx * light[0] + ny * light[1] + nz * light[2], 0.0, 1.0)
    sphere = lerp((58, 0, 42), (196, 26, 128), diffuse ** 0.9)
    # Light bounced from below warms the lower rim.
    bounce = smoothstep(0.55, 1.0, np.hypot(nx, ny)) * smoothstep(0.2, 0.9, ny)
    sphere = sphere + bounce[..., None] * np.array([70.0, 10.0, 40.0])
    sphere_cov = coverage((r - sphere_r) / aa)
    canvas.paint(np.clip(sphere, 0, 255), sphere_cov)

    # Sheen: a tilted window reflection in the upper left, fading downwards,
    # with a hot spot where the light source would be.
    ca, sa = math.cos(math.radians(-35)), math.sin(math.radians(-35))
    ux, uy = dx + 0.36 * sphere_r, dy + 0.46 * sphere_r
    ex = (ux * ca + uy * sa) / (0.52 * sphere_r)
    ey = (-ux * sa + uy * ca) / (0.34 * sphere_r)
    e = np.hypot(ex, ey)
    sheen = (1.0 - smoothstep(0.80, 1.0, e)) * (0.80 - 0.62 * smoothstep(-1.0, 1.0, ey))
    canvas.paint((255, 232, 246), sheen * shape["sheen"] * sphere_cov)
    spot = 1.0 - smoothstep(0.0, 0.13 * sphere_r,
                            np.hypot(dx + 0.42 * sphere_r, dy + 0.44 * sphere_r))
    canvas.paint((255, 255, 255), spot * 0.85 * sphere_cov)

    # Clockwise arrow: an open arc whose head points across the gap at the top.
    arc_r = shape["arc_r"] * sphere_r
    arc_w = shape["arc_w"] * sphere_r
    start = math.radians(shape["start"])
    sweep = math.radians(shape["sweep"])
    ang = (theta - start) % (2 * math.pi)
    in_sweep = ang <= sweep
    band = coverage((np.abs(r - arc_r) - arc_w / 2.0) / aa)
    arc = np.where(in_sweep, band, 0.0)
    sx, sy = cx + arc_r * math.cos(start), cy + arc_r * math.sin(start)
    arc = np.maximum(arc, coverage((np.hypot(xs - sx, ys - sy) - arc_w / 2.0) / aa))

    end = start + sweep
    ex0, ey0 = cx + arc_r * math.cos(end), cy + arc_r * math.sin(end)
    head_half = arc_w * shape["head_half"]
    head_len = arc_w * shape["head_len"]
    back = arc_w * 0.15
    # Aim the head along the chord it covers so it follows the circle
    # instead of flying off at a tangent.
    aim = end + 0.5 * head_len / arc_r
    tx, ty = -math.sin(aim), math.cos(aim)  # clockwise on screen
    rx, ry = math.cos(aim), math.sin(aim)
    head = Image.new("L", (size * 2, size * 2), 0)
    pts = [
        (ex0 - tx * back + rx * head_half, ey0 - ty * back + ry * head_half),
        (ex0 + tx * head_len, ey0 + ty * head_len),
        (ex0 - tx * back - rx * head_half, ey0 - ty * back - ry * head_half),
    ]
    ImageDraw.Draw(head).polygon([(x * 2, y * 2) for x, y in pts], fill=255)
    head = np.asarray(head.resize((size, size), Image.LANCZOS), dtype=np.float64) / 255.0
    arrow = np.maximum(arc, head)

    ash = shift(gaussian_blur(arrow, 0.010 * s), int(0.008 * s), int(0.005 * s))
    canvas.paint((40, 0, 30), ash * 0.55 * sphere_cov)
    # A dark halo keeps the head readable where it crosses the sheen.
    halo = np.clip(gaussian_blur(arrow, 0.012 * s) * 3.0, 0, 1)
    canvas.paint((72, 0, 50), halo * 0.5 * sphere_cov)
    shade = lerp((255, 255, 255), (236, 222, 232), smoothstep(-0.6, 0.8, dy / sphere_r))
    canvas.paint(shade, arrow)

    return canvas.to_image()


def downscale(img, size):
    w, h = size if isinstance(size, tuple) else (size, size)
    # Pillow premultiplies RGBA before filtering, so edges get no dark fringe.
    return img.resize((w, h), Image.LANCZOS)


# ------------------------------------------------------------------- skin

def find_font():
    for path in TITLE_FONTS:
        if os.path.exists(path):
            return path
    sys.exit("no title font found; install fonts-dejavu-core")


def text_mask(text, font, track):
    """Ink of `text` on one baseline with `track` extra pixels between letters."""
    m = Image.new("L", (int(font.getlength(text) + track * len(text) + font.size * 2),
                        font.size * 2), 0)
    draw = ImageDraw.Draw(m)
    pen = font.size * 0.5
    for ch in text:
        draw.text((pen, font.size * 1.5), ch, font=font, fill=255, anchor="ls")
        pen += font.getlength(ch) + track
    return m.crop(m.getbbox())


def title_layer(box, scale):
    """Gold lettering fitted to `box`, as (RGBA image, left, top) at `scale`."""
    x0, y0, x1, y1 = box
    bw, bh = x1 - x0 + 1, y1 - y0 + 1
    font = ImageFont.truetype(find_font(), 200)
    text = "Talvane"
    # The layout gives the name a long, low box.  Widening the letters a
    # little and opening the spacing a little fills it; either alone makes
    # the word look either squashed or scattered.
    stretch = 1.3
    plain = text_mask(text, font, 0)
    track = (bw / bh * plain.height / stretch - plain.width) / (len(text) - 1)
    mask = text_mask(text, font, track)
    mask = mask.resize((int(mask.width * stretch), mask.height), Image.LANCZOS)

    # Drawn four times finer than the output, then reduced.
    fine = 4 * scale
    m = np.asarray(mask.resize((bw * fine, bh * fine), Image.LANCZOS), dtype=np.float64) / 255.0
    h4, w4 = m.shape
    t = (np.arange(h4) + 0.5) / h4
    # Polished gold: pale top, a bright band, a dark horizon, warm bottom.
    stops = [
        (0.00, (255, 246, 196)),
        (0.30, (246, 214, 118)),
        (0.52, (214, 158, 48)),
        (0.56, (176, 112, 26)),
        (0.80, (222, 170, 66)),
        (1.00, (246, 208, 120)),
    ]
    col = np.zeros((h4, 3))
    for (ta, ca), (tb, cb) in zip(stops, stops[1:]):
        sel = (t >= ta) & (t <= tb)
        col[sel] = lerp(ca, cb, (t[sel] - ta) / (tb - ta))
    rgb = np.broadcast_to(col[:, None, :], (h4, w4, 3))

    pad = 4 * fine
    layer = Canvas(w4 + 2 * pad, h4 + 2 * pad)
    full = np.zeros((h4 + 2 * pad, w4 + 2 * pad))
    full[pad:pad + h4, pad:pad + w4] = m
    shadow = gaussian_blur(shift(full, 5 * scale, 4 * scale), 3.0 * scale)
    layer.paint((24, 2, 4), np.clip(shadow * 1.4, 0, 1) * 0.85)
    # A dark brown edge around the letters keeps them crisp after scaling.
    edge = np.clip(gaussian_blur(full, 1.6 * scale) * 2.2, 0, 1)
    layer.paint((86, 40, 8), edge * 0.8)
    rgb_full = np.zeros(full.shape + (3,))
    rgb_full[pad:pad + h4, pad:pad + w4] = rgb
    layer.paint(rgb_full, full)
    img = layer.to_image()
    img = img.resize((img.width // 4, img.height // 4), Image.LANCZOS)
    return img, (x0 - 4) * scale, (y0 - 4) * scale


def make_skin(emblem_hi, scale=1):
    """The skin at `scale` times its layout size; every length below is in
    layout pixels, except blur radii and the edge softness, which are in
    output pixels."""
    w, h = SKIN_W * scale, SKIN_H * scale
    xs, ys = pixel_grid(w, h, scale)

    def fill(sdf):
        return coverage(sdf * scale)

    # Field: dark red, falling off towards the corners.
    nx = (xs - SKIN_W / 2.0) / (SKIN_W / 2.0)
    ny = (ys - SKIN_H / 2.0) / (SKIN_H / 2.0)
    t = np.clip(np.hypot(nx, ny) / math.sqrt(2.0), 0.0, 1.0)
    # Most of the field stays at the centre colour; only the outer reaches,
    # mostly the corners, fall off.
    field = lerp(FIELD_CENTRE, FIELD_CORNER, smoothstep(0.5, 1.0, t))
    # A faint fixed grain stops the gradient banding once it is a JPEG.
    grain = np.random.default_rng(20240611).normal(0.0, 0.6, (h, w, 1))
    canvas = Canvas(w, h)
    canvas.paint(np.clip(field + grain, 0, 255), np.ones((h, w)))

    px0, py0, px1, py1 = PANEL_BOX
    panel_sdf = rounded_rect_sdf(xs, ys, px0, py0, px1 + 1, py1 + 1, 16.0)
    tx0, ty0, tx1, ty1 = TAB_BOX
    # The tab's left end is buried in the panel so the two read as one piece.
    tab_sdf = rounded_rect_sdf(xs, ys, tx0 - 20, ty0, tx1 + 1, ty1 + 1, 11.0)
    panel_cov = fill(panel_sdf)
    tab_cov = fill(tab_sdf)
    union = np.maximum(panel_cov, tab_cov)

    glow = gaussian_blur(union, 5.0 * scale)
    canvas.paint((226, 48, 38), np.clip(glow * 1.5, 0, 1) * 0.80 * (1 - union))
    halo = gaussian_blur(union, 1.4 * scale)
    canvas.paint((255, 120, 96), np.clip(halo * 2.0, 0, 1) * 0.35 * (1 - union))

    # Tab first, so the panel's rounded edge overlaps its buried end.
    tab_t = (ys - ty0) / (ty1 - ty0 + 1)
    tab = lerp((226, 224, 226), (186, 182, 186), smoothstep(0.0, 1.0, tab_t))
    tab_depth = -tab_sdf
    tab = tab - (1.0 - smoothstep(0.0, 3.0, tab_depth))[..., None] * np.array([30.0, 34.0, 32.0])
    tab = tab + (1.0 - smoothstep(0.0, 2.0, np.abs(tab_depth - 2.0))) \
        [..., None] * np.array([18.0, 18.0, 18.0]) * (ys < (ty0 + ty1) / 2)[..., None]
    canvas.paint(np.clip(tab, 0, 255), tab_cov)
    # Grip ridges: three short grooves, each with a highlight under it.
    gx0 = tx0 + 11
    for i in range(3):
        gy = (ty0 + ty1) // 2 - 6 + i * 6
        dark = rounded_rect_sdf(xs, ys, gx0, gy, tx1 - 8, gy + 1, 0.5)
        lite = rounded_rect_sdf(xs, ys, gx0, gy + 1, tx1 - 8, gy + 2, 0.5)
        canvas.paint((150, 146, 150), fill(dark))
        canvas.paint((246, 246, 246), fill(lite) * 0.9)

    # Panel: white in the middle, greying only in the margin around the list.
    depth = -panel_sdf
    edge_t = 1.0 - smoothstep(0.0, 12.0, depth)
    panel = lerp((255, 255, 255), (204, 202, 206), edge_t ** 1.6)
    canvas.paint(panel, panel_cov)
    # A one-pixel darker lip gives the rounded edge a clean line.
    lip = np.clip(panel_cov - fill(panel_sdf + 1.0), 0, 1)
    canvas.paint((170, 150, 152), lip * 0.6)

    title, tl, tt = title_layer(TITLE_BOX, scale)
    canvas.paint_image(title, tl, tt)

    ex0, ey0, ex1, ey1 = EMBLEM_BOX
    ew, eh = (ex1 - ex0 + 1) * scale, (ey1 - ey0 + 1) * scale
    ex0, ey0 = ex0 * scale, ey0 * scale
    emblem = emblem_hi.crop(emblem_hi.getbbox())
    emblem = downscale(emblem, (ew, eh))
    # Seat the badge on the field with a soft shadow just below it.
    cast = np.zeros((h, w))
    cast[ey0:ey0 + eh, ex0:ex0 + ew] = np.asarray(emblem, dtype=np.float64)[..., 3] / 255.0
    cast = gaussian_blur(shift(cast, 2 * scale, scale), 1.6 * scale)
    canvas.paint((20, 0, 4), cast * 0.6)
    canvas.paint_image(emblem, ex0, ey0)

    return canvas.to_image().convert("RGB")


# ----------------------------------------------------------------- glyphs

TRANSPARENT = 0


def write_gif(path, shades, mask):
    """Save a paletted GIF; index 0 is the only transparent entry."""
    h, w = mask.shape
    rgb = np.asarray(shades, dtype=np.uint8)
    colours = sorted({tuple(int(v) for v in rgb[y, x]) for y in range(h) for x in range(w) if mask[y, x]})
    if len(colours) > 255:
        raise ValueError("too many shades for a GIF palette")
    index = {c: i + 1 for i, c in enumerate(colours)}
    idx = np.zeros((h, w), dtype=np.uint8)
    for y in range(h):
        for x in range(w):
            if mask[y, x]:
                idx[y, x] = index[tuple(int(v) for v in rgb[y, x])]
    # The transparent entry is a colour no opaque pixel uses.
    palette = [255, 0, 255]
    for c in colours:
        palette.extend(c)
    palette.extend([0, 0, 0] * (256 - 1 - len(colours)))
    img = Image.fromarray(idx, "P")
    img.putpalette(palette)
    img.save(path, "GIF", transparency=TRANSPARENT, optimize=False)


def make_minimise(scale=1):
    w = h = 24 * scale

    def row(r):  # one layout row, as output rows
        return slice(r * scale, (r + 1) * scale)

    mask = np.zeros((h, w), dtype=bool)
    mask[10 * scale:16 * scale, :] = True
    x = (np.arange(w) + 0.5) / w
    base = lerp((244, 96, 80), (168, 22, 22), x)  # (w, 3)
    shades = np.zeros((h, w, 3))
    shades[mask] = np.broadcast_to(base, (h, w, 3))[mask]
    shades[row(10)] = base + 34.0   # lit top edge
    shades[row(11)] = base + 12.0
    shades[row(15)] = base * 0.62   # darker underside separates it from the skin
    return np.clip(np.round(shades), 0, 255), mask


def make_close(scale=1):
    w = h = 24 * scale
    ss = 8
    xs, ys = pixel_grid(w * ss, h * ss, scale=ss)
    lo, hi = 1.0 * scale, 22.0 * scale  # outer edges of layout pixels 1..21
    half = 2.05 * scale
    d1 = np.abs((xs - lo) - (ys - lo)) / math.sqrt(2.0)
    d2 = np.abs((xs - lo) - (hi - ys)) / math.sqrt(2.0)
    inside_box = (xs >= lo) & (xs <= hi) & (ys >= lo) & (ys <= hi)
    fine = ((d1 <= half) | (d2 <= half)) & inside_box
    cov = fine.reshape(h, ss, w, ss).mean(axis=(1, 3))
    mask = cov >= 0.5

    y = (np.arange(h) + 0.5)
    t = smoothstep(lo, hi, y)
    col = lerp((246, 104, 88), (160, 18, 18), t)  # (h, 3)
    shades = np.broadcast_to(col[:, None, :], (h, w, 3)).copy()
    # Darken the lower-right boundary, one layout pixel deep: a hint of depth
    # that stays inside the box.
    s = scale
    below = np.zeros_like(mask)
    below[:-s, :] |= mask[:-s, :] & ~mask[s:, :]
    below[:, :-s] |= mask[:, :-s] & ~mask[:, s:]
    below[-s:, :] |= mask[-s:, :]
    below[:, -s:] |= mask[:, -s:]
    shades[below] *= 0.6
    return np.clip(np.round(shades), 0, 255), mask


# ------------------------------------------------------------------- icon

def dib(img, bits):
    """BITMAPINFOHEADER image with XOR bitmap and AND mask, bottom-up."""
    w, h = img.size
    px = np.asarray(img.convert("RGBA"), dtype=np.uint8)
    alpha = px[..., 3]
    transparent = alpha < 128
    if bits == 24:
        # No alpha channel: the AND mask cuts the shape, so transparent
        # pixels are black and opaque ones keep their unblended colour.
        rgb = px[..., :3].copy()
        rgb[transparent] = 0
        rows = rgb[::-1, :, ::-1].reshape(h, w * 3)
    elif bits == 32:
        bgra = px[..., [2, 1, 0, 3]]
        rows = bgra[::-1].reshape(h, w * 4)
    else:
        raise ValueError(bits)
    stride = (rows.shape[1] + 3) & ~3
    xor = np.zeros((h, stride), dtype=np.uint8)
    xor[:, :rows.shape[1]] = rows

    mask_stride = ((w + 31) // 32) * 4
    bits_row = np.packbits(transparent[::-1], axis=1)
    and_mask = np.zeros((h, mask_stride), dtype=np.uint8)
    and_mask[:, :bits_row.shape[1]] = bits_row

    payload = xor.tobytes() + and_mask.tobytes()
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, len(payload), 0, 0, 0, 0)
    return header + payload


def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=True)
    return buf.getvalue()


ICON_LAYOUT = [  # (size, bits, stored as PNG)
    (16, 24, False),
    (256, 32, True),
    (128, 32, False),
    (48, 32, False),
    (32, 32, False),
    (24, 32, False),
    (16, 32, False),
]


def icon_image(size, emblem_big, emblem_small):
    src = emblem_small if size <= 32 else emblem_big
    img = downscale(src, size)
    if size <= 32:
        # Lanczos leaves the arrow and teeth soft at this size; a light
        # unsharp pass firms them up.
        img = img.filter(ImageFilter.UnsharpMask(radius=0.6, percent=60, threshold=0))
    return img


def write_ico(path, images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img, bits, as_png in images:
        data = png_bytes(img) if as_png else dib(img, bits)
        w, h = img.size
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(data), offset))
        blobs.append(data)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        f.write(b"".join(entries))
        f.write(b"".join(blobs))


# ------------------------------------------------------------------- main

def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=DEFAULT_OUT, help="output folder (default: app/assets)")
    ap.add_argument("--preview", help="also write a PNG of the 1024 px emblem here")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)

    emblem_big = render_emblem(1024)
    emblem_small = render_emblem(1024, SMALL, shadow=False)
    emblem_flat = render_emblem(1024, shadow=False)
    if args.preview:
        emblem_big.save(args.preview)

    # Each picture of the window also at twice the size, for screens that
    # scale by more than one; the window uses these names.
    for scale, suffix in ((1, ""), (2, "@2x")):
        skin = make_skin(emblem_flat, scale)
        skin.save(os.path.join(args.out, f"skin{suffix}.jpg"), "JPEG", quality=95, subsampling=0)
        write_gif(os.path.join(args.out, f"minimise{suffix}.gif"), *make_minimise(scale))
        write_gif(os.path.join(args.out, f"close{suffix}.gif"), *make_close(scale))

    images = [(icon_image(size, emblem_big, emblem_small), bits, as_png)
              for size, bits, as_png in ICON_LAYOUT]
    write_ico(os.path.join(args.out, "talvane.ico"), images)


if __name__ == "__main__":
    main()
