#include "core/units.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(Units, ConvertsAndFormatsInEveryUnit)
{
    struct Case { int unit; double mm; const char *text; };
    const Case cases[] = {
        {units::Millimetres, 12.345, "12.35 mm"},
        {units::Centimetres, 12.345, "1.23 cm"},
        {units::Metres, 1500, "1.50 m"},
        {units::Inches, 25.4, "1.00 in"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(units::text(c.mm, c.unit), QString::fromLatin1(c.text));
        EXPECT_DOUBLE_EQ(units::fromDisplay(units::toDisplay(c.mm, c.unit), c.unit), c.mm);
    }
    EXPECT_EQ(units::text(25.4, units::Inches, false), QStringLiteral("1.00"));
}

TEST(Units, UsesTheDefaultLocaleSeparator)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Italian));
    EXPECT_EQ(units::text(25.4, units::Inches), QStringLiteral("1,00 in"));
    QLocale::setDefault(saved);
}
