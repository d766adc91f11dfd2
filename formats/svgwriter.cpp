#include "formats/svg.h"

#include "core/drawing.h"

#include <QFile>

#include <algorithm>
#include <charconv>
#include <string>

namespace svg {

namespace {

// Numbers as printf's "%g" writes them (six significant digits), but
// independent of the C locale that the application may have set.
void appendNumber(std::string &out, double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
    if (r.ec == std::errc())
        out.append(buf, r.ptr);
}

struct Extent
{
    bool any = false;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;

    void add(double x, double y)
    {
        if (!any) {
            minX = maxX = x;
            minY = maxY = y;
            any = true;
            return;
        }
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
};

} // namespace

bool write(const QString &path, const Drawing &drawing)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;

    // The drawing is written mirrored in y within its stored bounds (SVG's y
    // axis points down); the bounds written are those of the mirrored points.
    const QRectF stored = drawing.boundingRect();
    const double mirror = 2 * stored.y() + stored.height();
    Extent e;
    for (const Object *o : drawing.objects()) {
        for (const Object::Point *p : o->points)
            e.add(p->x, mirror - p->y);
    }
    const double width = e.maxX - e.minX, height = e.maxY - e.minY;

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n";
    out += "<svg width=\"";
    appendNumber(out, width);
    out += "mm\" height=\"";
    appendNumber(out, height);
    out += "mm\" viewBox=\"";
    appendNumber(out, e.minX);
    out += ' ';
    appendNumber(out, e.minY);
    out += ' ';
    appendNumber(out, width);
    out += ' ';
    appendNumber(out, height);
    out += "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
           "  version=\"1.2\" baseProfile=\"tiny\">\r\n";
    out += "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" fill-rule=\"evenodd\" "
           "stroke-linecap=\"square\" stroke-linejoin=\"bevel\" >\r\n\r\n";

    constexpr size_t BlockSize = 1 << 20;
    bool ok = true;
    const auto flush = [&] {
        if (!out.empty() && file.write(out.data(), qint64(out.size())) != qint64(out.size()))
            ok = false;
        out.clear();
    };
    for (const Object *o : drawing.objects()) {
        out += "<polyline fill=\"none\" points=\"";
        for (const Object::Point *p : o->points) {
            appendNumber(out, p->x);
            out += ',';
            appendNumber(out, mirror - p->y);
            out += ' ';
            if (out.size() >= BlockSize)
                flush();
        }
        out += "\" />\r\n";
    }
    out += "</g>\r\n</svg>\r\n";
    flush();
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

} // namespace svg
