#include "formats/svgscan.h"

#include <charconv>
#include <cmath>
#include <string>

namespace svg {

namespace {

bool isDigit(const QChar *p, const QChar *end)
{
    return p < end && p->unicode() >= '0' && p->unicode() <= '9';
}

// Copies an ASCII range into a char buffer for std::from_chars. Numbers of
// path data are short; the string is only used for absurdly long digit runs.
class Ascii
{
public:
    Ascii(const QChar *begin, const QChar *end)
    {
        const size_t n = size_t(end - begin);
        char *out = m_small;
        if (n > sizeof m_small) {
            m_large.resize(n);
            out = m_large.data();
        }
        for (size_t i = 0; i < n; ++i)
            out[i] = char(begin[i].unicode());
        m_begin = out;
        m_end = out + n;
    }
    const char *begin() const { return m_begin; }
    const char *end() const { return m_end; }

private:
    char m_small[64];
    std::string m_large;
    const char *m_begin = nullptr;
    const char *m_end = nullptr;
};

struct Unit
{
    const char *suffix;
    double perMm;
};

// Units per millimetre. Points and picas are 72 and 6 to the inch.
const Unit units[] = {
    {"", PixelsPerMm},     {"px", PixelsPerMm},  {"%", PixelsPerMm},
    {"pt", 72.0 / 25.4},   {"pc", 6.0 / 25.4},   {"mm", 1.0},
    {"cm", 0.1},           {"in", 0.03937007874015748},
};

std::optional<double> unitsPerMm(Scanner &s, bool allowPercent)
{
    s.skipSpaces();
    const QChar *b = s.position();
    const QChar *e = s.end();
    while (e > b && Scanner::isSpace(e[-1]))
        --e;
    const QString suffix = QString::fromRawData(b, int(e - b));
    for (const Unit &u : units) {
        if (suffix == QLatin1String(u.suffix)) {
            if (!allowPercent && suffix == QLatin1String("%"))
                return std::nullopt;
            return u.perMm;
        }
    }
    return std::nullopt;
}

} // namespace

bool Scanner::number(double &value)
{
    const QChar *p = m_pos;
    const QChar *start = p;
    if (p < m_end && (p->unicode() == '+' || p->unicode() == '-'))
        ++p;
    const QChar *digits = p;
    int integerDigits = 0; // leading zeros excluded, to tell underflow from overflow
    bool leading = true;
    while (isDigit(p, m_end)) {
        if (p->unicode() != '0' || !leading) {
            leading = false;
            ++integerDigits;
        }
        ++p;
    }
    bool any = p > digits;
    if (p < m_end && p->unicode() == '.' && isDigit(p + 1, m_end)) {
        ++p;
        while (isDigit(p, m_end))
            ++p;
        any = true;
    } else if (any && p < m_end && p->unicode() == '.') {
        ++p; // "5." is five
    }
    if (!any)
        return false;
    const QChar *mantissaEnd = p;
    if (p < m_end && (p->unicode() == 'e' || p->unicode() == 'E')) {
        const QChar *q = p + 1;
        if (q < m_end && (q->unicode() == '+' || q->unicode() == '-'))
            ++q;
        if (isDigit(q, m_end)) {
            while (isDigit(q, m_end))
                ++q;
            p = q;
        }
    }

    // from_chars takes no leading plus.
    const Ascii text(start->unicode() == '+' ? start + 1 : start, p);
    double v = 0;
    const auto r = std::from_chars(text.begin(), text.end(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small reads as 0; too large is no number at all.
        double exponent = 0;
        if (p > mantissaEnd) {
            const Ascii e(mantissaEnd + 1, p);
            std::from_chars(e.begin()[0] == '+' ? e.begin() + 1 : e.begin(), e.end(), exponent);
        }
        if (integerDigits + exponent >= 0)
            return false;
        v = 0;
    } else if (r.ec != std::errc() || !std::isfinite(v)) {
        return false;
    }
    value = v;
    m_pos = p;
    return true;
}

bool Scanner::flag(bool &value)
{
    skipSpaces();
    if (atEnd() || (m_pos->unicode() != '0' && m_pos->unicode() != '1'))
        return false;
    value = m_pos->unicode() == '1';
    ++m_pos;
    return true;
}

double numberOr0(const QStringRef &text)
{
    Scanner s(text);
    s.skipSpaces();
    double v = 0;
    if (!s.number(v))
        return 0;
    s.skipSpaces();
    return s.atEnd() ? v : 0;
}

namespace {

// The number and the units per millimetre of its suffix.
bool length(const QStringRef &text, bool allowPercent, double &value, double &perMm)
{
    Scanner s(text);
    s.skipSpaces();
    if (!s.number(value))
        return false;
    const std::optional<double> u = unitsPerMm(s, allowPercent);
    if (!u)
        return false;
    perMm = *u;
    return true;
}

} // namespace

std::optional<double> lengthInMm(const QStringRef &text, bool allowPercent)
{
    double v = 0, perMm = 1;
    if (!length(text, allowPercent, v, perMm))
        return std::nullopt;
    return v / perMm;
}

double lengthInPixels(const QStringRef &text)
{
    double v = 0, perMm = 1;
    if (!length(text, true, v, perMm))
        return 0;
    if (perMm == PixelsPerMm)
        return v; // exactly as written
    const double px = v / perMm * PixelsPerMm;
    return std::isfinite(px) ? px : 0;
}

} // namespace svg
