"""Small BMP writer for the default world's pictures: 1, 4, 8 and 24 bits, 8- and 4-bit run-length."""
import struct


class Canvas:
    """A picture of palette indices (0..255), top row first, with a few drawing helpers."""

    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[y][x] = c

    def ellipse(self, cx, cy, rx, ry, c):
        for y in range(self.height):
            for x in range(self.width):
                dx, dy = (x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry
                if dx * dx + dy * dy <= 1.0:
                    self.px[y][x] = c

    def circle(self, cx, cy, r, c):
        self.ellipse(cx, cy, r, r, c)

    def line(self, x0, y0, x1, y1, c, w=1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            x = x0 + (x1 - x0) * i / n
            y = y0 + (y1 - y0) * i / n
            self.rect(int(x - w / 2 + 0.5), int(y - w / 2 + 0.5), int(x + w / 2 + 0.5), int(y + w / 2 + 0.5), c)

    def triangle(self, a, b, c_, c):
        def side(p, q, r):
            return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
        for y in range(self.height):
            for x in range(self.width):
                p = (x + 0.5, y + 0.5)
                s1, s2, s3 = side(a, b, p), side(b, c_, p), side(c_, a, p)
                if (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0):
                    self.px[y][x] = c


def _rle_row(values, bits):
    """Runs for repeats, literals (three or more) for stretches that vary."""
    out = bytearray()
    i, n = 0, len(values)
    while i < n:
        r = 1
        while i + r < n and r < 255 and values[i + r] == values[i]:
            r += 1
        if r >= 2 or n - i < 3:
            v = values[i] if bits == 8 else (values[i] << 4) | values[i]
            out += bytes([r, v])
            i += r
            continue
        j = i
        while j < n and j - i < 254 and not (j + 1 < n and values[j + 1] == values[j]):
            j += 1
        lit = values[i:j]
        if len(lit) < 3:
            for v in lit:
                out += bytes([1, v if bits == 8 else (v << 4) | v])
        else:
            out += bytes([0, len(lit)])
            if bits == 8:
                data = bytes(lit)
            else:
                padded = lit + [0] * (len(lit) % 2)
                data = bytes((padded[k] << 4) | padded[k + 1] for k in range(0, len(padded), 2))
            out += data
            if len(data) % 2:
                out += b"\0"
        i = j
    return out


def write_bmp(path, canvas, palette, bits, rle=False):
    """palette: list of (r, g, b); canvas holds indices. bits 24 writes the palette colours directly."""
    w, h = canvas.width, canvas.height
    rows = list(reversed(canvas.px))  # bottom-up
    compression = 0
    if bits == 24:
        stride = (w * 3 + 3) // 4 * 4
        data = bytearray()
        for row in rows:
            line = bytearray()
            for v in row:
                r, g, b = palette[v]
                line += bytes([b, g, r])
            data += line + b"\0" * (stride - len(line))
        table = b""
    else:
        assert len(palette) <= (1 << bits)
        table = b"".join(bytes([b, g, r, 0]) for (r, g, b) in palette)
        if rle:
            compression = 1 if bits == 8 else 2
            data = bytearray()
            for row in rows:
                data += _rle_row(row, bits) + b"\0\0"
            data += b"\0\1"
        else:
            stride = (w * bits + 31) // 32 * 4
            data = bytearray()
            for row in rows:
                acc = 0
                nbits = 0
                line = bytearray()
                for v in row:
                    acc = (acc << bits) | v
                    nbits += bits
                    if nbits == 8:
                        line.append(acc)
                        acc, nbits = 0, 0
                if nbits:
                    line.append(acc << (8 - nbits))
                data += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(data), 2835, 2835,
                       0 if bits == 24 else len(palette), 0)
    offset = 14 + 40 + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + table + data)
