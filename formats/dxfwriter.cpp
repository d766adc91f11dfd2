#include "formats/dxf.h"

#include "core/drawing.h"
#include "formats/blockwriter.h"
#include "formats/dxftemplate.h"
#include "formats/filedata.h"


#include <charconv>
#include <cmath>
#include <algorithm>
#include <string>
#include <string_view>

namespace dxf {

namespace {

// DXF groups, lines ending in CR LF.
class GroupWriter
{
public:
    explicit GroupWriter(QIODevice &file) : m_out(file) {}

    void group(const char *code, const char *value)
    {
        line(code);
        line(value);
        m_out.flushIfFull();
    }

    void group(const char *code, double value)
    {
        line(code);
        // Six significant digits, as printf's %g writes them; a value that is
        // not finite would make the file unreadable, so it goes out as 0.
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, std::isfinite(value) ? value : 0.0,
                                     std::chars_format::general, 6);
        line(std::string_view(buf, r.ec == std::errc() ? size_t(r.ptr - buf) : 0));
        m_out.flushIfFull();
    }

    void group(const char *code, long long value) { group(code, std::to_string(value).c_str()); }

    // A skeleton part: one "code value" line per group.
    void part(std::string_view text)
    {
        while (!text.empty()) {
            const size_t end = std::min(text.find('\n'), text.size());
            const std::string_view groupLine = text.substr(0, end);
            const size_t space = groupLine.find(' ');
            line(groupLine.substr(0, space));
            line(space == std::string_view::npos ? std::string_view() : groupLine.substr(space + 1));
            text.remove_prefix(std::min(end + 1, text.size()));
        }
        m_out.flushIfFull();
    }

    bool finish() { return m_out.finish(); }

private:
    void line(std::string_view text)
    {
        m_out.append(text);
        m_out.append("\r\n");
    }

    BlockWriter m_out;
};

void writeHeader(GroupWriter &out, const QRectF &bounds)
{
    out.group("0", "SECTION");
    out.group("2", "HEADER");
    out.group("9", "$ACADVER");
    out.group("1", "AC1018");
    out.group("9", "$ACADMAINTVER");
    out.group("70", "0");
    out.group("9", "$DWGCODEPAGE");
    out.group("3", "ANSI_1252");
    out.group("9", "$INSBASE");
    out.part("10 0.0\n20 0.0\n30 0.0");
    out.group("9", "$EXTMIN");
    out.group("10", bounds.left());
    out.group("20", bounds.top());
    out.group("30", "0.0");
    out.group("9", "$EXTMAX");
    out.group("10", bounds.left() + bounds.width());
    out.group("20", bounds.top() + bounds.height());
    out.group("30", "0.0");
    out.part(skeleton::HeaderTail);
}

void writePolyline(GroupWriter &out, const Object &o)
{
    out.group("0", "LWPOLYLINE");
    out.group("100", "AcDbEntity");
    out.group("100", "AcDbPolyline");
    out.group("70", o.isClosed() ? "1" : "0");
    out.group("90", (long long)o.size());
    for (const Object::Point *p : o.points) {
        out.group("10", p->x);
        out.group("20", p->y);
    }
}

} // namespace

bool write(const QString &path, const Drawing &drawing)
{
    return writeWholeFile(path, [&drawing](QIODevice &file) {
        GroupWriter out(file);
        writeHeader(out, drawing.boundingRect());
        out.part(skeleton::Sections);
        out.group("0", "SECTION");
        out.group("2 ", "ENTITIES");
        for (const Object *o : drawing.objects()) {
            // A polyline without vertices is invalid DXF; such an object holds
            // nothing to cut anyway.
            if (!o->isEmpty())
                writePolyline(out, *o);
        }
        for (const char *const *part = skeleton::Tail; *part; ++part)
            out.part(*part);
        return out.finish();
    });
}

} // namespace dxf
