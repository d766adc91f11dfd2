#include "controller/gcodeline.h"

#include "controller/ini.h"

#include <QVector>

#include <cmath>

namespace cutdeck {

namespace {

bool isLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the number starting at `i` (digits with an optional fraction), or
// 0 when none starts there.
int numberLength(const QString &s, int i)
{
    int j = i;
    int digits = 0;
    while (j < s.size() && isDigit(s[j])) {
        ++j;
        ++digits;
    }
    if (j < s.size() && s[j] == QLatin1Char('.')) {
        ++j;
        while (j < s.size() && isDigit(s[j])) {
            ++j;
            ++digits;
        }
    }
    return digits > 0 ? j - i : 0;
}

struct Word
{
    int start;
    int length;
};

QVector<Word> feedWords(const QString &line)
{
    QVector<Word> words;
    bool inParen = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (inParen) {
            inParen = c != QLatin1Char(')');
            continue;
        }
        if (c == QLatin1Char('('))
            inParen = true;
        else if (c == QLatin1Char(';'))
            break;
        else if ((c == QLatin1Char('F') || c == QLatin1Char('f')) && (i == 0 || !isLetter(line[i - 1]))) {
            const int n = numberLength(line, i + 1);
            if (n > 0) {
                words.append({i, n + 1});
                i += n;
            }
        }
    }
    return words;
}

double axisValue(const QString &line, QChar axis)
{
    const int at = line.indexOf(axis);
    if (at < 0)
        return 0.0;
    const int blank = line.indexOf(QLatin1Char(' '), at + 1);
    const QString text = blank < 0 ? line.mid(at + 1) : line.mid(at + 1, blank - at - 1);
    return numericValue(text);
}

} // namespace

QString substituteFeed(const QString &line, int speed)
{
    // Without a speed of the operator's (a fresh settings file reads 0) the
    // file's own feed stands: "F0" would halt or be refused by the firmware.
    if (speed <= 0)
        return line;
    const QVector<Word> words = feedWords(line);
    if (words.isEmpty())
        return line;
    const QString feed = QStringLiteral("F%1").arg(speed);
    QString out = line;
    for (int k = words.size() - 1; k >= 0; --k) {
        const Word &w = words[k];
        if (w.start + w.length == out.size())
            out = out.left(w.start) + QLatin1Char(' ') + feed;
        else
            out.replace(w.start, w.length, feed);
    }
    return out;
}

std::optional<QPointF> previewPoint(const QString &line)
{
    const double x = axisValue(line, QLatin1Char('X'));
    const double y = axisValue(line, QLatin1Char('Y'));
    if (std::fabs(x) > 0 && std::fabs(y) > 0)
        return QPointF(x, std::fabs(y));
    return std::nullopt;
}

int textPosition(const QString &text, const QString &needle)
{
    return text.indexOf(needle) + 1;
}

} // namespace cutdeck
