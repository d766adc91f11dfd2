#include "app/savepath.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString expandSavePath(const QString &pathTemplate, const QString &source)
{
    const QFileInfo info(source);
    QString out = pathTemplate;
    out.replace(QStringLiteral("%o"), source);
    out.replace(QStringLiteral("%p"), info.absolutePath());
    out.replace(QStringLiteral("%d"), info.absoluteDir().dirName());
    out.replace(QStringLiteral("%f"), info.baseName());
    out.replace(QStringLiteral("%e"), info.completeSuffix());
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
