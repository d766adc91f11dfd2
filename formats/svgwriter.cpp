#include "formats/svg.h"

#include "core/drawing.h"
#include "formats/blockwriter.h"
#include "formats/filedata.h"

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
    // The drawing is written mirrored in y within its stored bounds (SVG's y
    // axis points down); the bounds written are those of the mirrored points.
    // top + (bottom - y) rather than (top + bottom) - y: the sum of two large
    // coordinates could leave the range of finite numbers.
    const QRectF stored = drawing.boundingRect();
    const double top = stored.y(), bottom = stored.y() + stored.height();
    const auto mirrored = [top, bottom](double y) { return top + (bottom - y); };
    Extent e;
    for (const Object *o : drawing.objects()) {
        for (const Object::Point *p : o->points)
            e.add(p->x, mirrored(p->y));
    }
    const double width = e.maxX - e.minX, height = e.maxY - e.minY;

    return writeWholeFile(path, [&](QIODevice &file) {
        BlockWriter out(file);
        std::string text;
        text += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n";
        text += "<svg width=\"";
        appendNumber(text, width);
        text += "mm\" height=\"";
        appendNumber(text, height);
        text += "mm\" viewBox=\"";
        appendNumber(text, e.minX);
        text += ' ';
        appendNumber(text, e.minY);
        text += ' ';
        appendNumber(text, width);
        text += ' ';
        appendNumber(text, height);
        text += "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
                "  version=\"1.2\" baseProfile=\"tiny\">\r\n";
        text += "<g fill=\"none\" stroke=\"black\" stroke-width=\"1\" fill-rule=\"evenodd\" "
                "stroke-linecap=\"square\" stroke-linejoin=\"bevel\" >\r\n\r\n";
        out.append(text);
        for (const Object *o : drawing.objects()) {
            out.append("<polyline fill=\"none\" points=\"");
            for (const Object::Point *p : o->points) {
                text.clear();
                appendNumber(text, p->x);
                text += ',';
                appendNumber(text, mirrored(p->y));
                text += ' ';
                out.append(text);
                out.flushIfFull();
            }
            out.append("\" />\r\n");
        }
        out.append("</g>\r\n</svg>\r\n");
        return out.finish();
    });
}

} // namespace svg
