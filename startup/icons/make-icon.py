# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's icon (a quill over a page) at 16, 32 and 48 pixels.
import math, struct, zlib, sys

def png(path, w, h, pixels):
    raw = b''.join(b'\x00' + bytes(sum((pixels[y*w+x] for x in range(w)), ())) for y in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)

def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r); cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

def shade(u, v):
    # u, v in [0,1): returns RGBA
    if not inside_round_rect(u, v, 0.03, 0.03, 0.97, 0.97, 0.18):
        return None
    t = v
    bg = (int(30 + 20 * t), int(90 + 40 * t), int(140 + 30 * t))
    # page: a light rectangle lower left
    if 0.18 <= u <= 0.62 and 0.30 <= v <= 0.84:
        if any(abs(v - ly) < 0.022 for ly in (0.45, 0.56, 0.67)) and 0.25 <= u <= 0.55:
            return (120, 150, 175, 255)
        return (240, 244, 248, 255)
    # quill: a feather ellipse along the diagonal from lower left to upper right
    ax, ay = u - 0.64, v - 0.38
    ang = math.radians(-50)
    ru = ax * math.cos(ang) - ay * math.sin(ang)
    rv = ax * math.sin(ang) + ay * math.cos(ang)
    if (ru / 0.30) ** 2 + (rv / 0.09) ** 2 <= 1:
        if abs(rv) < 0.012:
            return (200, 150, 60, 255)
        return (255, 255, 255, 255)
    # shaft towards the nib
    if abs((u - 0.44) + (v - 0.62)) < 0.03 and 0.34 <= u <= 0.46:
        return (255, 220, 120, 255)
    return bg + (255,)

for size in (16, 32, 48):
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
    png(f'{sys.argv[1]}/{size}.png', size, size, pix)
