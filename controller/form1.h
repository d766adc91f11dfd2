#pragma once

#include "controller/drawing.h"
#include "controller/machinelink.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QScrollBar;

namespace cutdeck {

class Form3;

// The drawing of Form1, painted at the view scale and shifted by the scroll
// offsets. Up to `shown` segments are drawn (the simulation grows it).
class DrawingView : public QWidget
{
    Q_OBJECT
public:
    explicit DrawingView(QWidget *parent = nullptr);

    void setDrawing(const Drawing *drawing);
    void setScale(double pixelsPerMm);
    double scale() const { return m_scale; }
    void setOffset(QPoint pixels);
    // Scale so that the whole drawing fits.
    void fit();
    // Number of records drawn; -1 draws all.
    void setShown(int records);
    // The drawing's extent in pixels at the current scale.
    QSize drawingSize() const;
    QPointF toDrawing(QPointF pixel) const;

signals:
    void pointerMoved(QPointF mm);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPointF origin() const;

    const Drawing *m_drawing = nullptr;
    QRectF m_bounds;
    double m_scale = 1;
    QPoint m_offset;
    int m_shown = -1;
};

// Form1, the drawing form: opens an HPGL drawing, previews, estimates and
// simulates the cut, writes the job files and hands them to Form3.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    using MessageFunction = std::function<void(QMessageBox::Icon, const QString &, const QString &)>;
    // Asks for a file name: save dialog when `save`; empty = cancelled.
    using FileDialogFunction =
        std::function<QString(bool save, const QString &title, const QString &filter, const QString &proposed)>;
    using LinkFactory = std::function<std::unique_ptr<MachineLink>()>;
    // Opens frmconfig on a tab; returns the accepted speed or -1.
    using ConfigFunction = std::function<int(int tab, bool speedControls)>;

    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Opens a drawing as "&Abrir" does after its dialog.
    bool openDrawing(const QString &path);
    // Writes the job files to `cutPath` (and the G-code file in G-code mode).
    bool saveJobFiles(const QString &cutPath);

    const Drawing &drawing() const { return m_drawing; }
    QString savedJob() const { return m_savedJob; }
    DrawingView *view() const { return m_view; }
    Form3 *machineForm() const;
    QString statusText(const QString &key) const;

    void setMessageFunction(MessageFunction f) { m_message = std::move(f); }
    void setFileDialogFunction(FileDialogFunction f) { m_fileDialog = std::move(f); }
    void setLinkFactory(LinkFactory f) { m_linkFactory = std::move(f); }
    void setConfigFunction(ConfigFunction f) { m_config = std::move(f); }

public slots:
    void on_mnunuevo_triggered();
    void on_mnuabrir_triggered();
    void on_mnuguardararchivo_triggered();
    void on_mnusalir_triggered();
    void on_mnuopciones_triggered();
    void on_mnusimular_triggered();
    void on_mnucuadricula_triggered();
    void on_mnurun_triggered();
    void on_mnusobre_triggered();
    // After "&Aceptar" of the settings dialog.
    void showSpeed(int speed);

private:
    void buildMenus();
    void setStatus(const QString &key, const QString &text);
    void message(QMessageBox::Icon icon, const QString &text, const QString &title = QString());
    void openSettings(int tab, bool speedControls);
    void updateScrollBars();
    void simulationTick();

    Drawing m_drawing;
    QString m_savedJob;
    DrawingView *m_view = nullptr;
    QScrollBar *HScroll1 = nullptr;
    QScrollBar *VScroll1 = nullptr;
    QMap<QString, QLabel *> m_status;
    QMap<QString, QAction *> m_actions;
    QPointer<Form3> m_form3;
    MessageFunction m_message;
    FileDialogFunction m_fileDialog;
    LinkFactory m_linkFactory;
    ConfigFunction m_config;
    QTimer m_simulation;
    QElapsedTimer m_simulationClock;
    double m_simulatedLength = 0;
    double m_simulationTarget = 0;
    int m_simulatedRecords = 0;
    int m_simulationSpeed = 0;
};

} // namespace cutdeck
