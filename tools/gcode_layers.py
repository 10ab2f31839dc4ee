#!/usr/bin/env python3
"""Draws a sliced print's G-code with gnuplot: every extruding move of the object (the skirt
and the wipe tower left out) as a line in its filament's colour, the layers in order from the
bottom, so that seen from above a higher layer covers the lower ones. The colours are the
extruder colours the G-code's settings list.

Usage: tools/gcode_layers.py PRINT.gcode OUT.png [TITLE [VIEW]]   (VIEW: gnuplot's set view)
"""
import re
import subprocess
import sys
import tempfile


def main(gcode_path, png_path, title="", view="40, 20, 1.0, 1.0"):
    colours = ["#808080"]
    segments = {}  # tool -> list of (x0, y0, x1, y1, z)
    tool, x, y, z, kind = 0, 0.0, 0.0, 0.0, ""
    relative = True
    move = re.compile(r"G[01]\b")
    with open(gcode_path) as f:
        for line in f:
            if line.startswith("; extruder_colour = "):
                colours = line.split("=", 1)[1].strip().split(";")
            if line.startswith(";TYPE:"):
                kind = line[6:].strip()
                continue
            code = line.split(";", 1)[0].strip()
            if not code:
                continue
            if re.fullmatch(r"T\d+", code):
                tool = int(code[1:])
                continue
            if code.startswith("M82"):
                relative = False
            if not move.match(code):
                continue
            words = {w[0]: float(w[1:]) for w in code.split()[1:] if len(w) > 1 and w[0] in "XYZE"}
            nx, ny = words.get("X", x), words.get("Y", y)
            z = words.get("Z", z)
            extrudes = words.get("E", 0.0) > 0.0 and relative
            if extrudes and kind not in ("Wipe tower", "Skirt/Brim") and (nx, ny) != (x, y):
                segments.setdefault(tool, []).append((x, y, nx, ny, z))
            x, y = nx, ny
    if not segments:
        sys.exit(gcode_path + ": no extruding moves")

    # One data set in the order of the layers: seen from above, a higher layer hides the
    # lower ones where it covers them.
    with tempfile.TemporaryDirectory() as work:
        data = f"{work}/moves.dat"
        with open(data, "w") as out:
            for x0, y0, x1, y1, z, t in sorted(
                    (s + (t,) for t in segments for s in segments[t]), key=lambda m: m[4]):
                rgb = int((colours[t] if t < len(colours) else colours[0]).lstrip("#"), 16)
                out.write(f"{x0} {y0} {z} {rgb}\n{x1} {y1} {z} {rgb}\n\n\n")
        keys = ", ".join(
            f"NaN with lines lw 3 lc rgb '{colours[t] if t < len(colours) else colours[0]}' "
            f"title 'T{t}'" for t in sorted(segments))
        script = f"""
set terminal pngcairo size 640,480 background rgb '#2b2b2b' font 'sans,11'
set title textcolor rgb 'white'
set key textcolor rgb 'white'
set output '{png_path}'
set title '{title}'
set view {view}
set view equal xyz
unset xtics; unset ytics; unset ztics; unset border
set key top right
splot '{data}' using 1:2:3:4 with lines lw 1.5 lc rgb variable notitle, {keys}
"""
        subprocess.run(["gnuplot"], input=script, text=True, check=True)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(*sys.argv[1:5])
