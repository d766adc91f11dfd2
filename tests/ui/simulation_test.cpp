#include "core/autojoin.h"
#include "core/commands.h"
#include "core/drawing.h"
#include "formats/baseformat.h"
#include "resources/resources.h"
#include "testsupport.h"
#include "ui/drawingitems.h"
#include "ui/graphwidget.h"
#include "ui/simulationobject.h"
#include "ui/simulator.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

constexpr int fastest = 10000; // slider value: 9.999 units every millisecond
constexpr int slowest = 1;     // 1 unit every 10 ms, 10 ms before each object

struct Report
{
    SimulationObject *item;
    double percent, total;
};

class SimulationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kerfloom::initResources();
        GraphWidget::fadeStepMs = 1;
        view = std::make_unique<GraphWidget>();
        view->resize(500, 400);
        // Queued into this thread after the view's own handler, so in the
        // order the worker reported.
        QObject::connect(view->simulator(), &Simulator::updatePathPercent, view.get(),
                         [this](SimulationObject *item, double percent, double total) {
                             reports.push_back({item, percent, total});
                         });
    }
    void TearDown() override { GraphWidget::fadeStepMs = 100; }

    void show()
    {
        view->drawing()->updateBoundingRect();
        view->initDrawing(true);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    bool start(int slider)
    {
        view->setSimulationDelay(slider);
        return view->startSimulation();
    }
    bool waitUntilIdle(int ms = 10000)
    {
        QSignalSpy idle(view.get(), &GraphWidget::simulationFinished);
        return view->isSimulating() ? idle.wait(ms) : true;
    }
    // The items come once the worker has built the path.
    std::vector<SimulationObject *> waitForObjects(size_t n)
    {
        if (!QTest::qWaitFor([&] { return simulationObjects().size() >= n; }, 5000))
            ADD_FAILURE() << "no simulation items after 5 s";
        return simulationObjects();
    }
    std::vector<SimulationObject *> simulationObjects() const
    {
        std::vector<SimulationObject *> out;
        for (QGraphicsItem *item : view->simulationItems())
            if (item->type() == SimulationObjectType)
                out.push_back(static_cast<SimulationObject *>(item));
        return out;
    }
    // Two squares joined to the start, a square on its own, a lone point.
    void linkedDrawingWithLooseEnds()
    {
        Drawing &d = *view->drawing();
        d.setStartPosition({0, 0});
        Object *a = test::addShape(d, test::square(10, 10, 23.5));
        Object *b = test::addShape(d, test::square(50, 12, 17.25));
        test::addShape(d, test::square(10, 60, 8.1));
        test::addShape(d, {{80, 80}});
        d.addJoint({d.startObject().points.front(), a->points[0]});
        d.addJoint({a->points[2], b->points[1]});
    }

    std::unique_ptr<GraphWidget> view;
    std::vector<Report> reports;
};

// ---- one walked object --------------------------------------------------------

TEST(SimulationObjectTest, WalkStopsInsideTheSegmentItReached)
{
    // 3 right, a repeated vertex, 4 up: 7 units in all.
    const test::Pts pts{{0, 0}, {3, 0}, {3, 0}, {3, 4}};
    struct Case
    {
        double distance;
        std::vector<QPointF> walked;
    };
    const Case cases[] = {
        {0, {{0, 0}, {0, 0}}}, // the walk stands at the start of its first segment
        {1.5, {{0, 0}, {1.5, 0}}},
        {3, {{0, 0}, {3, 0}, {3, 0}, {3, 0}}},
        {5, {{0, 0}, {3, 0}, {3, 0}, {3, 2}}},
        {7, {{0, 0}, {3, 0}, {3, 0}, {3, 4}}},
        {9.5, {{0, 0}, {3, 0}, {3, 0}, {3, 4}}},
    };
    for (const Case &c : cases) {
        Drawing d;
        Object *o = test::addShape(d, pts);
        SimulationObject item(o, SimulationObject::Outline::of(*o), false);
        EXPECT_EQ(item.totalLength(), 7);
        // Walked in steps, as the simulator does, and in one go: the same.
        for (double at = 0; at < c.distance; at += 0.7)
            item.setPathPercent(at);
        item.setPathPercent(c.distance);
        SimulationObject once(o, SimulationObject::Outline::of(*o), false);
        once.setPathPercent(c.distance);
        EXPECT_EQ(item.walkedPoints(), c.walked) << c.distance;
        EXPECT_EQ(once.walkedPoints(), c.walked) << c.distance;
    }
}

// A long outline repaints only the area the view exposes; the part walked
// there must show even when it lies far from where its chunk starts.
TEST(SimulationObjectTest, ExposedAreaFarFromAChunksStartIsPainted)
{
    test::Pts pts;
    for (int k = 0; k <= 3000; ++k)
        pts.emplace_back(k * 0.1, 0); // a straight line: flat chunk boxes
    Drawing d;
    Object *o = test::addShape(d, pts);
    SimulationObject item(o, SimulationObject::Outline::of(*o), false);
    item.setPathPercent(250);

    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(-200 * 1 + 20, 10); // scene x 200 at the image's middle
    QStyleOptionGraphicsItem option;
    option.exposedRect = QRectF(195, -2, 10, 4); // inside chunk 7, 13 units past its start
    item.paint(&painter, &option, nullptr);
    painter.end();
    EXPECT_LT(qGray(image.pixel(20, 10)), 128);
}

TEST_F(SimulationTest, EmptyDrawingShowsTheVeilAndFadesAtOnce)
{
    show();
    ASSERT_TRUE(start(fastest));
    EXPECT_TRUE(view->isSimulating());
    ASSERT_EQ(view->simulationItems().size(), 1);
    EXPECT_EQ(view->simulationItems().front()->zValue(), 2);
    EXPECT_FALSE(start(fastest)) << "a second start is ignored";

    ASSERT_TRUE(waitUntilIdle(3000));
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(view->simulationItems().isEmpty());
    QTest::qWait(50);
    EXPECT_FALSE(view->simulator()->timer()->isActive()) << "no repaint tick after the end";
}

TEST_F(SimulationTest, WalkedPointsAreTheExportedGCode)
{
    linkedDrawingWithLooseEnds();
    show();
    std::vector<QPointF> walked;
    QObject::connect(view->simulator(), &Simulator::finished, view.get(), [&] {
        for (SimulationObject *item : simulationObjects()) {
            const auto points = item->walkedPoints();
            walked.insert(walked.end(), points.begin(), points.end());
        }
    });
    ASSERT_TRUE(start(fastest));
    EXPECT_EQ(waitForObjects(3).size(), 3u) << "one joined path, the loose square, the point";
    ASSERT_TRUE(waitUntilIdle());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("walk.tap"));
    Drawing copy(*view->drawing());
    ASSERT_TRUE(BaseFormat::save(path, copy));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::vector<QPointF> exported;
    static const QRegularExpression line(QStringLiteral("^X(\\S+) Y(\\S+)$"));
    for (const QByteArray &l : file.readAll().split('\n')) {
        const auto m = line.match(QString::fromLatin1(l).trimmed());
        if (m.hasMatch())
            exported.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    ASSERT_EQ(walked.size(), exported.size());
    for (size_t i = 0; i < walked.size(); ++i) {
        EXPECT_NEAR(walked[i].x(), exported[i].x(), 1e-6) << i;
        EXPECT_NEAR(walked[i].y(), exported[i].y(), 1e-6) << i;
    }
}

TEST_F(SimulationTest, EveryObjectIsShownCompleteBeforeTheNextStarts)
{
    linkedDrawingWithLooseEnds();
    show();
    ASSERT_TRUE(start(fastest));
    const auto items = waitForObjects(3);
    std::vector<double> totals;
    for (SimulationObject *item : items)
        totals.push_back(item->totalLength());
    ASSERT_TRUE(waitUntilIdle()); // the items are gone from here on

    ASSERT_FALSE(reports.empty());
    size_t next = 0; // index into items of the object being walked
    for (size_t r = 0; r < reports.size(); ++r) {
        const Report &rep = reports[r];
        if (rep.item != items[next]) {
            const Report &last = reports[r - 1];
            EXPECT_EQ(last.percent, last.total) << "object " << next << " left incomplete";
            ++next;
            ASSERT_LT(next, items.size());
            ASSERT_EQ(rep.item, items[next]) << "objects are walked in list order";
        } else if (r > 0 && reports[r - 1].item == rep.item) {
            EXPECT_GE(rep.percent, reports[r - 1].percent);
        }
        EXPECT_EQ(rep.total, totals[next]);
    }
    EXPECT_EQ(next, items.size() - 1) << "the lone point is reached too";
    EXPECT_EQ(reports.back().percent, reports.back().total);
}

// A lone point between two shapes: its length is 0, so it has no step to
// schedule, and the walk must still reach the shape after it.
TEST_F(SimulationTest, ZeroLengthObjectDoesNotStallTheWalk)
{
    Drawing &d = *view->drawing();
    test::addShape(d, test::square(0, 0, 5));
    test::addShape(d, {{20, 20}, {20, 20}});
    test::addShape(d, test::square(30, 0, 5));
    show();
    ASSERT_TRUE(start(fastest));
    const auto items = waitForObjects(3);
    ASSERT_EQ(items.size(), 3u);
    ASSERT_TRUE(waitUntilIdle(3000));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().item, items[2]);
    EXPECT_EQ(reports.back().percent, 20);
}

TEST_F(SimulationTest, StopDuringThePauseTakesEffectAtTheObjectsFirstStep)
{
    Drawing &d = *view->drawing();
    test::addShape(d, {{0, 0}, {3, 0}});
    test::addShape(d, {{0, 10}, {30, 10}});
    show();

    // The worker waits, inside the pause before the second object, until
    // the stop has been pressed.
    std::mutex m;
    std::condition_variable cv;
    bool paused = false, pressed = false;
    QObject::connect(view->simulator(), &Simulator::pauseBeforeObject, view->simulator(),
                     [&](int index) {
                         if (index != 1)
                             return;
                         std::unique_lock<std::mutex> lock(m);
                         paused = true;
                         cv.notify_all();
                         cv.wait(lock, [&] { return pressed; });
                     }, Qt::DirectConnection);
    ASSERT_TRUE(start(slowest));
    const auto items = waitForObjects(2);
    ASSERT_EQ(items.size(), 2u);
    {
        std::unique_lock<std::mutex> lock(m);
        ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return paused; }));
        view->stopSimulation();
        pressed = true;
        cv.notify_all();
    }
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().item, items[0]);
    EXPECT_EQ(reports.back().percent, 3);
    for (const Report &r : reports)
        EXPECT_NE(r.item, items[1]) << "the stopped object never got a step";
}

TEST_F(SimulationTest, EditDuringSimulationRebuildsOnceWithoutFittingAfterTheFade)
{
    Drawing &d = *view->drawing();
    test::addShape(d, {{0, 0}, {200, 0}});
    show();
    view->setScale(3);
    const quint64 before = view->generation();
    ASSERT_TRUE(start(slowest));

    d.undoStack()->push(new RotateLeftCommand(&d));
    d.undoStack()->undo();
    view->updateDrawing();
    EXPECT_EQ(view->generation(), before) << "no rebuild under the veil";

    quint64 atFinish = 0;
    QObject::connect(view.get(), &GraphWidget::simulationFinished, view.get(),
                     [&] { atFinish = view->generation(); });
    view->stopSimulation();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(atFinish, before + 1);
    EXPECT_EQ(view->generation(), before + 1);
    EXPECT_DOUBLE_EQ(view->transform().m11(), 3);
    EXPECT_DOUBLE_EQ(view->transform().m22(), -3);
}

TEST_F(SimulationTest, FadeTakesNineteenVisibleSteps)
{
    show();
    std::vector<double> opacities;
    QGraphicsItem *veil = nullptr;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!veil || !view->simulationItems().contains(veil))
            return;
        const double o = veil->opacity();
        if (o < 1 && (opacities.empty() || opacities.back() != o))
            opacities.push_back(o);
    });
    GraphWidget::fadeStepMs = 40;
    ASSERT_TRUE(start(fastest));
    veil = view->simulationItems().front();
    probe.start(1);
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_FALSE(opacities.empty());
    EXPECT_EQ(opacities.size(), 19u);
    EXPECT_DOUBLE_EQ(opacities.front(), 0.95);
    EXPECT_DOUBLE_EQ(opacities.back(), 0.05);
}

TEST_F(SimulationTest, RunsAgainAfterTheFadeWithTheSameWalk)
{
    linkedDrawingWithLooseEnds();
    show();
    std::vector<std::vector<Report>> runs;
    for (int run = 0; run < 2; ++run) {
        reports.clear();
        ASSERT_TRUE(start(fastest)) << run;
        ASSERT_TRUE(waitUntilIdle());
        runs.push_back(reports);
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (size_t i = 0; i < runs[0].size(); ++i)
        EXPECT_EQ(runs[0][i].percent, runs[1][i].percent);
}

// The drawing under the veil is a cached picture: zooming or scrolling
// during the walk must not leave it where it was.
TEST_F(SimulationTest, DrawingUnderTheVeilFollowsZoomAndScroll)
{
    Drawing &d = *view->drawing();
    test::addShape(d, test::square(0, 0, 100));
    show();
    ASSERT_TRUE(start(slowest));
    waitForObjects(1);
    auto greyAt = [&](double x, double y) {
        const QImage frame = view->viewport()->grab().toImage();
        const QPoint p = view->mapFromScene(QPointF(x, y));
        return qGray(frame.pixel(p.x(), p.y() + 1)); // the top side's line, a pixel below
    };
    for (int zoom = 0; zoom < 3; ++zoom) {
        view->zoomIn();
        view->centerOn(QPointF(70, 100));
        QTest::qWait(30);
        EXPECT_LT(greyAt(70, 100), 245) << "veiled outline at zoom step " << zoom;
        EXPECT_GE(greyAt(70, 60), 245) << "empty inside at zoom step " << zoom;
    }
    view->stopSimulation();
    ASSERT_TRUE(waitUntilIdle());
}

TEST_F(SimulationTest, EditingIsRefusedWhileItRuns)
{
    Drawing &d = *view->drawing();
    Object *a = test::addShape(d, test::square(0, 0, 50));
    show();
    ASSERT_TRUE(start(slowest));
    view->pointClicked(a->points[0]);
    EXPECT_EQ(view->tempJoint(), nullptr);
    view->stopSimulation();
    ASSERT_TRUE(waitUntilIdle());
    view->pointClicked(a->points[0]);
    EXPECT_NE(view->tempJoint(), nullptr);
}

TEST_F(SimulationTest, ClosingTheViewDuringARunEndsItsThread)
{
    Drawing &d = *view->drawing();
    test::addShape(d, test::square(0, 0, 500));
    show();
    ASSERT_TRUE(start(slowest));
    QPointer<QThread> thread = view->findChild<QThread *>();
    ASSERT_TRUE(thread);
    QTest::qWait(30);
    EXPECT_TRUE(thread->isRunning());
    view.reset();
    EXPECT_TRUE(thread.isNull());
    QTest::qWait(30); // nothing queued for the dead view may run
}

} // namespace

// The end of a linking run: the cutting-order copy comes from the pool while
// the joints' items go in by slices, and only then is the run over; the
// simulation then walks the one linked path.
TEST_F(SimulationTest, LinkingSettlesWithTheCopyFromThePoolAndTheJointsInSlices)
{
    for (int k = 0; k < 300; ++k)
        test::addShape(*view->drawing(), test::square(20 * (k % 20), 20 * (k / 20), 5));
    view->drawing()->setStartPosition({-10, -10});
    show();
    const auto jointItems = [this] {
        size_t n = 0;
        for (QGraphicsItem *item : view->scene()->items())
            n += dynamic_cast<DrawingJoint *>(item) != nullptr;
        return n;
    };
    view->beginLongOperation(QStringLiteral("Linking objects"));
    autoJoin(*view->drawing());
    ASSERT_EQ(view->drawing()->joints().size(), 300u);
    EXPECT_EQ(jointItems(), 0u) << "joints under the overlay wait for its end";

    bool settled = false;
    view->settleLongOperation([&] { settled = true; });
    EXPECT_FALSE(settled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled; }, 10000));
    view->endLongOperation();
    EXPECT_EQ(jointItems(), 300u);
    EXPECT_EQ(view->cutFigures().objects, 1u);
    EXPECT_EQ(view->cachedDrawing()->objects().size(), 1u);

    ASSERT_TRUE(start(fastest));
    EXPECT_EQ(waitForObjects(1).size(), 1u);
    ASSERT_TRUE(waitUntilIdle());
}
