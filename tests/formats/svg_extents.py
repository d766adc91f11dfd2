#!/usr/bin/python3
"""Prints the extents of the drawn shapes of an SVG file in millimetres,
"minx miny maxx maxy pagewidth pageheight" (y down, as in the file). The
geometry (path data, shapes, transforms, clones) comes from the independent
svgelements library in the file's user units; the root element's size and
view box are then mapped to millimetres as the reader documents it (90
pixels per inch, points and picas at 72 and 6 per inch, the view box fitted
by preserveAspectRatio). The page size lets a caller map a picture of the
page, such as librsvg draws it, to millimetres.
Exit code 2 when svgelements is missing, 1 when nothing is drawn."""
import gzip
import io
import re
import sys

try:
    from svgelements import SVG, Shape
except ImportError:
    sys.exit(2)

PX_PER_MM = 3.543307
UNITS = {'': PX_PER_MM, 'px': PX_PER_MM, 'pt': 72 / 25.4, 'pc': 6 / 25.4,
         'mm': 1.0, 'cm': 0.1, 'in': 1 / 25.4}


def length_mm(text):
    if text is None:
        return None
    m = re.fullmatch(r'\s*([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)\s*([a-z]*)\s*', text)
    if not m or m.group(2) not in UNITS:
        return None
    v = float(m.group(1)) / UNITS[m.group(2)]
    return v if v > 0 else None


def fit(box, mw, mh, aspect):
    """Origin offset and scales that fit the view box into mw x mh."""
    x, y, w, h = box
    sx, sy = mw / w, mh / h
    words = aspect.split()
    if words and words[0] == 'defer':
        words = words[1:]
    align = words[0] if words else 'xMidYMid'
    if align == 'none':
        return x, y, sx, sy, 0, 0
    aligns = ['xMinYMin', 'xMidYMin', 'xMaxYMin', 'xMinYMid', 'xMidYMid',
              'xMaxYMid', 'xMinYMax', 'xMidYMax', 'xMaxYMax']
    k = aligns.index(align) if align in aligns else 4
    s = max(sx, sy) if words[1:2] == ['slice'] else min(sx, sy)
    return x, y, s, s, (k % 3) / 2 * (mw - w * s), (k // 3) / 2 * (mh - h * s)


def mapping(root_tag):
    """Origin, scales and offsets from user units to millimetres, and the
    page size in millimetres (None when the file gives none)."""
    def attr(name):
        m = re.search(r'\s%s\s*=\s*["\']([^"\']*)["\']' % name, root_tag)
        return m.group(1) if m else None
    box = [p for p in re.split(r'[\s,]+', attr('viewBox') or '') if p]
    mw, mh = length_mm(attr('width')), length_mm(attr('height'))
    if len(box) != 4:
        return (0, 0, 1 / PX_PER_MM, 1 / PX_PER_MM, 0, 0), (mw, mh)
    box = [float(v) for v in box]
    mw = mw or box[2] / PX_PER_MM
    mh = mh or box[3] / PX_PER_MM
    return fit(box, mw, mh, attr('preserveAspectRatio') or ''), (mw, mh)


def main(path):
    with open(path, 'rb') as f:
        data = f.read()
    if data[:2] == b'\x1f\x8b':
        data = gzip.decompress(data)
    text = data.decode('utf-8')
    root = re.search(r'<svg\b[^>]*>', text)
    (ox, oy, sx, sy, dx, dy), page = mapping(root.group(0))
    # Without its size and view box the root shows user units as they are.
    bare = re.sub(r'\s(width|height|viewBox|preserveAspectRatio)\s*=\s*("[^"]*"|\'[^\']*\')', '',
                  root.group(0))
    text = text[:root.start()] + bare + text[root.end():]
    svg = SVG.parse(io.StringIO(text))
    box = None
    for e in svg.elements():
        if not isinstance(e, Shape):
            continue
        b = e.bbox(transformed=True)
        if b is None:
            continue
        box = list(b) if box is None else [min(box[0], b[0]), min(box[1], b[1]),
                                           max(box[2], b[2]), max(box[3], b[3])]
    if box is None:
        sys.exit(1)
    out = [(box[0] - ox) * sx + dx, (box[1] - oy) * sy + dy, (box[2] - ox) * sx + dx,
           (box[3] - oy) * sy + dy, page[0] or 0, page[1] or 0]
    print(' '.join('%.6f' % v for v in out))


if __name__ == '__main__':
    main(sys.argv[1])
