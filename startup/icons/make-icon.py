# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's icon (a quill over a page) into FOLDER: the PNGs at 16,
# 32 and 48 pixels the window is given, the 64, 128 and 256 pixel ones and the
# SVG the desktop's icon theme gets. Both forms are drawn from the shapes below,
# in unit coordinates (0 to 1, y downwards), so they cannot drift apart.
# Usage: python3 make-icon.py FOLDER
import math, struct, zlib, sys

TILE = dict(x0=0.03, y0=0.03, x1=0.97, y1=0.97, r=0.18)  # rounded square
TILE_TOP, TILE_BOTTOM = (30, 90, 140), (50, 130, 170)   # its vertical gradient
PAGE = dict(x0=0.18, y0=0.30, x1=0.62, y1=0.84, colour=(240, 244, 248))
LINES = dict(ys=(0.45, 0.56, 0.67), half=0.022, x0=0.25, x1=0.55, colour=(120, 150, 175))
QUILL = dict(cx=0.64, cy=0.38, rx=0.30, ry=0.09, degrees=50, colour=(255, 255, 255))
SPINE = dict(half=0.012, colour=(200, 150, 60))        # along the quill's long axis
SHAFT = dict(u0=0.34, u1=0.46, sum=1.06, half=0.03, colour=(255, 220, 120))  # u + v = sum
PNG_SIZES = (16, 32, 48, 64, 128, 256)


def png(path, w, h, pixels):
    raw = b''.join(b'\x00' + bytes(sum((pixels[y*w+x] for x in range(w)), ())) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r); cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shade(u, v):
    # u, v in [0,1): returns RGBA, or None outside the tile. The first shape
    # that holds the point is the one seen: the page lies over the quill.
    if not inside_round_rect(u, v, TILE['x0'], TILE['y0'], TILE['x1'], TILE['y1'], TILE['r']):
        return None
    bg = tuple(int(top + (bottom - top) * v) for top, bottom in zip(TILE_TOP, TILE_BOTTOM))
    if PAGE['x0'] <= u <= PAGE['x1'] and PAGE['y0'] <= v <= PAGE['y1']:
        if any(abs(v - ly) < LINES['half'] for ly in LINES['ys']) and LINES['x0'] <= u <= LINES['x1']:
            return LINES['colour'] + (255,)
        return PAGE['colour'] + (255,)
    ax, ay = u - QUILL['cx'], v - QUILL['cy']
    ang = math.radians(-QUILL['degrees'])
    ru = ax * math.cos(ang) - ay * math.sin(ang)
    rv = ax * math.sin(ang) + ay * math.cos(ang)
    if (ru / QUILL['rx']) ** 2 + (rv / QUILL['ry']) ** 2 <= 1:
        if abs(rv) < SPINE['half']:
            return SPINE['colour'] + (255,)
        return QUILL['colour'] + (255,)
    if abs((u + v) - SHAFT['sum']) < SHAFT['half'] and SHAFT['u0'] <= u <= SHAFT['u1']:
        return SHAFT['colour'] + (255,)
    return bg + (255,)


def render(size):
    n = 4
    pix = []
    for y in range(size):
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = shade((x + (sx + .5) / n) / size, (y + (sy + .5) / n) / size)
                    if c:
                        a = c[3] / 255
                        acc[0] += c[0] * a; acc[1] += c[1] * a; acc[2] += c[2] * a; acc[3] += c[3]
            alpha = acc[3] / (n * n)
            if alpha == 0:
                pix.append((0, 0, 0, 0))
            else:
                k = (alpha / 255) * n * n
                pix.append((int(acc[0] / k), int(acc[1] / k), int(acc[2] / k), int(alpha)))
    return pix


def svg():
    # 100 units a side; painted from the back, so the page covers what shade() lets it cover.
    def n(value): return f'{value * 100:g}'
    def rgb(colour): return '#%02x%02x%02x' % colour
    t, p, q, s = TILE, PAGE, QUILL, SHAFT
    lines = ''.join(
        f'  <rect x="{n(LINES["x0"])}" y="{n(ly - LINES["half"])}" width="{n(LINES["x1"] - LINES["x0"])}" '
        f'height="{n(2 * LINES["half"])}" fill="{rgb(LINES["colour"])}"/>\n' for ly in LINES['ys'])
    # The shaft is the band |u + v - sum| < half between u0 and u1.
    shaft = ' '.join(f'{n(u)},{n(s["sum"] + d - u)}' for u, d in
                     ((s['u0'], -s['half']), (s['u0'], s['half']), (s['u1'], s['half']), (s['u1'], -s['half'])))
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<!-- Drawn by make-icon.py; edit that instead. -->\n'
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 100 100">\n'
        '  <defs>\n'
        '    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="100" gradientUnits="userSpaceOnUse">\n'
        f'      <stop offset="0" stop-color="{rgb(TILE_TOP)}"/>\n'
        f'      <stop offset="1" stop-color="{rgb(TILE_BOTTOM)}"/>\n'
        '    </linearGradient>\n'
        '  </defs>\n'
        f'  <rect x="{n(t["x0"])}" y="{n(t["y0"])}" width="{n(t["x1"] - t["x0"])}" height="{n(t["y1"] - t["y0"])}" '
        f'rx="{n(t["r"])}" fill="url(#tile)"/>\n'
        f'  <polygon points="{shaft}" fill="{rgb(s["colour"])}"/>\n'
        f'  <g transform="rotate({q["degrees"]} {n(q["cx"])} {n(q["cy"])})">\n'
        f'    <ellipse cx="{n(q["cx"])}" cy="{n(q["cy"])}" rx="{n(q["rx"])}" ry="{n(q["ry"])}" fill="{rgb(q["colour"])}"/>\n'
        f'    <ellipse cx="{n(q["cx"])}" cy="{n(q["cy"])}" rx="{n(q["rx"])}" ry="{n(SPINE["half"])}" '
        f'fill="{rgb(SPINE["colour"])}"/>\n'
        '  </g>\n'
        f'  <rect x="{n(p["x0"])}" y="{n(p["y0"])}" width="{n(p["x1"] - p["x0"])}" height="{n(p["y1"] - p["y0"])}" '
        f'fill="{rgb(p["colour"])}"/>\n'
        f'{lines}'
        '</svg>\n')


folder = sys.argv[1]
for size in PNG_SIZES:
    png(f'{folder}/{size}.png', size, size, render(size))
open(f'{folder}/quillvault.svg', 'w').write(svg())
