"""Glyph shapes of the stroke font other than the hanzi: Latin letters and
the other alphabets from the Hershey fonts, and symbols, box drawing,
brackets and composed characters generated here.  Coordinates are floats on
the font's 128 x 128 grid (y down) until makefont.finish rounds them."""

import math
import os
import unicodedata

import fontextra

GRID = 128
HALF = 64


# ---------------------------------------------------------------------------
# Geometry on polylines.  A glyph is a list of strokes, a stroke a list of
# (x, y) points, floats until the glyph is finished.

def dist(a, b):
    return math.hypot(b[0] - a[0], b[1] - a[1])


def point_line_distance(p, a, b):
    length = dist(a, b)
    if length == 0:
        return dist(p, a)
    return abs((b[0] - a[0]) * (a[1] - p[1]) - (a[0] - p[0]) * (b[1] - a[1])) / length


def point_segment_distance(p, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    if length2 == 0:
        return dist(p, a)
    t = max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length2))
    return dist(p, (a[0] + t * dx, a[1] + t * dy))


def simplify(points, tolerance):
    """Ramer-Douglas-Peucker: drop points closer than tolerance to the chord."""
    if len(points) < 3:
        return list(points)
    keep = [False] * len(points)
    keep[0] = keep[-1] = True
    stack = [(0, len(points) - 1)]
    while stack:
        first, last = stack.pop()
        best, index = 0.0, -1
        for i in range(first + 1, last):
            d = point_line_distance(points[i], points[first], points[last])
            if d > best:
                best, index = d, i
        if index >= 0 and best > tolerance:
            keep[index] = True
            stack.append((first, index))
            stack.append((index, last))
    return [p for p, k in zip(points, keep) if k]


def turn_angle(a, b, c):
    """Change of direction at b, in degrees (0 = straight on)."""
    a1 = math.atan2(b[1] - a[1], b[0] - a[0])
    a2 = math.atan2(c[1] - b[1], c[0] - b[0])
    d = abs(a2 - a1) % (2 * math.pi)
    return math.degrees(min(d, 2 * math.pi - d))


def transform(strokes, sx, sy=None, dx=0.0, dy=0.0):
    if sy is None:
        sy = sx
    return [[(x * sx + dx, y * sy + dy) for x, y in s] for s in strokes]


def bounds(strokes):
    xs = [p[0] for s in strokes for p in s]
    ys = [p[1] for s in strokes for p in s]
    if not xs:
        return None
    return min(xs), min(ys), max(xs), max(ys)


def arc(cx, cy, rx, ry, start, end, steps=None):
    """Points of an elliptic arc; angles in degrees, 0 = right, 90 = down."""
    if steps is None:
        steps = max(4, int(abs(end - start) / 360.0 * max(12, (rx + ry) * 0.9)))
    out = []
    for i in range(steps + 1):
        a = math.radians(start + (end - start) * i / steps)
        out.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return out


def circle(cx, cy, r, ry=None):
    return arc(cx, cy, r, r if ry is None else ry, 0, 360)


def hatch(polygon, step=2.0, vertical=False):
    """Fills a convex polygon with one zigzag polyline of parallel lines."""
    if vertical:
        polygon = [(y, x) for x, y in polygon]
    ys = [p[1] for p in polygon]
    y0, y1 = min(ys), max(ys)
    lines = []
    n = max(1, int(math.ceil((y1 - y0) / step)))
    for i in range(n + 1):
        y = y0 + (y1 - y0) * i / n
        xs = []
        for j in range(len(polygon)):
            a, b = polygon[j], polygon[(j + 1) % len(polygon)]
            if a[1] == b[1]:
                if a[1] == y:
                    xs += [a[0], b[0]]
                continue
            if min(a[1], b[1]) <= y <= max(a[1], b[1]):
                xs.append(a[0] + (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]))
        if xs:
            lines.append((min(xs), max(xs), y))
    out = []
    for i, (xa, xb, y) in enumerate(lines):
        if i % 2:
            xa, xb = xb, xa
        out += [(xa, y), (xb, y)]
    if vertical:
        out = [(y, x) for x, y in out]
    return [out]


def disc(cx, cy, r, step=2.0):
    """A filled circle: its outline and a hatch inside."""
    return [circle(cx, cy, r)] + hatch(circle(cx, cy, r - 0.5), step)


# ---------------------------------------------------------------------------
# Hershey fonts (.jhf): per line a 5-column glyph number, a 3-column vertex
# count, then that many pairs of characters, each ord(c) - ord('R'); the
# first pair is the left and right bearing and " R" lifts the pen.

def parse_jhf(text):
    """Returns the glyphs of a .jhf text as (left, right, strokes)."""
    lines = text.split("\n")
    glyphs = []
    i = 0
    while i < len(lines):
        line = lines[i].rstrip("\r")
        i += 1
        if not line.strip():
            continue
        count = int(line[5:8])
        data = line[8:]
        while len(data) < 2 * count and i < len(lines):
            data += lines[i].rstrip("\r")
            i += 1
        if len(data) < 2 * count or count < 1:
            raise ValueError("short glyph record: %r" % line[:20])
        data = data[:2 * count]
        left, right = ord(data[0]) - 82, ord(data[1]) - 82
        strokes, current = [], []
        for k in range(2, len(data), 2):
            pair = data[k:k + 2]
            if pair == " R":
                if current:
                    strokes.append(current)
                current = []
            else:
                current.append((ord(pair[0]) - 82, ord(pair[1]) - 82))
        if current:
            strokes.append(current)
        glyphs.append((left, right, strokes))
    return glyphs


class Hershey:
    """The .jhf files needed, read from one directory."""

    def __init__(self, directory):
        self.fonts = {}
        for name in ("rowmans", "greek", "japanese", "mathlow",
                     "symbolic"):
            with open(os.path.join(directory, name + ".jhf"),
                      encoding="latin-1") as f:
                self.fonts[name] = parse_jhf(f.read())

    def ascii(self, name, ch):
        """The glyph at an ASCII position of a 96-glyph font."""
        if not 0x20 <= ord(ch) < 0x7F:
            raise KeyError("not printable ASCII: %r" % ch)
        return self.fonts[name][ord(ch) - 0x20]

    def glyph(self, name, index):
        return self.fonts[name][index]


# Latin letters: Hershey units (cap height 21, baseline at y 9, x-height 14,
# hyphen at y 0) onto the grid.  One unit is 3.6 grid units vertically, so
# capitals run from y 20 to 95, the x-height is at 45, descenders reach 121
# and the hyphen is at 63, the middle of a hanzi.
LATIN_SY = 3.6
LATIN_SX = 3.0
LATIN_AXIS = 63.0


def latin_y(y):
    return LATIN_AXIS + y * LATIN_SY


def place_latin(glyph, centre=32.0, sx=LATIN_SX, maxwidth=56.0):
    """Scales a Hershey glyph into a cell: its advance box centred on
    x = centre, squeezed when its ink would be wider than maxwidth."""
    left, right, strokes = glyph
    box = bounds(strokes)
    if box is None:
        return []
    ink = (box[2] - box[0]) * sx
    if ink > maxwidth:
        sx = sx * maxwidth / ink
    mid = (left + right) / 2.0
    out = [[(centre + (x - mid) * sx, latin_y(y)) for x, y in s]
           for s in strokes]
    b = bounds(out)
    # keep the ink inside the cell half with a small margin
    lo, hi = centre - maxwidth / 2.0 - 2.0, centre + maxwidth / 2.0 + 2.0
    if b[0] < lo:
        out = transform(out, 1, 1, lo - b[0])
    elif b[2] > hi:
        out = transform(out, 1, 1, hi - b[2])
    return out



def mirror(strokes, axis=0.0):
    """Mirrors Hershey-unit strokes left to right about x = axis."""
    return [[(2 * axis - x, y) for x, y in s] for s in strokes]


def small_caps(strokes, sx=0.85):
    """A capital in Hershey units shrunk to the x-height on the baseline."""
    return [[(x * sx, 9 - (9 - y) * 14.0 / 21.0) for x, y in s] for s in strokes]


def polyline_distance(p, strokes):
    return min(point_segment_distance(p, a, b)
               for s in strokes for a, b in zip(s, s[1:]))


def resample(points, step):
    """The polyline with extra points so that none is more than step apart;
    the original points stay."""
    out = [points[0]]
    for a, b in zip(points, points[1:]):
        n = max(1, int(math.ceil(dist(a, b) / step)))
        for k in range(1, n + 1):
            out.append((a[0] + (b[0] - a[0]) * k / n, a[1] + (b[1] - a[1]) * k / n))
    return out


def drop_doubled(strokes, tolerance=1.5):
    """Removes what only thickens another stroke.  The Hershey kana are
    drawn as brush strokes of two or three close lines; one line each reads
    better at small sizes.  Strokes are taken longest first; the points of
    a later stroke lying within tolerance of one already kept are dropped,
    keeping of it only the runs that go elsewhere (with the point where they
    leave the kept line, so that joins stay joined)."""
    def length(s):
        return sum(dist(a, b) for a, b in zip(s, s[1:]))
    order = sorted(range(len(strokes)), key=lambda i: (-length(strokes[i]), i))
    kept = {}
    for i in order:
        s = strokes[i]
        if len(s) < 2:
            continue
        others = [t for k in sorted(kept) for t in kept[k]]
        s = resample(s, 1.0)
        near = [bool(others) and polyline_distance(p, others) <= tolerance for p in s]
        parts, k = [], 0
        while k < len(s):
            if near[k]:
                k += 1
                continue
            j = k
            while j < len(s) and not near[j]:
                j += 1
            run = s[max(0, k - 1):min(len(s), j + 1)]
            if len(run) >= 2 and sum(dist(a, b) for a, b in zip(run, run[1:])) > tolerance:
                parts.append(simplify(run, 0.25))
            k = j
        if parts:
            kept[i] = parts
    return [p for i in sorted(kept) for p in kept[i]]


# The order of the kana in japanese.jhf; '_' marks the glyphs not used.
HERSHEY_KANA = (
    (33, "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめも"
         "や_ゆ_よらりるれろわゐ_ゑをん"),
    (88, "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ"),
    (113, "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモ"
          "ヤ_ユ_ヨラリルレロワヰ_ヱヲン"),
    (168, "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ"),
)
SMALL_KANA = {"ぁ": "あ", "ぃ": "い", "ぅ": "う", "ぇ": "え", "ぉ": "お",
              "っ": "つ", "ゃ": "や", "ゅ": "ゆ", "ょ": "よ", "ゎ": "わ",
              "ァ": "ア", "ィ": "イ", "ゥ": "ウ", "ェ": "エ", "ォ": "オ",
              "ッ": "ツ", "ャ": "ヤ", "ュ": "ユ", "ョ": "ヨ", "ヮ": "ワ",
              "ヵ": "カ", "ヶ": "ケ"}

# Greek letters at the Latin positions of greek.jhf.
HERSHEY_GREEK = dict(zip("ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ",
                         "ABGDEZHQIKLMNXOPRSTUFCYW"))
HERSHEY_GREEK.update(zip("αβγδεζηθικλμνξοπρστυφχψω",
                         "abgdezhqiklmnxoprstufcyw"))

# Cyrillic letters drawn as Latin ones: the same, or mirrored left to right.
CYRILLIC_AS_LATIN = dict(zip("АВЕКМНОРСТХаеорсух", "ABEKMHOPCTXaeopcyx"))
CYRILLIC_MIRRORED = {"И": "N", "Я": "R", "Э": "C"}

# Tone marks of the pinyin letters, in Hershey units above the x-height.
TONE_MARKS = {
    "\u0304": [[(-4, -9), (4, -9)]],             # macron, first tone
    "\u0301": [[(-2, -8), (3, -12)]],            # acute, second tone
    "\u030c": [[(-4, -12), (0, -8), (4, -12)]],  # caron, third tone
    "\u0300": [[(-3, -12), (2, -8)]],            # grave, fourth tone
    "\u0302": [[(-4, -8), (0, -12), (4, -8)]],   # circumflex
}


def dot(x, y, r=1.0):
    """A Hershey-style dot, a small diamond, in the units of its caller."""
    return [(x, y - r), (x - r, y), (x, y + r), (x + r, y), (x, y - r)]


def diaeresis(y):
    return [dot(-3, y), dot(3, y)]


def rows_fill(y0, y1, span, step=2.0):
    """Fills the rows y0..y1 with one zigzag line; span(y) gives (xa, xb)."""
    n = max(1, int(math.ceil((y1 - y0) / step)))
    out = []
    for i in range(n + 1):
        y = y0 + (y1 - y0) * i / n
        xa, xb = span(y)
        out += [(xa, y), (xb, y)] if i % 2 == 0 else [(xb, y), (xa, y)]
    return [out]


def star_points(cx, cy, outer, inner):
    pts = []
    for k in range(10):
        r = outer if k % 2 == 0 else inner
        a = math.radians(-90 + 36 * k)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def arrow(direction):
    """A full-cell arrow; direction is 'right', 'left', 'up' or 'down'."""
    strokes = [[(14, 63), (114, 63)], [(90, 42), (114, 63), (90, 84)]]
    if direction == "left":
        strokes = [[(127 - x, y) for x, y in s] for s in strokes]
    elif direction == "up":
        strokes = [[(y, 127 - x) for x, y in s] for s in strokes]
    elif direction == "down":
        strokes = [[(y, x) for x, y in s] for s in strokes]
    return strokes


def wave(y, x0=14, x1=114, amplitude=8.0, flip=False):
    """One period of a sine: the full-width tilde."""
    pts = []
    for i in range(17):
        t = i / 16.0
        s = math.sin(2 * math.pi * t)
        pts.append((x0 + (x1 - x0) * t, y + (s if flip else -s) * amplitude))
    return [pts]


def lenticular(filled, opening):
    """The lenticular bracket of Chinese text: straight on the outer side,
    the inner side bowed in.  An opening bracket sits in the right half of
    its cell next to the text it opens, a closing one in the left half."""
    x0, x1, y0, y1, bow = 78.0, 112.0, 8.0, 120.0, 20.0

    def inner(y):
        return x1 - bow * math.sin(math.pi * (y - y0) / (y1 - y0))
    edge = [(inner(y0 + (y1 - y0) * i / 16.0), y0 + (y1 - y0) * i / 16.0)
            for i in range(17)]
    strokes = [[(x0, y0)] + edge + [(x0, y1), (x0, y0)]]
    if filled:
        strokes += rows_fill(y0, y1, lambda y: (x0, inner(y)))
    if not opening:
        strokes = [[(127 - x, y) for x, y in s] for s in strokes]
    return strokes


def quote_mark(x, y, opening):
    """One Chinese quotation mark: a dot with a tail, the tail rising to
    the right from the foot of an opening mark and falling to the left from
    the head of a closing one.  (x, y) is the dot's centre."""
    if opening:
        tail = [(x - 5, y - 2), (x - 4, y - 13), (x + 4, y - 24)]
    else:
        tail = [(x + 5, y + 2), (x + 4, y + 13), (x - 4, y + 24)]
    return disc(x, y, 6, 1.5) + [tail]


def chinese_comma():
    """The full-width comma sits low in the left half of its cell."""
    return disc(26, 100, 5, 1.5) + [[(30, 103), (28, 110), (20, 118)]]


BOX_ARMS = ("UP", "DOWN", "LEFT", "RIGHT")


def box_arms(name):
    """Weights of the four arms of a box-drawing character, from its
    Unicode name, e.g. 'BOX DRAWINGS DOWN LIGHT AND RIGHT HEAVY'."""
    words = name.replace("BOX DRAWINGS ", "").split(" AND ")
    arms, weight = {}, None
    for part in words:
        ws = part.split()
        for w in ws:
            if w in ("LIGHT", "HEAVY"):
                weight = w
        for w in ws:
            if w == "VERTICAL":
                arms["UP"] = arms["DOWN"] = weight
            elif w == "HORIZONTAL":
                arms["LEFT"] = arms["RIGHT"] = weight
            elif w in BOX_ARMS:
                arms[w] = weight
    dashes = 3 if "TRIPLE DASH" in name else 4 if "QUADRUPLE DASH" in name else 0
    return arms, dashes


def box_drawing(name):
    """Lines from the cell's centre to the middle of its edges, so that
    neighbouring cells join; a heavy arm is three lines side by side, and a
    light arm meeting a heavy line across starts at that line's edge.  The
    dashed lines are whole rows or columns of three or four dashes."""
    arms, dashes = box_arms(name)
    c = 64
    if dashes:
        offsets = (-2, 0, 2) if "HEAVY" in arms.values() else (0,)
        gap = 128.0 / dashes
        spans = [(k * gap + gap * 0.2, (k + 1) * gap - gap * 0.2) for k in range(dashes)]
        if "UP" in arms:
            return [[(c + o, a), (c + o, b)] for o in offsets for a, b in spans]
        return [[(a, c + o), (b, c + o)] for o in offsets for a, b in spans]
    ends = {"UP": 0, "DOWN": 127, "LEFT": 0, "RIGHT": 127}
    strokes = []
    for arm in BOX_ARMS:
        weight = arms.get(arm)
        if weight is None:
            continue
        vertical = arm in ("UP", "DOWN")
        heavy_across = any(arms.get(a) == "HEAVY" for a in BOX_ARMS
                           if (a in ("UP", "DOWN")) != vertical)
        start = 2 if heavy_across and weight == "LIGHT" else 0
        start = c - start if arm in ("UP", "LEFT") else c + start
        for o in ((-2, 0, 2) if weight == "HEAVY" else (0,)):
            if vertical:
                strokes.append([(c + o, start), (c + o, ends[arm])])
            else:
                strokes.append([(start, c + o), (ends[arm], c + o)])
    return strokes


class Shapes:
    """Builds the glyph of every character that is not a GB2312 hanzi.
    hanzi(ch) gives the glyph of a hanzi, for the composed numbers."""

    def __init__(self, hershey, hanzi=None):
        self.hershey = hershey
        self.hanzi = hanzi
        self.kana = {}
        for start, chars in HERSHEY_KANA:
            for k, ch in enumerate(chars):
                if ch != "_":
                    self.kana[ch] = start + k

    # -- Latin -------------------------------------------------------------

    def latin(self, ch):
        """An ASCII letter in Hershey units with its advance box: the
        converted Hershey glyph or its hand-drawn replacement."""
        if ch in fontextra.LATIN:
            strokes = fontextra.LATIN[ch]
            box = bounds(strokes)
            return (min(-4, box[0] - 3), max(4, box[2] + 3), strokes)
        left, right, strokes = self.hershey.ascii("rowmans", ch)
        if ch == "$":
            strokes = [[(0, -16), (0, 13)]] + strokes[2:]
        elif ch == "~":
            strokes = strokes[:1]
        return left, right, strokes

    def ascii(self, ch):
        """An ASCII glyph, in the left half of the cell."""
        if ch == " ":
            return []
        if ch == "-":
            # the hyphen spans the half cell on the middle line of a hanzi
            return [[(4, 63), (59, 63)]]
        return place_latin(self.latin(ch))

    def fullwidth(self, ch):
        """The full-width form of an ASCII character: its glyph centred."""
        return transform(self.ascii(ch), 1, 1, 32)

    def compose(self, text, width=116.0, glyphs=None):
        """ASCII characters side by side, centred in a full cell and
        squeezed to fit its width: the numbers of row A2.  glyphs may map
        a character to a Hershey glyph of its own."""
        parts, x = [], 0.0
        for ch in text:
            glyph = glyphs[ch] if glyphs and ch in glyphs else self.latin(ch)
            g = place_latin(glyph, centre=0.0)
            b = bounds(g)
            parts.append(transform(g, 1, 1, x - b[0]))
            x += b[2] - b[0] + 8.0
        strokes = [s for p in parts for s in p]
        b = bounds(strokes)
        w = b[2] - b[0]
        sx = min(1.0, width / w) if w > 0 else 1.0
        return [[(64 + (px - (b[0] + b[2]) / 2.0) * sx, y) for px, y in s]
                for s in strokes]

    # -- the other alphabets -----------------------------------------------

    def greek(self, ch):
        glyph = self.hershey.ascii("greek", HERSHEY_GREEK[ch])
        return place_latin(glyph, centre=64.0, sx=LATIN_SY, maxwidth=100.0)

    def cyrillic(self, ch):
        lower = ch.lower() == ch and ch != ch.upper()
        if ch in ("Ё", "ё"):
            base = self.latin("E" if ch == "Ё" else "e")
            strokes = base[2] + diaeresis(-15.5 if ch == "Ё" else -8.5)
            return place_latin((base[0], base[1], strokes), centre=64.0,
                               sx=LATIN_SY, maxwidth=100.0)
        if ch in CYRILLIC_AS_LATIN:
            return place_latin(self.latin(CYRILLIC_AS_LATIN[ch]), centre=64.0,
                               sx=LATIN_SY, maxwidth=100.0)
        if ch in fontextra.CYRILLIC:
            strokes = fontextra.CYRILLIC[ch]
        else:
            cap = ch.upper() if lower else ch
            if cap in CYRILLIC_MIRRORED:
                left, right, strokes = self.latin(CYRILLIC_MIRRORED[cap])
                strokes = mirror(strokes)
                if cap == "Э":
                    strokes = strokes + [[(-3, -1), (7, -1)]]
            elif cap in CYRILLIC_AS_LATIN:
                strokes = self.latin(CYRILLIC_AS_LATIN[cap])[2]
            elif cap in ("Й",):
                strokes = (mirror(self.latin("N")[2])
                           + [[(-4, -16), (-2, -14), (2, -14), (4, -16)]])
            else:
                strokes = fontextra.CYRILLIC[cap]
            if lower:
                strokes = small_caps(strokes)
        b = bounds(strokes)
        return place_latin((b[0] - 3, b[2] + 3, strokes), centre=64.0,
                           sx=LATIN_SY, maxwidth=100.0)

    def kana_glyph(self, ch):
        """A kana from japanese.jhf, one line a stroke, filling the cell."""
        if ch in SMALL_KANA:
            big = self.kana_glyph(SMALL_KANA[ch])
            return [[(60 + (x - 64) * 0.72, 114 - (114 - y) * 0.72) for x, y in s]
                    for s in big]
        if ch == "ヴ":
            return self.kana_glyph("ウ") + self.kana_glyph("ガ")[-2:]
        left, right, strokes = self.hershey.glyph("japanese", self.kana[ch])
        strokes = drop_doubled(strokes)
        return [[(64 + 5.0 * (x + 0.5), 64 + 5.0 * (y + 1)) for x, y in s]
                for s in strokes]

    def pinyin(self, ch):
        """A pinyin letter with its tone mark, full width."""
        parts = unicodedata.normalize("NFD", ch)
        base, marks = parts[0], parts[1:]
        left, right, strokes = self.latin(base)
        if base == "i" and marks:
            strokes = strokes[1:]          # dotless under a tone mark
        strokes = list(strokes)
        y = 0.0
        for m in marks:
            if m == "\u0308":
                strokes += diaeresis(-8.5)
                y = -4.0
            else:
                strokes += [[(x, py + y) for x, py in s] for s in TONE_MARKS[m]]
        return transform(place_latin((left, right, strokes)), 1, 1, 32)

    # -- symbols -----------------------------------------------------------

    def row_a2(self, ch):
        name = unicodedata.name(ch)
        if name.startswith("DIGIT") and name.endswith("FULL STOP") or \
                name.startswith("NUMBER") and name.endswith("FULL STOP"):
            return self.compose(str(unicodedata.digit(ch, None) or
                                    int(unicodedata.numeric(ch))) + ".")
        if name.startswith("PARENTHESIZED DIGIT") or \
                name.startswith("PARENTHESIZED NUMBER"):
            return self.compose("(%d)" % int(unicodedata.numeric(ch)))
        if name.startswith("CIRCLED"):
            digits = self.compose(str(int(unicodedata.numeric(ch))), width=60)
            digits = [[(64 + (x - 64) * 0.62, 60 + (y - 57) * 0.62) for x, y in s]
                      for s in digits]
            return [circle(64, 64, 56)] + digits
        if name.startswith("PARENTHESIZED IDEOGRAPH"):
            number = "一二三四五六七八九十"[int(unicodedata.numeric(ch)) - 1]
            inner = [[(64 + (x - 64) * 0.55, 64 + (y - 64) * 0.55) for x, y in s]
                     for s in self.hanzi(number)]
            parens = self.compose("()", width=120)
            b = bounds(parens)
            left = [s for s in parens if bounds([s])[2] < 64]
            right = [s for s in parens if bounds([s])[0] > 64]
            return (transform(left, 1, 1, 8 - b[0]) + inner
                    + transform(right, 1, 1, 120 - b[2]))
        if name.startswith("ROMAN NUMERAL"):
            text = {1: "I", 2: "II", 3: "III", 4: "IV", 5: "V", 6: "VI",
                    7: "VII", 8: "VIII", 9: "IX", 10: "X", 11: "XI",
                    12: "XII"}[int(unicodedata.numeric(ch))]
            plain = {"I": self.hershey.ascii("rowmans", "I")}
            strokes = self.compose(text, width=100, glyphs=plain)
            b = bounds(strokes)
            return strokes + [[(b[0] - 4, b[1]), (b[2] + 4, b[1])],
                              [(b[0] - 4, b[3]), (b[2] + 4, b[3])]]
        return []

    def math(self, ch):
        """A mathematical sign from the Hershey maths font, full width."""
        index = {"∝": 62, "∞": 63, "§": 73}[ch]
        glyph = self.hershey.glyph("symbolic" if ch == "§" else "mathlow", index)
        return place_latin(glyph, centre=64.0, sx=LATIN_SY, maxwidth=100.0)

    def symbol(self, ch):
        """The glyph of a two-byte character that is not a hanzi."""
        o = ord(ch)
        if 0xFF01 <= o <= 0xFF5E:
            if ch == "，":
                return chinese_comma()
            if ch == "．":
                return disc(26, 100, 4.5, 1.5)
            return self.fullwidth(chr(o - 0xFEE0))
        if ch in self.kana or ch in SMALL_KANA or ch == "ヴ":
            return self.kana_glyph(ch)
        if ch in HERSHEY_GREEK:
            return self.greek(ch)
        if 0x0400 <= o <= 0x04FF:
            return self.cyrillic(ch)
        if ch in fontextra.BOPOMOFO:
            return fontextra.BOPOMOFO[ch]
        if ch in fontextra.SYMBOLS:
            return fontextra.SYMBOLS[ch]
        if 0x2500 <= o <= 0x257F:
            return box_drawing(unicodedata.name(ch))
        name = unicodedata.name(ch, "")
        if "LATIN SMALL LETTER" in name:
            return self.pinyin(ch)
        if 0x2460 <= o <= 0x249B or 0x2160 <= o <= 0x216B or 0x3220 <= o <= 0x3229:
            return self.row_a2(ch)
        if ch in ("∝", "∞", "§"):
            return self.math(ch)
        return self.misc(ch)

    def misc(self, ch):
        """Punctuation and signs of row A1, and the few others."""
        c = 64
        if ch == "、":
            return [[(16, 82), (34, 108)], [(18, 82), (36, 106)]]
        if ch == "。":
            return [circle(28, 100, 13)]
        if ch == "・":
            return disc(c, 63, 5, 1.5)
        if ch == "ˉ":
            return [[(24, 18), (104, 18)]]
        if ch == "ˇ":
            return [[(40, 12), (64, 30), (88, 12)]]
        if ch == "¨":
            return disc(46, 20, 5, 1.5) + disc(82, 20, 5, 1.5)
        if ch == "―":
            return [[(0, 63), (127, 63)]]
        if ch == "～":
            return wave(63)
        if ch == "‖":
            return [[(56, 6), (56, 122)], [(72, 6), (72, 122)]]
        if ch == "…":
            return disc(22, 63, 5, 1.5) + disc(c, 63, 5, 1.5) + disc(106, 63, 5, 1.5)
        if ch in "‘’“”":
            # an opening mark sits at the right of its cell, next to the
            # text it opens, a closing one at the left
            opening = ch in "‘“"
            x = 104 if opening else 24
            y = 38 if opening else 14
            if ch in "‘’":
                return quote_mark(x, y, opening)
            step = -20 if opening else 20
            return quote_mark(x + step, y, opening) + quote_mark(x, y, opening)
        brackets = {
            "〔": [[(102, 8), (88, 22), (88, 106), (102, 120)]],
            "〈": [[(100, 8), (76, 64), (100, 120)]],
            "《": [[(92, 8), (68, 64), (92, 120)], [(112, 8), (88, 64), (112, 120)]],
            "「": [[(112, 12), (76, 12), (76, 74)]],
            "『": [[(116, 8), (72, 8), (72, 78), (84, 78), (84, 20), (116, 20),
                   (116, 8)]],
        }
        closing = {"〕": "〔", "〉": "〈", "》": "《"}
        if ch in brackets:
            return brackets[ch]
        if ch in closing:
            return [[(127 - x, y) for x, y in s] for s in brackets[closing[ch]]]
        if ch in "」』":
            return [[(127 - x, 127 - y) for x, y in s]
                    for s in brackets["「" if ch == "」" else "『"]]
        if ch in "〖〗【】":
            return lenticular(ch in "【】", ch in "〖【")
        if ch == "±":
            return [[(c, 26), (c, 82)], [(34, 54), (94, 54)], [(34, 98), (94, 98)]]
        if ch == "×":
            return [[(38, 37), (90, 89)], [(90, 37), (38, 89)]]
        if ch == "÷":
            return [[(30, 63), (98, 63)]] + disc(c, 38, 5, 1.5) + disc(c, 88, 5, 1.5)
        if ch == "∶":
            return disc(c, 42, 5, 1.5) + disc(c, 84, 5, 1.5)
        if ch == "∧":
            return [[(34, 96), (c, 28), (94, 96)]]
        if ch == "∨":
            return [[(34, 30), (c, 98), (94, 30)]]
        if ch == "∑":
            return [[(98, 24), (98, 14), (30, 14), (70, 63), (30, 112), (98, 112),
                     (98, 102)]]
        if ch == "∏":
            return [[(22, 14), (106, 14)], [(40, 14), (40, 112)], [(88, 14), (88, 112)],
                    [(28, 112), (52, 112)], [(76, 112), (100, 112)]]
        if ch == "∪":
            return [[(36, 24), (36, 70)] + arc(c, 70, 28, 28, 180, 0) + [(92, 24)]]
        if ch == "∩":
            return [[(36, 104), (36, 58)] + arc(c, 58, 28, 28, 180, 360) + [(92, 104)]]
        if ch == "∈":
            return [[(96, 28), (68, 28)] + arc(68, 63, 35, 35, 270, 90) + [(96, 98)],
                    [(33, 63), (94, 63)]]
        if ch == "∷":
            return (disc(42, 40, 5, 1.5) + disc(86, 40, 5, 1.5)
                    + disc(42, 86, 5, 1.5) + disc(86, 86, 5, 1.5))
        if ch == "√":
            return [[(22, 70), (34, 62), (56, 114), (82, 10), (114, 10)]]
        if ch == "⊥":
            return [[(c, 14), (c, 110)], [(20, 110), (108, 110)]]
        if ch == "∥":
            return [[(62, 12), (44, 116)], [(86, 12), (68, 116)]]
        if ch == "∠":
            return [[(98, 18), (26, 106), (108, 106)]]
        if ch == "⌒":
            return [arc(c, 96, 50, 50, 205, 335)]
        if ch == "⊙":
            return [circle(c, 64, 46)] + disc(c, 64, 7, 1.5)
        if ch == "∮":
            return fontextra.SYMBOLS["∫"] + [circle(c, 64, 16)]
        if ch == "≡":
            return [[(26, y), (102, y)] for y in (38, 63, 88)]
        if ch == "≌":
            return wave(38, 26, 102, 7, flip=True) + [[(26, 70), (102, 70)],
                                                       [(26, 96), (102, 96)]]
        if ch == "≈":
            return wave(48, 22, 106, 8) + wave(80, 22, 106, 8)
        if ch == "∽":
            return wave(63, 18, 110, 10, flip=True)
        if ch == "≠":
            return [[(26, 48), (102, 48)], [(26, 80), (102, 80)], [(84, 22), (44, 106)]]
        if ch in "≮≯≤≥":
            less = ch in "≮≤"
            angle = [(96, 26), (32, 58), (96, 90)] if less else [(32, 26), (96, 58), (32, 90)]
            if ch in "≤≥":
                return [angle, [(32, 108), (96, 108)]]
            return [[(96, 16), (32, 63), (96, 110)] if less else
                    [(32, 16), (96, 63), (32, 110)], [(80, 10), (48, 116)]]
        if ch == "∵":
            return disc(36, 40, 6, 1.5) + disc(92, 40, 6, 1.5) + disc(c, 88, 6, 1.5)
        if ch == "∴":
            return disc(c, 40, 6, 1.5) + disc(36, 88, 6, 1.5) + disc(92, 88, 6, 1.5)
        if ch == "♂":
            return [circle(50, 78, 30), [(71, 57), (108, 20)],
                    [(80, 20), (108, 20), (108, 48)]]
        if ch == "♀":
            return [circle(c, 44, 30), [(c, 74), (c, 122)], [(40, 100), (88, 100)]]
        if ch == "°":
            return [circle(42, 30, 12)]
        if ch == "′":
            return [[(66, 12), (54, 46)]]
        if ch == "″":
            return [[(56, 12), (44, 46)], [(82, 12), (70, 46)]]
        if ch == "℃":
            return [circle(24, 26, 10), arc(80, 64, 36, 48, -40, -320)]
        if ch == "＄":
            return self.fullwidth("$")
        if ch == "¤":
            return [circle(c, 64, 26)] + [[(c + 18 * dx, 64 + 18 * dy),
                                           (c + 40 * dx, 64 + 40 * dy)]
                                          for dx in (-1, 1) for dy in (-1, 1)]
        if ch == "￠":
            return self.fullwidth("c") + [[(c, 34), (c, 112)]]
        if ch == "‰":
            pct = transform(self.ascii("%"), 1, 1, 2)
            return pct + [circle(100, 88, 9)]
        if ch == "№":
            n = transform(self.ascii("N"), 1, 1, 6)
            return n + [circle(92, 44, 12), [(78, 68), (106, 68)]]
        if ch in "☆★":
            pts = star_points(c, 68, 56, 22)
            strokes = [pts + pts[:1]]
            if ch == "★":
                inner = [pts[k] for k in range(1, 10, 2)]
                strokes += hatch(inner)
                for k in range(0, 10, 2):
                    strokes += hatch([pts[k], pts[(k + 1) % 10], pts[(k - 1) % 10]])
            return strokes
        if ch == "○":
            return [circle(c, 64, 50)]
        if ch == "●":
            return disc(c, 64, 50)
        if ch == "◎":
            return [circle(c, 64, 50), circle(c, 64, 30)]
        if ch in "◇◆":
            pts = [(c, 10), (118, 64), (c, 118), (10, 64)]
            return [pts + pts[:1]] + (hatch(pts) if ch == "◆" else [])
        if ch in "□■":
            pts = [(16, 16), (112, 16), (112, 112), (16, 112)]
            return [pts + pts[:1]] + (hatch(pts) if ch == "■" else [])
        if ch in "△▲":
            pts = [(c, 12), (118, 108), (10, 108)]
            return [pts + pts[:1]] + (hatch(pts) if ch == "▲" else [])
        if ch in "→←↑↓":
            return arrow({"→": "right", "←": "left", "↑": "up", "↓": "down"}[ch])
        if ch == "〓":
            a = [(14, 34), (114, 34), (114, 54), (14, 54)]
            b = [(14, 74), (114, 74), (114, 94), (14, 94)]
            return [a + a[:1]] + hatch(a) + [b + b[:1]] + hatch(b)
        if ch == "￥":
            return [[(34, 20), (c, 62), (94, 20)], [(c, 62), (c, 96)],
                    [(40, 62), (88, 62)], [(40, 78), (88, 78)]]
        if ch == "￣":
            return [[(10, 8), (118, 8)]]
        raise KeyError("no glyph for %r (U+%04X)" % (ch, ord(ch)))
