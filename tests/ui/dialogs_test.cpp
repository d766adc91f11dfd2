#include "formats/settings.h"
#include "resources/resources.h"
#include "ui/getpointdialog.h"
#include "ui/kfstartpage.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(AnchorWidget, HitTestClampsTheMarginIntoFirstRowAndColumn)
{
    struct Case { QPoint pos; int index; };
    for (const Case c : {Case{{0, 0}, 1}, Case{{3, 3}, 1}, Case{{2, 25}, 4}, Case{{25, 2}, 2},
                         Case{{24, 24}, 5}, Case{{47, 47}, 9}, Case{{40, 10}, 3}, Case{{10, 40}, 7}})
        EXPECT_EQ(AnchorWidget::hitTest(c.pos), c.index) << c.pos.x() << "," << c.pos.y();
}

TEST(GetPointDialog, AnchorIsGreyedUntilRelativeIsCheckedAndSelectionIsKept)
{
    GetPointDialog dialog(nullptr, QStringLiteral("Set anchor"), false);
    PositionSpec spec;
    spec.anchorIndex = 3;
    dialog.setSpec(spec);
    EXPECT_FALSE(dialog.anchorWidget()->isEnabled());
    QTest::mouseClick(dialog.anchorWidget(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(dialog.anchorWidget()->selectedIndex(), 3); // disabled: no click
    EXPECT_EQ(dialog.spec().anchorIndex, 3);
    dialog.relativeBox()->setChecked(true);
    EXPECT_TRUE(dialog.anchorWidget()->isEnabled());
    QTest::mouseClick(dialog.anchorWidget(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(dialog.spec().anchorIndex, 9);
    EXPECT_TRUE(dialog.spec().useAnchor);
}

TEST(GetPointDialog, MoveModeHidesAnchorAndRenamesCheckBox)
{
    GetPointDialog dialog(nullptr, QStringLiteral("Move drawing"), true);
    EXPECT_TRUE(dialog.anchorWidget()->isHidden());
    EXPECT_EQ(dialog.relativeBox()->text(), QStringLiteral("Relative"));
    EXPECT_EQ(dialog.height(), 180);
}

TEST(GetPoint, InchesAreStoredAsMillimetresAndShownBack)
{
    const int before = Settings::displayUnit();
    Settings::setDisplayUnit(3);
    PositionSpec spec;
    getPointRunner = [](GetPointDialog &d) {
        EXPECT_EQ(d.xBox()->suffix(), QStringLiteral(" in"));
        d.xBox()->setValue(1);
        return true;
    };
    ASSERT_TRUE(getPoint(nullptr, &spec, QStringLiteral("t"), false));
    EXPECT_DOUBLE_EQ(spec.x, 25.4);
    double shown = 0;
    getPointRunner = [&](GetPointDialog &d) {
        shown = d.xBox()->value();
        return false;
    };
    PositionSpec unchanged = spec;
    EXPECT_FALSE(getPoint(nullptr, &spec, QStringLiteral("t"), false));
    EXPECT_DOUBLE_EQ(shown, 1);
    EXPECT_EQ(spec, unchanged);
    EXPECT_FALSE(getPoint(nullptr, nullptr, QStringLiteral("t"), false));
    getPointRunner = nullptr;
    Settings::setDisplayUnit(before);
}

TEST(GetPoint, AskPositionLoadsTheGroupButNeverWritesIt)
{
    PositionSpec stored{5, 6, true, 2};
    Settings::writePosition(Settings::AnchorGroup, stored);
    PositionSpec spec;
    getPointRunner = [](GetPointDialog &d) {
        d.yBox()->setValue(1);
        return true;
    };
    ASSERT_TRUE(askPosition(nullptr, &spec, QStringLiteral("Set anchor"), QStringLiteral("Anchor"), false));
    getPointRunner = nullptr;
    EXPECT_DOUBLE_EQ(spec.x, 5);
    EXPECT_DOUBLE_EQ(spec.y, 10); // 1 cm
    EXPECT_EQ(spec.anchorIndex, 2);
    EXPECT_EQ(Settings::readPosition(Settings::AnchorGroup), stored);
}

TEST(StartPage, RecentFilesStayUniqueNewestFirstAndAtMostFive)
{
    kerfloom::initResources();
    KFStartPage page;
    page.addRecentFile(QStringLiteral("/cuts/a.dxf"));
    page.addRecentFile(QStringLiteral("/cuts/b.dxf"));
    page.addRecentFile(QStringLiteral("/cuts/a.dxf"));
    auto buttons = page.recentButtons();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->text(), QStringLiteral("a.dxf"));
    EXPECT_EQ(buttons[0]->property("url").toString(), QStringLiteral("/cuts/a.dxf"));
    EXPECT_EQ(buttons[1]->text(), QStringLiteral("b.dxf"));

    for (const char *f : {"/c.dxf", "/d.dxf", "/e.dxf", "/f.dxf"})
        page.addRecentFile(QLatin1String(f));
    buttons = page.recentButtons();
    QStringList names;
    for (QPushButton *b : buttons)
        names << b->text();
    // b.dxf was created after a.dxf; a.dxf is the oldest-created one.
    EXPECT_EQ(names, (QStringList{"f.dxf", "e.dxf", "d.dxf", "c.dxf", "b.dxf"}));
}

// Every translation of the title stays on its panel; the English one keeps
// its full size.
TEST(StartPage, TitleFitsItsPanelInEveryLanguage)
{
    KFStartPage page;
    const int width = KFStartPage::titleRight - KFStartPage::titleLeft;
    for (const char *title : {"Recent files", "Ostatnie pliki", "File recenti", "Archivos recientes"}) {
        const QFont f = KFStartPage::titleFont(page.font(), QString::fromUtf8(title));
        EXPECT_TRUE(f.bold()) << title;
        EXPECT_LE(QFontMetricsF(f).horizontalAdvance(QString::fromUtf8(title)), width) << title;
    }
    EXPECT_EQ(KFStartPage::titleFont(page.font(), QStringLiteral("Recent files")).pointSize(), 14);
    EXPECT_LT(KFStartPage::titleFont(page.font(), QStringLiteral("Archivos recientes")).pointSize(), 14);
}

TEST(StartPage, OpenFileButtonAsksWithAnEmptyPath)
{
    kerfloom::initResources();
    KFStartPage page;
    QSignalSpy spy(&page, &KFStartPage::openFile);
    page.openButton()->click();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QString());
    EXPECT_EQ(spy.at(0).at(1).toBool(), false);
    EXPECT_EQ(spy.at(0).at(2).toBool(), true);
    EXPECT_EQ(page.size(), QSize(640, 320));
}

} // namespace
