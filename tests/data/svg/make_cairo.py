#!/usr/bin/python3
"""Writes cairo-shapes.svg with cairo's own SVG surface (python3-cairo).
Kept for the record; the committed file is what cairo wrote."""
import math
import cairo

surface = cairo.SVGSurface('cairo-shapes.svg', 200, 150)  # points
ctx = cairo.Context(surface)
ctx.set_line_width(2)
ctx.rectangle(10, 10, 60, 40)
ctx.stroke()
ctx.arc(120, 40, 25, 0, 2 * math.pi)
ctx.stroke()
ctx.save()
ctx.translate(60, 100)
ctx.rotate(math.pi / 6)
ctx.scale(1.5, 0.75)
ctx.arc(0, 0, 20, 0.3, 4.0)
ctx.stroke()
ctx.restore()
ctx.move_to(150, 90)
ctx.curve_to(190, 80, 160, 140, 195, 140)
ctx.line_to(140, 130)
ctx.close_path()
ctx.stroke()
surface.finish()
