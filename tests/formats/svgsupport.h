#pragma once

#include "core/drawing.h"
#include "formats/svg.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

namespace test {

// An SVG document around the given body, sized so that one user unit is
// one millimetre.
inline QByteArray svgDocument(const QByteArray &body, const char *size = "100")
{
    return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"") + size + "mm\" height=\"" + size
        + "mm\" viewBox=\"0 0 " + size + " " + size + "\">" + body + "</svg>";
}

inline bool readSvg(const QByteArray &content, Drawing &d, size_t limit = svg::DefaultInflateLimit)
{
    return svg::readData(content.constData(), size_t(content.size()), d, limit);
}

inline QString writeFile(const QTemporaryDir &dir, const char *name, const QByteArray &content)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
    return path;
}

// One gzip member holding data.
inline QByteArray gzip(const QByteArray &data)
{
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&zs, uLong(data.size()))) + 64, '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(int(zs.total_out));
    deflateEnd(&zs);
    return out;
}

inline int pointCount(const Drawing &d)
{
    int n = 0;
    for (const Object *o : d.objects())
        n += o->size();
    return n;
}

} // namespace test
