#include "resources/resources.h"
#include "ui/style/brenmoorstyle.h"
#include "ui/style/modqmenubar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

QImage indicator(const QStyle &style, QStyle::State state)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QStyleOptionButton option;
    option.rect = image.rect();
    option.state = state | QStyle::State_Enabled;
    QPainter p(&image);
    style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p);
    return image;
}

TEST(BrenmoorStyle, CheckBoxesComeFromThePicturesOrFromTheBaseStyle)
{
    kerfloom::initResources();
    BrenmoorStyle style;
    EXPECT_EQ(style.pixelMetric(QStyle::PM_IndicatorWidth), 16);
    const QImage off = indicator(style, QStyle::State_Off);
    const QImage on = indicator(style, QStyle::State_On);
    EXPECT_NE(off, on);
    // The tick is the picture's blue, not the base style's mark.
    EXPECT_EQ(on.pixelColor(7, 10).blue() > on.pixelColor(7, 10).red(), true);
    EXPECT_EQ(off.pixelColor(8, 8), QColor(Qt::white));
}

TEST(BrenmoorStyle, InstallingMakesItTheApplicationStyleAndPalette)
{
    kerfloom::initResources();
    installBrenmoorStyle();
    ASSERT_NE(qobject_cast<BrenmoorStyle *>(QApplication::style()), nullptr);
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText), QColor(0x4e, 0x4e, 0x4e));
    QCheckBox box;
    EXPECT_EQ(box.style(), QApplication::style());
}

TEST(ModQMenuBar, ShowsTheToolTipOfTheMenuUnderTheMouse)
{
    ModQMenuBar bar;
    QAction *file = bar.addAction(QStringLiteral("File"));
    file->setToolTip(QStringLiteral("Open and save drawings"));
    bar.show();
    const QPoint pos = bar.actionGeometry(file).center();
    QHelpEvent event(QEvent::ToolTip, pos, bar.mapToGlobal(pos));
    QApplication::sendEvent(&bar, &event);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Open and save drawings"));
    QToolTip::hideText();
}

} // namespace
