#include "formats/svgattributes.h"

#include "formats/svgscan.h"

#include <QLocale>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace svg {

namespace {

bool usableScale(double s)
{
    return std::isfinite(s) && s > 0;
}

} // namespace

std::optional<ViewBox> parseViewBox(const QStringRef &text)
{
    QString box = text.toString();
    for (QChar &c : box) {
        if (c == QLatin1Char(',') || Scanner::isSpace(c))
            c = QLatin1Char(' ');
    }
    const QVector<QStringRef> pieces = box.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pieces.size() != 4)
        return std::nullopt;
    return ViewBox{lengthInPixels(pieces[0]), lengthInPixels(pieces[1]), lengthInPixels(pieces[2]),
                   lengthInPixels(pieces[3])};
}

std::optional<QTransform> viewBoxTransform(const ViewBox &box, double width, double height,
                                           const QStringRef &preserveAspectRatio)
{
    double sx = box.width > 0 ? width / box.width : 0;
    double sy = box.height > 0 ? height / box.height : 0;
    if (!usableScale(sx) && !usableScale(sy))
        return std::nullopt;
    const bool flat = !usableScale(sx) || !usableScale(sy);
    if (!usableScale(sx))
        sx = sy;
    if (!usableScale(sy))
        sy = sx;

    // "[defer] <align> [meet | slice]"; anything unreadable is the default.
    const QVector<QStringRef> words = preserveAspectRatio.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int i = 0;
    if (i < words.size() && words[i] == QLatin1String("defer"))
        ++i;
    QStringRef align = i < words.size() ? words[i] : QStringRef();
    const bool slice = i + 1 < words.size() && words[i + 1] == QLatin1String("slice");
    static const char *const aligns[] = {"none",     "xMinYMin", "xMidYMin", "xMaxYMin", "xMinYMid",
                                         "xMidYMid", "xMaxYMid", "xMinYMax", "xMidYMax", "xMaxYMax"};
    int which = 5; // xMidYMid
    for (int k = 0; k < 10; ++k) {
        if (align == QLatin1String(aligns[k]))
            which = k;
    }

    double tx = 0, ty = 0;
    if (which != 0 && !flat) {
        const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
        sx = sy = s;
        const double ax = ((which - 1) % 3) / 2.0, ay = ((which - 1) / 3) / 2.0;
        tx = ax * (width - box.width * s);
        ty = ay * (height - box.height * s);
    }
    return QTransform(sx, 0, 0, sy, tx - box.x * sx, ty - box.y * sy);
}

QString property(const QXmlStreamAttributes &a, QLatin1String name)
{
    QStringRef found;
    bool inStyle = false;
    const QStringRef style = a.value(QLatin1String("style"));
    // Declarations are scanned in place: this runs for every element.
    for (int from = 0; from < style.size();) {
        int stop = style.indexOf(QLatin1Char(';'), from);
        if (stop < 0)
            stop = style.size();
        const QStringRef declaration = style.mid(from, stop - from);
        from = stop + 1;
        const int colon = declaration.indexOf(QLatin1Char(':'));
        if (colon < 0 || declaration.left(colon).trimmed().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        found = declaration.mid(colon + 1).trimmed();
        if (found.endsWith(QLatin1String("!important"), Qt::CaseInsensitive))
            found = found.left(found.size() - 10).trimmed();
        inStyle = true;
    }
    if (!inStyle)
        found = a.value(name).trimmed();
    return found.toString();
}

bool displayNone(const QXmlStreamAttributes &a)
{
    return property(a, QLatin1String("display")).compare(QLatin1String("none"), Qt::CaseInsensitive) == 0;
}

bool visible(const QXmlStreamAttributes &a, bool inherited)
{
    const QString v = property(a, QLatin1String("visibility"));
    if (v.compare(QLatin1String("hidden"), Qt::CaseInsensitive) == 0
        || v.compare(QLatin1String("collapse"), Qt::CaseInsensitive) == 0)
        return false;
    if (v.compare(QLatin1String("visible"), Qt::CaseInsensitive) == 0)
        return true;
    return inherited;
}

bool conditionsPass(const QXmlStreamAttributes &a)
{
    if (a.hasAttribute(QLatin1String("requiredExtensions")))
        return false;
    if (!a.hasAttribute(QLatin1String("systemLanguage")))
        return true;
    QString user = QLocale().name().section(QLatin1Char('_'), 0, 0);
    if (user == QLatin1String("C"))
        user = QStringLiteral("en");
    for (const QStringRef &lang : a.value(QLatin1String("systemLanguage")).split(QLatin1Char(','))) {
        const QStringRef primary = lang.trimmed().split(QLatin1Char('-')).value(0);
        if (primary.compare(user, Qt::CaseInsensitive) == 0 || primary.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::optional<double> viewportLength(const QStringRef &text, double reference)
{
    const QStringRef t = text.trimmed();
    if (t.endsWith(QLatin1Char('%'))) {
        Scanner s(t.left(t.size() - 1));
        double v = 0;
        if (!s.number(v) || !s.atEnd())
            return std::nullopt;
        return v / 100 * reference;
    }
    if (!lengthInMm(t))
        return std::nullopt;
    return lengthInPixels(t);
}

} // namespace svg
