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
    // A carriage return alone ends a line as well: the firmware would take
    // it as one, and a line sent with one inside would be answered twice.
    // Lines are kept whole however long they are, never cut in two.
    QByteArray pending;
    auto take = [&] {
        if (!pending.trimmed().isEmpty())
            lines->append(QString::fromLatin1(pending.constData(), pending.size()));
        pending.clear();
    };
    while (!f.atEnd()) {
        const QByteArray block = f.read(1 << 16);
        if (block.isEmpty() && f.error() != QFileDevice::NoError)
            break;
        int from = 0;
        for (int i = 0; i < block.size(); ++i) {
            if (block[i] == '\r' || block[i] == '\n') {
                pending.append(block.constData() + from, i - from);
                take();
                from = i + 1;
            }
        }
        pending.append(block.constData() + from, block.size() - from);
    }
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        return false;
    }
    take();
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
