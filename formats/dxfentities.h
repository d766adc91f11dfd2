#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QTransform>

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

// OCS to WCS of an entity with extrusion direction n and elevation, seen
// from above (z dropped): the arbitrary-axis algorithm. Identity for the
// usual (0, 0, 1) and for a direction that is no direction (zero, NaN).
QTransform objectToWorld(double nx, double ny, double nz, double elevation);

// A painter path that refuses coordinates that are not finite, so that an
// absurd file drops the entity instead of feeding NaN into the drawing.
// Points are given in the entity's own coordinates and mapped through the
// transform to drawing millimetres.
class PathSink
{
public:
    void reset();
    void setTransform(const QTransform &t);
    const QTransform &transform() const { return m_transform; }
    // How much longer a length comes out in the drawing (the larger of the
    // two axis scales), for point counts that depend on size.
    double scale() const { return m_scale; }
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void cubicTo(QPointF c1, QPointF c2, QPointF e);
    bool usable() const { return !m_bad && m_used; }
    const QPainterPath &path() const { return m_path; }

private:
    bool check(QPointF p);

    QPainterPath m_path;
    QTransform m_transform;
    double m_scale = 1;
    bool m_used = false; // a path of a single move-to is a point, yet isEmpty()
    bool m_bad = false;
};

struct Vertex
{
    QPointF pos;
    double bulge = 0;
};

// Points of an ARC entity: the larger side of its bounding box times π/2,
// held to 6 … 86.
int arcPointCount(double radius, double startDeg, double endDeg);
// ARC: counter-clockwise from start to end, angles in degrees.
void arcPath(PathSink &sink, QPointF centre, double radius, double startDeg, double endDeg);
// CIRCLE: closed, counter-clockwise from angle 0.
void circlePath(PathSink &sink, QPointF centre, double radius);
// ELLIPSE: centre + cos t · major + sin t · minor for t from start to end
// (radians; a full turn is added when end < start).
void ellipsePath(PathSink &sink, QPointF centre, QPointF major, QPointF minor,
                 double start, double end);
// LWPOLYLINE: straight and bulged segments, the closing one when asked.
void polylinePath(PathSink &sink, const std::vector<Vertex> &vertices, bool closed);

struct SplineData
{
    int degree = 0;
    std::vector<double> knots;
    std::vector<QPointF> control;
    std::vector<double> weights; // used when one per control point, all positive
    std::vector<QPointF> fit;    // used when the control points are not usable
    bool startTangent = false, endTangent = false;
    QPointF tangents[2];
};
// Points a spline would make (0: not usable), so that a caller can refuse
// it before the work.
long long splinePointCount(const SplineData &spline, int resolution);
// SPLINE and HELIX: false (nothing added) unless the degree is 1 … 3, there
// are degree + 1 control points or more and a usable knot vector, or else
// two fit points or more, which a cubic is interpolated through.
bool splinePath(PathSink &sink, const SplineData &spline, int resolution);

} // namespace dxf
