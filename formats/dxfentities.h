#pragma once

#include <QPainterPath>
#include <QPointF>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// Geometry builders for the DXF reader: each turns the values of one entity
// into a vector path, which the path conversion then turns into objects.
namespace dxf {

// The last value of every group code below 1100 for the entity being read.
// Clearing is one increment, so a file of half a million small entities does
// not pay for wiping the table each time.
class ValueTable
{
public:
    static constexpr int Size = 1100;

    void clear();
    void set(int code, std::string_view value);
    bool has(int code) const;
    std::string_view text(int code) const;
    double number(int code, double fallback = 0) const;
    int integer(int code) const;

private:
    std::array<std::string_view, Size> m_values{};
    std::array<uint32_t, Size> m_stamps{};
    uint32_t m_stamp = 1;
};

// File coordinates to drawing millimetres: unit factor, then block offset.
struct Placement
{
    double unit = 25.4;
    double dx = 0;
    double dy = 0;
    QPointF map(double x, double y) const { return {x * unit + dx, y * unit + dy}; }
};

// A painter path that refuses coordinates that are not finite, so that an
// absurd file drops the entity instead of feeding NaN into the drawing.
class PathSink
{
public:
    void reset();
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void cubicTo(QPointF c1, QPointF c2, QPointF e);
    bool usable() const { return !m_bad && m_used; }
    const QPainterPath &path() const { return m_path; }
    QPointF current() const { return m_path.currentPosition(); }

private:
    bool check(QPointF p);

    QPainterPath m_path;
    bool m_used = false; // a path of a single move-to is a point, yet isEmpty()
    bool m_bad = false;
};

struct Vertex
{
    QPointF pos; // already in millimetres
    double bulge = 0;
};

// Points of an ARC entity: the larger side of its bounding box times π/2,
// held to 6 … 86.
int arcPointCount(double radius, double startDeg, double endDeg);
// ARC: counter-clockwise from start to end, angles in degrees.
void arcPath(PathSink &sink, QPointF centre, double radius, double startDeg, double endDeg);
// CIRCLE: closed, counter-clockwise from angle 0.
void circlePath(PathSink &sink, QPointF centre, double radius);
// ELLIPSE: parameters in radians on the unrotated axes, turned by the major
// axis direction; `major` is the major-axis end relative to the centre.
void ellipsePath(PathSink &sink, QPointF centre, QPointF major, double ratio,
                 double start, double end);
// LWPOLYLINE: straight and bulged segments, the closing one when asked.
void polylinePath(PathSink &sink, const std::vector<Vertex> &vertices, bool closed);

struct SplineData
{
    int degree = 0;
    std::vector<double> knots;
    std::vector<QPointF> control; // file units
};
// SPLINE and HELIX: false (nothing added) unless the degree is 1 … 3, there
// are degree + 1 control points or more and a usable knot vector.
bool splinePath(PathSink &sink, const SplineData &spline, int resolution, const Placement &placement);

} // namespace dxf
