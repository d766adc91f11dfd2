#include "app/savepath.h"

#include <QDir>
#include <QFileInfo>

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
