#pragma once

#include <QString>

// Display units: lengths are millimetres inside; users see them in the unit
// chosen in the settings (0 mm, 1 cm, 2 m, 3 in).
namespace units {

enum Unit { Millimetres = 0, Centimetres = 1, Metres = 2, Inches = 3 };

// Millimetres per unit; unknown units count as millimetres.
double divisor(int unit);
double toDisplay(double mm, int unit);
double fromDisplay(double value, int unit);
// Same, in the process-wide display unit.
double toDisplay(double mm);
double fromDisplay(double value);

QString suffix(int unit); // " mm", " cm", " m", " in"
// Two decimals in the default locale, optionally followed by the suffix.
QString text(double mm, int unit, bool withUnit = true);
QString text(double mm, bool withUnit = true);

} // namespace units
