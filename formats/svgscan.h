#pragma once

#include <QChar>
#include <QStringRef>

#include <optional>

// Tokens of SVG attribute text: numbers, separators and command letters,
// read straight from the UTF-16 text the XML reader hands out.
namespace svg {

class Scanner
{
public:
    Scanner(const QChar *begin, const QChar *end) : m_pos(begin), m_end(end) {}
    explicit Scanner(const QStringRef &text) : m_pos(text.unicode()), m_end(text.unicode() + text.size()) {}

    bool atEnd() const { return m_pos >= m_end; }
    QChar peek() const { return atEnd() ? QChar() : *m_pos; }
    void advance() { ++m_pos; }
    const QChar *position() const { return m_pos; }
    const QChar *end() const { return m_end; }

    static bool isSpace(QChar c)
    {
        const ushort u = c.unicode();
        return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
    }
    void skipSpaces()
    {
        while (m_pos < m_end && isSpace(*m_pos))
            ++m_pos;
    }
    // White space with at most one comma in it.
    void skipSeparator()
    {
        skipSpaces();
        if (m_pos < m_end && m_pos->unicode() == ',') {
            ++m_pos;
            skipSpaces();
        }
    }
    // True when the next token starts a number (after white space).
    bool atNumber()
    {
        skipSpaces();
        if (atEnd())
            return false;
        const ushort u = m_pos->unicode();
        return (u >= '0' && u <= '9') || u == '-' || u == '+' || u == '.';
    }

    // Reads one number in the SVG grammar: an optional sign, digits with an
    // optional fraction (or a fraction alone) and an optional exponent.
    // "1.5.5" is two numbers, "1e" leaves the "e" alone. False, with the
    // position unchanged, when there is no number here or it does not fit a
    // finite double (an underflow reads as 0).
    bool number(double &value);

    // A single "0" or "1", as the flags of an elliptic arc are written.
    bool flag(bool &value);

private:
    const QChar *m_pos;
    const QChar *m_end;
};

// Qt's painter paths silently drop coordinates beyond 1e128; the reader
// treats such coordinates as errors instead, so that nothing is lost unseen.
inline bool usable(double v)
{
    return v > -1e128 && v < 1e128;
}

// A whole attribute read as a number; anything malformed reads as 0.
double numberOr0(const QStringRef &text);

// Lengths: a number with an optional unit. Units per millimetre of the
// suffixes; plain numbers and "px" are pixels at 90 per inch, and so, as
// the drawing programs write it, is "%".
inline constexpr double PixelsPerMm = 3.543307;

// The value in millimetres, or nothing when the text is not a length
// (empty, malformed or with an unknown unit). With allowPercent false a
// percentage also counts as not a length.
std::optional<double> lengthInMm(const QStringRef &text, bool allowPercent = true);
// The value in user units (pixels); malformed lengths read as 0.
double lengthInPixels(const QStringRef &text);

} // namespace svg
