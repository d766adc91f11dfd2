#include "core/commands.h"
#include "core/drawing.h"
#include "resources/resources.h"
#include "testsupport.h"
#include "ui/drawingitems.h"
#include "ui/graphwidget.h"
#include "ui/mygraphicsscene.h"
#include "ui/overlayitem.h"
#include "formats/settings.h"
#include "core/units.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kerfloom::initResources();
        view.resize(600, 500);
    }
    void TearDown() override { GraphWidget::menuRunner = nullptr; }

    void showDrawing()
    {
        view.drawing()->updateBoundingRect();
        view.initDrawing(true);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QPoint viewportPos(double x, double y) { return view.mapFromScene(QPointF(x, y)); }

    GraphWidget view;
};

TEST_F(ViewTest, ZoomInStopsAfterTwentyNinePresses)
{
    view.setScale(1);
    for (int i = 0; i < 29; ++i)
        QTest::keyRelease(&view, Qt::Key_Plus);
    EXPECT_NEAR(view.currentScale(), 197.8, 0.05);
    QTest::keyRelease(&view, Qt::Key_Plus);
    EXPECT_NEAR(view.currentScale(), 197.8, 0.05);
}

TEST_F(ViewTest, ZoomOutStopsAfterEightPresses)
{
    view.setScale(1);
    for (int i = 0; i < 8; ++i)
        QTest::keyRelease(&view, Qt::Key_Minus);
    EXPECT_NEAR(view.currentScale(), 0.2326, 0.0001);
    QTest::keyRelease(&view, Qt::Key_Minus);
    EXPECT_NEAR(view.currentScale(), 0.2326, 0.0001);
}

TEST_F(ViewTest, AScaleFittedOutsideTheRangeZoomsBackTowardsIt)
{
    // A sheet of a hundred metres fits far below the smallest scale.
    const struct
    {
        double fitted;
        Qt::Key towards, away;
    } cases[] = {{0.005, Qt::Key_Plus, Qt::Key_Minus}, {1000, Qt::Key_Minus, Qt::Key_Plus}};
    for (const auto &c : cases) {
        view.setScale(c.fitted);
        QTest::keyRelease(&view, c.away);
        EXPECT_DOUBLE_EQ(view.currentScale(), c.fitted);
        QTest::keyRelease(&view, c.towards);
        EXPECT_NE(view.currentScale(), c.fitted);
        EXPECT_LT(std::abs(std::log(view.currentScale())), std::abs(std::log(c.fitted)));
    }
}

TEST_F(ViewTest, EmptyDrawingGetsGrownSceneAndStartMarker)
{
    view.drawing()->setBoundingRect(QRectF(0, 0, 10, 5));
    view.initDrawing(false);
    EXPECT_EQ(view.sceneRect(), QRectF(-10, -10, 30, 25));
    int starts = 0;
    for (QGraphicsItem *item : view.scene()->items())
        if (item->type() == DrawingPointType && static_cast<DrawingPoint *>(item)->isStart())
            ++starts;
    EXPECT_EQ(starts, 1);
}

TEST_F(ViewTest, RightClickInsideNestedContoursReachesInnermost)
{
    test::addShape(*view.drawing(), test::square(0, 0, 100));
    Object *small = test::addShape(*view.drawing(), test::square(40, 40, 10));
    showDrawing();

    Object *menuFor = nullptr;
    QStringList texts;
    GraphWidget::menuRunner = [&](QMenu &menu, const QPoint &) -> QAction * {
        for (QGraphicsItem *item : view.scene()->items())
            if (item->type() == DrawingObjectType && static_cast<DrawingObject *>(item)->isHighlighted())
                menuFor = static_cast<DrawingObject *>(item)->object();
        for (QAction *a : menu.actions())
            texts << a->text();
        return nullptr;
    };
    const QPoint pos = viewportPos(45, 45);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
    QCoreApplication::sendEvent(view.viewport(), &ev);
    EXPECT_EQ(menuFor, small);
    EXPECT_EQ(texts, (QStringList{"Add point", "Set object direction"}));
}

TEST_F(ViewTest, ClickingTwoVerticesPushesOneJointAndSecondJoinIsRefused)
{
    Object *a = test::addShape(*view.drawing(), test::square(0, 0, 10));
    Object *b = test::addShape(*view.drawing(), test::square(30, 0, 10));
    showDrawing();

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(10, 10));
    ASSERT_NE(view.tempJoint(), nullptr);
    EXPECT_EQ(view.tempJoint()->joint().a, a->points[2]);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(30, 10));
    EXPECT_EQ(view.tempJoint(), nullptr);
    ASSERT_EQ(view.drawing()->joints().size(), 1u);
    EXPECT_EQ(view.drawing()->joints()[0].b, b->points[1]);
    EXPECT_EQ(view.undoStack()->count(), 1);

    // Already connected: the second joint is silently discarded.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(0, 10));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(40, 0));
    EXPECT_EQ(view.drawing()->joints().size(), 1u);

    // A right click on the joint's line takes it away; an undo brings it
    // back, line and all.
    auto jointItems = [&] {
        int n = 0;
        for (QGraphicsItem *item : view.scene()->items(QPointF(20, 10)))
            n += item->type() == DrawingJointType;
        return n;
    };
    ASSERT_EQ(jointItems(), 1);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, viewportPos(20, 10));
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.drawing()->joints().empty());
    EXPECT_EQ(jointItems(), 0);
    view.undoStack()->undo();
    EXPECT_EQ(view.drawing()->joints().size(), 1u);
    EXPECT_EQ(jointItems(), 1);
}

// Dragging from a point and letting go over another draws the joint; letting
// go where it began or over empty paper leaves it waiting for a click.
TEST_F(ViewTest, DraggingFromPointToPointDrawsTheJoint)
{
    Object *a = test::addShape(*view.drawing(), test::square(0, 0, 10));
    Object *b = test::addShape(*view.drawing(), test::square(30, 0, 10));
    test::addShape(*view.drawing(), test::square(60, 0, 10));
    view.drawing()->setStartPosition(QPointF(-20, 0));
    showDrawing();
    const auto drag = [this](QPointF from, QPointF to) {
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, viewportPos(from.x(), from.y()));
        QTest::mouseMove(view.viewport(), viewportPos(to.x(), to.y()));
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, viewportPos(to.x(), to.y()));
    };

    drag({10, 10}, {10, 10});
    ASSERT_NE(view.tempJoint(), nullptr);
    QTest::keyRelease(&view, Qt::Key_Escape);
    drag({10, 10}, {20, 30});
    ASSERT_NE(view.tempJoint(), nullptr);
    QTest::keyRelease(&view, Qt::Key_Escape);
    EXPECT_TRUE(view.drawing()->joints().empty());

    drag({10, 10}, {30, 10});
    EXPECT_EQ(view.tempJoint(), nullptr);
    ASSERT_EQ(view.drawing()->joints().size(), 1u);
    EXPECT_EQ(view.drawing()->joints()[0].a, a->points[2]);
    EXPECT_EQ(view.drawing()->joints()[0].b, b->points[1]);

    // A pan after the first click does not join the point it ends on.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(0, 10));
    drag({50, 20}, {60, 10});
    EXPECT_EQ(view.drawing()->joints().size(), 1u);
    QTest::keyRelease(&view, Qt::Key_Escape);

    // From the start marker, which is an item of its own.
    drag({-20, 0}, {0, 0});
    ASSERT_EQ(view.drawing()->joints().size(), 2u);
    EXPECT_TRUE(view.drawing()->isStartPoint(view.drawing()->joints()[1].a));
    EXPECT_EQ(view.undoStack()->count(), 2);
}

TEST_F(ViewTest, EscapeDiscardsTemporaryJoint)
{
    test::addShape(*view.drawing(), test::square(0, 0, 10));
    showDrawing();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, viewportPos(0, 10));
    ASSERT_NE(view.tempJoint(), nullptr);
    QTest::keyRelease(&view, Qt::Key_Escape);
    EXPECT_EQ(view.tempJoint(), nullptr);
}

TEST_F(ViewTest, VertexToolTipShowsCoordinatesInDisplayUnit)
{
    Object::Point p(12.5, -3, nullptr, 0);
    // Default display unit: centimetres.
    EXPECT_EQ(DrawingPoint::toolTipFor(p, false), QStringLiteral("X: 1.25 cm, Y: -0.30 cm"));
    EXPECT_EQ(DrawingPoint::toolTipFor(p, true), QStringLiteral("Starting point\nX: 1.25 cm, Y: -0.30 cm"));
}

// A marker's tool tip is worded when it is shown: after a new display unit
// it no longer gives the unit the scene was built in.
TEST_F(ViewTest, MarkerToolTipFollowsTheDisplayUnitOfTheMoment)
{
    view.drawing()->setStartPosition(QPointF(25.4, 0));
    showDrawing();
    DrawingPoint *start = nullptr;
    for (QGraphicsItem *item : view.scene()->items())
        if (item->type() == DrawingPointType && static_cast<DrawingPoint *>(item)->isStart())
            start = static_cast<DrawingPoint *>(item);
    ASSERT_NE(start, nullptr);
    const int before = Settings::displayUnit();
    Settings::setDisplayUnit(units::Inches);
    const QPoint at = viewportPos(25.4, 0);
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Starting point\nX: 1.00 in, Y: 0.00 in"));
    QToolTip::hideText();
    Settings::setDisplayUnit(before);
}

TEST_F(ViewTest, ArrowCountFollowsSizeAndDirection)
{
    Drawing d;
    auto arrowsOf = [](const Object &o) {
        QPolygonF poly;
        for (const Object::Point *p : o.points)
            poly << p->pos();
        return DrawingObject::arrows(o, poly);
    };
    auto circle = [&d](double r, int n) {
        Object *o = d.addObject();
        for (int k = 0; k <= n; ++k)
            o->appendPoint(r * std::cos(2 * M_PI * k / n), r * std::sin(2 * M_PI * k / n));
        return o;
    };
    // Under 0.95 units the count is still one.
    EXPECT_EQ(arrowsOf(*test::addShape(d, {{0, 0}, {0.5, 0}})).size(), 1u);
    // A large shape is clamped to 32 arrows, a medium one gets trunc(size·π/3).
    const size_t big = arrowsOf(*circle(100, 2000)).size();
    EXPECT_GE(big, 31u);
    EXPECT_LE(big, 32u);
    const size_t medium = arrowsOf(*circle(5, 2000)).size(); // n = 10
    EXPECT_GE(medium, 9u);
    EXPECT_LE(medium, 10u);
    // An explicit direction against the computed one turns the arrows round.
    Object *o = circle(5, 400);
    const QPolygonF before = arrowsOf(*o).front();
    o->explicitDirection = true;
    o->direction = 1 - o->computeDirection();
    const QPolygonF after = arrowsOf(*o).front();
    EXPECT_NE(before, after);
}

TEST_F(ViewTest, OverlayProgressOnlyWhileBusy)
{
    view.show();
    view.setProgress(0.5);
    EXPECT_FALSE(view.overlayVisible());
    view.beginLongOperation(QStringLiteral("Loading x"));
    EXPECT_TRUE(view.overlayVisible());
    EXPECT_FALSE(view.updatesEnabled());
    view.setProgress(1.7);
    EXPECT_DOUBLE_EQ(view.overlay()->progress(), 1.0);
    view.endLongOperation();
    EXPECT_FALSE(view.overlayVisible());
    EXPECT_TRUE(view.updatesEnabled());
}

// Zoomed out, shapes are painted from small pictures: every one must still
// be there, whole, and a highlight must not leave the old picture behind.
namespace {
QStringList painterNotes;
void keepPainterNotes(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (text.startsWith(QLatin1String("QPainter")))
        painterNotes << text;
}
} // namespace

// Coordinates at the edge of the range of numbers make the size of a shape on
// screen no number at all: it is drawn directly, never made a picture of (an
// image of no size made every paint of it fail, with a line on the log each).
TEST_F(ViewTest, AShapeAtTheEdgeOfTheRangeOfNumbersPaintsWithoutFailing)
{
    Object *o = view.drawing()->addObject();
    o->appendPoint(1e308, 0);
    o->appendPoint(0, 1e308);
    o->appendPoint(-1e308, 0);
    showDrawing();
    painterNotes.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepPainterNotes);
    view.grab();
    view.setScale(1.0);
    view.grab();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(painterNotes.isEmpty()) << painterNotes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ViewTest, ZoomedOutSheetShowsEveryShapeAndItsHighlight)
{
    Drawing &d = *view.drawing();
    std::vector<Object *> shapes;
    for (int i = 0; i < 100; ++i) {
        Object *o = d.addObject();
        // Few vertices, so that the line shows between their markers.
        for (int k = 0; k <= 12; ++k) {
            const double t = 2 * M_PI * k / 12;
            o->appendPoint((i % 10) * 30 + 10 * std::cos(t), (i / 10) * 30 + 10 * std::sin(t));
        }
        shapes.push_back(o);
    }
    showDrawing();
    view.setScale(1.0);
    QCoreApplication::processEvents();
    ASSERT_LT(20 * std::abs(view.currentScale()), 40) << "the shapes must be small on screen";

    // Ink of one kind on the circle's outline, sampled every few degrees.
    auto inkOn = [&](const QImage &img, const Object *o, auto isInk) {
        const QPointF c((o->points[0]->x + o->points[6]->x) / 2, o->points[0]->y);
        int hits = 0;
        for (int k = 0; k < 36; ++k) {
            const double t = 2 * M_PI * k / 36;
            const QPoint p = viewportPos(c.x() + 10 * std::cos(t), c.y() + 10 * std::sin(t));
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = img.rect().contains(p + QPoint(dx, dy)) && isInk(img.pixelColor(p + QPoint(dx, dy)));
            hits += found;
        }
        return hits;
    };
    auto dark = [](QColor c) { return c.red() < 90 && c.green() < 90 && c.blue() < 90; };
    auto grey = [](QColor c) { return c.red() > 90 && c.red() < 200 && std::abs(c.red() - c.blue()) < 30; };

    const QImage before = view.viewport()->grab().toImage();
    for (const Object *o : shapes)
        EXPECT_GE(inkOn(before, o, dark), 28) << "shape at " << o->points[0]->x << ", " << o->points[0]->y;

    DrawingObject *first = nullptr;
    for (QGraphicsItem *item : view.scene()->items())
        if (item->type() == DrawingObjectType && static_cast<DrawingObject *>(item)->object() == shapes[0])
            first = static_cast<DrawingObject *>(item);
    ASSERT_TRUE(first);
    first->setHighlighted(true);
    const QImage after = view.viewport()->grab().toImage();
    EXPECT_LE(inkOn(after, shapes[0], dark), 3);
    EXPECT_GE(inkOn(after, shapes[0], grey), 20);
    EXPECT_GE(inkOn(after, shapes[1], dark), 20);
}

// On a large drawing the status bar's figures are counted off the GUI
// thread after an edit: they must still arrive, and a long operation that
// begins meanwhile must not wait for them forever.
TEST_F(ViewTest, LargeDrawingFiguresFollowEditsFromTheBackground)
{
    Drawing &d = *view.drawing();
    std::vector<Object *> shapes;
    for (int i = 0; i < 3; ++i) {
        Object *o = d.addObject();
        for (int k = 0; k < 70000; ++k)
            o->appendPoint(i * 100 + 20 * std::cos(k * 1e-4), 20 * std::sin(k * 1e-4));
        shapes.push_back(o);
    }
    showDrawing();
    ASSERT_EQ(view.cutFigures().objects, 3u);
    ASSERT_GE(view.cutFigures().points, GraphWidget::backgroundFigures);

    QSignalSpy changed(&view, &GraphWidget::drawingChanged);
    d.undoStack()->push(new AddJointCommand(&d, {shapes[0]->points[0], shapes[1]->points[0]}));
    view.cutFigures();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.cutFigures().objects == 2; }, 10000));
    EXPECT_GE(changed.count(), 1);

    d.undoStack()->push(new AddJointCommand(&d, {shapes[1]->points[5], shapes[2]->points[0]}));
    view.cutFigures(); // starts the count
    bool settled = false;
    view.beginLongOperation(QStringLiteral("Linking objects"));
    view.settleLongOperation([&] { settled = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return settled; }, 10000));
    view.endLongOperation();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.cutFigures().objects == 1; }, 10000));
}

} // namespace
