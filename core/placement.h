#pragma once

#include <QPointF>
#include <QRectF>
#include <QtGlobal>

// A stored position request: a plain point, or an offset from one of nine
// anchor points of a rectangle laid out like a numeric keypad (7 = bottom
// left, y up).
struct PositionSpec
{
    double x = 0;
    double y = 0;
    bool useAnchor = false;
    qint32 anchorIndex = 7;

    bool operator==(const PositionSpec &o) const
    {
        return x == o.x && y == o.y && useAnchor == o.useAnchor && anchorIndex == o.anchorIndex;
    }
    bool operator!=(const PositionSpec &o) const { return !(*this == o); }
};

// The anchor point of r (x, y = bottom left, y up) for index 1 … 9; the
// bottom-left corner for any other index.
inline QPointF anchorPoint(const QRectF &r, int anchorIndex)
{
    const double x0 = r.x(), y0 = r.y(), w = r.width(), h = r.height();
    switch (anchorIndex) {
    case 1: return {x0, y0 + h};
    case 2: return {x0 + w / 2, y0 + h};
    case 3: return {x0 + w, y0 + h};
    case 4: return {x0, y0 + h / 2};
    case 5: return {x0 + w / 2, y0 + h / 2};
    case 6: return {x0 + w, y0 + h / 2};
    case 8: return {x0 + w / 2, y0};
    case 9: return {x0 + w, y0};
    default: return {x0, y0};
    }
}

// (x, y) when the anchor is unused or its index is outside 1 … 9, else
// (x, y) plus the chosen anchor point of r.
inline QPointF resolvePosition(const PositionSpec &spec, const QRectF &r)
{
    const QPointF p(spec.x, spec.y);
    if (!spec.useAnchor || spec.anchorIndex < 1 || spec.anchorIndex > 9)
        return p;
    return p + anchorPoint(r, spec.anchorIndex);
}
