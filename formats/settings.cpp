#include "formats/settings.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace Settings {

QString filePath()
{
    // AppConfigLocation already ends in <organisation>/<application>.
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QStringLiteral("/settings.ini");
}

namespace {

// The file QSettings may use. A FIFO under the settings' name would block the
// read until some writer came, and a device reached through a link would be
// replaced by a plain file on the first write (/dev/zero, when run as root).
// Such a path is not opened at all: the defaults are used and nothing is
// saved. A name below it cannot be opened (it is no folder), so QSettings
// only reports an access error.
QString usablePath()
{
    const QString path = filePath();
    const QFileInfo info(path);
    if (info.isFile() && !info.isReadable()) {
        // Qt would read nothing and say nothing: every option silently at
        // its default, a job saved where the user never asked.
        static std::once_flag warned;
        std::call_once(warned, [&] {
            qWarning("Settings: \"%s\" cannot be read; the defaults are used", qUtf8Printable(path));
        });
    }
    if (!info.exists() || info.isFile() || info.isDir())
        return path;
    static std::once_flag warned;
    std::call_once(warned, [&] {
        qWarning("Settings: \"%s\" is not a regular file; the defaults are used and nothing is saved",
                 qUtf8Printable(path));
    });
    return path + QStringLiteral("/settings.ini");
}

} // namespace

std::unique_ptr<QSettings> open()
{
    return std::make_unique<QSettings>(usablePath(), QSettings::IniFormat);
}

QString defaultLanguage()
{
    return QLocale::system().name();
}

QString language()
{
    return open()->value(QStringLiteral("Main/Language"), defaultLanguage()).toString();
}

void setLanguage(const QString &name)
{
    open()->setValue(QStringLiteral("Main/Language"), name);
}

QStringList recentFiles()
{
    // The array's count is only a number in the file: a damaged one (two
    // billion) would be walked entry by entry for minutes. Only the entries
    // that exist are read, in the array's order.
    auto s = open();
    s->beginGroup(QStringLiteral("RecentFiles"));
    const int size = s->value(QStringLiteral("size")).toInt();
    QList<int> indices;
    for (const QString &group : s->childGroups()) {
        bool ok = false;
        const int i = group.toInt(&ok);
        if (ok && i >= 1 && i <= size)
            indices << i;
    }
    std::sort(indices.begin(), indices.end());
    QStringList files;
    for (const int i : qAsConst(indices)) {
        const QString f = s->value(QString::number(i) + QStringLiteral("/FileName")).toString();
        if (!f.isEmpty())
            files << f;
    }
    s->endGroup();
    return files;
}

void setRecentFiles(const QStringList &files)
{
    auto s = open();
    s->remove(QStringLiteral("RecentFiles"));
    s->beginWriteArray(QStringLiteral("RecentFiles"), files.size());
    for (int i = 0; i < files.size(); ++i) {
        s->setArrayIndex(i);
        s->setValue(QStringLiteral("FileName"), files.at(i));
    }
    s->endArray();
}

void warnDamaged(const char *name, const QVariant &stored)
{
    // The same key is read in several places during a run: one warning per
    // damaged value is enough.
    static std::mutex mutex;
    static QSet<QString> warned;
    const QString entry = QLatin1String(name) + QLatin1Char('=') + stored.toString();
    std::lock_guard<std::mutex> lock(mutex);
    if (warned.contains(entry))
        return;
    warned.insert(entry);
    qWarning("Settings: %s is not a usable value; the default is used instead", qUtf8Printable(entry.left(200)));
}

namespace {

// The largest position the position dialog offers: 1e8 of its largest unit,
// the metre, in millimetres.
constexpr double MaxPosition = 1e11;

// A coordinate that is not a finite number ("nan" typed into the file) is a
// damaged value: the default stands in for it.
double finiteValue(QSettings &s, const QString &key, double fallback)
{
    const QVariant stored = s.value(key);
    if (!stored.isValid())
        return fallback;
    const double v = stored.toDouble();
    if (std::isfinite(v) && std::abs(v) > MaxPosition) {
        // Far beyond any machine, and beyond what the dialog can store: moved
        // there, the drawing's points would all round to the same number.
        warnDamaged(qPrintable(s.group() + QLatin1Char('/') + key), stored);
        return fallback;
    }
    if (!std::isfinite(v)) {
        // The same key is read in several places during a run: one warning
        // per damaged value is enough.
        static std::mutex mutex;
        static QSet<QString> warned;
        const QString name = s.group() + QLatin1Char('/') + key;
        std::lock_guard<std::mutex> lock(mutex);
        if (!warned.contains(name + QLatin1Char('=') + stored.toString())) {
            warned.insert(name + QLatin1Char('=') + stored.toString());
            qWarning("Settings: %s is not a finite number; %g is used instead", qUtf8Printable(name), fallback);
        }
        return fallback;
    }
    return v;
}

} // namespace

PositionSpec readPosition(QSettings &s, const char *group)
{
    PositionSpec spec;
    s.beginGroup(QLatin1String(group));
    spec.x = finiteValue(s, QStringLiteral("X"), spec.x);
    spec.y = finiteValue(s, QStringLiteral("Y"), spec.y);
    spec.useAnchor = s.value(QStringLiteral("Relative"), spec.useAnchor).toBool();
    // The nine points of the bounding box; any other number would make a
    // relative position silently absolute.
    const QVariant anchor = s.value(QStringLiteral("Anchor"));
    bool ok = false;
    const int index = anchor.toInt(&ok);
    if (ok && index >= 1 && index <= 9)
        spec.anchorIndex = index;
    else if (anchor.isValid())
        warnDamaged(qPrintable(s.group() + QStringLiteral("/Anchor")), anchor);
    s.endGroup();
    return spec;
}

PositionSpec readPosition(const char *group)
{
    return readPosition(*open(), group);
}

void writePosition(QSettings &s, const char *group, const PositionSpec &spec)
{
    s.beginGroup(QLatin1String(group));
    s.setValue(QStringLiteral("X"), spec.x);
    s.setValue(QStringLiteral("Y"), spec.y);
    s.setValue(QStringLiteral("Relative"), spec.useAnchor);
    s.setValue(QStringLiteral("Anchor"), spec.anchorIndex);
    s.endGroup();
}

void writePosition(const char *group, const PositionSpec &spec)
{
    writePosition(*open(), group, spec);
}

namespace {

// An axis letter must be exactly one letter; anything else (two characters,
// a blank, a line break) keeps `fallback`, as it would break every line.
QChar axisLetter(const QString &text, QChar fallback)
{
    const bool letter = text.size() == 1 && text.at(0).unicode() < 128 && text.at(0).isLetter();
    return letter ? text.at(0) : fallback;
}

FormatOptions &mutableOptions()
{
    static FormatOptions options;
    return options;
}

int &mutableDisplayUnit()
{
    static int unit = Units.defaultValue;
    return unit;
}

} // namespace

FormatOptions FormatOptions::fromStore()
{
    auto s = open();
    FormatOptions o;
    o.hpglUnits = HpglUnits.read(*s);
    o.hpglAutoWeld = HpglAutoWeld.read(*s);
    o.gcodeInit = GCodeInit.read(*s);
    o.gcodeFinish = GCodeFinish.read(*s);
    o.gcodeAxisX = axisLetter(GCodeAxisMappingX.read(*s), o.gcodeAxisX);
    o.gcodeAxisY = axisLetter(GCodeAxisMappingY.read(*s), o.gcodeAxisY);
    o.gcodeUnits = GCodeUnits.read(*s);
    o.dxfSplineSegments = DxfSplineSegments.read(*s);
    o.dxfSplineSegmentsFromFile = DxfSplineSegmentsFromFile.read(*s);
    o.dxfAutoWeld = DxfAutoWeld.read(*s);
    o.dxfAutoWeldPrecision = DxfAutoWeldPrecision.read(*s);
    o.dxfIgnoreClosedFlag = DxfIgnoreClosedFlag.read(*s);
    o.dxfExpandBlocks = DxfExpandBlocks.read(*s);
    o.dxfMaxPoints = DxfMaxPoints.read(*s);
    o.duplicateNonClosed = DuplicateNonClosed.read(*s);
    o.closedPrecision = ClosedPrecision.read(*s);
    return o;
}

void FormatOptions::writeToStore() const
{
    auto s = open();
    DuplicateNonClosed.write(*s, duplicateNonClosed);
    ClosedPrecision.write(*s, closedPrecision);
    HpglUnits.write(*s, hpglUnits);
    HpglAutoWeld.write(*s, hpglAutoWeld);
    GCodeInit.write(*s, gcodeInit);
    GCodeFinish.write(*s, gcodeFinish);
    GCodeAxisMappingX.write(*s, QString(gcodeAxisX));
    GCodeAxisMappingY.write(*s, QString(gcodeAxisY));
    GCodeUnits.write(*s, gcodeUnits);
    DxfSplineSegments.write(*s, dxfSplineSegments);
    DxfSplineSegmentsFromFile.write(*s, dxfSplineSegmentsFromFile);
    DxfAutoWeld.write(*s, dxfAutoWeld);
    DxfAutoWeldPrecision.write(*s, dxfAutoWeldPrecision);
    DxfIgnoreClosedFlag.write(*s, dxfIgnoreClosedFlag);
    DxfExpandBlocks.write(*s, dxfExpandBlocks);
    DxfMaxPoints.write(*s, dxfMaxPoints);
}

const FormatOptions &formatOptions()
{
    return mutableOptions();
}

void setFormatOptions(const FormatOptions &options)
{
    mutableOptions() = options;
}

int displayUnit()
{
    return mutableDisplayUnit();
}

void setDisplayUnit(int unit)
{
    mutableDisplayUnit() = unit;
}

void loadProcessOptions()
{
    setFormatOptions(FormatOptions::fromStore());
    setDisplayUnit(Units.read());
}

namespace {
QString withoutTrailingSlash(QString url)
{
    url = url.trimmed();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}
} // namespace

QString baseUrl()
{
    const QByteArray env = qgetenv("KERFLOOM_BASE_URL");
    return withoutTrailingSlash(env.isEmpty() ? BaseUrl.read() : QString::fromLocal8Bit(env));
}

QString updateUrl()
{
    const QByteArray env = qgetenv("KERFLOOM_UPDATE_URL");
    const QString own = withoutTrailingSlash(env.isEmpty() ? UpdateUrl.read() : QString::fromLocal8Bit(env));
    if (!own.isEmpty())
        return own;
    const QString base = baseUrl();
    return base.isEmpty() ? QString() : base + QStringLiteral("/update");
}

} // namespace Settings
