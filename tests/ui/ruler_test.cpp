#include "ui/qdruler.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Ruler, FirstTickNumberContinuesWhenOriginIsOffToTheLeft)
{
    const auto ticks = QDRuler::ticks(0, 500, -250, 100);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().number, 2);
    EXPECT_DOUBLE_EQ(ticks.front().position, -50);
    EXPECT_EQ(ticks.back().number, 7);
}

TEST(Ruler, TicksRunBothWaysFromAVisibleOrigin)
{
    const auto ticks = QDRuler::ticks(0, 300, 120, 100);
    std::vector<int> numbers;
    for (const auto &t : ticks)
        numbers.push_back(t.number);
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, -1}));
}

TEST(Ruler, OriginOffToTheRightCountsDown)
{
    const auto ticks = QDRuler::ticks(0, 300, 650, 100);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().number, -3);
    EXPECT_DOUBLE_EQ(ticks.front().position, 350);
}

TEST(Ruler, LabelsInDrawingUnitsAndPositiveAboveOriginOnVerticalRuler)
{
    struct Case { int number; double step; double zoom; QDRuler::RulerType type; double value; };
    for (const Case c : {Case{2, 100, 1, QDRuler::Horizontal, 200}, Case{2, 100, 4, QDRuler::Horizontal, 50},
                         Case{-1, 100, 2, QDRuler::Vertical, 50}, Case{3, 12.5, 1, QDRuler::Horizontal, 36}})
        EXPECT_DOUBLE_EQ(QDRuler::labelValue(c.number, c.step, c.zoom, c.type), c.value);
    EXPECT_EQ(QDRuler::labelText(0, true), QStringLiteral("0"));
    EXPECT_EQ(QDRuler::labelText(200, false), QStringLiteral("20.00")); // centimetres
}

TEST(Ruler, DegenerateInputGivesNoTicks)
{
    EXPECT_TRUE(QDRuler::ticks(0, 100, 0, 0).empty());
    EXPECT_TRUE(QDRuler::ticks(0, 100, std::nan(""), 10).empty());
    EXPECT_TRUE(QDRuler::ticks(0, 1e9, 0, 1e-3).empty());
}

} // namespace
