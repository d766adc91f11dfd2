#!/usr/bin/env python3
"""Checks DXF files with ezdxf, a reader and writer independent of ours.

  dxf_thirdparty.py check FILE      recover + audit FILE, print a JSON summary
  dxf_thirdparty.py generate DIR    write one DXF per case into DIR and
                                    DIR/manifest.json with what a reader must
                                    find in each, computed here, not by us
  dxf_thirdparty.py extents FILE... the extents of what a hot wire cuts in
                                    each file, in millimetres, blocks expanded,
                                    as a JSON list

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


# What we cut: curves and points. Text, hatches, dimensions, leaders, solids
# and pictures are not cut, wherever they live.
CUT = {"LINE", "ARC", "CIRCLE", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "SPLINE", "HELIX", "POINT"}


def cut_entities(entities, depth=0):
    """Entities as drawn, INSERTs (and MINSERT arrays) expanded."""
    for e in entities:
        kind = e.dxftype()
        if kind == "INSERT":
            if depth > 32:
                continue
            if e.mcount > 1:
                yield from cut_entities(e.multi_insert(), depth)
            else:
                yield from cut_entities(e.virtual_entities(), depth + 1)
        elif kind in CUT:
            if kind == "POLYLINE" and (e.is_poly_face_mesh or e.is_polygon_mesh):
                continue
            yield e


def ref_extents(entities, f):
    box = bbox.extents(cut_entities(entities))
    if not box.has_data:
        return None
    return [box.extmin.x * f, box.extmin.y * f, box.extmax.x * f, box.extmax.y * f]


def file_extents(paths):
    out = []
    for path in paths:
        try:
            doc, _ = recover.readfile(path)
            code = doc.header.get("$INSUNITS")
            f = 25.4 if code is None else {c: mm for c, mm in UNIT_TABLE}.get(code, 25.4)
            msp = [e for e in doc.modelspace() if not e.dxf.get("paperspace", 0)]
            out.append({"file": path, "extents": ref_extents(msp, f)})
        except Exception as exc:  # reported, so the caller can name the file
            out.append({"file": path, "error": str(exc)})
    print(json.dumps(out))


UNIT_TABLE = list(enumerate([1, 25.4, 304.8, 1609344, 1, 10, 1000, 1000000, 0.0000254, 0.0254, 914.4,
                             0.0000001, 0.000001, 0.001, 100, 10000, 100000, 1e12, 1.496e14,
                             9.4605e18, 3.0857e19]))


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
        # Closed like an LWPOLYLINE: the fourth side back to the start.
        return {"counts": [5], "closed": [True], "extents": extents([e], f)}

    def polyline_bulges(msp, doc, f):
        # The slot of "bulges" as an R12 polyline: vertex bulges are arcs.
        e = msp.add_polyline2d([(0, 0, 0), (4, 0, 1), (4, 2, 0), (0, 2, 1)], format="xyb", close=True)
        return {"closed": [True], "extents": extents([e], f), "tolerance": 1e-6 * f}

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
        # Drawn where each reference places it, the base point at the
        # insertion point; the definition itself is not drawn.
        return {"counts": [2, 2], "closed": [False, False], "extents": ref_extents(msp, f)}

    def part(doc, name="SHAPE", base=(1, 2)):
        blk = doc.blocks.new(name, base_point=base)
        blk.add_lwpolyline([(0, 0), (4, 0), (4, 2), (0, 2)], close=True)
        blk.add_arc((6, 1), 1, 300, 120)
        blk.add_circle((2, 5), 1.5)
        blk.add_ellipse((8, 4), major_axis=(2, 1), ratio=0.5, start_param=0.5, end_param=5)
        return blk

    def curved_tolerance(f):
        return 0.003 * 12 * f

    def insert(scale, rotation, extrusion=None):
        def build(msp, doc, f):
            part(doc)
            ref = msp.add_blockref("SHAPE", (30, -7), dxfattribs={
                "xscale": scale[0], "yscale": scale[1], "rotation": rotation})
            if extrusion:
                ref.dxf.extrusion = extrusion
            return {"extents": ref_extents(msp, f), "tolerance": curved_tolerance(f) * max(map(abs, scale)),
                    "closed": [True, False, True, False]}
        return build

    def minsert(msp, doc, f):
        part(doc)
        ref = msp.add_blockref("SHAPE", (3, 4), dxfattribs={"rotation": 15, "xscale": 0.5, "yscale": 0.5})
        ref.dxf.column_count, ref.dxf.row_count = 3, 2
        ref.dxf.column_spacing, ref.dxf.row_spacing = 9, -6
        return {"extents": ref_extents(msp, f), "tolerance": curved_tolerance(f),
                "closed": [True, False, True, False] * 6}

    def nested(msp, doc, f):
        part(doc)
        outer = doc.blocks.new("OUTER", base_point=(-5, 0))
        outer.add_blockref("SHAPE", (0, 0), dxfattribs={"rotation": 90, "xscale": -1})
        outer.add_line((0, 0), (0, 10))
        msp.add_blockref("OUTER", (50, 50), dxfattribs={"rotation": 45, "xscale": 2, "yscale": 2})
        # A definition nothing places, like a dimension's or a layout's.
        doc.blocks.new("UNUSED").add_circle((1000, 1000), 5)
        return {"extents": ref_extents(msp, f), "tolerance": 2 * curved_tolerance(f),
                "closed": [True, False, True, False, False]}

    def mirrored(msp, doc, f):
        # Object coordinates of extrusion (0, 0, -1): x runs the other way.
        down = {"extrusion": (0, 0, -1)}
        msp.add_arc((5, 1), 2, 10, 80, dxfattribs=down)
        msp.add_circle((-3, 2), 1, dxfattribs=dict(down, elevation=4))
        msp.add_lwpolyline([(1, 1, 0.5), (4, 1, 0), (4, 3, 0)], format="xyb", dxfattribs=down)
        msp.add_ellipse((2, -4), major_axis=(3, 1), ratio=0.5, start_param=0, end_param=2,
                        dxfattribs=down)
        return {"extents": ref_extents(msp, f), "tolerance": curved_tolerance(f),
                "closed": [False, True, False, False]}

    def tilted(msp, doc, f):
        # A general extrusion direction: the arbitrary-axis algorithm.
        msp.add_circle((1, 2, 3), 2, dxfattribs={"extrusion": (0.3, -0.2, 0.9)})
        msp.add_arc((4, 0, 1), 3, 0, 200, dxfattribs={"extrusion": (0, 1, 0.01)})
        return {"extents": ref_extents(msp, f), "tolerance": curved_tolerance(f), "closed": [True, False]}

    def two_vertex_circle(msp, doc, f):
        msp.add_lwpolyline([(0, 0, 1), (4, 0, 1)], format="xyb", close=True)
        msp.add_lwpolyline([(10, 0, 1), (14, 0, 0)], format="xyb", close=True)  # a D
        return {"extents": ref_extents(msp, f), "tolerance": 0.001 * 4 * f, "closed": [True, True]}

    def nurbs_quarter(msp, doc, f):
        msp.add_rational_spline([(10, 0), (10, 10), (0, 10)], [1, math.sqrt(0.5), 1], degree=2,
                                knots=[0, 0, 0, 1, 1, 1])
        return {"extents": ref_extents(msp, f), "tolerance": 0.001 * f, "closed": [False]}

    def shifted_knots(msp, doc, f):
        msp.add_open_spline([(0, 0), (1, 2), (3, 3), (4, 0), (6, 1)], degree=3,
                            knots=[5, 5, 5, 5, 6.5, 8, 8, 8, 8])
        return {"extents": ref_extents(msp, f), "tolerance": 0.01 * f, "closed": [False],
                "ends": [[0, 0], [6 * f, 1 * f]]}

    def fit_points(tangents):
        def build(msp, doc, f):
            e = msp.add_spline([(0, 0), (2, 3), (5, 1), (7, 4), (9, 0)], degree=3)
            if tangents:
                e.dxf.start_tangent, e.dxf.end_tangent = (0, 1, 0), (1, -1, 0)
            return {"extents": ref_extents(msp, f), "tolerance": 0.01 * 9 * f, "closed": [False],
                    "ends": [[0, 0], [9 * f, 0]]}
        return build

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
        ("polyline_vertices", polyline), ("polyline_bulges", polyline_bulges),
        ("spline_degree1", spline(1)), ("spline_degree2", spline(2)), ("spline_degree3", spline(3)),
        ("spline_rejected", spline_too_high), ("helix", helix), ("block", block),
        ("insert_scaled_rotated", insert((2, 0.5), 30)), ("insert_mirrored", insert((-1, 1.5), -20)),
        ("insert_extruded_down", insert((1, 1), 10, (0, 0, -1))), ("minsert", minsert),
        ("nested_blocks", nested), ("extrusion_down", mirrored), ("extrusion_tilted", tilted),
        ("lwpolyline_two_vertex_closed", two_vertex_circle), ("nurbs_quarter_circle", nurbs_quarter),
        ("spline_shifted_knots", shifted_knots), ("spline_fit_points", fit_points(False)),
        ("spline_fit_points_tangents", fit_points(True)),
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
    if len(sys.argv) < 3 or sys.argv[1] not in ("check", "generate", "extents"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    if sys.argv[1] == "extents":
        file_extents(sys.argv[2:])
    else:
        check(sys.argv[2]) if sys.argv[1] == "check" else generate(sys.argv[2])
