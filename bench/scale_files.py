#!/usr/bin/env python3
"""Writes the large drawings the whole-program scale runs use.

    scale_files.py DIR

sheet-N.plt     N closed shapes on a grid (HPGL), as a parts sheet: 1,000,
                10,000 and 100,000 shapes of 100 points, 22,500 of 50
triangles.kfp   10,000 identical triangles on top of each other (project)
empty.kfp       20,000 shapes without any point and one triangle (project)
lines.dxf       200,000 disjoint DXF lines
"""
import math
import os
import random
import struct
import sys

UNITS = 40.0  # plotter units per mm


def hpgl_sheet(path, shapes, points_per_shape=100):
    """Every pen-down repeats the pen's position, so each single-pair PD adds
    two points: a shape of n points is n/2 pen-downs."""
    rng = random.Random(3)
    vertices = points_per_shape // 2 + 1
    columns = math.ceil(math.sqrt(shapes))
    with open(path, "w") as f:
        f.write("IN;SP1;")
        for i in range(shapes):
            cx, cy = (i % columns) * 30.0, (i // columns) * 30.0
            pts = []
            for k in range(vertices - 1):
                t = 2 * math.pi * k / (vertices - 1)
                r = 10 + rng.uniform(0, 2)
                pts.append((cx + r * math.cos(t), cy + r * math.sin(t)))
            pts.append(pts[0])
            x, y = pts[0]
            f.write("PU%d,%d;" % (x * UNITS, y * UNITS))
            f.write("".join("PD%d,%d;" % (px * UNITS, py * UNITS) for px, py in pts[1:]))
            f.write("\n")
        f.write("PU0,0;SP0;")


def project(path, shapes, bounds):
    """A project file (big-endian Qt data stream) without joints; shapes are
    lists of (x, y)."""
    d = lambda *v: struct.pack(">%dd" % len(v), *v)
    with open(path, "wb") as f:
        f.write(b"KFP\0\0BrenmoorLimited\0")
        f.write(struct.pack(">B", 1) + d(*bounds) + b"\0" + d(0, 0))
        f.write(struct.pack(">i", len(shapes)))
        for pts in shapes:
            f.write(struct.pack(">i?BB", len(pts), False, 0, 1))
            f.write(b"".join(d(x, y) for x, y in pts))
        f.write(struct.pack(">i", 0))
        for _ in range(2):
            f.write(b"\1" + d(0, 0) + struct.pack(">?i", False, 7))


def triangles(path, count=10000):
    tri = [(10, 10), (20, 10), (15, 20), (10, 10)]
    project(path, [tri] * count, (10, 10, 10, 10))


def empty_shapes(path, count=20000):
    project(path, [[]] * count + [[(10, 10), (20, 10), (15, 20), (10, 10)]], (10, 10, 10, 10))


def dxf_lines(path, count=200000):
    columns = math.ceil(math.sqrt(count))
    with open(path, "w") as f:
        f.write("0\nSECTION\n2\nENTITIES\n")
        for i in range(count):
            x, y = (i % columns) * 10.0, (i // columns) * 10.0
            f.write("0\nLINE\n8\n0\n10\n%g\n20\n%g\n30\n0\n11\n%g\n21\n%g\n31\n0\n"
                    % (x, y, x + 5, y + 3))
        f.write("0\nENDSEC\n0\nEOF\n")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for n, points in ((1000, 100), (10000, 100), (22500, 50), (100000, 100)):
        hpgl_sheet(os.path.join(out, "sheet-%d.plt" % n), n, points)
    triangles(os.path.join(out, "triangles.kfp"))
    empty_shapes(os.path.join(out, "empty.kfp"))
    dxf_lines(os.path.join(out, "lines.dxf"))


if __name__ == "__main__":
    main()
