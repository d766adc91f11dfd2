#include "formats/svgtransform.h"

#include "formats/svgscan.h"

#include <QStringRef>

#include <cmath>
#include <cstring>

namespace svg {

namespace {

constexpr double Pi = 3.14159265358979323846;

struct Function
{
    const char *name;
    int minArgs;
    int maxArgs;
};

const Function functions[] = {
    {"matrix", 6, 6}, {"translate", 1, 2}, {"scale", 1, 2},
    {"rotate", 1, 3}, {"skewX", 1, 1},     {"skewY", 1, 1},
};

const Function *functionAt(Scanner &s)
{
    for (const Function &f : functions) {
        const int n = int(std::strlen(f.name));
        if (s.end() - s.position() < n)
            continue;
        bool same = true;
        for (int i = 0; i < n && same; ++i)
            same = s.position()[i].unicode() == ushort(f.name[i]);
        if (same) {
            for (int i = 0; i < n; ++i)
                s.advance();
            return &f;
        }
    }
    return nullptr;
}

double tanDegrees(double a)
{
    return std::tan(a * Pi / 180);
}

QTransform rotation(double degrees)
{
    const double r = degrees * Pi / 180;
    const double c = std::cos(r), s = std::sin(r);
    return QTransform(c, s, -s, c, 0, 0);
}

// The function as a matrix; v holds n numbers (already checked against the
// function's argument counts). Rotation about a centre with two numbers
// only is not a valid call.
bool matrixOf(const Function &f, const double *v, int n, QTransform &m)
{
    const auto is = [&f](const char *name) { return std::strcmp(f.name, name) == 0; };
    if (is("matrix")) {
        m = QTransform(v[0], v[1], v[2], v[3], v[4], v[5]);
    } else if (is("translate")) {
        m = QTransform::fromTranslate(v[0], n > 1 ? v[1] : 0);
    } else if (is("scale")) {
        m = QTransform::fromScale(v[0], n > 1 ? v[1] : v[0]);
    } else if (is("rotate")) {
        if (n == 2)
            return false;
        m = rotation(v[0]);
        if (n == 3)
            m = QTransform::fromTranslate(-v[1], -v[2]) * m * QTransform::fromTranslate(v[1], v[2]);
    } else if (is("skewX")) {
        m = QTransform(1, 0, tanDegrees(v[0]), 1, 0, 0);
    } else {
        m = QTransform(1, tanDegrees(v[0]), 0, 1, 0, 0);
    }
    return true;
}

bool isFinite(const QTransform &m)
{
    const double v[] = {m.m11(), m.m12(), m.m13(), m.m21(), m.m22(), m.m23(), m.m31(), m.m32(), m.m33()};
    for (double x : v) {
        if (!std::isfinite(x))
            return false;
    }
    return true;
}

bool parse(Scanner &s, QTransform &result)
{
    for (;;) {
        s.skipSeparator();
        if (s.atEnd())
            return true;
        const Function *f = functionAt(s);
        if (!f)
            return false;
        s.skipSpaces();
        if (s.peek() != QLatin1Char('('))
            return false;
        s.advance();
        double v[6];
        int n = 0;
        s.skipSpaces();
        while (s.peek() != QLatin1Char(')')) {
            if (n > 0)
                s.skipSeparator();
            if (n == f->maxArgs || !s.number(v[n]))
                return false;
            ++n;
            s.skipSpaces();
        }
        s.advance();
        QTransform m;
        if (n < f->minArgs || !matrixOf(*f, v, n, m))
            return false;
        // The function written later applies to the coordinates first.
        result = m * result;
    }
}

} // namespace

QTransform parseTransform(const QStringRef &text, bool *ok)
{
    Scanner s(text);
    QTransform m;
    const bool good = parse(s, m) && isFinite(m);
    if (ok)
        *ok = good;
    return good ? m : QTransform();
}

} // namespace svg
