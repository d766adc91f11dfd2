#pragma once

class QChar;
class QPainterPath;
class QStringRef;

namespace svg {

// Appends SVG path data ("M 10 10 l 5 0 …") to path: every command in its
// absolute and relative form, implicit repetition, smooth curves, and
// elliptic arcs as cubic curves. Reading stops at the first error, keeping
// what came before it, and also where a coordinate would stop being finite.
// Returns false when it stopped early.
bool appendPathData(const QStringRef &data, QPainterPath &path);
bool appendPathData(const QChar *begin, const QChar *end, QPainterPath &path);

// Appends the elliptic arc from the current point (x0, y0) to (x, y) as
// cubic curves of at most a quarter turn each; radii too small for the
// end points are scaled up, a zero radius gives a straight line.
void appendArc(QPainterPath &path, double x0, double y0, double rx, double ry, double angleDegrees,
               bool largeArc, bool sweep, double x, double y);

} // namespace svg
