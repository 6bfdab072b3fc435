#!/usr/bin/python3
"""Generate the editor's artwork and fonts into resources/.

Run with Debian's system interpreter, /usr/bin/python3: the modules it needs
(python3-pil, python3-fonttools, python3-numpy) belong to that interpreter, not to
any other python3 that may come first on PATH.  The source fonts come from the
Debian packages fonts-inter and fonts-bebas-neue:

    apt-get install -y python3-pil python3-fonttools python3-numpy \
        fonts-inter fonts-bebas-neue
    /usr/bin/python3 scripts/make_resources.py

The output is byte-for-byte the same on every run with the same package
versions: noise comes from fixed seeds, PNGs carry no time or text chunks, and
the fonts keep the source fonts' own creation and modification dates.

Every image is drawn in the logical coordinates in which the editor shows it and
rendered supersampled, then reduced by area averaging to each variant's exact
pixel size.  A 2x variant whose size is not exactly twice the 1x one (the band
labels) is thus the same picture, never a cropped one.
"""

import io
import math
import os
import re
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont
from fontTools import subset
from fontTools.pens.cu2quPen import Cu2QuPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources")

INTER_DIR = "/usr/share/fonts/opentype/inter"
INTER_REGULAR = os.path.join(INTER_DIR, "Inter-Regular.otf")
INTER_SEMIBOLD = os.path.join(INTER_DIR, "Inter-SemiBold.otf")
BEBAS_BOLD = "/usr/share/fonts/opentype/bebas-neue/BebasNeue-Bold.otf"
INTER_COPYRIGHT = "/usr/share/doc/fonts-inter/copyright"
BEBAS_COPYRIGHT = "/usr/share/doc/fonts-bebas-neue/copyright"

OFF_WHITE = (233, 233, 222)
LEVEL_BAR = (232, 232, 222, 77)
GLYPH_DARK = (37, 47, 56)
CLIP_RED = (207, 26, 68)

# Band colours of the crossover display, used for the small accent under the wordmark.


BAND_COLOURS = [(0xA3, 0x49, 0x5C), (0xC5, 0xB0, 0x5E), (0x66, 0xA2, 0x7F)]

# Where the editor puts its controls, in its 770 x 507 logical pixels.
EDITOR_W, EDITOR_H = 770, 507
DISPLAY = (178, 106, 413, 365)  # x, y, w, h of the crossover display
KNOB_CENTRES = [(95, 275), (673, 275)]  # 130 x 130 knobs at (30, 210) and (608, 210)
KNOB_RING_RADIUS = 63  # the knob strokes a 4 px ring on this radius
INPUT_METER = (30, 116, 133, 18)
OUTPUT_METER = (608, 117, 145, 18)  # strip plus clip indicator
# The editor draws "v1.2.3" from x 262 in 10 px Inter, centred in y 43.5 .. 55.5, which puts
# its baseline at 52.5; the wordmark shares that baseline.
VERSION_LABEL_X = 262
VERSION_BASELINE = 52.5

# Marks on the crossover display's square-root frequency axis (20 Hz .. 10 kHz).
FREQ_MARKS = [(20, "20"), (100, "100"), (500, "500"), (1000, "1K"), (2000, "2K"), (5000, "5K"),
              (10000, "10K")]


def require(path):
    if not os.path.exists(path):
        sys.exit(f"missing {path}: apt-get install -y fonts-inter fonts-bebas-neue")
    return path


def save_png(image, name):
    """Writes an 8-bit, non-interlaced PNG without time or text chunks."""
    assert image.mode in ("RGB", "RGBA")
    image.save(os.path.join(OUT, name), format="PNG", optimize=True)


def reduce_to(mask, size):
    """Area-averages a supersampled picture down to an exact pixel size."""
    return mask.resize(size, Image.BOX)


def coloured(mask, rgb):
    """An RGBA image of one colour whose alpha is the given mask."""
    image = Image.new("RGBA", mask.size, rgb + (0,))
    image.putalpha(mask)
    return image


def rounded_polygon(points, radii, steps=24):
    """Outline of a polygon whose corners are rounded with the given radii."""
    outline = []
    count = len(points)
    for i in range(count):
        px, py = points[i - 1]
        cx, cy = points[i]
        nx, ny = points[(i + 1) % count]
        r = radii[i]
        if r <= 0:
            outline.append((cx, cy))
            continue
        ax, ay = px - cx, py - cy
        bx, by = nx - cx, ny - cy
        la, lb = math.hypot(ax, ay), math.hypot(bx, by)
        ax, ay, bx, by = ax / la, ay / la, bx / lb, by / lb
        half = math.acos(max(-1.0, min(1.0, ax * bx + ay * by))) / 2
        along = r / math.tan(half)
        start = (cx + ax * along, cy + ay * along)
        end = (cx + bx * along, cy + by * along)
        bisector = (ax + bx, ay + by)
        lbis = math.hypot(*bisector)
        dist = r / math.sin(half)
        ox, oy = cx + bisector[0] / lbis * dist, cy + bisector[1] / lbis * dist
        a0 = math.atan2(start[1] - oy, start[0] - ox)
        a1 = math.atan2(end[1] - oy, end[0] - ox)
        sweep = (a1 - a0 + math.pi) % (2 * math.pi) - math.pi
        for s in range(steps + 1):
            a = a0 + sweep * s / steps
            outline.append((ox + r * math.cos(a), oy + r * math.sin(a)))
    return outline


# ---------------------------------------------------------------------------------------
# Small images


def make_level_bar():
    for name, size in (("vuband.png", (7, 365)), ("vuband2x.png", (14, 730))):
        save_png(Image.new("RGBA", size, LEVEL_BAR), name)


def ink_offset(font, ch):
    """Distance from the pen position to the glyph's leftmost ink, in font pixels."""
    pad = font.size
    scratch = Image.new("L", (pad * 3, pad * 3), 0)
    ImageDraw.Draw(scratch).text((pad, pad * 2), ch, font=font, fill=255, anchor="ls")
    return scratch.getbbox()[0] - pad


def make_band_labels():
    """LO / MID / HI: caps 9 px high, all standing on the same line 12 px above the
    display's bottom edge (the editor places the three images at different heights).

    Each variant moves every letter so that its left edge and the baseline fall on whole
    pixels of that variant; the upright strokes then stay crisp at both sizes."""
    factor = 16
    probe = ImageFont.truetype(require(BEBAS_BOLD), 100)
    size = 9 * 100 / -probe.getbbox("H", anchor="ls")[1]  # font size for a 9 px cap height
    font = ImageFont.truetype(BEBAS_BOLD, round(size * factor))
    tracking = 0.9
    # name, text, 1x box, 2x pixel size, baseline row inside the 1x box
    labels = [
        ("lo", "LO", (31, 13), (60, 24), 11),
        ("mid", "MID", (27, 14), (52, 26), 12),
        ("hi", "HI", (35, 17), (70, 33), 12),
    ]
    for stem, text, box, size2x, baseline in labels:
        for name, pixels in ((f"{stem}.png", box), (f"{stem}2x.png", size2x)):
            sx, sy = pixels[0] / box[0], pixels[1] / box[1]
            base = round(baseline * sy) / sy
            mask = Image.new("L", (box[0] * factor, box[1] * factor), 0)
            draw = ImageDraw.Draw(mask)
            x = 1.0
            for ch in text:
                ink_left = x + ink_offset(font, ch) / factor
                snapped = x + (round(ink_left * sx) / sx - ink_left)
                draw.text((snapped * factor, base * factor), ch, font=font, fill=255, anchor="ls")
                x += font.getlength(ch) / factor + tracking
            assert x - tracking <= box[0], f"{text} does not fit its box"
            save_png(coloured(reduce_to(mask, pixels), OFF_WHITE), name)


def make_drag_handle():
    """Downward triangle filling the 15 x 13 box; the tip is the centre of the bottom
    row's column 7, so the handle points at the crossover line below it."""
    factor = 32
    corners = [(0.25, 0.0), (14.75, 0.0), (7.5, 13.0)]
    outline = rounded_polygon(corners, [1.0, 1.0, 0.0])
    mask = Image.new("L", (15 * factor, 13 * factor), 0)
    ImageDraw.Draw(mask).polygon([(x * factor, y * factor) for x, y in outline], fill=255)
    # The rasteriser's pixel-centre rule is not mirror-symmetric; average it out so both
    # flanks of the tip carry the same weight.
    mask = Image.blend(mask, mask.transpose(Image.FLIP_LEFT_RIGHT), 0.5)
    save_png(coloured(reduce_to(mask, (15, 13)), OFF_WHITE), "handtagspil.png")
    save_png(coloured(reduce_to(mask, (30, 26)), OFF_WHITE), "handtagspil2x.png")


def expand_glyph_mask(size, factor):
    """Two arrows pointing out to the top-right and bottom-left corners."""
    s = factor
    mask = Image.new("L", (size * s, size * s), 0)
    draw = ImageDraw.Draw(mask)
    width = 2.4
    lo, hi, barb = 9.6, 22.4, 6.2
    strokes = [
        [(lo + 1.6, hi - 1.6), (hi - 1.6, lo + 1.6)],
        [(hi - barb, lo), (hi, lo), (hi, lo + barb)],
        [(lo, hi - barb), (lo, hi), (lo + barb, hi)],
    ]
    for stroke in strokes:
        pts = [(x * s, y * s) for x, y in stroke]
        draw.line(pts, fill=255, width=round(width * s), joint="curve")
        for x, y in (pts[0], pts[-1]):  # round caps
            r = width * s / 2
            draw.ellipse([x - r, y - r, x + r, y + r], fill=255)
    return mask


def make_zoom_buttons():
    factor = 16
    size = 32
    disc = Image.new("L", (size * factor, size * factor), 0)
    ImageDraw.Draw(disc).ellipse([0, 0, size * factor - 1, size * factor - 1], fill=255)
    disc = reduce_to(disc, (size, size))
    glyph = reduce_to(expand_glyph_mask(size, factor), (size, size))
    for name, opacity in (("windowzoom.png", 0.20), ("windowzoomidle.png", 0.50)):
        image = coloured(disc.point(lambda v, o=opacity: round(v * o)), (255, 255, 255))
        image.alpha_composite(coloured(glyph, GLYPH_DARK))
        save_png(image, name)


def make_meter_images():
    strip = Image.new("RGBA", (133, 18), (255, 255, 255, 0))
    draw = ImageDraw.Draw(strip)
    for k in range(10):
        draw.rectangle([14 * k, 0, 14 * k + 6, 17], fill=(255, 255, 255, 255))
    save_png(strip, "meterstrip.png")
    save_png(Image.new("RGB", (7, 18), CLIP_RED), "peak.png")


# ---------------------------------------------------------------------------------------
# Background


class Canvas:
    """Float RGB canvas in editor coordinates, SS canvas pixels per logical pixel."""

    SS = 4

    def __init__(self):
        self.w, self.h = EDITOR_W * self.SS, EDITOR_H * self.SS
        self.rgb = np.zeros((self.h, self.w, 3), dtype=np.float32)

    def mask(self):
        return Image.new("L", (self.w, self.h), 0)

    def px(self, v):
        return v * self.SS

    def rect(self, draw, x0, y0, x1, y1, radius=0.0, fill=255):
        box = [self.px(x0), self.px(y0), self.px(x1) - 1, self.px(y1) - 1]
        if radius > 0:
            draw.rounded_rectangle(box, radius=self.px(radius), fill=fill)
        else:
            draw.rectangle(box, fill=fill)

    def circle(self, draw, cx, cy, r, fill=255):
        draw.ellipse([self.px(cx - r), self.px(cy - r), self.px(cx + r) - 1, self.px(cy + r) - 1],
                     fill=fill)

    def paint(self, mask, rgb, opacity=1.0):
        """Blends a colour through a mask (PIL image or float array, 0..1)."""
        m = mask if isinstance(mask, np.ndarray) else np.asarray(mask, dtype=np.float32) / 255
        colour = np.array(rgb, dtype=np.float32) / 255
        k = (m * opacity)[..., None]
        self.rgb += (colour - self.rgb) * k

    def blur(self, mask, radius):
        return mask.filter(ImageFilter.GaussianBlur(self.px(radius)))

    def shift(self, mask, dx, dy):
        return mask.transform(mask.size, Image.AFFINE, (1, 0, -self.px(dx), 0, 1, -self.px(dy)))

    def inner_shadow(self, shape, radius, dy, opacity):
        """Dark rim inside a recessed shape, heavier along its top edge."""
        outside = Image.eval(shape, lambda v: 255 - v)
        shadow = self.blur(self.shift(outside, 0, dy), radius)
        m = np.asarray(shadow, dtype=np.float32) / 255 * (np.asarray(shape, dtype=np.float32) / 255)
        self.paint(m, (0, 0, 0), opacity)

    def text(self, draw, xy, text, font, tracking=0.0, anchor="ls", fill=255):
        """Draws text with extra letter spacing; returns the logical width."""
        x, y = self.px(xy[0]), self.px(xy[1])
        start = x
        for i, ch in enumerate(text):
            draw.text((x, y), ch, font=font, fill=fill, anchor=anchor)
            x += font.getlength(ch) + (self.px(tracking) if i < len(text) - 1 else 0)
        return (x - start) / self.SS

    def text_width(self, text, font, tracking=0.0):
        return (sum(font.getlength(ch) for ch in text) + self.px(tracking) * (len(text) - 1)) / self.SS

    def font(self, path, cap_height):
        """A font sized so that its capitals are cap_height logical pixels tall."""
        probe = ImageFont.truetype(require(path), 100)
        cap = -probe.getbbox("H", anchor="ls")[1]
        return ImageFont.truetype(path, round(self.px(cap_height) * 100 / cap))

    def image(self, size, sharpen=False):
        rgb = np.clip(np.rint(self.rgb * 255), 0, 255).astype(np.uint8)
        reduced = Image.fromarray(rgb, "RGB").resize(size, Image.BOX)
        if sharpen:
            reduced = reduced.filter(ImageFilter.UnsharpMask(radius=1.0, percent=60, threshold=0))
        return reduced.convert("RGBA")


def freq_x(hz):
    x, _, w, _ = DISPLAY
    return x + math.sqrt((hz - 20) / 9980) * w


def make_background():
    c = Canvas()
    rs = np.random.RandomState(20230519)
    H, W = c.h, c.w

    # Panel: cool dark blue-grey, lighter at the top, falling off towards the sides.
    y = np.linspace(0, 1, H, dtype=np.float32)[:, None]
    x = np.linspace(-1, 1, W, dtype=np.float32)[None, :]
    top, bottom = np.array([46, 56, 66], np.float32) / 255, np.array([27, 33, 40], np.float32) / 255
    shade = (1 - 0.10 * x ** 2) * (1 - 0.08 * y ** 3)
    c.rgb[:] = (top + (bottom - top) * y[..., None] ** 1.2) * shade[..., None]

    # Brushed metal: horizontal streaks one 2x pixel high.  They also dither the gradient;
    # a per-pixel grain would add nothing visible but quadruple the PNG.
    streaks = rs.standard_normal((EDITOR_H * 2, 48)).astype(np.float32)
    streaks = np.asarray(Image.fromarray(streaks, "F").resize((W, H), Image.BICUBIC))
    c.rgb *= (1 + 0.018 * streaks)[..., None]

    # Header strip with an engraved divider.
    header_h = 74
    m = c.mask()
    d = ImageDraw.Draw(m)
    c.rect(d, 0, 0, EDITOR_W, header_h)
    c.paint(m, (8, 11, 14), 0.28)
    m = c.mask()
    c.rect(ImageDraw.Draw(m), 0, header_h, EDITOR_W, header_h + 1)
    c.paint(m, (0, 0, 0), 0.45)
    m = c.mask()
    c.rect(ImageDraw.Draw(m), 0, header_h + 1, EDITOR_W, header_h + 2)
    c.paint(m, (255, 255, 255), 0.06)

    # Wordmark, its band-coloured underline, and the vendor on the right.
    dx, dy, dw, dh = DISPLAY
    word_font = c.font(BEBAS_BOLD, 16)
    baseline = VERSION_BASELINE
    m = c.mask()
    width = c.text(ImageDraw.Draw(m), (dx, baseline), "MALLOW", word_font, tracking=2.6)
    assert dx + width <= VERSION_LABEL_X - 7, "wordmark runs into the version label"
    c.paint(c.blur(c.shift(m, 0, 1.2), 1.2), (0, 0, 0), 0.55)
    c.paint(m, OFF_WHITE)
    seg = (width + 2) / 3
    for i, colour in enumerate(BAND_COLOURS):
        m = c.mask()
        c.rect(ImageDraw.Draw(m), dx + i * seg, baseline + 5, dx + (i + 1) * seg - 1.5, baseline + 7)
        c.paint(m, colour, 0.9)

    vendor_font = c.font(INTER_SEMIBOLD, 8)
    vendor = "VANTORP"
    vw = c.text_width(vendor, vendor_font, tracking=2.4)
    m = c.mask()
    c.text(ImageDraw.Draw(m), (dx + dw - vw, VERSION_BASELINE), vendor, vendor_font, tracking=2.4)
    c.paint(m, (150, 162, 174), 0.9)

    # Crossover display: a dark bezel around a slightly lighter recessed field.
    m = c.mask()
    c.rect(ImageDraw.Draw(m), dx - 5, dy - 5, dx + dw + 5, dy + dh + 5, radius=6)
    c.paint(c.blur(c.shift(m, 0, 1.5), 2.5), (0, 0, 0), 0.35)
    bezel = c.mask()
    c.rect(ImageDraw.Draw(bezel), dx - 4, dy - 4, dx + dw + 4, dy + dh + 4, radius=5)
    lip = c.shift(bezel, 0, 1)
    c.paint(np.clip(np.asarray(lip, np.float32) - np.asarray(bezel, np.float32), 0, 255) / 255,
            (255, 255, 255), 0.09)
    c.paint(bezel, (14, 18, 22), 0.85)
    field = c.mask()
    c.rect(ImageDraw.Draw(field), dx, dy, dx + dw, dy + dh, radius=2)
    fy = np.linspace(0, 1, H, dtype=np.float32)[:, None] * np.ones((1, W), np.float32)
    fy = np.clip((fy * EDITOR_H - dy) / dh, 0, 1)
    field_a = np.asarray(field, np.float32) / 255
    c.paint(field_a * (1 - fy), (58, 69, 80))
    c.paint(field_a * fy, (44, 53, 62))
    c.rgb *= (1 + 0.018 * streaks * field_a)[..., None]  # the field keeps the brushing
    # Faint grid: frequency marks across, quarter gains up the field.
    grid = c.mask()
    gd = ImageDraw.Draw(grid)
    for hz, _ in FREQ_MARKS[1:-1]:
        gx = freq_x(hz)
        c.rect(gd, gx - 0.5, dy, gx + 0.5, dy + dh)
    for q in (0.25, 0.5, 0.75):
        gy = dy + dh * q
        c.rect(gd, dx, gy - 0.5, dx + dw, gy + 0.5)
    c.paint(np.asarray(grid, np.float32) / 255 * field_a, (255, 255, 255), 0.055)
    c.inner_shadow(field, 3.0, 1.5, 0.75)

    # Frequency scale under the display.
    scale_font = c.font(INTER_SEMIBOLD, 6.5)
    m = c.mask()
    d = ImageDraw.Draw(m)
    ticks = c.mask()
    td = ImageDraw.Draw(ticks)
    for hz, label in FREQ_MARKS:
        gx = freq_x(hz)
        lw = c.text_width(label, scale_font, tracking=0.6)
        lx = min(max(gx - lw / 2, dx), dx + dw - lw)
        c.text(d, (lx, dy + dh + 19), label, scale_font, tracking=0.6)
        c.rect(td, gx - 0.5, dy + dh + 6, gx + 0.5, dy + dh + 10)
    c.paint(ticks, (120, 132, 144), 0.8)
    c.paint(m, (120, 132, 144), 0.95)

    # Knob wells: a recessed ring under the knob's value arc, ticks every tenth, a raised cap.
    label_font = c.font(INTER_SEMIBOLD, 8)
    for (kx, ky), caption in zip(KNOB_CENTRES, ("GAIN IN", "GAIN OUT")):
        well_r = KNOB_RING_RADIUS + 9
        m = c.mask()
        c.circle(ImageDraw.Draw(m), kx, ky, well_r + 1)
        c.paint(c.blur(c.shift(m, 0, 1.0), 1.5), (255, 255, 255), 0.05)
        well = c.mask()
        c.circle(ImageDraw.Draw(well), kx, ky, well_r)
        c.paint(well, (16, 20, 25), 0.85)
        c.inner_shadow(well, 3.0, 2.0, 0.7)
        ticks = c.mask()
        td = ImageDraw.Draw(ticks)
        for i in range(10):
            a = 2 * math.pi * i / 10
            r0, r1 = KNOB_RING_RADIUS + 4.5, KNOB_RING_RADIUS + (7.5 if i == 0 else 6.5)
            sa, ca = math.sin(a), -math.cos(a)
            td.line([(c.px(kx + sa * r0), c.px(ky + ca * r0)), (c.px(kx + sa * r1), c.px(ky + ca * r1))],
                    fill=255, width=round(c.px(1.3 if i == 0 else 1.0)))
        c.paint(ticks, (200, 208, 214), 0.7)
        cap_r = KNOB_RING_RADIUS - 7
        m = c.mask()
        c.circle(ImageDraw.Draw(m), kx, ky, cap_r)
        c.paint(c.blur(c.shift(m, 0, 3), 3.5), (0, 0, 0), 0.6)
        cap = c.mask()
        c.circle(ImageDraw.Draw(cap), kx, ky, cap_r)
        ky0, ky1 = c.px(ky - cap_r), c.px(ky + cap_r)
        t = np.clip((np.arange(H, dtype=np.float32)[:, None] - ky0) / (ky1 - ky0), 0, 1)
        cap_a = np.asarray(cap, np.float32) / 255
        c.paint(cap_a * (1 - t), (64, 76, 88))
        c.paint(cap_a * t, (38, 46, 55))
        rim = np.clip(cap_a - np.asarray(c.shift(cap, 0, 1.0), np.float32) / 255, 0, 1)
        c.paint(rim, (255, 255, 255), 0.12)
        m = c.mask()
        lw = c.text_width(caption, label_font, tracking=1.8)
        c.text(ImageDraw.Draw(m), (kx - lw / 2, ky + well_r + 22), caption, label_font, tracking=1.8)
        c.paint(m, (150, 162, 174), 0.95)

    # Meter slots with their headings.
    for (mx, my, mw, mh), heading in ((INPUT_METER, "INPUT"), (OUTPUT_METER, "OUTPUT")):
        slot = c.mask()
        c.rect(ImageDraw.Draw(slot), mx - 4, my - 4, mx + mw + 4, my + mh + 4, radius=3)
        lip = c.shift(slot, 0, 1)
        c.paint(np.clip(np.asarray(lip, np.float32) - np.asarray(slot, np.float32), 0, 255) / 255,
                (255, 255, 255), 0.08)
        c.paint(slot, (12, 15, 19), 0.9)
        c.inner_shadow(slot, 1.5, 1.0, 0.6)
        m = c.mask()
        hw = c.text(ImageDraw.Draw(m), (mx, my - 12), heading, label_font, tracking=1.8)
        c.paint(m, (150, 162, 174), 0.95)
        rule = c.mask()
        right = mx + mw - (22 if heading == "OUTPUT" else 0)
        c.rect(ImageDraw.Draw(rule), mx + hw + 6, my - 15.5, right, my - 14.5)
        c.paint(rule, (255, 255, 255), 0.07)
        if heading == "OUTPUT":
            m = c.mask()
            cw = c.text_width("CLIP", label_font, tracking=1.2)
            c.text(ImageDraw.Draw(m), (mx + mw - cw, my - 12), "CLIP", label_font, tracking=1.2)
            c.paint(m, CLIP_RED, 0.85)

    big = c.image((1540, 1014))
    # The 1x art is shown stretched to twice its size: a light sharpening keeps its edges
    # and small lettering from going soft.
    small = c.image((385, 254), sharpen=True)
    save_png(big, "bg2x.png")
    save_png(small, "bg.png")


# ---------------------------------------------------------------------------------------
# Fonts


def quadratic_glyphs(font, max_err=1.0):
    """TrueType glyphs from the font's cubic CFF outlines, contours turned clockwise."""
    glyph_set = font.getGlyphSet()
    glyphs = {}
    for name in font.getGlyphOrder():
        tt_pen = TTGlyphPen(glyph_set)
        glyph_set[name].draw(Cu2QuPen(tt_pen, max_err, reverse_direction=True))
        glyphs[name] = tt_pen.glyph()
    return glyphs


def make_inter_ttf():
    font = TTFont(require(INTER_REGULAR), recalcTimestamp=False)
    order = font.getGlyphOrder()
    glyf = newTable("glyf")
    glyf.glyphOrder = order
    glyf.glyphs = quadratic_glyphs(font)
    font["glyf"] = glyf
    font["loca"] = newTable("loca")
    del font["CFF "]
    # TrueType wants each left side bearing equal to the outline's xMin.
    hmtx = font["hmtx"]
    for name, glyph in glyf.glyphs.items():
        glyph.recalcBounds(glyf)
        advance, _ = hmtx[name]
        hmtx[name] = (advance, glyph.xMin if glyph.numberOfContours else 0)
    maxp = newTable("maxp")
    maxp.tableVersion = 0x00010000
    maxp.numGlyphs = len(order)
    maxp.maxZones = 1
    for field in ("maxTwilightPoints", "maxStorage", "maxFunctionDefs", "maxInstructionDefs",
                  "maxStackElements", "maxSizeOfInstructions"):
        setattr(maxp, field, 0)
    for field in ("maxPoints", "maxContours", "maxCompositePoints", "maxCompositeContours",
                  "maxComponentElements", "maxComponentDepth"):
        setattr(maxp, field, 0)  # recomputed from glyf on save
    font["maxp"] = maxp
    post = font["post"]
    post.formatType = 2.0
    post.extraNames = []
    post.mapping = {}
    post.glyphOrder = order
    head = font["head"]
    head.glyphDataFormat = 0
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000A}  # unhinted outlines: smooth at every size
    font["gasp"] = gasp
    font.sfntVersion = "\x00\x01\x00\x00"
    buf = io.BytesIO()
    font.save(buf, reorderTables=True)
    with open(os.path.join(OUT, "InterRegular.ttf"), "wb") as f:
        f.write(buf.getvalue())


KNOB_TEXT = "0123456789"  # the knob draws its value as a whole number, 0 to 100


def make_canter_otf():
    font = TTFont(require(BEBAS_BOLD), recalcTimestamp=False)
    copyright_notice = font["name"].getDebugName(0)
    version = font["name"].getDebugName(5)
    manufacturer = font["name"].getDebugName(8)
    designer = font["name"].getDebugName(9)

    options = subset.Options()
    options.name_IDs = []  # replaced below
    options.notdef_outline = True
    options.glyph_names = True
    options.recalc_timestamp = False
    options.layout_features = ["kern"]
    sub = subset.Subsetter(options)
    # A space costs nothing and keeps layout code that measures one from falling back.
    sub.populate(unicodes=[ord(ch) for ch in KNOB_TEXT + " "])
    sub.subset(font)

    names = {
        0: copyright_notice,
        1: "Canter",
        2: "Bold",
        3: f"{version.replace('Version ', '')};Canter-Bold",
        4: "Canter Bold",
        5: version,
        6: "Canter-Bold",
        8: manufacturer,
        9: designer,
        10: "Digits of Bebas Neue Bold by Ryoichi Tsunekawa, renamed Canter and reduced to the "
            "characters the Mallow editor draws.",
        13: "This Font Software is licensed under the SIL Open Font License, Version 1.1. "
            "This license is available with a FAQ at: http://scripts.sil.org/OFL",
        14: "http://scripts.sil.org/OFL",
    }
    name_table = font["name"]
    name_table.names = []
    for name_id, text in names.items():
        name_table.setName(text, name_id, 3, 1, 0x409)
        name_table.setName(text, name_id, 1, 0, 0)

    cff = font["CFF "].cff
    cff.fontNames = ["Canter-Bold"]
    top = cff.topDictIndex[0]
    top.FullName = "Canter Bold"
    top.FamilyName = "Canter"
    top.Weight = "Bold"
    top.Notice = copyright_notice
    top.Copyright = copyright_notice

    os2 = font["OS/2"]
    os2.usWeightClass = 700
    os2.fsSelection = (os2.fsSelection & ~((1 << 0) | (1 << 6))) | (1 << 5)  # bold, not regular
    font["head"].macStyle = (font["head"].macStyle & ~0x2) | 0x1

    buf = io.BytesIO()
    font.save(buf, reorderTables=True)
    with open(os.path.join(OUT, "CanterBold.otf"), "wb") as f:
        f.write(buf.getvalue())


def ofl_text(copyright_path):
    """The stand-alone OFL-1.1 paragraph of a Debian copyright file, de-indented."""
    with open(require(copyright_path), encoding="utf-8") as f:
        paragraphs = f.read().split("\n\n")
    for para in paragraphs:
        lines = para.split("\n")
        if lines[0].strip() == "License: OFL-1.1" and len(lines) > 1:
            body = []
            for line in lines[1:]:
                line = line[1:] if line.startswith(" ") else line
                body.append("" if line.strip() == "." else line.rstrip())
            return "\n".join(body).strip() + "\n"
    sys.exit(f"no OFL-1.1 text in {copyright_path}")


def upstream_copyright(copyright_path):
    with open(copyright_path, encoding="utf-8") as f:
        text = f.read()
    match = re.search(r"^Files: \*\nCopyright: (.+)$", text, re.MULTILINE)
    return "Copyright " + match.group(1).strip()


def make_licences():
    inter = (
        "InterRegular.ttf: Inter Regular, from the Debian package fonts-inter.\n"
        f"{upstream_copyright(INTER_COPYRIGHT)}\n\n"
        "Modification: the outlines were converted from cubic (CFF) to quadratic (TrueType)\n"
        "curves; the names, metrics and glyph set are those of the original.\n\n"
        "This Font Software is licensed under the SIL Open Font License, Version 1.1,\n"
        "copied below.\n\n"
        + ofl_text(INTER_COPYRIGHT)
    )
    canter = (
        "CanterBold.otf: a Modified Version of Bebas Neue Bold, from the Debian package\n"
        "fonts-bebas-neue.\n"
        f"{upstream_copyright(BEBAS_COPYRIGHT)}\n\n"
        "Modification: reduced to the digits, the space and .notdef, and renamed to\n"
        "\"Canter\" (style \"Bold\", PostScript name Canter-Bold). The original declares no\n"
        "Reserved Font Name; the new name keeps this copy apart from the original font.\n\n"
        + ofl_text(BEBAS_COPYRIGHT)
    )
    for name, text in (("InterRegular-OFL.txt", inter), ("CanterBold-OFL.txt", canter)):
        with open(os.path.join(OUT, name), "w", encoding="utf-8") as f:
            f.write(text)


def main():
    os.makedirs(OUT, exist_ok=True)
    make_level_bar()
    make_band_labels()
    make_drag_handle()
    make_zoom_buttons()
    make_meter_images()
    make_background()
    make_inter_ttf()
    make_canter_otf()
    make_licences()


if __name__ == "__main__":
    main()
