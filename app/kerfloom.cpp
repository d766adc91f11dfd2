#include "app/kerfloom.h"

#include "app/prompts.h"
#include "core/commands.h"
#include "formats/settings.h"
#include "ui/about.h"
#include "ui/getpointdialog.h"
#include "ui/graphwidget.h"
#include "ui/keyeventfilter.h"
#include "ui/kfstartpage.h"
#include "ui/settingsdialog.h"
#include "ui/style/modqmenubar.h"
#include "ui/style/shadowwidget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

Kerfloom::Kerfloom(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Kerfloom"));
    setWindowIcon(QIcon(QStringLiteral(":/Kerfloom/Resources/icon.png")));
    setAcceptDrops(true);
    qRegisterMetaType<QList<QUrl>>("QList<QUrl>");

    auto s = Settings::open();
    m_defaultSavePath = Settings::DefaultSavePath.read(*s);
    m_askBeforeClosing = Settings::AskBeforeClosing.read(*s);
    m_warnMultipleObjects = Settings::WarnWhenMultipleObjects.read(*s);
    m_warnNonClosed = Settings::WarnNonClosed.read(*s);

    m_undoGroup = new QUndoGroup(this);
    m_keyFilter = new KeyEventFilter(this);
    // Drops on the window arrive through the filter; the open runs after the
    // drag and drop has finished.
    connect(m_keyFilter, &KeyEventFilter::FilesDropped, this, &Kerfloom::processDroppedFiles,
            Qt::QueuedConnection);
    installEventFilter(m_keyFilter);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs = new QTabBar(central);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    m_tabs->setExpanding(false);
    m_tabs->setDocumentMode(true);
    m_tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    m_stack = new QStackedWidget(central);
    m_startPage = new KFStartPage;
    auto *startHolder = new ShadowWidget;
    auto *startLayout = new QVBoxLayout(startHolder);
    startLayout->addWidget(m_startPage, 0, Qt::AlignCenter);
    m_stack->addWidget(startHolder);
    layout->addWidget(m_tabs);
    layout->addWidget(m_stack, 1);
    setCentralWidget(central);
    connect(m_startPage, &KFStartPage::openFile, this, &Kerfloom::openFile, Qt::QueuedConnection);

    setMenuBar(new ModQMenuBar(this));
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    connect(m_tabs, &QTabBar::currentChanged, this, &Kerfloom::on_tabs_currentChanged);
    connect(m_tabs, &QTabBar::tabCloseRequested, this, &Kerfloom::on_tabs_tabCloseRequested);
    connect(m_tabs, &QTabBar::tabMoved, this, &Kerfloom::on_tabs_tabMoved);
    connect(m_tabs, &QTabBar::customContextMenuRequested, this, &Kerfloom::showTabMenu);
    connect(m_undoGroup, &QUndoGroup::canUndoChanged, this, &Kerfloom::updateUndoActions);
    connect(m_undoGroup, &QUndoGroup::canRedoChanged, this, &Kerfloom::updateUndoActions);
    connect(m_undoGroup, &QUndoGroup::undoTextChanged, this, &Kerfloom::updateUndoActions);
    connect(m_undoGroup, &QUndoGroup::redoTextChanged, this, &Kerfloom::updateUndoActions);

    init();
    const QByteArray geometry = Settings::Geometry.read(*s);
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1000, 680);
}

Kerfloom::~Kerfloom()
{
    // Linking in the thread pool still reads the drawing it works on.
    m_autoJoin.waitForFinished();
    flushRecentFiles();
}

void Kerfloom::init()
{
    showStartTab();
    updateRecentFiles();
    setEditingEnabled(false, false);
}

QAction *Kerfloom::makeAction(const char *objectName, const char *text, const char *toolTip,
                              const QKeySequence &shortcut, const char *icon)
{
    auto *a = new QAction(this);
    a->setObjectName(QLatin1String(objectName));
    onLanguage([a, text, toolTip] {
        a->setText(tr(text));
        if (toolTip)
            a->setToolTip(tr(toolTip));
    });
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    if (icon)
        a->setIcon(QIcon(QStringLiteral(":/Kerfloom/Resources/") + QLatin1String(icon)));
    addAction(a);
    return a;
}

void Kerfloom::onLanguage(std::function<void()> apply)
{
    apply();
    m_retranslate.push_back(std::move(apply));
}

void Kerfloom::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The settings dialog shows a new language at once, and the window
    // behind it follows.
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void Kerfloom::retranslate()
{
    for (const auto &apply : m_retranslate)
        apply();
    for (int i = 0; i < m_tabs->count(); ++i)
        if (GraphWidget *tab = viewAt(i))
            retranslateCommands(tab->undoStack());
    GraphWidget *view = currentView();
    showSimulationRunning(view && view->isSimulating());
    updateUndoActions();
    updateDrawingInfo();
    if (startTabShown())
        m_tabs->setTabText(0, tr("Start"));
}

QAction *Kerfloom::action(const QString &objectName) const
{
    return findChild<QAction *>(objectName);
}

void Kerfloom::createActions()
{
    auto wire = [this](QAction *a, void (Kerfloom::*slot)()) {
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    wire(makeAction("action_Open", QT_TR_NOOP("&Open"), nullptr, QKeySequence(tr("Ctrl+O")), "open.png"),
         &Kerfloom::on_action_Open_triggered);
    m_editActions = {
        wire(makeAction("action_Save", QT_TR_NOOP("&Save"), nullptr, QKeySequence(tr("Ctrl+S")), "save.png"),
             &Kerfloom::on_action_Save_triggered),
        wire(makeAction("action_Save_as", QT_TR_NOOP("Save as..."), nullptr, QKeySequence(tr("Ctrl+Shift+S"))),
             &Kerfloom::on_action_Save_as_triggered),
        wire(makeAction("action_Auto", QT_TR_NOOP("&Auto join"), QT_TR_NOOP("Auto join vectors"),
                        QKeySequence(tr("Ctrl+A")), "autojoin.png"),
             &Kerfloom::on_action_Auto_triggered),
        wire(makeAction("actionRotate_Left", QT_TR_NOOP("Rotate Left"), QT_TR_NOOP("Rotate drawing left"), {}),
             &Kerfloom::on_actionRotate_Left_triggered),
        wire(makeAction("actionRotate_right", QT_TR_NOOP("Rotate right"), QT_TR_NOOP("Rotate drawing right"), {}),
             &Kerfloom::on_actionRotate_right_triggered),
        wire(makeAction("actionFlip_vertically", QT_TR_NOOP("Flip vertically"), QT_TR_NOOP("Flip drawing vertically"), {}),
             &Kerfloom::on_actionFlip_vertically_triggered),
        wire(makeAction("actionFlip_horizontally", QT_TR_NOOP("Flip horizontally"),
                        QT_TR_NOOP("Flip drawing horizontally"), {}),
             &Kerfloom::on_actionFlip_horizontally_triggered),
        wire(makeAction("actionReverse_object", QT_TR_NOOP("Reverse object"), QT_TR_NOOP("Reverse object direction"),
                        QKeySequence(tr("Ctrl+R")), "reverse.png"),
             &Kerfloom::on_actionReverse_object_triggered),
        wire(makeAction("actionSet_position", QT_TR_NOOP("Set position"), QT_TR_NOOP("Set drawing position"), {}),
             &Kerfloom::on_actionSet_position_triggered),
        wire(makeAction("actionSet_start_point", QT_TR_NOOP("Set starting point"), nullptr, {}),
             &Kerfloom::on_actionSet_start_point_triggered),
        wire(makeAction("actionClose", QT_TR_NOOP("Close"), nullptr, {}), &Kerfloom::on_actionClose_triggered),
        wire(makeAction("actionClose_All", QT_TR_NOOP("Close All"), nullptr, {}), &Kerfloom::on_actionClose_All_triggered),
    };
    wire(makeAction("actionSimulate", QT_TR_NOOP("Simulate"), nullptr, QKeySequence(tr("Ctrl+F")), "play.png"),
         &Kerfloom::on_actionSimulate_triggered);
    wire(makeAction("actionPreferences", QT_TR_NOOP("Preferences"), nullptr, {}), &Kerfloom::on_actionPreferences_triggered);
    wire(makeAction("actionAbout_Kerfloom", QT_TR_NOOP("About Kerfloom"), nullptr, {}),
         &Kerfloom::on_actionAbout_Kerfloom_triggered);
    connect(makeAction("actionExit", QT_TR_NOOP("Exit"), nullptr, {}), &QAction::triggered, this, &QWidget::close);

    m_undo = makeAction("action_Undo", QT_TR_NOOP("&Undo"), nullptr, QKeySequence::Undo, "undo.png");
    m_redo = makeAction("action_Redo", QT_TR_NOOP("&Redo"), nullptr, QKeySequence::Redo, "redo.png");
    connect(m_undo, &QAction::triggered, m_undoGroup, &QUndoGroup::undo);
    connect(m_redo, &QAction::triggered, m_undoGroup, &QUndoGroup::redo);
}

void Kerfloom::createMenus()
{
    QMenu *file = menuBar()->addMenu(QString());
    file->addAction(action(QStringLiteral("action_Open")));
    m_recentMenu = file->addMenu(QString());
    onLanguage([this, file] {
        file->setTitle(tr("&File"));
        m_recentMenu->setTitle(tr("Open recent"));
    });
    m_recentMenu->setEnabled(false);
    file->addAction(action(QStringLiteral("action_Save")));
    file->addAction(action(QStringLiteral("action_Save_as")));
    file->addSeparator();
    file->addAction(action(QStringLiteral("actionClose")));
    file->addAction(action(QStringLiteral("actionClose_All")));
    file->addSeparator();
    file->addAction(action(QStringLiteral("actionExit")));

    QMenu *edit = menuBar()->addMenu(QString());
    onLanguage([edit] { edit->setTitle(tr("&Edit")); });
    edit->addAction(m_undo);
    edit->addAction(m_redo);
    edit->addSeparator();
    for (const char *name : {"action_Auto", "actionSimulate", "actionRotate_Left", "actionRotate_right",
                             "actionFlip_vertically", "actionFlip_horizontally", "actionReverse_object",
                             "actionSet_position", "actionSet_start_point"})
        edit->addAction(action(QLatin1String(name)));
    edit->addSeparator();
    edit->addAction(action(QStringLiteral("actionPreferences")));

    QMenu *about = menuBar()->addMenu(QString());
    onLanguage([about] { about->setTitle(tr("&About")); });
    about->setObjectName(QStringLiteral("menuAbout"));
    about->addAction(action(QStringLiteral("actionAbout_Kerfloom")));
}

void Kerfloom::createToolBar()
{
    QToolBar *bar = addToolBar(QString());
    onLanguage([bar] { bar->setWindowTitle(tr("Main")); });
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    for (const char *name : {"action_Open", "action_Save", "action_Auto"})
        bar->addAction(action(QLatin1String(name)));
    bar->addAction(m_undo);
    bar->addAction(m_redo);
    bar->addSeparator();
    bar->addAction(action(QStringLiteral("actionSimulate")));
    m_speed = new QSlider(Qt::Horizontal, bar);
    m_speed->setObjectName(QStringLiteral("simulationSpeed"));
    onLanguage([this] { m_speed->setToolTip(tr("Simulation speed")); });
    m_speed->setRange(1, 10000);
    m_speed->setValue(5000);
    m_speed->setTickInterval(500);
    m_speed->setFixedSize(120, 18);
    bar->addWidget(m_speed);
    bar->addSeparator();
    QAction *zoomOut = bar->addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/zoomout.png")), QString());
    QAction *fit = bar->addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/fit.png")), QString());
    QAction *zoomIn = bar->addAction(QIcon(QStringLiteral(":/Kerfloom/Resources/zoomin.png")), QString());
    onLanguage([zoomOut, fit, zoomIn] {
        zoomOut->setText(tr("Zoom out"));
        fit->setText(tr("Fit in view"));
        zoomIn->setText(tr("Zoom in"));
    });
    connect(zoomOut, &QAction::triggered, this, &Kerfloom::zoomOut_trigerred);
    connect(fit, &QAction::triggered, this, &Kerfloom::fitInView_trigerred);
    connect(zoomIn, &QAction::triggered, this, &Kerfloom::zoomIn_trigerred);
    m_zoomBox = new QSpinBox(bar);
    m_zoomBox->setObjectName(QStringLiteral("zoomBox"));
    m_zoomBox->setRange(20, 20000);
    m_zoomBox->setSuffix(QStringLiteral(" %"));
    m_zoomBox->setValue(100);
    m_zoomBox->setKeyboardTracking(false);
    bar->addWidget(m_zoomBox);
    connect(m_zoomBox, QOverload<int>::of(&QSpinBox::valueChanged), this, &Kerfloom::zoomBox_changed);
    m_editActions << zoomOut << fit << zoomIn;
}

void Kerfloom::createStatusBar()
{
    m_objectsLabel = new QLabel(this);
    m_dimensionsLabel = new QLabel(this);
    m_warningIcon = new QLabel(this);
    m_warningIcon->setPixmap(QPixmap(QStringLiteral(":/Kerfloom/Resources/warning.png")));
    onLanguage([this] { m_warningIcon->setToolTip(tr("Drawing contains open shapes!")); });
    m_warningIcon->hide();
    statusBar()->addPermanentWidget(m_warningIcon);
    statusBar()->addPermanentWidget(m_objectsLabel);
    statusBar()->addPermanentWidget(m_dimensionsLabel);
    statusBar()->showMessage(tr("Ready"));
    m_infoTimer = new QTimer(this);
    m_infoTimer->setSingleShot(true);
    connect(m_infoTimer, &QTimer::timeout, this, &Kerfloom::updateDrawingInfo);
}

// ---- editing state ----------------------------------------------------------

void Kerfloom::setEditingEnabled(bool enabled, bool exclSim)
{
    m_editingEnabled = enabled;
    for (QAction *a : m_editActions)
        a->setEnabled(enabled);
    if (m_zoomBox)
        m_zoomBox->setEnabled(enabled);
    // The anchor button in the corner of the view is an edit like the others.
    if (GraphWidget *v = currentView())
        v->anchorButton()->setEnabled(enabled);
    if (!exclSim) {
        action(QStringLiteral("actionSimulate"))->setEnabled(enabled);
        m_speed->setEnabled(enabled);
    }
    action(QStringLiteral("action_Open"))->setEnabled(m_busyViews.empty());
    updateUndoActions();
}

void Kerfloom::updateUndoActions()
{
    m_undo->setEnabled(m_editingEnabled && m_undoGroup->canUndo());
    m_redo->setEnabled(m_editingEnabled && m_undoGroup->canRedo());
    // Named after the step, as the undo group's own actions are.
    const QString undoText = m_undoGroup->undoText(), redoText = m_undoGroup->redoText();
    m_undo->setText(undoText.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(undoText));
    m_redo->setText(redoText.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(redoText));
}

// ---- edit actions -----------------------------------------------------------

void Kerfloom::pushOnCurrent(QUndoCommand *command)
{
    GraphWidget *view = currentView();
    if (!view || !m_editingEnabled) {
        delete command;
        return;
    }
    view->undoStack()->push(command);
    updateDrawingInfo();
}

void Kerfloom::on_actionRotate_Left_triggered()
{
    if (GraphWidget *v = currentView())
        pushOnCurrent(new RotateLeftCommand(v->drawing()));
}

void Kerfloom::on_actionRotate_right_triggered()
{
    if (GraphWidget *v = currentView())
        pushOnCurrent(new RotateRightCommand(v->drawing()));
}

void Kerfloom::on_actionFlip_vertically_triggered()
{
    if (GraphWidget *v = currentView())
        pushOnCurrent(new FlipVCommand(v->drawing()));
}

void Kerfloom::on_actionFlip_horizontally_triggered()
{
    if (GraphWidget *v = currentView())
        pushOnCurrent(new FlipHCommand(v->drawing()));
}

void Kerfloom::on_actionReverse_object_triggered()
{
    GraphWidget *v = currentView();
    if (!v || !m_editingEnabled)
        return;
    pushOnCurrent(new ReverseCommand(v->drawing()));
    statusBar()->showMessage(tr("Object has been reversed"), 2000);
}

void Kerfloom::on_actionSet_position_triggered()
{
    GraphWidget *v = currentView();
    if (!v)
        return;
    PositionSpec spec;
    if (getPoint(this, &spec, tr("Move drawing"), true))
        pushOnCurrent(new SetPositionCommand(v->drawing(), QPointF(spec.x, spec.y), spec.useAnchor));
}

void Kerfloom::on_actionSet_start_point_triggered()
{
    GraphWidget *v = currentView();
    if (!v)
        return;
    PositionSpec spec = v->drawing()->startSpec();
    if (getPoint(this, &spec, tr("Set start position"), false))
        pushOnCurrent(new SetStartCommand(v->drawing(), spec));
}

void Kerfloom::on_actionPreferences_triggered()
{
    kerfloom::Settings dialog(this);
    connect(&dialog, &kerfloom::Settings::updateDrawing, this, &Kerfloom::applyDisplaySettings);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.writeFailed())
        prompts::warning(this, tr("Cannot save settings"),
                         tr("The settings could not be written to \"%1\". They apply until Kerfloom is closed.")
                             .arg(QDir::toNativeSeparators(Settings::filePath())));
    // What the window read at start-up follows the new values too.
    auto s = Settings::open();
    m_defaultSavePath = Settings::DefaultSavePath.read(*s);
    m_askBeforeClosing = Settings::AskBeforeClosing.read(*s);
    m_warnMultipleObjects = Settings::WarnWhenMultipleObjects.read(*s);
    m_warnNonClosed = Settings::WarnNonClosed.read(*s);
    for (int i = 0; i < m_tabs->count(); ++i)
        if (GraphWidget *view = viewAt(i))
            view->displayUnitChanged();
    updateDrawingInfo();
}

void Kerfloom::applyDisplaySettings()
{
    auto s = Settings::open();
    const bool points = Settings::DrawPoints.read(*s), scalePoints = Settings::ScalePoints.read(*s);
    const bool scaleLine = Settings::ScaleLine.read(*s), arrows = Settings::DrawDirectionArrows.read(*s);
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (GraphWidget *view = viewAt(i)) {
            view->setDrawOptions(points, scalePoints, scaleLine, arrows);
            view->updateDrawing();
        }
    }
}

void Kerfloom::on_actionAbout_Kerfloom_triggered()
{
    About dialog(this);
    dialog.exec();
}

// ---- simulation hook --------------------------------------------------------

void Kerfloom::on_actionSimulate_triggered()
{
    GraphWidget *v = currentView();
    if (!v)
        return;
    if (v->isSimulating()) {
        v->stopSimulation();
        return;
    }
    v->setSimulationDelay(m_speed->value());
    if (v->startSimulation()) {
        setEditingEnabled(false, true);
        showSimulationRunning(true);
    }
}

void Kerfloom::showSimulationRunning(bool running)
{
    QAction *sim = action(QStringLiteral("actionSimulate"));
    sim->setIcon(QIcon(running ? QStringLiteral(":/Kerfloom/Resources/stop.png")
                               : QStringLiteral(":/Kerfloom/Resources/play.png")));
    sim->setText(running ? tr("Stop simulation") : tr("Simulate"));
}

void Kerfloom::simulationFinished()
{
    on_tabs_currentChanged(m_tabs->currentIndex());
}

// ---- zoom -------------------------------------------------------------------

void Kerfloom::fitInView_trigerred()
{
    if (GraphWidget *v = currentView())
        v->fitInView();
}

void Kerfloom::zoomOut_trigerred()
{
    if (GraphWidget *v = currentView())
        v->zoomOut();
}

void Kerfloom::zoomIn_trigerred()
{
    if (GraphWidget *v = currentView())
        v->zoomIn();
}

void Kerfloom::zoomBox_changed(int value)
{
    GraphWidget *v = currentView();
    if (v && std::lround(v->currentScale() * 100) != value)
        v->setScale(value / 100.0);
}

void Kerfloom::updateZoomBoxScale()
{
    GraphWidget *v = currentView();
    const QSignalBlocker block(m_zoomBox);
    // Fitting a very large or very small drawing goes beyond the steps' range;
    // the box widens to show the scale as it is instead of a clamped one.
    const double percent = v ? v->currentScale() * 100 : 100;
    const int shown = int(std::clamp(std::lround(percent), 1L, 100000000L));
    m_zoomBox->setRange(std::min(20, shown), std::max(20000, shown));
    m_zoomBox->setValue(shown);
}
