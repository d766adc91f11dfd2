#!/usr/bin/python3
"""Runs the unattended Kerfloom on every drawing the machine holds (DXF, HPGL
and G-code in full, a sample of the SVG files) into every output ending, and
reads each output back, as a user's script would.

  scripts/sweep-drawings.py [--build DIR] [--svg N] [--work DIR] [--timeout S] [--only DIR]

Reports per file: crash (a signal or a sanitizer report), hang (timeout),
refusal with its message, an empty output from a drawing that loaded, a cut
whose size differs from what an independent reader finds (ezdxf for DXF,
svgelements for SVG, the coordinates themselves for G-code), and an output
that does not read back at the size it was written. Prints a summary and
writes every finding to WORK/report.json."""
import argparse
import concurrent.futures
import gzip
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENDINGS = ["tap", "svg", "plt", "kfp", "dxf"]
KIND = {".dxf": "dxf", ".svg": "svg", ".svgz": "svg", ".plt": "hpgl", ".hpgl": "hpgl",
        ".hpg": "hpgl", ".hp": "hpgl", ".tap": "gcode", ".nc": "gcode", ".gcode": "gcode"}
INPUT_ENDING = {"dxf": ".dxf", "hpgl": ".plt", "gcode": ".tap"}
# The third-party readers are Debian's packages, for Debian's own python.
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
SANITIZER = re.compile(r"ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer")


def find_drawings(svg_count, extra=None):
    """Every drawing outside the work trees, this tree's test data, and the
    hp2xx test plots (compressed or named .hp). SVG files are sampled evenly."""
    found = subprocess.run(
        ["find", "/", "-xdev", "(", "-path", "/work", "-o", "-path", "/tmp", "-o", "-path", "/proc",
         ")", "-prune", "-o", "-type", "f", "-print"], capture_output=True, text=True).stdout.split("\n")
    found += subprocess.run(["find", os.path.join(ROOT, "tests/data"), os.path.join(ROOT, "examples"),
                             "-type", "f"],
                            capture_output=True, text=True).stdout.split("\n")
    if extra:
        found = subprocess.run(["find", extra, "-type", "f"], capture_output=True, text=True).stdout.split("\n")
    files, svgs = [], []
    for path in found:
        low = path.lower()
        if low.endswith(".gz") and any(low[:-3].endswith(e) for e in (".hp", ".hpg", ".plt")):
            files.append((path, "hpgl"))
            continue
        kind = KIND.get(os.path.splitext(low)[1])
        if kind == "svg" and not path.startswith(ROOT) and not extra:
            svgs.append(path)
        elif kind:
            files.append((path, kind))
    # Icon themes hold hundreds of near twins: every other SVG is taken,
    # and icons evenly spread fill up the count.
    icons = sorted(p for p in svgs if "/icons/" in p)
    others = sorted(p for p in svgs if "/icons/" not in p)[:svg_count]
    wanted = max(0, svg_count - len(others))
    icons = [icons[i * len(icons) // wanted] for i in range(wanted)] if icons and wanted else []
    files += [(p, "svg") for p in others + icons]
    seen, unique = set(), []
    for path, kind in files:
        try:
            data = open(path, "rb").read()
        except OSError:
            continue
        if path.endswith(".gz") and kind == "hpgl":
            try:
                data = gzip.decompress(data)
            except OSError:
                continue
        digest = hashlib.md5(data).hexdigest()
        if digest not in seen:
            seen.add(digest)
            unique.append((path, kind, data))
    return unique


def tap_extents(path):
    """Extents of the points of a G-code file (the start position included:
    placed at the drawing's corner, it adds nothing to the size)."""
    pts, x, y = [], 0.0, 0.0
    scale = 1.0
    try:
        text = open(path, "rb").read().decode("latin-1")
    except OSError:
        return None
    for line in text.splitlines():
        code = re.sub(r"\(.*?\)|;.*", "", line).upper().strip()
        if re.search(r"G20(?!\d)", code):
            scale = 25.4
        if re.search(r"G21(?!\d)", code):
            scale = 1.0
        mx = re.search(r"X\s*([-+]?[\d.]+(?:E[-+]?\d+)?)", code)
        my = re.search(r"Y\s*([-+]?[\d.]+(?:E[-+]?\d+)?)", code)
        if not (mx or my) or code[:1] not in ("X", "Y"):
            continue
        try:
            x = float(mx.group(1)) * scale if mx else x
            y = float(my.group(1)) * scale if my else y
        except ValueError:
            continue
        pts.append((x, y))
    if not pts:
        return None
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return [min(xs), min(ys), max(xs), max(ys)]


def reference_extents(path, kind):
    """Extents by an independent reader, or None where there is none."""
    try:
        if kind == "dxf":
            out = subprocess.run([PYTHON, os.path.join(ROOT, "tests/formats/dxf_thirdparty.py"),
                                  "extents", path], capture_output=True, text=True, timeout=120)
            return json.loads(out.stdout)[0].get("extents")
        if kind == "svg":
            out = subprocess.run([PYTHON, os.path.join(ROOT, "tests/formats/svg_extents.py"), path],
                                 capture_output=True, text=True, timeout=120)
            if out.returncode == 1:
                return "nothing"
            return [float(v) for v in out.stdout.split()[:4]] if out.returncode == 0 else None
        if kind == "gcode":
            return tap_extents(path)
    except (subprocess.TimeoutExpired, ValueError, IndexError, json.JSONDecodeError):
        return None
    return None


def dxf_reference_extents(paths, batch=40):
    """ezdxf's extents, many files to one process (it takes a second to start)."""
    out = {}
    for i in range(0, len(paths), batch):
        part = paths[i:i + batch]
        try:
            p = subprocess.run([PYTHON, os.path.join(ROOT, "tests/formats/dxf_thirdparty.py"), "extents"] + part,
                               capture_output=True, text=True, timeout=600)
            for item in json.loads(p.stdout):
                out[item["file"]] = item.get("extents")
        except (subprocess.TimeoutExpired, json.JSONDecodeError):
            out.update((f, reference_extents(f, "dxf")) for f in part)
    return out


def size(box):
    return (box[2] - box[0], box[3] - box[1])


def differs(ours, ref, tolerance):
    (w, h), (rw, rh) = size(ours), size(ref)
    allowed = tolerance * max(rw, rh, w, h) + 0.1
    return abs(w - rw) > allowed or abs(h - rh) > allowed


def run(program, config, args, cwd, timeout):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["XDG_CONFIG_HOME"] = config
    env["ASAN_OPTIONS"] = "detect_leaks=1:abort_on_error=1"
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    env["LSAN_OPTIONS"] = "suppressions=%s/scripts/lsan.supp:print_suppressions=0" % ROOT
    try:
        p = subprocess.run([program] + args, cwd=cwd, env=env, capture_output=True, timeout=timeout)
        return p.returncode, p.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return "hang", ""


def make_config(folder, template):
    os.makedirs(os.path.join(folder, "Brenmoor/Kerfloom"), exist_ok=True)
    with open(os.path.join(folder, "Brenmoor/Kerfloom/settings.ini"), "w") as f:
        f.write("[Actions]\nSaveAsPath=%s\n" % template)
    return folder


def sweep_one(index, path, kind, data, program, work, timeout):
    """One drawing into every ending, then each output read back as G-code."""
    base = os.path.join(work, str(index))
    ending = INPUT_ENDING.get(kind) or os.path.splitext(path)[1].lower()
    args = []
    for out in ENDINGS:
        os.makedirs(os.path.join(base, out), exist_ok=True)
        with open(os.path.join(base, out, "in" + ending), "wb") as f:
            f.write(data)
        args.append(os.path.join(out, "in" + ending))
    config = make_config(os.path.join(base, "config"), "%p/out.%d")
    code, err = run(program, config, args, base, timeout)
    result = {"file": path, "kind": kind, "dir": base, "exit": code, "stderr": err.strip()[:2000]}
    if code == "hang" or (isinstance(code, int) and code not in (0, 1)) or SANITIZER.search(err):
        result["fault"] = "hang" if code == "hang" else "crash"
        return result
    written = [os.path.join(out, "out." + out) for out in ENDINGS[1:]
               if os.path.exists(os.path.join(base, out, "out." + out))]
    if written:
        config = make_config(os.path.join(base, "config-back"), "%p/%f.back.tap")
        bcode, berr = run(program, config, written, base, timeout)
        result["readback-stderr"] = berr.strip()[:2000]
        if bcode == "hang" or (isinstance(bcode, int) and bcode not in (0, 1)) or SANITIZER.search(berr):
            result["fault"] = "read-back " + ("hang" if bcode == "hang" else "crash")
            return result
    return evaluate(result)


def evaluate(result):
    """What was cut, and whether each output reads back at that size."""
    base = result["dir"]
    ours = tap_extents(os.path.join(base, "tap", "out.tap"))
    result["extents"] = ours
    result.pop("readback", None)
    written = [out for out in ENDINGS[1:] if os.path.exists(os.path.join(base, out, "out." + out))]
    result["written"] = len(written) + (ours is not None)
    for out in written:
        back = tap_extents(os.path.join(base, out, "out.back.tap"))
        if ours and (back is None or differs(back, ours, 0.005)):
            result.setdefault("readback", []).append({"output": out, "extents": back})
    return result


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--svg", type=int, default=300)
    ap.add_argument("--work", default=None)
    ap.add_argument("--timeout", type=float, default=60)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--no-reference", action="store_true")
    ap.add_argument("--only", help="sweep the drawings in this folder instead of the machine's")
    ap.add_argument("--recheck", action="store_true", help="compare the report in --work again")
    opts = ap.parse_args()
    program = os.path.abspath(os.path.join(opts.build, "app", "Kerfloom"))
    work = opts.work or tempfile.mkdtemp(prefix="sweep-")
    results = []
    if opts.recheck:
        results = [r if "dir" not in r or r.get("fault") else evaluate(r)
                   for r in json.load(open(os.path.join(work, "report.json")))]
    drawings = [] if opts.recheck else find_drawings(opts.svg, opts.only)
    with concurrent.futures.ThreadPoolExecutor(opts.jobs) as pool:
        futures = [pool.submit(sweep_one, i, p, k, d, program, work, opts.timeout)
                   for i, (p, k, d) in enumerate(drawings)]
        for n, fut in enumerate(concurrent.futures.as_completed(futures)):
            results.append(fut.result())
            if n % 50 == 0:
                print("%d/%d" % (n, len(drawings)), file=sys.stderr)
    if not opts.no_reference:
        dxf_refs = dxf_reference_extents([r["file"] for r in results if r["kind"] == "dxf" and r.get("extents")])
        # Our own DXF and SVG outputs, read by the independent readers too.
        dxf_refs.update(dxf_reference_extents([os.path.join(r["dir"], "dxf", "out.dxf") for r in results
                                               if r.get("extents") and "dir" in r
                                               and os.path.exists(os.path.join(r["dir"], "dxf", "out.dxf"))]))

        def check(r):
            if r.get("extents") is None:
                return
            if r["kind"] == "dxf":
                ref = dxf_refs.get(r["file"])
            else:
                ref = reference_extents(r["file"] if not r["file"].endswith(".gz") else "", r["kind"])
            r["reference"] = ref
            r.pop("mismatch", None)
            if isinstance(ref, list) and differs(r["extents"], ref, 0.02):
                r["mismatch"] = True
            r.pop("output-mismatch", None)
            for out in ("dxf", "svg"):
                written = os.path.join(r.get("dir", ""), out, "out." + out)
                if not os.path.exists(written):
                    continue
                third = dxf_refs.get(written) if out == "dxf" else reference_extents(written, "svg")
                if not isinstance(third, list) or differs(r["extents"], third, 0.005):
                    r.setdefault("output-mismatch", []).append({"output": out, "extents": third})
        with concurrent.futures.ThreadPoolExecutor(opts.jobs) as pool:
            list(pool.map(check, results))
    summary = {}
    for r in results:
        s = summary.setdefault(r["kind"], {"files": 0, "loaded": 0, "refused": {}, "faults": 0,
                                           "mismatch": 0, "readback": 0, "output-mismatch": 0})
        s["files"] += 1
        if r.get("fault"):
            s["faults"] += 1
        elif r.get("extents"):
            s["loaded"] += 1
        else:
            reason = re.sub(r'"[^"]*"', '"…"', r["stderr"].split("\n")[0])[:120] or "(no message)"
            s["refused"][reason] = s["refused"].get(reason, 0) + 1
        s["mismatch"] += bool(r.get("mismatch"))
        s["readback"] += bool(r.get("readback"))
        s["output-mismatch"] += bool(r.get("output-mismatch"))
    with open(os.path.join(work, "report.json"), "w") as f:
        json.dump(results, f, indent=1)
    print(json.dumps(summary, indent=1, ensure_ascii=False))
    for r in sorted(results, key=lambda r: r["file"]):
        if r.get("fault") or r.get("mismatch") or r.get("readback"):
            print("%s %s: %s %s ours %s ref %s" % (
                r.get("fault") or ("mismatch" if r.get("mismatch") else "read-back"), r["kind"], r["file"],
                r["stderr"][:300].replace("\n", " | "), r.get("extents"), r.get("reference")))
        for m in r.get("output-mismatch", []):
            print("output %s %s: ours %s, read by a third party %s" % (m["output"], r["file"], r["extents"], m["extents"]))
    print("report: %s" % os.path.join(work, "report.json"))


if __name__ == "__main__":
    main()
