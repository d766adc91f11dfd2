#include "formats/baseformat.h"

#include "core/drawing.h"
#include "formats/dxf.h"
#include "formats/gcode.h"
#include "formats/hpgl.h"
#include "formats/project.h"
#include "formats/svg.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>

std::function<void(double)> BaseFormat::loadProgress;

namespace {

bool endsWith(const QString &path, const char *ending)
{
    return path.endsWith(QLatin1String(ending), Qt::CaseInsensitive);
}

QString joinTranslated(std::initializer_list<const char *> pieces)
{
    QStringList out;
    for (const char *p : pieces)
        out << QCoreApplication::translate("BaseFormat", p);
    return out.join(QStringLiteral(";;"));
}

bool finite(double v)
{
    return std::isfinite(v);
}

bool finite(const QPointF &p)
{
    return finite(p.x()) && finite(p.y());
}

// Whether every number a writer may take from the drawing is finite: the
// points (the start's included), the stored bounds with their far corner,
// and for a project the stored positions. One check here keeps "nan" and
// "inf" out of every format.
bool writable(const Drawing &drawing)
{
    const QRectF r = drawing.boundingRect();
    if (!finite(r.topLeft()) || !finite(r.bottomRight()) || !finite(r.width()) || !finite(r.height()))
        return false;
    if (!finite(drawing.startPosition()))
        return false;
    for (const PositionSpec &s : {drawing.startSpec(), drawing.anchorSpec()})
        if (!finite(s.x) || !finite(s.y))
            return false;
    const auto pointsFinite = [](const Object &o) {
        return std::all_of(o.points.begin(), o.points.end(), [](const Object::Point *p) {
            return finite(p->x) && finite(p->y);
        });
    };
    return pointsFinite(drawing.startObject())
        && std::all_of(drawing.objects().begin(), drawing.objects().end(),
                       [&](const Object *o) { return pointsFinite(*o); });
}

} // namespace

bool BaseFormat::load(const QString &path, Drawing &drawing)
{
    if (endsWith(path, ".tap"))
        return gcode::read(path, drawing);
    if (endsWith(path, ".plt"))
        return hpgl::read(path, drawing);
    if (endsWith(path, ".svg") || endsWith(path, ".svgz"))
        return svg::read(path, drawing);
    if (endsWith(path, ".dxf"))
        return dxf::read(path, drawing);
    if (endsWith(path, ".kfp"))
        return project::read(path, drawing);
    qWarning("Cannot read \"%s\": no drawing format has this ending (.plt, .dxf, .svg, .svgz, .tap, .kfp)",
             qUtf8Printable(path));
    return false;
}

bool BaseFormat::save(const QString &path, Drawing &drawing)
{
    if (!writable(drawing)) {
        qWarning("Cannot save \"%s\": the drawing contains a coordinate that is not a finite number",
                 qUtf8Printable(path));
        return false;
    }
    if (!endsWith(path, ".kfp"))
        drawing.buildCuttingPath();
    if (endsWith(path, ".tap"))
        return gcode::write(path, drawing);
    if (endsWith(path, ".plt"))
        return hpgl::write(path, drawing);
    if (endsWith(path, ".svg"))
        return svg::write(path, drawing);
    if (endsWith(path, ".dxf"))
        return dxf::write(path, drawing);
    if (endsWith(path, ".kfp"))
        return project::write(path, drawing);
    qWarning("Cannot save \"%s\": no drawing format has this ending (.tap, .plt, .dxf, .svg, .kfp)",
             qUtf8Printable(path));
    return false;
}

QString BaseFormat::openFilter()
{
    return joinTranslated({
        QT_TRANSLATE_NOOP("BaseFormat", "All supported files (*.plt *.dxf *.tap *.svg *.svgz *.kfp)"),
        QT_TRANSLATE_NOOP("BaseFormat", "HPGL files (*.plt)"),
        QT_TRANSLATE_NOOP("BaseFormat", "G-Code (*.tap)"),
        QT_TRANSLATE_NOOP("BaseFormat", "AutoCAD (*.dxf)"),
        QT_TRANSLATE_NOOP("BaseFormat", "Scalable Vector Graphics (*.svg *.svgz)"),
        QT_TRANSLATE_NOOP("BaseFormat", "Kerfloom project (*.kfp)"),
    });
}

QString BaseFormat::saveFilter()
{
    return joinTranslated({
        QT_TRANSLATE_NOOP("BaseFormat", "All supported files (*.tap *.dxf *.svg *.plt *.kfp)"),
        QT_TRANSLATE_NOOP("BaseFormat", "HPGL files (*.plt)"),
        QT_TRANSLATE_NOOP("BaseFormat", "G-Code (*.tap)"),
        QT_TRANSLATE_NOOP("BaseFormat", "AutoCAD (*.dxf)"),
        QT_TRANSLATE_NOOP("BaseFormat", "Scalable Vector Graphics (*.svg)"),
        QT_TRANSLATE_NOOP("BaseFormat", "Kerfloom project (*.kfp)"),
    });
}
