// The view and the status bar follow every edit, its undo and its redo,
// cheaply; headless runs make no items; progress never nests event loops.
#include "app/kerfloom.h"
#include "app/prompts.h"
#include "core/autojoin.h"
#include "core/commands.h"
#include "formats/baseformat.h"
#include "resources/resources.h"
#include "testsupport.h"
#include "ui/drawingitems.h"
#include "ui/graphwidget.h"
#include "ui/mygraphicsscene.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A 20 x 10 mm rectangle (closed) and an open polyline beside it.
constexpr char twoShapes[] = "IN;SP1;PU0,0;PD800,0;PD800,400;PD0,400;PD0,0;"
                             "PU1200,0;PD1600,0;PD1600,400;SP0;";

class ScreenInStepTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kerfloom::initResources();
        prompts::setHook([](const QString &, const QString &, bool) { return prompts::Yes; });
        window = std::make_unique<Kerfloom>();
        const QString path = dir.filePath(QStringLiteral("two.plt"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(twoShapes);
        f.close();
        window->openFile(path, false, false);
        view = window->currentView();
        ASSERT_TRUE(view);
        ASSERT_EQ(view->drawing()->objects().size(), 2u);
    }
    void TearDown() override
    {
        window.reset();
        prompts::setHook(nullptr);
        prompts::setHeadless(false);
    }

    QString label(const char *prefix) const
    {
        for (QLabel *l : window->statusBar()->findChildren<QLabel *>())
            if (l->text().startsWith(QLatin1String(prefix)))
                return l->text();
        return {};
    }
    // The status bar refreshes a few times a second during bursts.
    bool waitForLabel(const char *prefix, const QString &text) const
    {
        return QTest::qWaitFor([&] { return label(prefix) == text; }, 2000);
    }
    DrawingObject *itemOf(const Object *o) const
    {
        for (QGraphicsItem *i : view->graphicsScene()->items())
            if (i->type() == DrawingObjectType && static_cast<DrawingObject *>(i)->object() == o)
                return static_cast<DrawingObject *>(i);
        return nullptr;
    }
    std::vector<QPolygonF> shownArrows(const Object *o) const
    {
        DrawingObject *item = itemOf(o);
        return item ? item->arrowTriangles() : std::vector<QPolygonF>{};
    }
    int jointItems() const
    {
        int n = 0;
        for (QGraphicsItem *i : view->graphicsScene()->items())
            n += i->type() == DrawingJointType;
        return n;
    }
    QUndoStack *stack() const { return view->undoStack(); }

    QTemporaryDir dir;
    std::unique_ptr<Kerfloom> window;
    GraphWidget *view = nullptr;
};

TEST_F(ScreenInStepTest, StatusBarFollowsEveryCommandItsUndoAndRedo)
{
    Drawing *d = view->drawing();
    Object *rect = d->objects()[0];
    const QString dims = label("Drawing dimensions");
    const QString points = label("Objects");
    ASSERT_FALSE(dims.isEmpty());
    struct Case
    {
        const char *name;
        std::function<QUndoCommand *()> make;
        const char *changedLabel;
    };
    const std::vector<Case> cases = {
        {"rotate left", [d] { return new RotateLeftCommand(d); }, "Drawing dimensions"},
        {"rotate right", [d] { return new RotateRightCommand(d); }, "Drawing dimensions"},
        {"add point", [d, rect] { return new AddPointCommand(d, rect, {10, 0.1}); }, "Objects"},
        {"join", [d] { return new AddJointCommand(d, {d->objects()[0]->points[1], d->objects()[1]->points[0]}); },
         "Objects"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = label(c.changedLabel);
        stack()->push(c.make());
        EXPECT_TRUE(QTest::qWaitFor([&] { return label(c.changedLabel) != before; }, 2000));
        const QString after = label(c.changedLabel);
        stack()->undo();
        EXPECT_TRUE(waitForLabel(c.changedLabel, before));
        stack()->redo();
        EXPECT_TRUE(waitForLabel(c.changedLabel, after));
        stack()->undo();
        EXPECT_TRUE(waitForLabel(c.changedLabel, before));
    }
    EXPECT_EQ(label("Drawing dimensions"), dims);
    EXPECT_EQ(label("Objects"), points);
}

TEST_F(ScreenInStepTest, AddPointShowsItsMarkerAndCountAndUndoTakesThemAway)
{
    Object *rect = view->drawing()->objects()[0];
    const int before = rect->size();
    stack()->push(new AddPointCommand(view->drawing(), rect, {10, 0.1}));
    ASSERT_EQ(rect->size(), before + 1);
    EXPECT_EQ(itemOf(rect)->polygon().size(), before + 1);
    EXPECT_EQ(view->cutFigures().points, view->cachedDrawing()->objects()[0]->points.size()
                                             + view->cachedDrawing()->objects()[1]->points.size());
    stack()->undo();
    EXPECT_EQ(itemOf(rect)->polygon().size(), before);
}

TEST_F(ScreenInStepTest, DirectionChangeRedrawsTheArrowsOnDoUndoAndRedo)
{
    Object *rect = view->drawing()->objects()[0];
    const std::vector<QPolygonF> original = shownArrows(rect);
    ASSERT_FALSE(original.empty());
    const int opposite = rect->computeDirection() ? 0 : 1;
    stack()->push(new SetExplicitDirectionCommand(view->drawing(), rect, opposite));
    const std::vector<QPolygonF> turned = shownArrows(rect);
    EXPECT_NE(turned, original);
    EXPECT_EQ(turned, DrawingObject::arrows(*rect, itemOf(rect)->polygon()));
    stack()->undo();
    EXPECT_EQ(shownArrows(rect), original);
    stack()->redo();
    EXPECT_EQ(shownArrows(rect), turned);
}

TEST_F(ScreenInStepTest, ReverseTurnsTheArrowsOfShapesWithoutOwnDirectionAndSaysSo)
{
    Object *rect = view->drawing()->objects()[0];
    Object *line = view->drawing()->objects()[1];
    stack()->push(new SetExplicitDirectionCommand(view->drawing(), rect, rect->computeDirection()));
    const std::vector<QPolygonF> rectArrows = shownArrows(rect), lineArrows = shownArrows(line);
    window->action(QStringLiteral("actionReverse_object"))->trigger();
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Object has been reversed"));
    EXPECT_TRUE(view->drawing()->isReversed());
    EXPECT_EQ(shownArrows(rect), rectArrows); // its own direction stays
    EXPECT_NE(shownArrows(line), lineArrows);
    EXPECT_EQ(shownArrows(line), DrawingObject::arrows(*line, itemOf(line)->polygon(), true));
    stack()->undo();
    EXPECT_EQ(shownArrows(line), lineArrows);
    // The message goes after 2000 ms.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->statusBar()->currentMessage().isEmpty(); }, 4000));
}

TEST_F(ScreenInStepTest, UndoOfALinkingTakesEveryJointItemAwayAndRedoBringsThemBack)
{
    autoJoin(*view->drawing());
    const int joints = int(view->drawing()->joints().size());
    ASSERT_EQ(joints, 2);
    EXPECT_EQ(jointItems(), joints);
    stack()->undo();
    EXPECT_EQ(jointItems(), 0);
    EXPECT_EQ(view->cutFigures().objects, 2u);
    stack()->redo();
    EXPECT_EQ(jointItems(), joints);
    EXPECT_EQ(view->cutFigures().objects, 1u);
}

TEST_F(ScreenInStepTest, JointsLinkedUnderTheOverlayGetTheirItemsWhenItGoes)
{
    view->beginLongOperation(QStringLiteral("Linking objects"));
    autoJoin(*view->drawing());
    EXPECT_EQ(jointItems(), 0);
    view->endLongOperation();
    EXPECT_EQ(jointItems(), 2);
}

TEST_F(ScreenInStepTest, OverlayProgressFromALinkingNeverRunsTheEventLoop)
{
    view->beginLongOperation(QStringLiteral("Linking objects"));
    bool ran = false;
    QMetaObject::invokeMethod(view, [&ran] { ran = true; }, Qt::QueuedConnection);
    static_cast<DrawingView *>(view)->setOverlayProgress(0.5);
    EXPECT_FALSE(ran);
    view->endLongOperation();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ran);
}

TEST_F(ScreenInStepTest, LinkingInThePoolEndsWithOneMacroAndTheFiguresOfTheWholeTree)
{
    window->action(QStringLiteral("action_Auto"))->trigger();
    EXPECT_TRUE(window->isLongOperationRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isLongOperationRunning(); }, 10000));
    EXPECT_EQ(stack()->count(), 1);
    EXPECT_EQ(stack()->text(0), QStringLiteral("Auto-join"));
    EXPECT_EQ(jointItems(), 2);
    EXPECT_TRUE(label("Objects").startsWith(QLatin1String("Objects: 1,")));
}

TEST_F(ScreenInStepTest, HeadlessRunsMakeNoItemsButKeepTheirFigures)
{
    // The headless window processes a drawing and closes it at once; its
    // view is the one below, items off.
    prompts::setHeadless(true);
    const QString path = dir.filePath(QStringLiteral("again.plt"));
    QFile::copy(dir.filePath(QStringLiteral("two.plt")), path);
    window->openFile(path, false, false);
    EXPECT_EQ(window->drawingCount(), 1);

    GraphWidget bare;
    bare.setItemsShown(false);
    ASSERT_TRUE(BaseFormat::load(path, *bare.drawing()));
    bare.initDrawing(true);
    EXPECT_TRUE(bare.graphicsScene()->items().isEmpty());
    autoJoin(*bare.drawing());
    bare.updateCachedDrawing();
    EXPECT_TRUE(bare.graphicsScene()->items().isEmpty());
    EXPECT_EQ(bare.cutFigures().objects, 1u);
}

} // namespace
