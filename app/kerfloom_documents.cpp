// The document flow of the main window: opening into tabs, the per-load
// actions, saving with templates, closing with questions, recent files.
#include "app/kerfloom.h"

#include "app/loadactions.h"
#include "app/prompts.h"
#include "app/savepath.h"
#include "core/autojoin.h"
#include "core/units.h"
#include "formats/baseformat.h"
#include "formats/settings.h"
#include "platform/filemanager.h"
#include "ui/graphwidget.h"
#include "ui/kfstartpage.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QUndoGroup>
#include <QUndoStack>

namespace {
const char *const appTitle = "Brenmoor Kerfloom";
const char *const stopProperty = "stahp";

QString titleSuffix()
{
    return QStringLiteral(" - ") + QLatin1String(appTitle);
}
} // namespace

// ---- tabs -------------------------------------------------------------------

int Kerfloom::drawingCount() const
{
    return m_stack->count() - 1;
}

GraphWidget *Kerfloom::viewAt(int tabIndex) const
{
    if (tabIndex < 0 || tabIndex >= m_tabs->count() || m_tabs->tabData(tabIndex).toInt() == -1)
        return nullptr;
    return qobject_cast<GraphWidget *>(m_stack->widget(tabIndex + 1));
}

GraphWidget *Kerfloom::currentView() const
{
    return viewAt(m_tabs->currentIndex());
}

int Kerfloom::tabIndexOf(const GraphWidget *view) const
{
    for (int i = 0; i < m_tabs->count(); ++i)
        if (viewAt(i) == view)
            return i;
    return -1;
}

void Kerfloom::showStartTab()
{
    if (m_tabs->count() > 0)
        return;
    const QSignalBlocker block(m_tabs);
    const int i = m_tabs->addTab(tr("Start"));
    m_tabs->setTabData(i, -1);
    auto *placeholder = new QWidget;
    placeholder->setFixedSize(5, 5);
    m_tabs->setTabButton(i, QTabBar::RightSide, placeholder);
    m_tabs->setTabTextColor(i, QColor(40, 40, 40));
    m_stack->setCurrentIndex(0);
    setWindowTitle(QLatin1String(appTitle));
}

bool Kerfloom::startTabShown() const
{
    return m_tabs->count() == 1 && m_tabs->tabData(0).toInt() == -1;
}

void Kerfloom::removeStartTab()
{
    if (startTabShown()) {
        const QSignalBlocker block(m_tabs);
        m_tabs->removeTab(0);
    }
}

void Kerfloom::setTitleFor(GraphWidget *view)
{
    setWindowTitle(view ? view->property("fname").toString() + titleSuffix() : QLatin1String(appTitle));
}

void Kerfloom::updateTabText(GraphWidget *view)
{
    const int i = tabIndexOf(view);
    if (i < 0)
        return;
    QString text = view->property("fname").toString();
    if (!view->drawing()->isUnmodified())
        text += QLatin1Char('*');
    m_tabs->setTabText(i, text);
}

void Kerfloom::updateSaveState()
{
    if (auto *d = qobject_cast<Drawing *>(sender()))
        if (auto *view = dynamic_cast<GraphWidget *>(d->view()))
            updateTabText(view);
}

void Kerfloom::on_tabs_currentChanged(int index)
{
    if (index < 0)
        return;
    GraphWidget *view = viewAt(index);
    m_stack->setCurrentIndex(view ? index + 1 : 0);
    // The start page too: a closed tab may have taken its running simulation along.
    showSimulationRunning(view && view->isSimulating());
    if (view) {
        m_undoGroup->setActiveStack(view->undoStack());
        updateDrawingInfo();
        if (view->isSimulating())
            setEditingEnabled(false, true);
        else
            setEditingEnabled(!m_busyViews.count(view), false);
        updateZoomBoxScale();
    }
    setTitleFor(view);
}

void Kerfloom::on_tabs_tabMoved(int from, int to)
{
    QWidget *w = m_stack->widget(from + 1);
    if (!w)
        return;
    m_stack->removeWidget(w);
    m_stack->insertWidget(to + 1, w);
    on_tabs_currentChanged(m_tabs->currentIndex());
}

void Kerfloom::on_tabs_tabCloseRequested(int index)
{
    closeTab(index);
}

// ---- opening ----------------------------------------------------------------

void Kerfloom::on_action_Open_triggered()
{
    if (prompts::isHeadless())
        return; // nobody could answer the dialog
    const QStringList files = QFileDialog::getOpenFileNames(
        this, tr("Open drawing"), Settings::LastOpenDir.read(), BaseFormat::openFilter());
    if (files.isEmpty())
        return;
    Settings::LastOpenDir.write(QFileInfo(files.first()).absolutePath());
    for (const QString &f : files)
        openFile(f, false, true);
}

void Kerfloom::processDroppedFiles(const QList<QUrl> &urls)
{
    // A drop while another tab is busy waits for it, like a queue.
    if (!m_busyViews.empty()) {
        m_pendingDrops << urls;
        return;
    }
    for (const QUrl &url : urls)
        if (url.isLocalFile())
            openFile(url.toLocalFile(), false, true);
}

void Kerfloom::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void Kerfloom::dropEvent(QDropEvent *event)
{
    if (!event->mimeData() || !event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction(); // the key filter has queued the open
}

void Kerfloom::openFile(const QString &fileName, bool isFromCmd, bool actuallyExit)
{
    if (fileName.isEmpty() && !prompts::isHeadless()) {
        on_action_Open_triggered();
        return;
    }
    QString problem;
    if (fileName.isEmpty())
        problem = tr("The file name is empty!");
    else if (!QFileInfo::exists(fileName))
        problem = tr("File \"%1\" doesn't exist!").arg(fileName);
    else if (!QFileInfo(fileName).isFile())
        problem = tr("\"%1\" is not a regular file!").arg(fileName);
    if (!problem.isEmpty()) {
        m_failed = true;
        prompts::warning(this, tr("Cannot open file"), problem);
        finishCommandLine(isFromCmd && actuallyExit, false);
        return;
    }
    removeStartTab();

    auto *view = new GraphWidget;
    Drawing *drawing = view->drawing();
    connect(view, &GraphWidget::simulationFinished, this, &Kerfloom::simulationFinished);
    connect(view, &GraphWidget::scaleChanged, this, &Kerfloom::updateZoomBoxScale);
    connect(drawing, &Drawing::jointAdded, this, &Kerfloom::scheduleDrawingInfo);
    connect(drawing, &Drawing::jointRemoved, this, &Kerfloom::scheduleDrawingInfo);
    connect(view, &GraphWidget::drawingChanged, this, [this, view] {
        if (view == currentView())
            scheduleDrawingInfo();
    });
    // Nobody sees the items of a headless run: it only computes.
    view->setItemsShown(!prompts::isHeadless());
    connect(drawing, &Drawing::updateSaveState, this, &Kerfloom::updateSaveState);
    connect(m_speed, &QSlider::valueChanged, view, &GraphWidget::setSimulationDelay);
    view->setSimulationDelay(m_speed->value());

    const QString name = QFileInfo(fileName).fileName();
    view->setProperty("fname", name);
    view->setProperty("fpath", fileName);
    m_stack->addWidget(view);
    int index;
    {
        const QSignalBlocker block(m_tabs);
        index = m_tabs->addTab(name);
        m_tabs->setCurrentIndex(index);
    }
    m_stack->setCurrentWidget(view);
    m_tabs->setTabToolTip(index, QDir::toNativeSeparators(fileName));
    setWindowTitle(name + titleSuffix());
    m_undoGroup->addStack(view->undoStack());
    m_undoGroup->setActiveStack(view->undoStack());

    beginBusy(view, tr("Loading %1").arg(name));
    bool loaded;
    {
        // The reader's own message goes with the failure: below it in the
        // box, on its line when headless.
        const prompts::HeldMessages held;
        const prompts::WarningCapture why;
        BaseFormat::loadProgress = [view](double f) { view->setProgress(f); };
        loaded = BaseFormat::load(fileName, *drawing);
        BaseFormat::loadProgress = nullptr;
        if (!loaded)
            prompts::warning(this, tr("Cannot open file"),
                             why.withReason(tr("Failed to load \"%1\"!").arg(name)));
    }
    if (!loaded) {
        m_failed = true;
        endBusy(view);
        closeTab(tabIndexOf(view));
        finishCommandLine(isFromCmd && actuallyExit, false);
        return;
    }
    runPerLoadActions(view, fileName, isFromCmd, actuallyExit);
}

void Kerfloom::beginBusy(GraphWidget *view, const QString &message)
{
    m_busyViews.insert(view);
    view->beginLongOperation(message);
    setEditingEnabled(false, false);
}

void Kerfloom::endBusy(GraphWidget *view)
{
    view->endLongOperation();
    m_busyViews.erase(view);
    if (currentView() == view)
        setEditingEnabled(true, false);
    else
        action(QStringLiteral("action_Open"))->setEnabled(m_busyViews.empty());
    if (m_busyViews.empty() && !m_pendingDrops.isEmpty()) {
        const QList<QUrl> drops = m_pendingDrops;
        m_pendingDrops.clear();
        QMetaObject::invokeMethod(this, "processDroppedFiles", Qt::QueuedConnection,
                                  Q_ARG(QList<QUrl>, drops));
    }
    // A window close waiting for the run closes this tab too.
    if (m_closeWhenIdleViews.erase(view) && !m_closeWhenIdle) {
        QPointer<GraphWidget> guard(view);
        QTimer::singleShot(0, this, [this, guard] {
            if (guard)
                closeTab(tabIndexOf(guard));
        });
    }
    if (m_busyViews.empty() && m_closeWhenIdle)
        QTimer::singleShot(0, this, &QWidget::close);
}

void Kerfloom::runPerLoadActions(GraphWidget *view, const QString &fileName, bool isFromCmd,
                                 bool actuallyExit)
{
    Drawing *drawing = view->drawing();
    applyPlacementActions(*drawing, fileName);
    auto s = Settings::open();
    view->setDrawOptions(Settings::DrawPoints.read(*s), Settings::ScalePoints.read(*s),
                         Settings::ScaleLine.read(*s), Settings::DrawDirectionArrows.read(*s));

    view->initDrawing(true);
    addRecentFile(fileName);
    endBusy(view);
    updateDrawingInfo();
    setEditingEnabled(true, false);

    const LoadDecisions decisions = readLoadDecisions(isFromCmd);
    if (decisions.link)
        linkInPlace(view);
    if (decisions.save && !saveFromCommandLine(view, fileName, decisions.savePathTemplate))
        m_failed = true;
    if (prompts::isHeadless())
        closeProcessedTab(view);
    finishCommandLine(isFromCmd && actuallyExit, decisions.exit && actuallyExit);
}

bool Kerfloom::saveFromCommandLine(GraphWidget *view, const QString &fileName, const QString &pathTemplate)
{
    if (pathTemplate.isEmpty()) {
        prompts::warning(this, tr("Cannot save file"),
                         tr("\"Actions/SaveAsPath\" is empty: \"%1\" was not saved!").arg(fileName));
        return false;
    }
    if (!saveDrawing(pathTemplate, tabIndexOf(view), false))
        return false;
    const QString target = QFileInfo(expandSavePath(pathTemplate, fileName)).canonicalFilePath();
    // Two inputs of one batch can map to one output (rib.v1.plt and
    // rib.v2.dxf through "%f"); the first job is gone, and a script has to
    // hear of it.
    const QString source = QFileInfo(fileName).canonicalFilePath();
    const QString earlier = m_savedFrom.value(target);
    m_savedFrom.insert(target, source);
    // Rewriting an earlier output in place works on that output itself.
    if (earlier.isEmpty() || earlier == source || source == target)
        return true;
    prompts::warning(this, tr("Output overwritten"),
                     tr("\"%1\" and \"%2\" both save to \"%3\": the output of the first was overwritten!")
                         .arg(QDir::toNativeSeparators(earlier), QDir::toNativeSeparators(source),
                              QDir::toNativeSeparators(target)));
    return false;
}

void Kerfloom::closeProcessedTab(GraphWidget *view)
{
    // Without a display nobody looks at the drawing again: keeping it open
    // makes a batch grow with every file. Its save, or why it failed, has
    // been reported, so there is nothing left to ask.
    view->drawing()->setUnmodified(true);
    closeTab(tabIndexOf(view));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Kerfloom::linkInPlace(GraphWidget *view)
{
    QAction *autoJoinAction = action(QStringLiteral("action_Auto"));
    autoJoinAction->setEnabled(false);
    setEditingEnabled(false, true);
    m_busyViews.insert(view);
    view->beginLongOperation(tr("Linking objects"));
    autoJoin(*view->drawing());
    endBusy(view);
    setEditingEnabled(true, false);
    if (view->cacheUpdatesEnabled())
        view->updateCachedDrawing();
    updateDrawingInfo();
}

void Kerfloom::finishCommandLine(bool lastFromCmd, bool exitDecided)
{
    // Headless nobody can close the window: the run always ends after the
    // last file, with the failures in the exit code.
    if (exitDecided || (lastFromCmd && prompts::isHeadless())) {
        flushRecentFiles();
        const int code = m_failed ? 1 : 0;
        QTimer::singleShot(0, qApp, [code] { QCoreApplication::exit(code); });
    }
}

// ---- interactive linking ----------------------------------------------------

void Kerfloom::on_action_Auto_triggered()
{
    GraphWidget *view = currentView();
    if (!view || !m_editingEnabled || m_autoJoin.isRunning())
        return;
    action(QStringLiteral("action_Auto"))->setEnabled(false);
    beginBusy(view, tr("Linking objects"));
    setEditingEnabled(false, true);
    QPointer<GraphWidget> guard(view);
    m_autoJoin = startAutoJoin(*view->drawing(), [this, guard] {
        if (!guard)
            return;
        // The overlay stays until the cutting-order copy and the joints'
        // items are in, none of it in one long GUI event.
        guard->settleLongOperation([this, guard] {
            if (!guard)
                return;
            endBusy(guard);
            updateDrawingInfo();
        });
    });
}

// ---- saving -----------------------------------------------------------------

void Kerfloom::on_action_Save_triggered()
{
    saveDrawing(m_defaultSavePath, -1, false);
}

void Kerfloom::saveFile(int index)
{
    saveDrawing(m_defaultSavePath, index, false);
}

void Kerfloom::on_action_Save_as_triggered()
{
    saveAs();
}

void Kerfloom::saveAs()
{
    if (!currentView() || prompts::isHeadless())
        return;
    const QString filters = BaseFormat::saveFilter();
    const prompts::SaveChoice choice =
        prompts::saveFileName(this, tr("Save drawing"), Settings::LastSaveDir.read(), filters);
    const QString typed = stripFilterSuffix(choice.name);
    if (typed.isEmpty())
        return;
    // The dialog asked before replacing the name it returned; an ending added
    // here makes another file, so that one is asked about here.
    const QString name = addFilterSuffix(typed, choice.filter, filters);
    if (name != typed && QFileInfo::exists(name)
        && prompts::question(this, tr("Confirm Save As"),
                             tr("\"%1\" already exists.\nDo you want to replace it?")
                                 .arg(QDir::toNativeSeparators(name)),
                             false, prompts::No)
               != prompts::Yes)
        return;
    Settings::LastSaveDir.write(QFileInfo(name).absolutePath());
    saveDrawing(name, -1, true);
}

bool Kerfloom::saveDrawing(const QString &pathTemplate, int index, bool force)
{
    GraphWidget *view = index < 0 ? currentView() : viewAt(index);
    if (!view)
        return false;
    if (pathTemplate.isEmpty()) {
        prompts::warning(this, tr("Cannot save file"),
                         tr("No save path is set: \"%1\" was not saved!").arg(view->property("fname").toString()));
        return false;
    }
    const Drawing *cached = view->cachedDrawing();
    if (m_warnMultipleObjects && cached && cached->objects().size() > 1) {
        const auto answer = prompts::question(
            this, tr("Are you sure?"),
            tr("The drawing contains unconnected objects. Are you sure you want to save?"), false,
            prompts::Yes);
        if (answer != prompts::Yes)
            return false;
    }
    const QString source = view->property("fpath").toString();
    const QString target = (!force && view->property("isNewFile").toBool())
                               ? source
                               : expandSavePath(pathTemplate, source);
    Drawing copy(*view->drawing());
    const prompts::HeldMessages held;
    const prompts::WarningCapture why;
    if (!BaseFormat::save(target, copy)) {
        prompts::warning(this, tr("Cannot save file"),
                         why.withReason(tr("Failed to save \"%1\"!").arg(QDir::toNativeSeparators(target))));
        return false;
    }
    view->setProperty("fname", QFileInfo(target).fileName());
    view->setProperty("fpath", target);
    view->setProperty("isNewFile", true);
    const int tab = tabIndexOf(view);
    m_tabs->setTabToolTip(tab, QDir::toNativeSeparators(target));
    if (target != source)
        addRecentFile(target);
    view->drawing()->setUnmodified(true);
    updateTabText(view);
    if (view == currentView())
        setTitleFor(view);
    updateDrawingInfo();
    statusBar()->showMessage(tr("Saved to \"%1\"").arg(QDir::toNativeSeparators(target)), 5000);
    return true;
}

// ---- closing ----------------------------------------------------------------

bool Kerfloom::closeTab(int index)
{
    GraphWidget *view = viewAt(index);
    if (!view)
        return false;
    if (m_busyViews.count(view)) {
        m_closeWhenIdleViews.insert(view);
        return false;
    }
    const QSignalBlocker block(m_tabs);
    Drawing *d = view->drawing();
    // A drawing undone back past its save differs from the file although
    // nothing is left to undo: it is asked about too.
    if (m_askBeforeClosing && !d->isUnmodified()) {
        const auto answer = prompts::question(
            this, tr("You have unsaved changes"),
            tr("Do you want to save changes in \"%1\"?").arg(view->property("fname").toString()),
            true, prompts::No);
        // A save that failed or was declined at its own question must not
        // be followed by the close: the drawing would be gone unsaved.
        if (answer == prompts::Cancel
            || (answer == prompts::Yes && !saveDrawing(m_defaultSavePath, index, false))) {
            m_tabs->setProperty(stopProperty, true);
            return false;
        }
    }
    m_tabs->removeTab(index);
    m_stack->removeWidget(view);
    m_undoGroup->removeStack(view->undoStack());
    delete view;
    if (drawingCount() == 0) {
        showStartTab();
        statusBar()->showMessage(tr("Ready"));
        m_zoomBox->setValue(100);
        m_objectsLabel->clear();
        m_dimensionsLabel->clear();
        m_warningIcon->hide();
        setEditingEnabled(false, false);
        setWindowTitle(QLatin1String(appTitle));
    }
    m_stack->setCurrentIndex(currentView() ? m_tabs->currentIndex() + 1 : 0);
    on_tabs_currentChanged(m_tabs->currentIndex());
    return true;
}

void Kerfloom::on_actionClose_triggered()
{
    closeTab(m_tabs->currentIndex());
}

bool Kerfloom::closeAll()
{
    m_tabs->setProperty(stopProperty, false);
    while (drawingCount() > 0 && !m_tabs->property(stopProperty).toBool())
        if (!closeTab(m_tabs->currentIndex()) && !m_tabs->property(stopProperty).toBool())
            return false; // a busy tab cannot close
    return drawingCount() == 0;
}

void Kerfloom::on_actionClose_All_triggered()
{
    closeAll();
}

void Kerfloom::closeOthers(int keep)
{
    GraphWidget *kept = viewAt(keep);
    m_tabs->setProperty(stopProperty, false);
    for (int i = m_tabs->count() - 1; i >= 0; --i) {
        if (viewAt(i) == kept)
            continue;
        closeTab(i);
        if (m_tabs->property(stopProperty).toBool())
            return;
    }
}

void Kerfloom::closeEvent(QCloseEvent *event)
{
    if (!m_busyViews.empty()) {
        // Linking still runs on one tab: close once it is done.
        Settings::Geometry.write(saveGeometry());
        m_closeWhenIdle = true;
        event->ignore();
        return;
    }
    m_closeWhenIdle = false;
    if (!closeAll()) {
        event->ignore();
        return;
    }
    Settings::Geometry.write(saveGeometry());
    event->accept();
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
}

void Kerfloom::showTabMenu(const QPoint &pos)
{
    const int index = m_tabs->tabAt(pos);
    GraphWidget *view = viewAt(index);
    if (!view)
        return;
    QMenu menu(this);
    QAction *close = menu.addAction(tr("Close"));
    QAction *closeAllAction = menu.addAction(tr("Close all"));
    QAction *closeOther = menu.addAction(tr("Close other"));
    closeOther->setEnabled(drawingCount() > 1);
    menu.addSeparator();
    QAction *copy = menu.addAction(tr("Copy file path"));
    QAction *folder = menu.addAction(tr("Open containing folder"));
    QAction *chosen = menu.exec(m_tabs->mapToGlobal(pos));
    const QString path = view->property("fpath").toString();
    if (chosen == close)
        closeTab(index);
    else if (chosen == closeAllAction)
        closeAll();
    else if (chosen == closeOther)
        closeOthers(index);
    else if (chosen == copy)
        QApplication::clipboard()->setText(QDir::toNativeSeparators(path));
    else if (chosen == folder && !platform::showInFileManager(path))
        // Without a desktop (no file manager, no launcher) nothing would open
        // and nothing would say so.
        statusBar()->showMessage(tr("No file manager could show \"%1\"").arg(QDir::toNativeSeparators(path)),
                                 5000);
}

// ---- recent files -----------------------------------------------------------

void Kerfloom::updateRecentFiles()
{
    m_recentMenu->clear();
    const QStringList files = Settings::recentFiles().mid(0, maxRecentFiles);
    for (auto it = files.crbegin(); it != files.crend(); ++it) {
        auto *a = new QAction(QFileInfo(*it).fileName(), m_recentMenu);
        a->setToolTip(*it);
        a->setProperty("filename", *it);
        connect(a, &QAction::triggered, this, &Kerfloom::actionRecent_triggered);
        const auto existing = m_recentMenu->actions();
        m_recentMenu->insertAction(existing.isEmpty() ? nullptr : existing.first(), a);
        m_startPage->addRecentFile(*it);
    }
    m_recentMenu->setEnabled(!files.isEmpty());
    m_recentFilesWritten = files;
}

void Kerfloom::addRecentFile(const QString &name)
{
    // A command-line name is relative to a working folder the list does
    // not remember.
    const QString fname = name.isEmpty() ? name : QFileInfo(name).absoluteFilePath();
    for (QAction *a : m_recentMenu->actions())
        if (a->property("filename").toString() == fname) {
            m_recentMenu->removeAction(a);
            a->deleteLater();
        }
    auto *a = new QAction(QFileInfo(fname).fileName(), m_recentMenu);
    a->setToolTip(fname);
    a->setProperty("filename", fname);
    connect(a, &QAction::triggered, this, &Kerfloom::actionRecent_triggered);
    const auto existing = m_recentMenu->actions();
    m_recentMenu->insertAction(existing.isEmpty() ? nullptr : existing.first(), a);
    // A batch of hundreds of files would otherwise grow the menu past the
    // screen and the settings file with it.
    const auto all = m_recentMenu->actions();
    for (int i = maxRecentFiles; i < all.size(); ++i) {
        m_recentMenu->removeAction(all[i]);
        all[i]->deleteLater();
    }
    m_recentMenu->setEnabled(true);
    m_startPage->addRecentFile(fname);
    writeRecentFiles();
}

void Kerfloom::writeRecentFiles()
{
    m_recentFilesPending = true;
    if (!prompts::isHeadless())
        flushRecentFiles();
}

void Kerfloom::flushRecentFiles()
{
    if (!m_recentFilesPending)
        return;
    m_recentFilesPending = false;
    QStringList files;
    for (QAction *a : m_recentMenu->actions()) {
        const QString f = a->property("filename").toString();
        if (!f.isEmpty() && QFileInfo::exists(f))
            files << f;
    }
    if (files == m_recentFilesWritten)
        return;
    m_recentFilesWritten = files;
    Settings::setRecentFiles(files);
}

void Kerfloom::actionRecent_triggered()
{
    if (auto *a = qobject_cast<QAction *>(sender()))
        openFile(a->property("filename").toString(), false, true);
}

// ---- status bar -------------------------------------------------------------

void Kerfloom::scheduleDrawingInfo()
{
    constexpr qint64 intervalMs = 250;
    if (m_infoTimer->isActive())
        return;
    const qint64 since = m_sinceInfo.isValid() ? m_sinceInfo.elapsed() : intervalMs;
    if (since >= intervalMs)
        updateDrawingInfo();
    else
        m_infoTimer->start(int(intervalMs - since));
}

// The figures are counted once per change of the drawing (GraphWidget's
// cache), so a refresh costs the same for ten shapes or a million points.
void Kerfloom::updateDrawingInfo()
{
    m_sinceInfo.start();
    m_infoTimer->stop();
    GraphWidget *view = currentView();
    if (!view)
        return;
    const GraphWidget::CutFigures &figures = view->cutFigures();
    m_objectsLabel->setText(tr("Objects: %1, Points: %2").arg(figures.objects).arg(figures.points));
    const QRectF r = view->drawing()->boundingRect();
    m_dimensionsLabel->setText(tr("Drawing dimensions: %1 x %2")
                                   .arg(units::text(r.width()), units::text(r.height())));
    m_warningIcon->setVisible(m_warnNonClosed && figures.openShapes);
}
