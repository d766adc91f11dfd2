#include "app/kerfloom.h"
#include "app/prompts.h"
#include "core/commands.h"
#include "formats/settings.h"
#include "resources/language.h"
#include "resources/resources.h"
#include "testsupport.h"
#include "ui/getpointdialog.h"
#include "ui/drawingitems.h"
#include "ui/graphwidget.h"
#include "ui/qdruler.h"
#include "ui/settingsdialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include <QLocale>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace {

struct Asked
{
    QString title, text;
    bool question;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        kerfloom::initResources();
        prompts::setHook([this](const QString &title, const QString &text, bool question) {
            asked.push_back({title, text, question});
            if (answers.empty())
                return prompts::Yes;
            const prompts::Answer a = answers.front();
            answers.erase(answers.begin());
            return a;
        });
        window = std::make_unique<Kerfloom>();
    }
    void TearDown() override
    {
        window.reset();
        prompts::setHook(nullptr);
    }

    QString writeTap(const QString &name, const char *body = "X0 Y0\r\nX10 Y0\r\nX10 Y10\r\nX0 Y0\r\n")
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
        return path;
    }
    void modifyCurrent()
    {
        GraphWidget *v = window->currentView();
        v->undoStack()->push(new RotateLeftCommand(v->drawing()));
    }

    QTemporaryDir dir;
    std::vector<Asked> asked;
    std::vector<prompts::Answer> answers;
    std::unique_ptr<Kerfloom> window;
};

TEST_F(MainWindowTest, OpeningAFileMakesATabInPlaceOfTheStartTab)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brenmoor Kerfloom"));
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("Start"));
    const QString path = writeTap(QStringLiteral("wing.rev2.tap"));
    window->openFile(path, false, false);
    ASSERT_EQ(window->drawingCount(), 1);
    EXPECT_EQ(window->tabBar()->count(), 1);
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("wing.rev2.tap"));
    EXPECT_EQ(window->tabBar()->tabToolTip(0), QDir::toNativeSeparators(path));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("wing.rev2.tap - Brenmoor Kerfloom"));
    EXPECT_EQ(window->currentView()->drawing()->objects().size(), 1u);
    EXPECT_TRUE(window->action(QStringLiteral("action_Save"))->isEnabled());
    EXPECT_TRUE(asked.empty());
    // Interactive opens do not link, save or quit by default.
    EXPECT_TRUE(window->currentView()->drawing()->joints().empty());
}

// The zoom box shows the scale a fit gave, also below the zoom steps' range
// (a sheet of several metres), and goes back to its range afterwards.
TEST_F(MainWindowTest, ZoomBoxShowsTheFittedScaleOfAHugeDrawing)
{
    window->resize(800, 600);
    window->show();
    window->openFile(writeTap(QStringLiteral("far.tap"), "X0 Y0\r\nX900000 Y0\r\nX900000 Y900000\r\nX0 Y0\r\n"),
                     false, false);
    window->fitInView_trigerred();
    const auto *box = window->findChild<QSpinBox *>(QStringLiteral("zoomBox"));
    ASSERT_TRUE(box);
    const double percent = window->currentView()->currentScale() * 100;
    ASSERT_LT(percent, 20);
    EXPECT_EQ(box->value(), std::max(1L, std::lround(percent)));

    window->openFile(writeTap(QStringLiteral("near.tap")), false, false);
    window->fitInView_trigerred();
    EXPECT_EQ(box->value(), std::lround(window->currentView()->currentScale() * 100));
    EXPECT_EQ(box->minimum(), 20);
}

TEST_F(MainWindowTest, MissingAndBrokenFilesWarnAndLeaveNoTab)
{
    window->openFile(dir.filePath(QStringLiteral("nope.tap")), false, false);
    window->openFile(writeTap(QStringLiteral("empty.tap"), "G1 F100\r\n"), false, false);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Cannot open file"));
    EXPECT_EQ(asked[0].text, QStringLiteral("File \"%1\" doesn't exist!").arg(dir.filePath("nope.tap")));
    // The reader's reason follows below the failure.
    EXPECT_TRUE(asked[1].text.startsWith(QStringLiteral("Failed to load \"empty.tap\"!\n\n"))) << asked[1].text.toStdString();
    EXPECT_EQ(window->drawingCount(), 0);
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("Start"));
    EXPECT_TRUE(window->hadFailure());
}

TEST_F(MainWindowTest, SaveWritesDefaultTemplateThenOverwritesItsOwnFile)
{
    window->openFile(writeTap(QStringLiteral("wing.rev2.tap")), false, false);
    QAction *save = window->action(QStringLiteral("action_Save"));
    EXPECT_EQ(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    answers = {prompts::Yes};
    save->trigger();
    const QString target = dir.filePath(QStringLiteral("wing.tap"));
    ASSERT_TRUE(QFile::exists(target));
    EXPECT_EQ(window->currentView()->property("fpath").toString(), target);
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("wing.tap"));

    // The second save goes to the file we wrote, not through the template.
    QFile::remove(target);
    window->currentView()->setProperty("fpath", target);
    modifyCurrent();
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("wing.tap*"));
    save->trigger();
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("wing.tap"));
}

TEST_F(MainWindowTest, UndoPastASaveMarksTheTabAndClosingAsks)
{
    window->openFile(writeTap(QStringLiteral("rib.tap")), false, false);
    modifyCurrent();
    window->action(QStringLiteral("action_Save"))->trigger();
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("rib.tap"));
    // Nothing is left to undo, but the drawing is no longer what was saved.
    window->currentView()->undoStack()->undo();
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("rib.tap*"));
    asked.clear();
    answers = {prompts::Cancel};
    window->action(QStringLiteral("actionClose"))->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("You have unsaved changes"));
    EXPECT_EQ(window->drawingCount(), 1);
    window->currentView()->undoStack()->redo();
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("rib.tap"));
}

TEST_F(MainWindowTest, UnconnectedObjectsQuestionAnsweredNoWritesNothing)
{
    window->openFile(writeTap(QStringLiteral("part.src.tap")), false, false);
    GraphWidget *v = window->currentView();
    test::addShape(*v->drawing(), test::square(50, 50, 5));
    v->drawing()->updateBoundingRect();
    v->updateCachedDrawing();
    ASSERT_GT(v->cachedDrawing()->objects().size(), 1u);

    answers = {prompts::No};
    EXPECT_FALSE(window->saveDrawing(QStringLiteral("%p/%f.tap"), -1, false));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Are you sure?"));
    EXPECT_EQ(asked[0].text,
              QStringLiteral("The drawing contains unconnected objects. Are you sure you want to save?"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("part.tap"))));

    answers = {prompts::Yes};
    EXPECT_TRUE(window->saveDrawing(QStringLiteral("%p/%f.tap"), -1, false));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("part.tap"))));
}

TEST_F(MainWindowTest, CancelDuringCloseAllKeepsThatTabAndTheLaterOnes)
{
    for (const char *name : {"a.tap", "b.tap", "c.tap"}) {
        window->openFile(writeTap(QLatin1String(name)), false, false);
        modifyCurrent();
    }
    window->tabBar()->setCurrentIndex(0);
    answers = {prompts::No, prompts::Cancel};
    window->action(QStringLiteral("actionClose_All"))->trigger();
    ASSERT_EQ(window->drawingCount(), 2);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, QStringLiteral("Do you want to save changes in \"b.tap\"?"));
    EXPECT_EQ(window->viewAt(0)->property("fname").toString(), QStringLiteral("b.tap"));
    EXPECT_EQ(window->viewAt(1)->property("fname").toString(), QStringLiteral("c.tap"));
}

TEST_F(MainWindowTest, ClosingTheLastTabBringsBackTheStartTab)
{
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    window->action(QStringLiteral("actionClose"))->trigger();
    EXPECT_EQ(window->drawingCount(), 0);
    ASSERT_EQ(window->tabBar()->count(), 1);
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("Start"));
    EXPECT_EQ(window->tabBar()->tabData(0).toInt(), -1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brenmoor Kerfloom"));
    EXPECT_FALSE(window->action(QStringLiteral("action_Save"))->isEnabled());
    EXPECT_TRUE(asked.empty()); // unmodified: no question
}

TEST_F(MainWindowTest, RecentFilesKeepOneEntryPerPathAtTheTop)
{
    Settings::setRecentFiles({}); // other tests of this process open files too
    window = std::make_unique<Kerfloom>();
    const QString a = writeTap(QStringLiteral("a.tap")), b = writeTap(QStringLiteral("b.tap"));
    window->addRecentFile(a);
    window->addRecentFile(b);
    window->addRecentFile(a);
    QStringList menu;
    for (QAction *act : window->recentMenu()->actions())
        menu << act->property("filename").toString();
    EXPECT_EQ(menu, (QStringList{a, b}));
    EXPECT_EQ(Settings::recentFiles(), (QStringList{a, b}));
    EXPECT_TRUE(window->recentMenu()->isEnabled());

    // A new window reads the same order back.
    Kerfloom other;
    QStringList again;
    for (QAction *act : other.recentMenu()->actions())
        again << act->property("filename").toString();
    EXPECT_EQ(again, (QStringList{a, b}));

    // A long batch keeps the newest entries only.
    QStringList many;
    for (int i = 0; i < Kerfloom::maxRecentFiles + 5; ++i) {
        many.prepend(writeTap(QStringLiteral("m%1.tap").arg(i)));
        window->addRecentFile(many.front());
    }
    EXPECT_EQ(window->recentMenu()->actions().size(), Kerfloom::maxRecentFiles);
    EXPECT_EQ(Settings::recentFiles(), many.mid(0, Kerfloom::maxRecentFiles));
}

TEST_F(MainWindowTest, ActionsCarryTheirTextsToolTipsAndShortcuts)
{
    struct Case { const char *name, *text, *tip, *keys; };
    for (const Case c : {Case{"action_Open", "&Open", "", "Ctrl+O"},
                         Case{"action_Save_as", "Save as...", "", "Ctrl+Shift+S"},
                         Case{"action_Auto", "&Auto join", "Auto join vectors", "Ctrl+A"},
                         Case{"actionSimulate", "Simulate", "", "Ctrl+F"},
                         Case{"actionReverse_object", "Reverse object", "Reverse object direction", "Ctrl+R"},
                         Case{"actionSet_position", "Set position", "Set drawing position", ""},
                         Case{"actionRotate_Left", "Rotate Left", "Rotate drawing left", ""}}) {
        QAction *a = window->action(QLatin1String(c.name));
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text(), QLatin1String(c.text));
        if (*c.tip) {
            EXPECT_EQ(a->toolTip(), QLatin1String(c.tip));
        }
        EXPECT_EQ(a->shortcut(), QKeySequence(QLatin1String(c.keys)));
    }
}

TEST_F(MainWindowTest, EditingIsOffWhileALongOperationRuns)
{
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    GraphWidget *v = window->currentView();
    bool sawEnabled = false;
    // Progress during linking is where the busy state is observable.
    v->setCacheUpdatesEnabled(true);
    window->setEditingEnabled(false, false);
    for (const char *name : {"action_Save", "action_Auto", "actionRotate_Left", "actionClose"})
        sawEnabled |= window->action(QLatin1String(name))->isEnabled();
    EXPECT_FALSE(sawEnabled);
    modifyCurrent();
    EXPECT_FALSE(window->action(QStringLiteral("action_Undo"))->isEnabled());
    window->setEditingEnabled(true, false);
    EXPECT_TRUE(window->action(QStringLiteral("action_Undo"))->isEnabled());
}

TEST_F(MainWindowTest, DroppedFilesOpenLater)
{
    const QString a = writeTap(QStringLiteral("a.tap"));
    window->processDroppedFiles({QUrl::fromLocalFile(a), QUrl(QStringLiteral("https://example.invalid/x.tap"))});
    EXPECT_EQ(window->drawingCount(), 1);
    EXPECT_TRUE(asked.empty());
}

} // namespace

namespace {

class SimulationFromTheWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        GraphWidget::fadeStepMs = 1;
        speed = window->findChild<QSlider *>(QStringLiteral("simulationSpeed"));
        simulate = window->action(QStringLiteral("actionSimulate"));
    }
    void TearDown() override
    {
        GraphWidget::fadeStepMs = 100;
        MainWindowTest::TearDown();
    }
    // A long line, so that a slow run is still walking when the test acts.
    void openLongLine(const char *name)
    {
        window->openFile(writeTap(QLatin1String(name), "X0 Y0\r\nX500 Y0\r\n"), false, false);
    }

    QSlider *speed = nullptr;
    QAction *simulate = nullptr;
};

TEST_F(SimulationFromTheWindowTest, SpeedSliderAsBuilt)
{
    ASSERT_TRUE(speed);
    EXPECT_EQ(speed->orientation(), Qt::Horizontal);
    EXPECT_EQ(speed->minimum(), 1);
    EXPECT_EQ(speed->maximum(), 10000);
    EXPECT_EQ(speed->value(), 5000);
    EXPECT_EQ(speed->tickInterval(), 500);
    EXPECT_EQ(speed->minimumSize(), QSize(120, 18));
    EXPECT_EQ(speed->maximumSize(), QSize(120, 18));
    EXPECT_EQ(speed->toolTip(), QStringLiteral("Simulation speed"));

    openLongLine("a.tap");
    speed->setValue(10000);
    EXPECT_EQ(window->currentView()->simulationDelay(), 1);
}

TEST_F(SimulationFromTheWindowTest, ActionStartsAndStopsAndEditingWaitsForTheFade)
{
    openLongLine("a.tap");
    GraphWidget *v = window->currentView();
    speed->setValue(1);
    simulate->trigger();
    ASSERT_TRUE(v->isSimulating());
    EXPECT_EQ(simulate->text(), QStringLiteral("Stop simulation"));
    EXPECT_TRUE(simulate->isEnabled());
    for (const char *name : {"action_Save", "action_Auto", "actionRotate_Left", "action_Undo"})
        EXPECT_FALSE(window->action(QLatin1String(name))->isEnabled()) << name;

    simulate->trigger(); // stop: the fade still runs
    EXPECT_TRUE(v->isSimulating());
    EXPECT_EQ(simulate->text(), QStringLiteral("Stop simulation"));
    QSignalSpy idle(v, &GraphWidget::simulationFinished);
    ASSERT_TRUE(idle.wait(5000));
    EXPECT_EQ(simulate->text(), QStringLiteral("Simulate"));
    EXPECT_TRUE(window->action(QStringLiteral("actionRotate_Left"))->isEnabled());
}

TEST_F(SimulationFromTheWindowTest, OtherTabsStayEditableAndClosingTheRunningTabIsSafe)
{
    openLongLine("a.tap");
    openLongLine("b.tap");
    GraphWidget *running = window->currentView();
    speed->setValue(1);
    simulate->trigger();
    ASSERT_TRUE(running->isSimulating());

    window->tabBar()->setCurrentIndex(0);
    EXPECT_EQ(simulate->text(), QStringLiteral("Simulate"));
    EXPECT_TRUE(window->action(QStringLiteral("actionRotate_Left"))->isEnabled());
    window->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(simulate->text(), QStringLiteral("Stop simulation"));

    QPointer<QThread> thread = running->findChild<QThread *>();
    ASSERT_TRUE(thread);
    window->on_tabs_tabCloseRequested(1);
    EXPECT_TRUE(thread.isNull());
    EXPECT_EQ(window->drawingCount(), 1);
    EXPECT_EQ(simulate->text(), QStringLiteral("Simulate"));
    QTest::qWait(50);
}

TEST_F(SimulationFromTheWindowTest, ClosingTheWindowDuringARunEndsIt)
{
    openLongLine("a.tap");
    speed->setValue(1);
    simulate->trigger();
    QPointer<QThread> thread = window->currentView()->findChild<QThread *>();
    ASSERT_TRUE(thread);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(thread.isNull());
    window.reset();
    QTest::qWait(50);
}

} // namespace

namespace {

// The close asked for during the run comes when the run is over; it is
// cancelled here at the unsaved-changes question, so the test process keeps
// its event loops (a completed close quits the application).
TEST_F(MainWindowTest, ClosingWhileLinkingWaitsForTheRunThenTriesAgain)
{
    window->openFile(writeTap(QStringLiteral("sheet.tap")), false, false);
    GraphWidget *v = window->currentView();
    for (int i = 0; i < 400; ++i)
        test::addShape(*v->drawing(), test::square((i % 20) * 12.0, (i / 20) * 12.0, 8));
    v->drawing()->updateBoundingRect();
    answers = {prompts::Cancel};

    window->action(QStringLiteral("action_Auto"))->trigger();
    EXPECT_FALSE(v->startSimulation()) << "no simulation under the linking overlay";
    EXPECT_FALSE(window->close()) << "linking runs: the window waits for it";
    window->on_tabs_tabCloseRequested(0);
    EXPECT_EQ(window->drawingCount(), 1) << "nor does the busy tab close";
    EXPECT_TRUE(asked.empty());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !asked.empty(); }, 20000));
    EXPECT_EQ(asked[0].title, QStringLiteral("You have unsaved changes"));
    EXPECT_EQ(window->drawingCount(), 1);
    EXPECT_EQ(v->drawing()->joints().size(), 401u) << "one joint per shape: the file's and the 400";
}

TEST_F(MainWindowTest, ATabClosedWhileLinkingClosesWhenTheRunEnds)
{
    window->openFile(writeTap(QStringLiteral("keep.tap")), false, false);
    window->openFile(writeTap(QStringLiteral("sheet.tap")), false, false);
    GraphWidget *v = window->currentView();
    for (int i = 0; i < 400; ++i)
        test::addShape(*v->drawing(), test::square((i % 20) * 12.0, (i / 20) * 12.0, 8));
    v->drawing()->updateBoundingRect();
    answers = {prompts::No};

    window->action(QStringLiteral("action_Auto"))->trigger();
    window->on_tabs_tabCloseRequested(1);
    EXPECT_EQ(window->drawingCount(), 2) << "the run goes on under its overlay";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->drawingCount() == 1; }, 20000));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("You have unsaved changes"));
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("keep.tap"));
}

} // namespace

// ---- lost work: a close that asked to save goes on only after the save -----

namespace {

TEST_F(MainWindowTest, CloseAfterAFailedOrDeclinedSaveKeepsTheTabAndTheWindow)
{
    struct Case
    {
        const char *what;
        bool targetBlocked;       // a folder where the save has to write
        bool unconnected;         // the save asks "Are you sure?" first
        std::vector<prompts::Answer> answers;
        bool closes;
    };
    for (const Case &c : {Case{"save fails", true, false, {prompts::Yes}, false},
                          Case{"follow-up declined", false, true, {prompts::Yes, prompts::No}, false},
                          Case{"follow-up dismissed", false, true, {prompts::Yes, prompts::Cancel}, false},
                          Case{"save succeeds", false, true, {prompts::Yes, prompts::Yes}, true}}) {
        SCOPED_TRACE(c.what);
        QTemporaryDir here;
        const QString source = here.filePath(QStringLiteral("a.src.tap"));
        QFile::copy(writeTap(QStringLiteral("a.src.tap")), source);
        if (c.targetBlocked)
            QDir(here.path()).mkdir(QStringLiteral("a.tap"));
        window->openFile(writeTap(QStringLiteral("other.tap")), false, false);
        window->openFile(source, false, false);
        GraphWidget *v = window->currentView();
        if (c.unconnected) {
            test::addShape(*v->drawing(), test::square(50, 50, 5));
            v->drawing()->updateBoundingRect();
        }
        modifyCurrent();
        v->updateCachedDrawing();
        asked.clear();
        answers = c.answers;

        window->action(QStringLiteral("actionClose"))->trigger();
        EXPECT_EQ(window->drawingCount(), c.closes ? 1 : 2);
        EXPECT_EQ(asked.size(), c.answers.size() + (c.targetBlocked ? 1 : 0));
        if (c.closes) {
            EXPECT_TRUE(QFile::exists(here.filePath(QStringLiteral("a.tap"))));
        } else {
            EXPECT_EQ(window->currentView(), v);
            EXPECT_EQ(window->tabBar()->tabText(1), QStringLiteral("a.src.tap*"));
            // The window stays too: closing it meets the same question and the
            // same failure, and the unmodified tab before it is closed as usual.
            window->tabBar()->setCurrentIndex(0);
            answers = c.answers;
            EXPECT_FALSE(window->close());
            EXPECT_EQ(window->drawingCount(), 1);
            EXPECT_EQ(window->currentView(), v);
        }
        window->action(QStringLiteral("actionClose_All"))->trigger();
        answers = {prompts::No};
        window->action(QStringLiteral("actionClose_All"))->trigger();
        ASSERT_EQ(window->drawingCount(), 0);
    }
}

TEST_F(MainWindowTest, FailedLoadSaysWhyBelowTheMessage)
{
    QFile f(dir.filePath(QStringLiteral("sheet.dxf")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("AutoCAD Binary DXF\r\n\x1a\0", 22) + QByteArray(64, '\0'));
    f.close();
    window->openFile(f.fileName(), false, false);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Cannot open file"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Failed to load \"sheet.dxf\"!\n\nDXF: binary DXF files are "
                                            "not supported; save the drawing as ASCII DXF"));
    EXPECT_EQ(window->drawingCount(), 0);
}

TEST(WarningCapture, KeepsTheLastWarningsAndPassesEveryMessageOn)
{
    static QStringList passedOn;
    passedOn.clear();
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &m) { passedOn << m; });
    {
        prompts::WarningCapture outer;
        qWarning("first");
        {
            prompts::WarningCapture inner;
            EXPECT_EQ(inner.withReason(QStringLiteral("Failed")), QStringLiteral("Failed"));
            qDebug("chatter");
            for (const char *w : {"w1", "w2", "w3", "w4"})
                qWarning("%s", w);
            EXPECT_EQ(inner.reason(), QStringLiteral("w2\nw3\nw4"));
            EXPECT_EQ(inner.withReason(QStringLiteral("Failed")), QStringLiteral("Failed\n\nw2\nw3\nw4"));
        }
        EXPECT_EQ(outer.reason(), QStringLiteral("first"));
    }
    qWarning("after");
    EXPECT_EQ(passedOn, (QStringList{"first", "chatter", "w1", "w2", "w3", "w4", "after"}));
    qInstallMessageHandler(before);
}

TEST_F(MainWindowTest, SaveAsAddsTheChosenFiltersEndingToANameWithoutOne)
{
    window->openFile(writeTap(QStringLiteral("part.tap")), false, false);
    struct Case
    {
        const char *typed, *filter, *written;
    };
    for (const Case c : {Case{"out", "G-Code (*.tap)", "out.tap"},
                         Case{"plot", "HPGL files (*.plt)", "plot.plt"},
                         Case{"rib.v2", "AutoCAD (*.dxf)", "rib.v2.dxf"},
                         Case{"keep.svg", "G-Code (*.tap)", "keep.svg"},
                         Case{"any", "All supported files (*.tap *.dxf *.svg *.plt *.kfp)", "any.tap"},
                         Case{"filtered *.kfp", "Kerfloom project (*.kfp)", "filtered.kfp"}}) {
        prompts::setSaveDialogHook([&](const QString &title, const QString &) {
            EXPECT_EQ(title, QStringLiteral("Save drawing"));
            return prompts::SaveChoice{dir.filePath(QLatin1String(c.typed)), QLatin1String(c.filter)};
        });
        window->action(QStringLiteral("action_Save_as"))->trigger();
        EXPECT_TRUE(QFile::exists(dir.filePath(QLatin1String(c.written)))) << c.typed;
        EXPECT_EQ(window->currentView()->property("fname").toString(), QLatin1String(c.written));
    }
    EXPECT_TRUE(asked.empty());

    // The added ending names a file the dialog did not ask about: ask here.
    const QByteArray before = [&] {
        QFile f(dir.filePath(QStringLiteral("out.tap")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QFile(dir.filePath(QStringLiteral("out.tap"))).resize(0);
    prompts::setSaveDialogHook([&](const QString &, const QString &) {
        return prompts::SaveChoice{dir.filePath(QStringLiteral("out")), QStringLiteral("G-Code (*.tap)")};
    });
    answers = {prompts::No};
    window->action(QStringLiteral("action_Save_as"))->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Confirm Save As"));
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("out.tap"))).size(), 0);
    answers = {prompts::Yes};
    window->action(QStringLiteral("action_Save_as"))->trigger();
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("out.tap"))).size(), before.size());
    prompts::setSaveDialogHook(nullptr);
}

} // namespace

// ---- the screen follows the drawing -----------------------------------------

namespace {

TEST_F(MainWindowTest, UndoAndRedoActionsNameTheStepOfTheCurrentTab)
{
    QAction *undo = window->action(QStringLiteral("action_Undo"));
    QAction *redo = window->action(QStringLiteral("action_Redo"));
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
    window->action(QStringLiteral("actionFlip_vertically"))->trigger();
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Flip vertically"));
    undo->trigger();
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
    EXPECT_EQ(redo->text(), QStringLiteral("&Redo Flip vertically"));

    window->openFile(writeTap(QStringLiteral("b.tap")), false, false);
    window->action(QStringLiteral("actionRotate_Left"))->trigger();
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Rotate left"));
    EXPECT_EQ(redo->text(), QStringLiteral("&Redo"));
    window->tabBar()->setCurrentIndex(0);
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
    EXPECT_EQ(redo->text(), QStringLiteral("&Redo Flip vertically"));
}

TEST_F(MainWindowTest, AnchorButtonIsAnUndoableEditThatClosingAsksAbout)
{
    window->openFile(writeTap(QStringLiteral("a.tap"), "X10 Y20\r\nX30 Y20\r\nX30 Y40\r\nX10 Y20\r\n"),
                     false, false);
    GraphWidget *v = window->currentView();
    const QRectF before = v->drawing()->boundingRect();
    getPointRunner = [](GetPointDialog &d) {
        d.xBox()->setValue(0);
        d.yBox()->setValue(0);
        d.relativeBox()->setChecked(true);
        d.anchorWidget()->setSelectedIndex(5);
        return true;
    };
    ASSERT_TRUE(v->anchorButton()->isEnabled());
    v->anchorButton()->click();
    EXPECT_EQ(v->drawing()->boundingRect().center(), QPointF(0, 0));
    EXPECT_EQ(window->tabBar()->tabText(0), QStringLiteral("a.tap*"));
    EXPECT_EQ(window->action(QStringLiteral("action_Undo"))->text(), QStringLiteral("&Undo Set anchor"));

    window->action(QStringLiteral("action_Undo"))->trigger();
    EXPECT_EQ(v->drawing()->boundingRect(), before);
    window->action(QStringLiteral("action_Redo"))->trigger();

    // Off with the other edits.
    window->setEditingEnabled(false, false);
    EXPECT_FALSE(v->anchorButton()->isEnabled());
    window->setEditingEnabled(true, false);
    EXPECT_TRUE(v->anchorButton()->isEnabled());

    answers = {prompts::No};
    window->action(QStringLiteral("actionClose"))->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("You have unsaved changes"));
    getPointRunner = nullptr;
}

} // namespace

namespace {

TEST_F(SimulationFromTheWindowTest, AnchorButtonRestsDuringARun)
{
    openLongLine("a.tap");
    GraphWidget *v = window->currentView();
    speed->setValue(1);
    simulate->trigger();
    ASSERT_TRUE(v->isSimulating());
    EXPECT_FALSE(v->anchorButton()->isEnabled());
    simulate->trigger();
    // Not a nested event loop: an earlier completed window close has asked
    // the application to quit, which ends every later one at once.
    ASSERT_TRUE(QTest::qWaitFor([v] { return !v->isSimulating(); }, 5000));
    EXPECT_TRUE(v->anchorButton()->isEnabled());
}

TEST_F(SimulationFromTheWindowTest, ClosingTheOnlyRunningTabLeavesTheStartPageReadyToSimulate)
{
    openLongLine("a.tap");
    speed->setValue(1);
    simulate->trigger();
    ASSERT_EQ(simulate->text(), QStringLiteral("Stop simulation"));
    const qint64 stopIcon = simulate->icon().cacheKey();
    window->action(QStringLiteral("actionClose"))->trigger();
    EXPECT_EQ(window->drawingCount(), 0);
    EXPECT_EQ(simulate->text(), QStringLiteral("Simulate"));
    EXPECT_NE(simulate->icon().cacheKey(), stopIcon);
    EXPECT_FALSE(simulate->isEnabled());
    QTest::qWait(50);
}

TEST_F(MainWindowTest, PreferencesReachEveryOpenViewAndTheWindowsOwnOptions)
{
    QFile::remove(Settings::filePath());
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    const auto pointSets = [this] {
        int n = 0;
        for (QGraphicsItem *item : window->currentView()->scene()->items())
            n += item->type() == DrawingPointSetType;
        return n;
    };
    ASSERT_GT(pointSets(), 0);
    bool ran = false;
    QTimer::singleShot(0, [&ran] {
        auto *dialog = qobject_cast<kerfloom::Settings *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->control<QCheckBox>("drawPoints")->setChecked(false);
        dialog->control<QCheckBox>("askBeforeClosing")->setChecked(false);
        ran = true;
        dialog->accept();
    });
    window->action(QStringLiteral("actionPreferences"))->trigger();
    ASSERT_TRUE(ran);
    EXPECT_EQ(pointSets(), 0);
    // Closing a modified drawing no longer asks.
    modifyCurrent();
    window->closeTab(window->tabBar()->currentIndex());
    EXPECT_TRUE(asked.empty());
    QFile::remove(Settings::filePath());
}

// A settings file that cannot be written (here a folder stands in its way;
// a read-only or full disk does the same) is said, not passed over.
TEST_F(MainWindowTest, PreferencesThatCannotBeWrittenAreReported)
{
    QFile::remove(Settings::filePath());
    ASSERT_TRUE(QDir().mkpath(Settings::filePath()));
    QTimer::singleShot(0, [] {
        if (auto *dialog = qobject_cast<kerfloom::Settings *>(QApplication::activeModalWidget())) {
            dialog->control<QCheckBox>("askBeforeClosing")->setChecked(false);
            dialog->accept();
        }
    });
    window->action(QStringLiteral("actionPreferences"))->trigger();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, QStringLiteral("Cannot save settings"));
    EXPECT_TRUE(asked[0].text.contains(QDir::toNativeSeparators(Settings::filePath()))) << qPrintable(asked[0].text);
    QDir(Settings::filePath()).removeRecursively();
}

// The settings dialog previews a language at once: the window behind it
// follows, menus, actions and the undo text alike, and goes back with it.
TEST_F(MainWindowTest, WindowFollowsALanguageChange)
{
    window = std::make_unique<Kerfloom>();
    window->openFile(writeTap(QStringLiteral("lang.tap")), false, false);
    QAction *open = window->action(QStringLiteral("action_Open"));
    QAction *autoJoin = window->action(QStringLiteral("action_Auto"));
    ASSERT_EQ(open->text(), QStringLiteral("&Open"));

    kerfloom::installLanguage(QLocale(QLocale::Polish, QLocale::Poland));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(open->text(), QStringLiteral("&Otwórz"));
    EXPECT_NE(autoJoin->toolTip(), QStringLiteral("Auto join vectors"));
    EXPECT_NE(window->menuBar()->actions().first()->text(), QStringLiteral("&File"));
    EXPECT_NE(window->action(QStringLiteral("action_Undo"))->text(), QStringLiteral("&Undo"));

    kerfloom::installLanguage(QLocale(QLocale::English, QLocale::UnitedStates));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(open->text(), QStringLiteral("&Open"));
    EXPECT_EQ(autoJoin->toolTip(), QStringLiteral("Auto join vectors"));
    EXPECT_EQ(window->menuBar()->actions().first()->text(), QStringLiteral("&File"));
}

} // namespace

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// The rulers print lengths in the display unit: a new unit reaches them at
// once, in every tab, not at the next zoom or scroll.
TEST_F(MainWindowTest, NewDisplayUnitRepaintsTheRulersOfEveryTab)
{
    QFile::remove(Settings::filePath());
    window->resize(800, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    GraphWidget *first = window->currentView();
    window->openFile(writeTap(QStringLiteral("b.tap")), false, false);
    GraphWidget *second = window->currentView();
    QTest::qWait(50);
    std::vector<std::unique_ptr<PaintCounter>> counters;
    for (QWidget *ruler : {static_cast<QWidget *>(second->horizontalRuler()),
                           static_cast<QWidget *>(second->verticalRuler())}) {
        counters.push_back(std::make_unique<PaintCounter>());
        ruler->installEventFilter(counters.back().get());
    }
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<kerfloom::Settings *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->control<QComboBox>("units")->setCurrentIndex(3);
        dialog->accept();
    });
    window->action(QStringLiteral("actionPreferences"))->trigger();
    QTest::qWait(50);
    for (const auto &c : counters)
        EXPECT_GT(c->paints, 0);
    // The hidden tab's rulers are painted in the new unit when it is shown.
    window->tabBar()->setCurrentIndex(window->tabBar()->currentIndex() - 1);
    EXPECT_EQ(window->currentView(), first);
    EXPECT_EQ(QDRuler::labelText(QDRuler::labelValue(1, 100, 1, QDRuler::Horizontal), false),
              QLocale().toString(100 / 25.4, 'f', 2));
    QFile::remove(Settings::filePath());
}

// Without a desktop nothing can show the folder; the window says so rather
// than doing nothing.
TEST_F(MainWindowTest, OpenContainingFolderWithoutAFileManagerSaysSo)
{
    const QByteArray path = qgetenv("PATH"), bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("PATH", dir.path().toLocal8Bit()); // no xdg-open, no browser
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    const QString file = writeTap(QStringLiteral("a.tap"));
    window->resize(800, 600);
    window->show();
    window->openFile(file, false, false);
    bool chosen = false;
    QTimer::singleShot(0, [&chosen] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction *a : menu->actions())
            if (a->text() == QLatin1String("Open containing folder")) {
                chosen = true;
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                return;
            }
        menu->close();
    });
    const QTabBar *tabs = window->tabBar();
    emit window->tabBar()->customContextMenuRequested(tabs->tabRect(tabs->currentIndex()).center());
    qputenv("PATH", path);
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("No file manager could show \"%1\"").arg(QDir::toNativeSeparators(file)));
}

// Steps made before a language change are named in the new language too,
// in every tab, macros included.
TEST_F(MainWindowTest, UndoStepsMadeBeforeALanguageChangeFollowIt)
{
    window->openFile(writeTap(QStringLiteral("a.tap")), false, false);
    GraphWidget *first = window->currentView();
    first->undoStack()->beginMacro(QStringLiteral("Auto-join"));
    first->undoStack()->push(new ReverseCommand(first->drawing()));
    first->undoStack()->endMacro();
    window->openFile(writeTap(QStringLiteral("b.tap")), false, false);
    GraphWidget *second = window->currentView();
    second->undoStack()->push(new RotateLeftCommand(second->drawing()));
    second->undoStack()->push(new ReverseCommand(second->drawing()));

    kerfloom::installLanguage(QLocale(QLocale::Polish, QLocale::Poland));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    const QString reverse = QCoreApplication::translate("Commands", "Reverse object");
    ASSERT_NE(reverse, QStringLiteral("Reverse object"));
    EXPECT_EQ(second->undoStack()->text(0), QCoreApplication::translate("Commands", "Rotate left"));
    EXPECT_EQ(second->undoStack()->text(1), reverse);
    EXPECT_EQ(first->undoStack()->text(0), QCoreApplication::translate("GeometryOperation", "Auto-join"));
    EXPECT_TRUE(window->action(QStringLiteral("action_Undo"))->text().endsWith(reverse));

    kerfloom::installLanguage(QLocale(QLocale::English, QLocale::UnitedStates));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(window->action(QStringLiteral("action_Undo"))->text(), QStringLiteral("&Undo Reverse object"));
    EXPECT_EQ(first->undoStack()->text(0), QStringLiteral("Auto-join"));
}
