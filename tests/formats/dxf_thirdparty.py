#!/usr/bin/env python3
"""Checks DXF files with ezdxf, a reader and writer independent of ours.

  dxf_thirdparty.py check FILE      recover + audit FILE, print a JSON summary
  dxf_thirdparty.py generate DIR    write one DXF per case into DIR and
                                    DIR/manifest.json with what a reader must
                                    find in each, computed here, not by us

Exit status 3 when ezdxf is missing, so the caller can skip.
"""
import json
import math
import os
import sys

try:
    import ezdxf
    from ezdxf import bbox, recover
except ImportError:
    print("python3-ezdxf is not installed", file=sys.stderr)
    sys.exit(3)


def check(path):
    doc, auditor = recover.readfile(path)
    loading_errors = [str(e.message) for e in auditor.errors]
    audit = doc.audit()
    polylines = []
    for e in doc.modelspace():
        if e.dxftype() == "LWPOLYLINE":
            pts = e.get_points("xy")
            polylines.append({"count": len(pts), "closed": bool(e.closed),
                              "first": list(pts[0]) if pts else None,
                              "last": list(pts[-1]) if pts else None})
    strict_ok = True
    try:
        ezdxf.readfile(path)
    except Exception as exc:  # the strict loader refuses what recover mends
        strict_ok = False
        loading_errors.append("strict: %s" % exc)
    print(json.dumps({
        "version": doc.dxfversion,
        "insunits": doc.header.get("$INSUNITS"),
        "errors": loading_errors + [str(e.message) for e in audit.errors],
        "strict": strict_ok,
        "entities": len(doc.modelspace()),
        "polylines": polylines,
    }))


# $INSUNITS codes and millimetres per unit; "none" means no $INSUNITS,
# which DXF readers take as inches.
UNITS = {"none": (None, 25.4), "in": (1, 25.4), "ft": (2, 304.8), "mm": (4, 1.0),
         "cm": (5, 10.0), "m": (6, 1000.0), "dm": (14, 100.0)}


def factor(unit):
    return UNITS[unit][1]


def arc_points(radius_mm, start, end):
    """Points the reader makes for an ARC: bounding box side times pi/2."""
    if end < start:
        end += 360
    xs, ys = [], []
    for deg in [start, end] + [a for a in range(0, 1081, 90) if start <= a <= end]:
        xs.append(radius_mm * math.cos(math.radians(deg)))
        ys.append(radius_mm * math.sin(math.radians(deg)))
    side = max(max(xs) - min(xs), max(ys) - min(ys))
    return max(6, min(86, int(side * math.pi / 2)))


def cubic_points(side_mm):
    """Points per cubic of the flattening: side times pi/3, 10 ... 86."""
    return max(10, min(86, int(side_mm * math.pi / 3)))


def new_doc(unit, splinesegs=None):
    doc = ezdxf.new("R2010")
    if UNITS[unit][0] is None:
        del doc.header["$INSUNITS"]
    else:
        doc.header["$INSUNITS"] = UNITS[unit][0]
    if splinesegs is not None:
        doc.header["$SPLINESEGS"] = splinesegs
    return doc


def extents(entities, f, offset=(0, 0)):
    box = bbox.extents(entities)
    return [box.extmin.x * f + offset[0], box.extmin.y * f + offset[1],
            box.extmax.x * f + offset[0], box.extmax.y * f + offset[1]]


def cases():
    """Yields (name, unit, build(msp, doc) -> expectation)."""
    def line(msp, doc, f):
        e = msp.add_line((0, 0), (1, 0.5))
        return {"counts": [2], "closed": [False], "extents": extents([e], f)}

    def point(msp, doc, f):
        e = msp.add_point((3, -2))
        return {"counts": [1], "closed": [False], "extents": [3 * f, -2 * f, 3 * f, -2 * f]}

    def arc(radius, start, end):
        def build(msp, doc, f):
            e = msp.add_arc((2, 1), radius, start, end)
            n = arc_points(radius * f, start, end)
            step = math.radians((end - start) % 360) / (n - 1)
            return {"counts": [n], "closed": [False], "extents": extents([e], f),
                    "tolerance": radius * f * (1 - math.cos(step / 2)) + 1e-9}
        return build

    def circle(radius):
        def build(msp, doc, f):
            e = msp.add_circle((-1, 4), radius)
            return {"counts": [1 + 4 * (cubic_points(radius * f) - 1)], "closed": [True],
                    "extents": extents([e], f)}
        return build

    def ellipse(msp, doc, f):
        e = msp.add_ellipse((1, 1), major_axis=(3, 2), ratio=0.4,
                            start_param=0.3, end_param=4.0)
        return {"closed": [False], "extents": extents([e], f), "tolerance": 0.002 * 3.6 * f,
                "ends": [list(p * f)[:2] for p in (e.start_point, e.end_point)]}

    def full_ellipse(msp, doc, f):
        e = msp.add_ellipse((0, 0), major_axis=(0, 5), ratio=0.5)
        return {"closed": [True], "extents": extents([e], f), "tolerance": 0.002 * 5 * f}

    def square(close, vertices):
        def build(msp, doc, f):
            pts = [(0, 0), (2, 0), (2, 2), (0, 2), (0, 0)][:vertices]
            e = msp.add_lwpolyline(pts, close=close)
            return {"counts": [5 if close or vertices == 5 else 4],
                    "closed": [close or vertices == 5], "extents": extents([e], f)}
        return build

    def bulges(msp, doc, f):
        # A slot: two straight sides and two half circles of radius 1.
        e = msp.add_lwpolyline([(0, 0, 0, 0, 0), (4, 0, 0, 0, 1), (4, 2, 0, 0, 0),
                                (0, 2, 0, 0, 1)], format="xyseb", close=True)
        return {"closed": [True], "extents": extents([e], f), "tolerance": 1e-6 * f}

    def negative_bulge(msp, doc, f):
        e = msp.add_lwpolyline([(0, 0, -0.5), (3, 0, 0)], format="xyb")
        return {"closed": [False], "extents": extents([e], f), "tolerance": 0.001 * f}

    def polyline(msp, doc, f):
        e = msp.add_polyline2d([(0, 0), (1, 0), (1, 1), (0, 1)], close=True)
        # The closed flag of the old POLYLINE is not used: four points, open.
        return {"counts": [4], "closed": [False], "extents": extents([e], f)}

    def spline(degree):
        def build(msp, doc, f):
            ctrl = [(0, 0), (1, 2), (3, 3), (4, 0), (6, 1), (7, 4)]
            e = msp.add_open_spline(ctrl, degree=degree)
            return {"counts": [7 * len(ctrl)], "closed": [False], "extents": extents([e], f),
                    "tolerance": 0.01 * f,
                    "ends": [[0, 0], [7 * f, 4 * f]]}
        return build

    def spline_too_high(msp, doc, f):
        msp.add_open_spline([(0, 0), (1, 2), (3, 3), (4, 0), (6, 1), (7, 4)], degree=4)
        msp.add_open_spline([(0, 0), (1, 2), (3, 3)], degree=3)
        msp.add_point((1, 1))  # something to load, so that the file is not empty
        return {"counts": [1], "closed": [False], "extents": [f, f, f, f]}

    def helix(msp, doc, f):
        # Seen from above a whole number of turns would be a closed circle.
        e = msp.add_helix(radius=5, pitch=2, turns=1.5)
        return {"counts": [7 * len(e.control_points)], "closed": [False],
                "extents": extents([e], f), "tolerance": 0.01 * 5 * f}

    def block(msp, doc, f):
        blk = doc.blocks.new("PART", base_point=(10, 20))
        blk.add_line((0, 0), (1, 1))
        msp.add_blockref("PART", (100, 100))
        msp.add_blockref("PART", (200, 100))
        # The definition appears once, shifted by its base point; the
        # references add nothing.
        return {"counts": [2], "closed": [False], "extents": [10 * f, 20 * f, 11 * f, 21 * f]}

    def rectangle_lines(msp, doc, f):
        ents = [msp.add_line((0, 0), (5, 0)), msp.add_line((0, 3), (5, 3)),
                msp.add_line((0, 3), (0, 0)), msp.add_line((5, 0), (5, 3))]
        return {"weld": True, "counts": [8], "closed": [True], "extents": extents(ents, f)}

    shapes = [
        ("line", line), ("point", point),
        ("arc_r1_quarter", arc(1, 0, 90)), ("arc_r100_half", arc(100, 0, 180)),
        ("arc_r10_wrapping", arc(10, 300, 60)),
        ("circle_r1", circle(1)), ("circle_r100", circle(100)),
        ("ellipse_partial", ellipse), ("ellipse_full", full_ellipse),
        ("lwpolyline_closed4", square(True, 4)), ("lwpolyline_open4", square(False, 4)),
        ("lwpolyline_repeated5", square(False, 5)),
        ("lwpolyline_bulges", bulges), ("lwpolyline_negative_bulge", negative_bulge),
        ("polyline_vertices", polyline),
        ("spline_degree1", spline(1)), ("spline_degree2", spline(2)), ("spline_degree3", spline(3)),
        ("spline_rejected", spline_too_high), ("helix", helix), ("block", block),
        ("rectangle_of_lines", rectangle_lines),
    ]
    # Radius 1 mm and 100 mm fix the point counts; they only hold in mm.
    mm_only = {"arc_r1_quarter", "arc_r100_half", "circle_r1", "circle_r100"}
    for name, build in shapes:
        for unit in (["mm"] if name in mm_only else ["none", "in", "mm", "cm", "m", "ft"]):
            yield name, unit, build


def generate(out):
    os.makedirs(out, exist_ok=True)
    manifest = []
    for name, unit, build in cases():
        doc = new_doc(unit, splinesegs=7)
        f = factor(unit)
        expect = build(doc.modelspace(), doc, f)
        file = "%s_%s.dxf" % (name, unit)
        doc.saveas(os.path.join(out, file))
        expect.update({"file": file, "unit": unit})
        manifest.append(expect)
    with open(os.path.join(out, "manifest.json"), "w") as fh:
        json.dump(manifest, fh, indent=1)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("check", "generate"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    check(sys.argv[2]) if sys.argv[1] == "check" else generate(sys.argv[2])
