#pragma once

#include <QElapsedTimer>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <set>
#include <vector>

class GraphWidget;
class KFStartPage;
class KeyEventFilter;
class QAction;
class QLabel;
class QMenu;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolBar;
class QUndoGroup;

// The main window: one tab per open drawing, the start page while none is
// open, and the way documents come in (dialog, recent files, drops, the
// command line) and go out (save templates, closing with questions).
class Kerfloom : public QMainWindow
{
    Q_OBJECT
public:
    explicit Kerfloom(QWidget *parent = nullptr);
    ~Kerfloom() override;

    // Entries of the "Open recent" menu and of the stored list.
    static constexpr int maxRecentFiles = 20;

    // Save routine: expands the template for the tab's file (index -1: the
    // current tab) unless the tab was already saved by us and force is off.
    bool saveDrawing(const QString &pathTemplate, int index, bool force);
    bool closeTab(int index);

    // The command-line run ends after the last file; a failed load or save
    // on the way makes the exit code 1.
    bool hadFailure() const { return m_failed; }
    int drawingCount() const;
    GraphWidget *viewAt(int tabIndex) const;
    GraphWidget *currentView() const;
    QTabBar *tabBar() const { return m_tabs; }
    KFStartPage *startPage() const { return m_startPage; }
    QMenu *recentMenu() const { return m_recentMenu; }
    QAction *action(const QString &objectName) const;
    bool isLongOperationRunning() const { return !m_busyViews.empty(); }

public slots:
    void openFile(const QString &fileName, bool isFromCmd = false, bool actuallyExit = false);
    void saveFile(int index);
    void saveAs();
    void processDroppedFiles(const QList<QUrl> &urls);
    void addRecentFile(const QString &fname);
    void init();
    void updateRecentFiles();
    void updateSaveState();
    void fitInView_trigerred();
    void zoomOut_trigerred();
    void zoomIn_trigerred();
    void zoomBox_changed(int value);
    void updateZoomBoxScale();
    void on_actionAbout_Kerfloom_triggered();
    void on_tabs_currentChanged(int index);
    void on_tabs_tabCloseRequested(int index);
    void on_tabs_tabMoved(int from, int to);
    void simulationFinished();
    void on_actionSimulate_triggered();
    void on_action_Open_triggered();
    void on_action_Save_triggered();
    void on_action_Save_as_triggered();
    void on_action_Auto_triggered();
    void on_actionPreferences_triggered();
    void actionRecent_triggered();
    void on_actionRotate_Left_triggered();
    void on_actionRotate_right_triggered();
    void on_actionFlip_vertically_triggered();
    void on_actionFlip_horizontally_triggered();
    void on_actionReverse_object_triggered();
    void on_actionSet_position_triggered();
    void on_actionSet_start_point_triggered();
    void on_actionClose_triggered();
    void on_actionClose_All_triggered();
    void updateDrawingInfo();
    void setEditingEnabled(bool enabled, bool exclSim);
    // Hands the stored display options to every open view and redraws it.
    void applyDisplaySettings();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    // `text` and `toolTip` (may be null) untranslated: the action follows
    // a change of language.
    QAction *makeAction(const char *objectName, const char *text, const char *toolTip,
                        const QKeySequence &shortcut, const char *icon = nullptr);
    // Runs `apply` now and again whenever the language changes.
    void onLanguage(std::function<void()> apply);
    void retranslate();
    bool startTabShown() const;
    void showStartTab();
    void removeStartTab();
    void setTitleFor(GraphWidget *view);
    void updateTabText(GraphWidget *view);
    void runPerLoadActions(GraphWidget *view, const QString &fileName, bool isFromCmd,
                           bool actuallyExit);
    void linkInPlace(GraphWidget *view);
    bool saveFromCommandLine(GraphWidget *view, const QString &fileName, const QString &pathTemplate);
    void closeProcessedTab(GraphWidget *view);
    void finishCommandLine(bool actuallyExit, bool exitDecided);
    void beginBusy(GraphWidget *view, const QString &message);
    void endBusy(GraphWidget *view);
    void updateUndoActions();
    // The simulate action offers to stop while the current tab simulates.
    void showSimulationRunning(bool running);
    void showTabMenu(const QPoint &pos);
    bool closeAll();
    void closeOthers(int keep);
    int tabIndexOf(const GraphWidget *view) const;
    void pushOnCurrent(class QUndoCommand *command);
    // Each write syncs the settings file to disk; a headless batch writes
    // the list once, when it ends, and an unchanged list is never rewritten.
    void writeRecentFiles();
    void flushRecentFiles();
    // Edits, undo and long runs change the drawing thousands of times a
    // second; the status bar follows at once after a pause, and a few times
    // a second during a burst.
    void scheduleDrawingInfo();

    QTabBar *m_tabs = nullptr;
    QStackedWidget *m_stack = nullptr;
    KFStartPage *m_startPage = nullptr;
    QUndoGroup *m_undoGroup = nullptr;
    KeyEventFilter *m_keyFilter = nullptr;
    QMenu *m_recentMenu = nullptr;
    std::vector<std::function<void()>> m_retranslate;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QList<QAction *> m_editActions;
    QSlider *m_speed = nullptr;
    QSpinBox *m_zoomBox = nullptr;
    QLabel *m_objectsLabel = nullptr;
    QLabel *m_dimensionsLabel = nullptr;
    QLabel *m_warningIcon = nullptr;
    QTimer *m_infoTimer = nullptr;
    QElapsedTimer m_sinceInfo;

    // settings read once at construction
    QString m_defaultSavePath;
    bool m_askBeforeClosing = true;
    bool m_warnMultipleObjects = true;
    bool m_warnNonClosed = true;

    bool m_editingEnabled = false;
    bool m_failed = false;
    bool m_closeWhenIdle = false;
    bool m_recentFilesPending = false;
    QStringList m_recentFilesWritten;
    std::set<GraphWidget *> m_busyViews;
    // Busy tabs the user asked to close: closed (asking as usual) when done.
    std::set<GraphWidget *> m_closeWhenIdleViews;
    // Outputs the per-load saves of this run wrote, and from which input.
    QHash<QString, QString> m_savedFrom;
    QList<QUrl> m_pendingDrops;
    QFuture<void> m_autoJoin;
};
