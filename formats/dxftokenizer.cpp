#include "formats/dxftokenizer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace dxf {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(const char *b, const char *e)
{
    while (b < e && isSpace(*b))
        ++b;
    while (e > b && isSpace(e[-1]))
        --e;
    return {b, size_t(e - b)};
}

bool parseCode(std::string_view text, int &code)
{
    if (text.empty())
        return false;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, code);
    return ec == std::errc() && ptr == end;
}

constexpr char BinarySentinel[] = "AutoCAD Binary DXF";

} // namespace

Tokenizer::Tokenizer(const char *data, size_t size)
    : m_begin(data), m_pos(data), m_end(data + size), m_groupStart(data)
{
    // A byte-order mark would make the very first code unreadable.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        m_pos += 3;
}

bool Tokenizer::isBinary(const char *data, size_t size)
{
    const size_t n = sizeof BinarySentinel - 1;
    return size >= n && std::memcmp(data, BinarySentinel, n) == 0;
}

bool Tokenizer::line(std::string_view &text)
{
    if (m_pos >= m_end)
        return false;
    const char *e = static_cast<const char *>(std::memchr(m_pos, '\n', size_t(m_end - m_pos)));
    if (!e)
        e = m_end;
    text = trimmed(m_pos, e);
    m_pos = e < m_end ? e + 1 : m_end;
    return true;
}

bool Tokenizer::next(Group &group)
{
    std::string_view codeText, value;
    for (;;) {
        m_groupStart = m_pos;
        if (!line(codeText) || !line(value))
            return false;
        int code = 0;
        if (!parseCode(codeText, code)) {
            std::string_view dropped;
            line(dropped);
            continue;
        }
        if (code == 999)
            continue;
        group.code = code;
        group.value = value;
        return true;
    }
}

double toNumber(std::string_view text)
{
    const char *b = text.data();
    const char *e = b + text.size();
    if (b < e && *b == '+')
        ++b;
    if (b == e || *b == '+')
        return 0;
    double v = 0;
    const auto [ptr, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || ptr != e || !std::isfinite(v))
        return 0;
    return v;
}

int toInteger(std::string_view text)
{
    const char *b = text.data();
    const char *e = b + text.size();
    if (b < e && *b == '+')
        ++b;
    int v = 0;
    const auto [ptr, ec] = std::from_chars(b, e, v);
    if (ec == std::errc() && ptr == e)
        return v;
    // Some writers put "4.0" or an out-of-range count where an integer belongs.
    const double d = toNumber(text);
    if (d >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (d <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(d);
}

} // namespace dxf
