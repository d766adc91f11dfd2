#include "app/savepath.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString expandSavePath(const QString &pathTemplate, const QString &source)
{
    const QFileInfo info(source);
    // One pass over the template: a value that itself holds "%f" or "%e"
    // (a folder "50%done", a downloaded "caf%e9.dxf") is taken as it is.
    QString out;
    out.reserve(pathTemplate.size() + source.size());
    for (int i = 0; i < pathTemplate.size(); ++i) {
        const QChar c = pathTemplate.at(i);
        const QChar next = i + 1 < pathTemplate.size() ? pathTemplate.at(i + 1) : QChar();
        if (c != QLatin1Char('%') || !QStringLiteral("opdfe").contains(next) || next.isNull()) {
            out += c;
            continue;
        }
        switch (next.toLatin1()) {
        case 'o': out += source; break;
        case 'p': out += info.absolutePath(); break;
        case 'd': out += info.absoluteDir().dirName(); break;
        case 'f': out += info.baseName(); break;
        case 'e': out += info.completeSuffix(); break;
        }
        ++i;
    }
    return out;
}

QString stripFilterSuffix(const QString &name)
{
    const int cut = name.indexOf(QStringLiteral(" *"));
    return cut < 0 ? name : name.left(cut);
}

namespace {
QStringList filterEndings(const QString &filters)
{
    QStringList out;
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.\\w+)"));
    auto it = pattern.globalMatch(filters);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}
} // namespace

QString addFilterSuffix(const QString &name, const QString &chosenFilter, const QString &allFilters)
{
    const QStringList chosen = filterEndings(chosenFilter);
    const QString fileName = QFileInfo(name).fileName();
    if (chosen.isEmpty() || fileName.isEmpty())
        return name;
    for (const QString &ending : filterEndings(allFilters) + chosen)
        if (fileName.endsWith(ending, Qt::CaseInsensitive) && fileName.size() > ending.size())
            return name;
    return name.endsWith(QLatin1Char('.')) ? name + chosen.first().mid(1) : name + chosen.first();
}
