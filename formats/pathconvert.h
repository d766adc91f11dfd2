#pragma once

class Drawing;
class Object;
class QPainterPath;

// Appends the subpaths of `path` to the drawing, one object per move-to,
// flattening each cubic curve into 10 to 86 points by its size. When
// `current` is given, the path's first move-to continues that object.
// Returns the object the last element went into (or `current` when the
// path is empty).
Object *appendPath(const QPainterPath &path, Drawing &drawing, Object *current = nullptr);

// Number of points a cubic from p0 over c1, c2 to e is cut into (10 … 86),
// or 0 when it collapses to a straight segment.
int cubicPointCount(double p0x, double p0y, double c1x, double c1y,
                    double c2x, double c2y, double ex, double ey);
