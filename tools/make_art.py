#!/usr/bin/python3
"""Draws Sweepwright's pictures and writes them into res/art/ as BMP and ICO files.

Run with /usr/bin/python3 from anywhere:  /usr/bin/python3 tools/make_art.py [output folder]

The BMP and ICO files are written by hand rather than by PIL so that each one gets exactly
the colour depth the resource script promises (PIL cannot write 4-bit BMPs at all).

Two colour rules hold for every file:
- No colour table entry and no pixel is one of the greys RGB(128,128,128), RGB(192,192,192)
  or RGB(223,223,223): the program loads its bitmaps with LR_LOADMAP3DCOLORS, which swaps
  those three for the user's 3-D system colours.
- The background (156) holds no magenta RGB(255,0,255): magenta is the key colour of the
  window region, and a magenta pixel would punch a hole into the window.
"""
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

LIGHT_BLUE = (207, 233, 254)   # the main window's field around the buttons, the message dialog
BAND_BLUE = (2, 77, 246)       # the top band; the family label paints its text cells in it
WHITE = (255, 255, 255)
LINK_BLUE = (0, 51, 204)
SYSTEM_GREYS = ((128, 128, 128), (192, 192, 192), (223, 223, 223))

FONT_DIR = '/usr/share/fonts/truetype/dejavu'
SS = 4  # shapes are drawn this many times larger and scaled down, for smooth edges

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def bold(size):
    return font('DejaVuSans-Bold.ttf', size)


def regular(size):
    return font('DejaVuSans.ttf', size)


# ---------------------------------------------------------------- colour rules

def off_system_grey(colour):
    """The colour itself, or the same grey one step bluer when LR_LOADMAP3DCOLORS would swap it."""
    return (colour[0], colour[1], colour[2] + 1) if colour in SYSTEM_GREYS else colour


def without_system_greys(img):
    pixels = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if pixels[x, y] in SYSTEM_GREYS:
                pixels[x, y] = off_system_grey(pixels[x, y])
    return img


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) * (a - b) for a, b in zip(colour, palette[i])))


def palettize(img, size):
    """Indexed form of an RGB image with at most `size` colours: (palette, index rows).

    Images with more colours are reduced by median cut, but the most frequent colours (the
    flat fields whose exact values the program and its checks rely on) keep their exact value.
    """
    counts = sorted(img.getcolors(img.width * img.height), reverse=True)
    if len(counts) <= size:
        palette = [colour for _, colour in counts]
    else:
        exact = [colour for _, colour in counts[:16]]
        reduced = img.quantize(colors=size - len(exact), method=Image.Quantize.MEDIANCUT,
                               dither=Image.Dither.NONE)
        flat = reduced.getpalette()[:3 * (size - len(exact))]
        palette = exact + [tuple(flat[i:i + 3]) for i in range(0, len(flat), 3)]
    palette = [off_system_grey(colour) for colour in palette]
    index_of = {}
    for _, colour in counts:
        index_of[colour] = palette.index(colour) if colour in palette[:16] else nearest(colour, palette)
    pixels = img.load()
    rows = [[index_of[pixels[x, y]] for x in range(img.width)] for y in range(img.height)]
    return palette, rows


# ---------------------------------------------------------------- file formats

def pack_row(values, bpp):
    if bpp == 24:
        data = b''.join(bytes((b, g, r)) for r, g, b in values)
    elif bpp == 8:
        data = bytes(values)
    elif bpp == 4:
        padded = list(values) + [0] * (len(values) % 2)
        data = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
    else:  # 1 bit, the icon masks
        padded = list(values) + [0] * (-len(values) % 8)
        data = bytes(sum(bit << (7 - j) for j, bit in enumerate(padded[i:i + 8]))
                     for i in range(0, len(padded), 8))
    return data + b'\0' * (-len(data) % 4)


def dib(width, height, bpp, rows, palette=(), mask_rows=None):
    """A packed DIB: BITMAPINFOHEADER, full colour table, bottom-up pixel rows (and icon mask)."""
    table = b''
    if bpp <= 8:
        entries = list(palette) + [(0, 0, 0)] * ((1 << bpp) - len(palette))
        table = b''.join(bytes((b, g, r, 0)) for r, g, b in entries)
    bits = b''.join(pack_row(row, bpp) for row in reversed(rows))
    stored_height = height
    if mask_rows is not None:
        bits += b''.join(pack_row(row, 1) for row in reversed(mask_rows))
        stored_height = 2 * height
    header = struct.pack('<IiiHHIIiiII', 40, width, stored_height, 1, bpp, 0, len(bits),
                         0, 0, 0, 0)
    return header + table + bits


def write_bmp(path, img, bpp):
    img = without_system_greys(img.convert('RGB'))
    if bpp == 24:
        pixels = img.load()
        rows = [[pixels[x, y] for x in range(img.width)] for y in range(img.height)]
        body = dib(img.width, img.height, 24, rows)
    else:
        palette, rows = palettize(img, 1 << bpp)
        body = dib(img.width, img.height, bpp, rows, palette)
    table_size = 4 * (1 << bpp) if bpp <= 8 else 0
    header = struct.pack('<2sIHHI', b'BM', 14 + len(body), 0, 0, 14 + 40 + table_size)
    with open(path, 'wb') as out:
        out.write(header + body)


def write_ico(path, images):
    """An icon file of 8-bit images with AND masks (the form every Windows version reads)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        alpha = img.getchannel('A').load()
        opaque = Image.new('RGB', img.size, (0, 0, 0))
        opaque.paste(img.convert('RGB'), mask=img.getchannel('A').point(lambda a: 255 if a >= 128 else 0))
        palette, rows = palettize(without_system_greys(opaque), 256)
        mask = [[0 if alpha[x, y] >= 128 else 1 for x in range(img.width)] for y in range(img.height)]
        blob = dib(img.width, img.height, 8, rows, palette, mask)
        entries.append(struct.pack('<BBBBHHII', img.width, img.height, 0, 0, 1, 8, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs))


# ---------------------------------------------------------------- drawing helpers

def gradient(width, height, top, bottom):
    img = Image.new('RGB', (width, height))
    draw = ImageDraw.Draw(img)
    for y in range(height):
        t = y / max(1, height - 1)
        draw.line([(0, y), (width, y)], fill=tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return img


def smooth_mask(size, paint):
    """An antialiased mask: paint(draw, scale) draws in white on a SS-times larger canvas."""
    big = Image.new('L', (size[0] * SS, size[1] * SS), 0)
    paint(ImageDraw.Draw(big), SS)
    return big.resize(size, Image.Resampling.BOX)


def rounded_mask(size, radius, inset=0):
    def paint(draw, s):
        draw.rounded_rectangle([inset * s, inset * s, (size[0] - inset) * s - 1, (size[1] - inset) * s - 1],
                               radius=radius * s, fill=255)
    return smooth_mask(size, paint)


def layer(img, colour_or_img, mask):
    fill = colour_or_img if isinstance(colour_or_img, Image.Image) else Image.new('RGB', img.size, colour_or_img)
    img.paste(fill, (0, 0), mask)


def draw_text_centred(draw, box, text, face, fill, shadow=None):
    left, top, right, bottom = box
    x0, y0, x1, y1 = draw.textbbox((0, 0), text, font=face)
    x = left + (right - left - (x1 - x0)) / 2 - x0
    y = top + (bottom - top - (y1 - y0)) / 2 - y0
    if shadow:
        draw.text((round(x) + 1, round(y) + 1), text, font=face, fill=shadow)
    draw.text((round(x), round(y)), text, font=face, fill=fill)


def shield_points(left, top, width, height):
    """Outline of the Corvanel shield: flat shoulders, straight sides, curved point."""
    points = [(left, top + 0.14 * height), (left + width / 2, top), (left + width, top + 0.14 * height),
              (left + width, top + 0.48 * height)]
    # right curve down to the point, then the mirrored left curve back up (quadratic Beziers)
    for flank in (1, -1):
        start = (left + width / 2 + flank * width / 2, top + 0.48 * height)
        ctrl = (left + width / 2 + flank * width / 2, top + 0.82 * height)
        end = (left + width / 2, top + height)
        steps = [i / 12 for i in range(1, 13)]
        curve = [((1 - t) ** 2 * start[0] + 2 * (1 - t) * t * ctrl[0] + t * t * end[0],
                  (1 - t) ** 2 * start[1] + 2 * (1 - t) * t * ctrl[1] + t * t * end[1]) for t in steps]
        points += curve if flank == 1 else list(reversed(curve))[1:] + [start]
    return points


def draw_shield(img, left, top, width, height, rim, inner_top, inner_bottom, mark):
    """The maker's emblem: a rimmed shield with a tick, used on the band, in the logo and the icon."""
    size = img.size
    outer = smooth_mask(size, lambda d, s: d.polygon([(x * s, y * s) for x, y in
                                                      shield_points(left, top, width, height)], fill=255))
    rim_w = max(1.2, width * 0.09)
    inner = smooth_mask(size, lambda d, s: d.polygon(
        [(x * s, y * s) for x, y in shield_points(left + rim_w, top + rim_w * 1.1, width - 2 * rim_w,
                                                   height - 2.3 * rim_w)], fill=255))
    layer(img, rim, outer)
    shade = Image.new('RGB', size, inner_bottom)
    shade.paste(gradient(size[0], int(height), inner_top, inner_bottom), (0, int(top)))
    layer(img, shade, inner)
    tick = [(left + 0.27 * width, top + 0.50 * height), (left + 0.45 * width, top + 0.68 * height),
            (left + 0.76 * width, top + 0.30 * height)]
    stroke = max(1.5, width * 0.13)
    layer(img, mark, smooth_mask(size, lambda d, s: d.line([(x * s, y * s) for x, y in tick],
                                                          fill=255, width=round(stroke * s), joint='curve')))


# ---------------------------------------------------------------- the pictures

def green_bar(caption, focused, glyph):
    """SCAN and DOWNLOAD: 180 x 33 green bars with white captions, lighter while hot."""
    size = (180, 33)
    img = Image.new('RGB', size, LIGHT_BLUE)
    top, bottom, edge = (((118, 204, 96), (52, 150, 46), (36, 112, 34)) if focused
                         else ((74, 168, 66), (22, 112, 30), (14, 80, 22)))
    layer(img, edge, rounded_mask(size, 8))
    layer(img, gradient(*size, top, bottom), rounded_mask(size, 7, inset=1))
    gloss = tuple(min(255, c + 34) for c in top)
    layer(img, gloss, smooth_mask(size, lambda d, s: d.rounded_rectangle(
        [3 * s, 2 * s, (size[0] - 3) * s, 13 * s], radius=6 * s, fill=110)))
    glyph(img, 14, 8)
    draw = ImageDraw.Draw(img)
    draw_text_centred(draw, (36, 0, size[0] - 8, size[1]), caption, bold(15), WHITE, shadow=edge)
    return img


def magnifier(img, left, top):
    def paint(draw, s):
        draw.ellipse([left * s, top * s, (left + 12) * s, (top + 12) * s], outline=255, width=round(2.4 * s))
        draw.line([((left + 10) * s, (top + 10) * s), ((left + 16) * s, (top + 16) * s)],
                  fill=255, width=round(3.4 * s))
    layer(img, WHITE, smooth_mask(img.size, paint))


def down_arrow(img, left, top):
    def paint(draw, s):
        draw.rectangle([(left + 5) * s, top * s, (left + 11) * s, (top + 8) * s], fill=255)
        draw.polygon([(left * s, (top + 8) * s), ((left + 16) * s, (top + 8) * s),
                      ((left + 8) * s, (top + 15) * s)], fill=255)
        draw.rectangle([left * s, (top + 16) * s, (left + 16) * s, (top + 17.6) * s], fill=255)
    layer(img, WHITE, smooth_mask(img.size, paint))


def grey_button(caption, focused):
    """OK, CANCEL, YES and NO: 92 x 24 pale blue-grey bars with dark captions."""
    size = (92, 24)
    img = Image.new('RGB', size, LIGHT_BLUE)
    top, bottom = ((236, 242, 250), (204, 216, 232)) if focused else ((222, 230, 240), (186, 200, 218))
    layer(img, (104, 126, 156), rounded_mask(size, 4))
    layer(img, gradient(*size, top, bottom), rounded_mask(size, 3, inset=1))
    draw = ImageDraw.Draw(img)
    draw_text_centred(draw, (0, 0, size[0], size[1]), caption, bold(11), (22, 38, 70))
    return img


def close_box(focused):
    """X: a 21 x 21 close box with a white cross, red normally and orange while hot."""
    size = (21, 21)
    top, bottom, edge = (((255, 178, 64), (236, 118, 8), (168, 78, 0)) if focused
                         else ((232, 70, 56), (178, 20, 18), (118, 6, 6)))
    img = Image.new('RGB', size, edge)
    img.paste(gradient(19, 19, top, bottom), (1, 1))
    layer(img, WHITE, smooth_mask(size, lambda d, s: (
        d.line([(6 * s, 6 * s), (15 * s, 15 * s)], fill=255, width=round(2.6 * s)),
        d.line([(15 * s, 6 * s), (6 * s, 15 * s)], fill=255, width=round(2.6 * s)))))
    return img


def link(size, lines, focused):
    """DLINK and ULINK: blue text on the light blue field after an arrow, underlined while hot."""
    img = Image.new('RGB', size, LIGHT_BLUE)
    draw = ImageDraw.Draw(img)
    line_height = size[1] // len(lines)
    left = 18
    for number, (text, face) in enumerate(lines):
        y = number * line_height + (line_height - face.size) // 2 - 1
        if number == 0:
            draw.polygon([(6, y + 4), (6, y + 12), (12, y + 8)], fill=LINK_BLUE)
        draw.text((left, y), text, font=face, fill=LINK_BLUE)
        if focused:
            base = y + face.getmetrics()[0] + 1
            draw.line([(left, base), (left + round(face.getlength(text)), base)], fill=LINK_BLUE)
    return img


def fitted(text, face_name, size, width):
    """The largest font of at most `size` pixels in which `text` fits into `width`."""
    while size > 8 and font(face_name, size).getlength(text) > width:
        size -= 1
    return font(face_name, size)


def logo():
    """The Corvanel logo, 100 x 36, on the light blue field."""
    size = (100, 36)
    img = Image.new('RGB', size, LIGHT_BLUE)
    draw_shield(img, 2, 2, 26, 32, BAND_BLUE, (78, 146, 255), (2, 60, 200), WHITE)
    draw = ImageDraw.Draw(img)
    draw.text((32, 3), 'Corvanel', font=fitted('Corvanel', 'DejaVuSans-Bold.ttf', 15, 66), fill=(1, 46, 160))
    draw.text((33, 21), 'SOFTWARE', font=fitted('SOFTWARE', 'DejaVuSans.ttf', 9, 60), fill=(40, 96, 210))
    return img


def message_picture(kind):
    """Pictures 152 to 155: 42 x 40 symbols on the message dialog's light blue.

    The dialog's picture control is 25 x 24 dialog units, 37 x 39 pixels with the 8-point
    "MS Sans Serif" of Windows, and only that much of the picture is copied; so the symbol
    keeps inside columns 0..36 and rows 0..38 and the rest stays plain background.
    """
    size = (42, 40)
    img = Image.new('RGB', size, LIGHT_BLUE)
    shadow = (170, 196, 224)
    centre = (18, 18)
    if kind == 'warning':
        triangle = [(18, 2), (35, 33), (1, 33)]
        layer(img, shadow, smooth_mask(size, lambda d, s: d.polygon([((x + 1.5) * s, (y + 1.5) * s)
                                                                    for x, y in triangle], fill=255)))
        layer(img, (150, 104, 0), smooth_mask(size, lambda d, s: d.polygon([(x * s, y * s) for x, y in triangle],
                                                                          fill=255)))
        inner = [(18, 5.2), (33.2, 31.8), (2.8, 31.8)]
        layer(img, gradient(*size, (255, 230, 90), (244, 182, 0)),
              smooth_mask(size, lambda d, s: d.polygon([(x * s, y * s) for x, y in inner], fill=255)))
        glyph, colour, face, centre = '!', (30, 24, 10), bold(19), (18, 21)
    else:
        top, bottom = ((250, 96, 84), (186, 18, 18)) if kind == 'error' else ((96, 160, 250), (18, 78, 196))
        layer(img, shadow, smooth_mask(size, lambda d, s: d.ellipse([4 * s, 4 * s, 36 * s, 36 * s], fill=255)))
        layer(img, tuple(c // 2 for c in bottom),
              smooth_mask(size, lambda d, s: d.ellipse([2 * s, 2 * s, 34 * s, 34 * s], fill=255)))
        layer(img, gradient(*size, top, bottom),
              smooth_mask(size, lambda d, s: d.ellipse([3 * s, 3 * s, 33 * s, 33 * s], fill=255)))
        glyph, colour = {'information': 'i', 'question': '?', 'error': None}[kind], WHITE
        face = font('DejaVuSerif-Bold.ttf', 22) if kind == 'information' else bold(21)
    if glyph:
        draw_text_centred(ImageDraw.Draw(img), (centre[0] - 12, centre[1] - 13, centre[0] + 12, centre[1] + 13),
                          glyph, face, colour)
    else:
        layer(img, WHITE, smooth_mask(size, lambda d, s: (
            d.line([(12 * s, 12 * s), (25 * s, 25 * s)], fill=255, width=round(4 * s)),
            d.line([(25 * s, 12 * s), (12 * s, 25 * s)], fill=255, width=round(4 * s)))))
    return img


# Fixed areas of the background: the window's controls are laid out over them.
BACKGROUND_SIZE = (527, 338)
BAND_ROWS = range(0, 64)
PANEL_ROWS, PANEL_COLUMNS = range(110, 276), range(6, 521)
SHADE_ROWS = range(316, 338)


def background():
    """Bitmap 156: the main window's face, 527 x 338 pixels."""
    img = Image.new('RGB', BACKGROUND_SIZE, LIGHT_BLUE)
    draw = ImageDraw.Draw(img)
    draw.rectangle([0, BAND_ROWS[0], BACKGROUND_SIZE[0], BAND_ROWS[-1]], fill=BAND_BLUE)
    draw.rectangle([PANEL_COLUMNS[0], PANEL_ROWS[0], PANEL_COLUMNS[-1], PANEL_ROWS[-1]], fill=WHITE)
    for number, y in enumerate(SHADE_ROWS):
        t = number / (len(SHADE_ROWS) - 1)
        shade = tuple(round(a + (b - a) * t) for a, b in zip((40, 110, 250), (1, 34, 140)))
        draw.line([(0, y), (BACKGROUND_SIZE[0], y)], fill=(118, 164, 255) if number == 0 else shade)
    # Emblem and title line at the band's left. The family label is painted across the middle of
    # the band below the title line (about x 53..472, y 40..58) and the close box sits at its
    # right end, so both of those stay plain band blue.
    draw_shield(img, 10, 7, 36, 46, WHITE, (96, 156, 255), (2, 62, 214), WHITE)
    title = bold(22)
    draw.text((58, 3), 'Sweepwright', font=title, fill=WHITE)
    tagline = regular(12)
    x = 58 + title.getlength('Sweepwright') + 10
    draw.text((x, 3 + title.getmetrics()[0] - tagline.getmetrics()[0]), 'Virus Removal Tool',
              font=tagline, fill=(178, 204, 255))
    return img


def icon(size):
    img = Image.new('RGBA', (size, size), (0, 0, 0, 0))
    rgb = Image.new('RGB', (size, size), BAND_BLUE)
    margin = size / 16
    draw_shield(rgb, 2 * margin, margin, size - 4 * margin, size - 2 * margin, (1, 40, 150),
                (96, 156, 255), (2, 62, 214), WHITE)
    mask = smooth_mask((size, size), lambda d, s: d.polygon(
        [(x * s, y * s) for x, y in shield_points(2 * margin, margin, size - 4 * margin, size - 2 * margin)],
        fill=255))
    img.paste(rgb, (0, 0), mask)
    return img


DLINK_LINES = ('Download and install Varnholt Antivirus',
               'Full-time protection against viruses, worms and trojans')
ULINK_LINE = 'Download more free removal tools from Corvanel'


def link_pictures():
    width = 350 - 24
    dlink = [(DLINK_LINES[0], fitted(DLINK_LINES[0], 'DejaVuSansCondensed-Bold.ttf', 13, width)),
             (DLINK_LINES[1], fitted(DLINK_LINES[1], 'DejaVuSans.ttf', 12, width))]
    ulink = [(ULINK_LINE, fitted(ULINK_LINE, 'DejaVuSansCondensed-Bold.ttf', 13, width))]
    pictures = {}
    for state, focused in (('FOCUS', True), ('NOTFOCUS', False)):
        offer = link((350, 43), dlink, focused)
        # DLINK stands on the white panel: a thin rim makes its field read as a box of its own
        ImageDraw.Draw(offer).rectangle([0, 0, 349, 42], outline=(168, 204, 240))
        pictures['DLINK_' + state] = (offer, 24)
        pictures['ULINK_' + state] = (link((350, 28), ulink, focused), 24)
    return pictures


def all_pictures():
    """Every picture by its file stem: (image, bits per pixel)."""
    pictures = {}
    plain = Image.new('RGB', (180, 33), LIGHT_BLUE)
    for caption, glyph in (('SCAN', magnifier), ('DOWNLOAD', down_arrow)):
        pictures[caption + '_FOCUS'] = (green_bar(caption, True, glyph), 8)
        pictures[caption + '_NOTFOCUS'] = (green_bar(caption, False, glyph), 8)
        pictures[caption + '_DISABLE'] = (plain, 4)
    pictures['X_FOCUS'] = (close_box(True), 8)
    pictures['X_NOTFOCUS'] = (close_box(False), 8)
    for caption in ('OK', 'CANCEL', 'YES', 'NO'):
        pictures[caption + '_FOCUS'] = (grey_button(caption, True), 8)
        pictures[caption + '_NOTFOCUS'] = (grey_button(caption, False), 8)
    pictures.update(link_pictures())
    pictures['CORVANELLOGO_FOCUS'] = pictures['CORVANELLOGO_NOTFOCUS'] = (logo(), 24)
    for number, kind in ((152, 'information'), (153, 'question'), (154, 'warning'), (155, 'error')):
        pictures[str(number) + '_' + kind] = (message_picture(kind), 24)
    pictures['156_background'] = (background(), 8)
    return pictures


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'res', 'art')
    os.makedirs(out_dir, exist_ok=True)
    for stem, (img, bpp) in sorted(all_pictures().items()):
        write_bmp(os.path.join(out_dir, stem.lower() + '.bmp'), img.copy(), bpp)
    write_ico(os.path.join(out_dir, 'sweepwright.ico'), [icon(32), icon(16)])


if __name__ == '__main__':
    main()
