#include "controller/ini.h"
#include "platform/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace cutdeck {

namespace {

constexpr int kValueLimit = 79;
// A settings file is a few hundred bytes; anything far larger is not ours and
// is not read into memory whole.
constexpr qint64 kFileLimit = 4 * 1024 * 1024;

QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool isSection(const QString &line)
{
    const QString t = line.trimmed();
    return t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'));
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QStringList readLines(const QString &path, bool *ok)
{
    QFile f;
    *ok = true;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return {};
    if (!openRegularFile(f, path) || f.size() > kFileLimit) {
        *ok = false;
        return {};
    }
    // Windows-1252 text in files written by older installations reads the
    // same through Latin-1 for every character these settings use.
    const QByteArray bytes = f.readAll();
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        text = QString::fromLatin1(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

bool openRegularFile(QFile &file, const QString &path)
{
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return false;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The name may have been replaced between the look and the open.
    if (file.isSequential()) {
        file.close();
        return false;
    }
    return true;
}

QString configDirectory()
{
    const QByteArray env = qgetenv("CUTDECK_CONFIG_DIR");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QCoreApplication::applicationDirPath();
}

QString configPath()
{
    return configDirectory() + QStringLiteral("/cutdeck_config.INI");
}

QString ReadIni(const QString &section, const QString &key)
{
    return readIniFile(configPath(), section, key);
}

bool WriteIni(const QString &section, const QString &key, const QString &value)
{
    return writeIniFile(configPath(), section, key, value);
}

QString readIniFile(const QString &path, const QString &section, const QString &key)
{
    bool ok = false;
    const QStringList lines = readLines(path, &ok);
    bool inSection = false;
    for (const QString &line : lines) {
        if (isSection(line)) {
            inSection = sameName(sectionOf(line), section);
            continue;
        }
        if (!inSection)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || !sameName(line.left(eq), key))
            continue;
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                                  || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
            value = value.mid(1, value.size() - 2);
        return value.left(kValueLimit).trimmed();
    }
    return QString();
}

bool writeIniFile(const QString &path, const QString &section, const QString &key, const QString &value)
{
    bool ok = false;
    QStringList lines = readLines(path, &ok);
    if (!ok)
        return false;
    // A value is one line; a line break inside would make a new key.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString entry = key.trimmed() + QLatin1Char('=') + clean;

    int sectionLine = -1;
    int lastOfSection = -1;
    bool written = false;
    for (int i = 0; i < lines.size() && !written; ++i) {
        if (isSection(lines[i])) {
            if (sectionLine >= 0)
                break;
            if (sameName(sectionOf(lines[i]), section)) {
                sectionLine = i;
                lastOfSection = i;
            }
            continue;
        }
        if (sectionLine < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            lastOfSection = i;
        const int eq = lines[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && sameName(lines[i].left(eq), key)) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written) {
        if (sectionLine < 0) {
            lines << QStringLiteral("[%1]").arg(section.trimmed()) << entry;
        } else {
            lines.insert(lastOfSection + 1, entry);
        }
    }

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(lines.join(QLatin1String("\r\n")).toUtf8() + "\r\n");
    return platform::commitWhole(out);
}

double numericValue(const QString &text)
{
    const QByteArray s = text.toLatin1();
    int i = 0;
    const int n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    const int start = i;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    int digits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    int end = i;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        int j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(s[j]))) {
            while (j < n && std::isdigit(static_cast<unsigned char>(s[j])))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double v = QByteArray(s.constData() + start, end - start).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

int shortValue(const QString &text)
{
    const double v = std::round(numericValue(text));
    return int(std::clamp(v, -32768.0, 32767.0));
}

} // namespace cutdeck
