#pragma once

#include <QMetaType>
#include <QPointF>

#include <cstdint>
#include <vector>

// One shape of a drawing: an ordered polyline whose order is the cutting
// direction. An object owns its points; everything else (joints, graphics
// items, undo commands) only refers to them, so a point's identity is stable
// for as long as it stays in some object.
class Object
{
public:
    class Point
    {
    public:
        Point() = default;
        Point(double px, double py, Object *o, qint32 i) : x(px), y(py), owner(o), index(i) {}

        QPointF pos() const { return {x, y}; }

        double x = 0;
        double y = 0;
        Object *owner = nullptr;
        qint32 index = 0; // always equal to the point's position in owner->points
    };

    // A link of the cutting tree: a on the side already connected to the
    // start, b on the shape it brings in.
    struct Joint
    {
        Point *a = nullptr;
        Point *b = nullptr;
        bool operator==(const Joint &o) const { return a == o.a && b == o.b; }
        bool operator!=(const Joint &o) const { return !(*this == o); }
    };

    enum Direction : qint32 { Clockwise = 0, CounterClockwise = 1 };

    Object() = default;
    ~Object();
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    std::vector<Point *> points; // owned
    qint32 pen = 0;
    bool explicitDirection = false;
    qint32 direction = Clockwise;

    bool isEmpty() const { return points.empty(); }
    int size() const { return static_cast<int>(points.size()); }

    Point *appendPoint(double x, double y);
    Point *appendPoint(QPointF p) { return appendPoint(p.x(), p.y()); }
    // Inserts an owned point at index (0 … size) and renumbers from there.
    void insertPointAt(int index, Point *p);
    // Removes the point at index from the list without deleting it.
    Point *takePointAt(int index);
    // Removes and deletes the point at index.
    void removePointAt(int index);
    // Deletes every point.
    void clear();
    // Sets index (and owner) of every point from position `from` on.
    void renumber(int from = 0);

    // Closed when it has two or more points and its ends are nearer than
    // the configured closed precision (measured in single precision).
    bool isClosed() const;
    // Clockwise (0) when the shoelace sum, closing edge included, is
    // positive; counter-clockwise (1) otherwise, also for degenerate shapes.
    int computeDirection() const;
    static double signedAreaSum(const std::vector<Point *> &pts);
    void reverse();
    // Projects p onto the nearest segment and inserts the projection there.
    // Returns the new point, or nullptr for an empty object.
    Point *insertPoint(QPointF p);
};

Q_DECLARE_METATYPE(Object::Joint)

// Registers Object::Joint for queued signals; safe to call more than once.
void registerObjectMetaTypes();
