#include "core/units.h"

#include "formats/settings.h"

#include <QLocale>

namespace units {

double divisor(int unit)
{
    switch (unit) {
    case Centimetres: return 10.0;
    case Metres: return 1000.0;
    case Inches: return 25.4;
    default: return 1.0;
    }
}

double toDisplay(double mm, int unit)
{
    return unit == Millimetres ? mm : mm / divisor(unit);
}

double fromDisplay(double value, int unit)
{
    return unit == Millimetres ? value : value * divisor(unit);
}

double toDisplay(double mm)
{
    return toDisplay(mm, Settings::displayUnit());
}

double fromDisplay(double value)
{
    return fromDisplay(value, Settings::displayUnit());
}

QString suffix(int unit)
{
    switch (unit) {
    case Centimetres: return QStringLiteral(" cm");
    case Metres: return QStringLiteral(" m");
    case Inches: return QStringLiteral(" in");
    default: return QStringLiteral(" mm");
    }
}

QString text(double mm, int unit, bool withUnit)
{
    QString s = QLocale().toString(toDisplay(mm, unit), 'f', 2);
    if (withUnit)
        s += suffix(unit);
    return s;
}

QString text(double mm, bool withUnit)
{
    return text(mm, Settings::displayUnit(), withUnit);
}

} // namespace units
