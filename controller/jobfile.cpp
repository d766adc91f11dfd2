#include "controller/jobfile.h"

#include "controller/ini.h"

#include <QFile>
#include <QFileInfo>

namespace cutdeck {

bool readGcodeJob(const QString &path, QStringList *lines, QString *error)
{
    QFile f;
    if (!openRegularFile(f, path)) {
        if (error)
            *error = f.error() != QFileDevice::NoError ? f.errorString() : QStringLiteral("not a regular file");
        return false;
    }
    lines->clear();
    while (!f.atEnd()) {
        QByteArray raw = f.readLine(1 << 16);
        while (!raw.isEmpty() && (raw.endsWith('\n') || raw.endsWith('\r')))
            raw.chop(1);
        if (raw.trimmed().isEmpty())
            continue;
        lines->append(QString::fromLatin1(raw));
    }
    return true;
}

QString gcodePathFor(const QString &path)
{
    if (path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return path.left(path.size() - 3) + QStringLiteral("gcode");
    return path;
}

CutFileResult readCutFile(const QString &path, std::vector<CutRecord> *records)
{
    QFile f;
    if (!openRegularFile(f, path))
        return CutFileResult::Unreadable;
    records->clear();
    auto next = [&]() { return QString::fromLatin1(f.readLine(4096)).trimmed(); };
    while (!f.atEnd()) {
        const QString line = next();
        if (!line.startsWith(QLatin1String("ID")))
            continue;
        if (records->size() >= size_t(kStepListCapacity))
            return CutFileResult::TooLarge;
        CutRecord r;
        r.number = numericValue(line.right(2));
        r.x1 = numericValue(next());
        r.y1 = numericValue(next());
        r.x2 = numericValue(next());
        r.y2 = numericValue(next());
        records->push_back(r);
    }
    return CutFileResult::Ok;
}

} // namespace cutdeck
