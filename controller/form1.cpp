#include "controller/form1.h"

#include "controller/form3.h"
#include "controller/frmconfig.h"
#include "controller/ini.h"
#include "controller/settings.h"
#include "controller/smallforms.h"
#include "controller/texts.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace cutdeck {

namespace {

constexpr int kMargin = 10;
// The simulation runs this many times faster than the wire would, so that a
// whole job can be watched in a minute or two.
constexpr double kSimulationSpeedUp = 20.0;
// Speed of the simulation when the settings hold none, mm/min.
constexpr int kSimulationFallbackSpeed = 300;

QString programTitle()
{
    return QStringLiteral("cutdeck");
}

} // namespace

DrawingView::DrawingView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void DrawingView::setDrawing(const Drawing *drawing)
{
    m_drawing = drawing;
    m_bounds = QRectF();
    m_shown = -1;
    if (drawing && !drawing->isEmpty()) {
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0; // the origin is always in view
        for (const DrawingRecord &r : drawing->records) {
            if (r.kind != 1)
                continue;
            x0 = std::min(x0, r.x);
            x1 = std::max(x1, r.x);
            y0 = std::min(y0, r.y);
            y1 = std::max(y1, r.y);
        }
        m_bounds = QRectF(QPointF(x0, y0), QPointF(x1, y1));
    }
    update();
}

void DrawingView::setScale(double pixelsPerMm)
{
    if (pixelsPerMm > 0 && std::isfinite(pixelsPerMm)) {
        m_scale = std::clamp(pixelsPerMm, 1e-4, 1e4);
        update();
    }
}

void DrawingView::setOffset(QPoint pixels)
{
    m_offset = pixels;
    update();
}

void DrawingView::fit()
{
    const double w = std::max(1.0, m_bounds.width());
    const double h = std::max(1.0, m_bounds.height());
    setScale(std::max(1e-4, std::min((width() - 2 * kMargin) / w, (height() - 2 * kMargin) / h)));
}

void DrawingView::setShown(int records)
{
    m_shown = records;
    update();
}

QSize DrawingView::drawingSize() const
{
    return QSize(int(std::min(1e9, m_bounds.width() * m_scale)) + 2 * kMargin,
                 int(std::min(1e9, m_bounds.height() * m_scale)) + 2 * kMargin);
}

QPointF DrawingView::origin() const
{
    return QPointF(kMargin - m_bounds.left() * m_scale, kMargin - m_bounds.top() * m_scale) - QPointF(m_offset);
}

QPointF DrawingView::toDrawing(QPointF pixel) const
{
    return (pixel - origin()) / m_scale;
}

void DrawingView::paintEvent(QPaintEvent *)
{
    if (!m_drawing || m_drawing->isEmpty())
        return;
    QPainter p(this);
    QPen pen(Qt::black, 0);
    pen.setCosmetic(true);
    p.setPen(pen);
    const QPointF o = origin();
    const auto &recs = m_drawing->records;
    const size_t n = m_shown < 0 ? recs.size() : std::min(recs.size(), size_t(m_shown));
    // Runs of consecutive points are one polyline each.
    QVector<QPointF> run;
    run.reserve(1024);
    auto flush = [&] {
        if (run.size() > 1)
            p.drawPolyline(run.constData(), run.size());
        run.clear();
    };
    for (size_t i = 0; i < n; ++i) {
        if (recs[i].kind != 1) {
            flush();
            continue;
        }
        run.append(QPointF(o.x() + recs[i].x * m_scale, o.y() + recs[i].y * m_scale));
    }
    flush();
}

void DrawingView::mouseMoveEvent(QMouseEvent *event)
{
    emit pointerMoved(toDrawing(event->pos()));
}

Form1::Form1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(programTitle());
    m_message = [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };
    m_fileDialog = [this](bool save, const QString &title, const QString &filter, const QString &proposed) {
        return save ? QFileDialog::getSaveFileName(this, title, proposed, filter)
                    : QFileDialog::getOpenFileName(this, title, proposed, filter);
    };
    m_linkFactory = [] { return std::make_unique<MachineLink>(platform::createSerialLine()); };
    m_config = [this](int tab, bool speedControls) {
        return frmconfig::edit(this, frmconfig::Tab(tab), speedControls);
    };

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_view = new DrawingView(central);
    m_view->setDrawing(&m_drawing);
    HScroll1 = new QScrollBar(Qt::Horizontal, central);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1 = new QScrollBar(Qt::Vertical, central);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    grid->addWidget(m_view, 0, 0);
    grid->addWidget(VScroll1, 0, 1);
    grid->addWidget(HScroll1, 1, 0);
    setCentralWidget(central);
    auto scroll = [this] { m_view->setOffset(QPoint(HScroll1->value(), VScroll1->value())); };
    connect(HScroll1, &QScrollBar::valueChanged, this, scroll);
    connect(VScroll1, &QScrollBar::valueChanged, this, scroll);
    connect(m_view, &DrawingView::pointerMoved, this, [this](QPointF mm) {
        setStatus(QStringLiteral("coordenadas"), QStringLiteral("Coordenada X= %1  Coordenada Y= %2")
                                                     .arg(mm.x(), 0, 'f', 2)
                                                     .arg(-mm.y(), 0, 'f', 2));
    });

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    for (const char *key : {"coordenadas", "velocidad", "zoom", "tiempo"}) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(key));
        label->setMinimumWidth(140);
        statusBar()->addPermanentWidget(label);
        m_status.insert(QLatin1String(key), label);
    }
    buildMenus();
    m_simulation.setInterval(30);
    connect(&m_simulation, &QTimer::timeout, this, &Form1::simulationTick);
    resize(1000, 700);
    // The speed of the mode the machine runs in, as "&Aceptar" shows it.
    showSpeed(MachineSettings::load().baseSpeed());
}

Form3 *Form1::machineForm() const
{
    return m_form3;
}

Form1::~Form1()
{
    delete m_form3;
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto make = [this](QMenu *menu, const char *name, const QString &caption) {
        auto *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        m_actions.insert(QLatin1String(name), a);
        return a;
    };
    auto top = [this, bar](const char *name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name));
        m_actions.insert(QLatin1String(name), m->menuAction());
        return m;
    };
    auto item = [this, bar](const char *name, const QString &caption) {
        auto *a = bar->addAction(caption);
        a->setObjectName(QLatin1String(name));
        m_actions.insert(QLatin1String(name), a);
        return a;
    };
    QMenu *archivo = top("mnuarchivo", QStringLiteral("&Archivo"));
    connect(make(archivo, "mnunuevo", QStringLiteral("&Nuevo")), &QAction::triggered, this, &Form1::on_mnunuevo_triggered);
    connect(make(archivo, "mnuabrir", QStringLiteral("&Abrir")), &QAction::triggered, this, &Form1::on_mnuabrir_triggered);
    connect(make(archivo, "mnuguardararchivo", QStringLiteral("&Guardar Archivo...")), &QAction::triggered, this,
            &Form1::on_mnuguardararchivo_triggered);
    archivo->addSeparator();
    connect(make(archivo, "mnusalir", QStringLiteral("&Salir")), &QAction::triggered, this, &Form1::on_mnusalir_triggered);

    QMenu *opcion = top("mnuopcion", QStringLiteral("C&onfigurar"));
    connect(make(opcion, "mnuopciones", QStringLiteral("C&onfigurar")), &QAction::triggered, this,
            &Form1::on_mnuopciones_triggered);
    opcion->addSeparator();
    // Entries without an action of their own open the dialog where their
    // value is edited.
    struct Entry { const char *name; const char *caption; int tab; };
    const Entry entries[] = {
        {"mnudefinirpuerto", "Definir Puerto", frmconfig::PortTab},
        {"mnudefinirvelocidad", "Definir Velocidad", frmconfig::MachineTab},
        {"mnudefinirpasosx", "Definir Pasos Eje X", frmconfig::MachineTab},
        {"mnudefinirpasosy", "Definir Pasos Eje Y", frmconfig::MachineTab},
        {"mnuconstante", "Definir Constante", frmconfig::OtherTab},
        {"mnudistanciarecta", "Dist max de Recta", frmconfig::OtherTab},
        {"mnuvelrecta", "Vel en Recta", frmconfig::MachineTab},
    };
    for (const Entry &e : entries) {
        const int tab = e.tab;
        connect(make(opcion, e.name, QString::fromUtf8(e.caption)), &QAction::triggered, this,
                [this, tab] { openSettings(tab, true); });
    }
    connect(item("mnusimular", QStringLiteral("S&imular")), &QAction::triggered, this, &Form1::on_mnusimular_triggered);
    connect(item("mnucuadricula", QStringLiteral("&Calcular Tiempo")), &QAction::triggered, this,
            &Form1::on_mnucuadricula_triggered);
    connect(item("mnurun", QStringLiteral("&Run")), &QAction::triggered, this, &Form1::on_mnurun_triggered);
    connect(item("mnusobre", QStringLiteral("Sobre...")), &QAction::triggered, this, &Form1::on_mnusobre_triggered);
}

void Form1::setStatus(const QString &key, const QString &text)
{
    if (QLabel *l = m_status.value(key))
        l->setText(text);
}

QString Form1::statusText(const QString &key) const
{
    const QLabel *l = m_status.value(key);
    return l ? l->text() : QString();
}

void Form1::message(QMessageBox::Icon icon, const QString &text, const QString &title)
{
    m_message(icon, title.isEmpty() ? texts::title() : title, text);
}

void Form1::showSpeed(int speed)
{
    setStatus(QStringLiteral("velocidad"), QStringLiteral("Velocidad = %1 mm/min").arg(speed));
}

void Form1::openSettings(int tab, bool speedControls)
{
    const int speed = m_config(tab, speedControls);
    if (speed < 0)
        return;
    showSpeed(speed);
    if (m_form3)
        m_form3->settingsAccepted(speed);
}

void Form1::on_mnuopciones_triggered()
{
    openSettings(frmconfig::MachineTab, true);
}

void Form1::on_mnunuevo_triggered()
{
    m_simulation.stop();
    m_drawing.clear();
    m_savedJob.clear();
    m_view->setDrawing(&m_drawing);
    setWindowTitle(programTitle());
    updateScrollBars();
}

void Form1::on_mnuabrir_triggered()
{
    on_mnunuevo_triggered();
    const QString start = ReadIni(QStringLiteral("dir"), QStringLiteral("dir_inicio"));
    QStringList recent;
    for (int i = 0; i < 5; ++i)
        recent << ReadIni(QStringLiteral("dir"), QStringLiteral("arc1(%1)").arg(i));
    const QString path = m_fileDialog(false, QStringLiteral("Abrir"), QStringLiteral("Archivos de Ploter (*.plt)"), start);
    if (path.isEmpty())
        return;
    openDrawing(path);
}

bool Form1::openDrawing(const QString &path)
{
    on_mnunuevo_triggered();
    const DrawingResult result = readHpgl(path, &m_drawing);
    if (result == DrawingResult::Unreadable)
        return false;
    WriteIni(QStringLiteral("dir"), QStringLiteral("dir_inicio"), QFileInfo(path).absolutePath());
    if (result == DrawingResult::TooLarge) {
        message(QMessageBox::Critical, QStringLiteral("Capacidad Máxima de memoria exedida!"),
                QStringLiteral("Tamaño del Dibujo"));
        m_view->setDrawing(&m_drawing);
        return false;
    }
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - ") + programTitle());
    prepareDrawing(m_drawing, DrawingOptions::load());
    m_view->setDrawing(&m_drawing);
    m_view->fit();
    setStatus(QStringLiteral("zoom"), QStringLiteral("Zoom= %1").arg(m_view->scale(), 0, 'f', 2));
    updateScrollBars();
    return true;
}

void Form1::updateScrollBars()
{
    const QSize size = m_view->drawingSize();
    HScroll1->setRange(0, std::max(0, size.width() - m_view->width()));
    VScroll1->setRange(0, std::max(0, size.height() - m_view->height()));
    HScroll1->setPageStep(std::max(1, m_view->width()));
    VScroll1->setPageStep(std::max(1, m_view->height()));
    HScroll1->setValue(0);
    VScroll1->setValue(0);
}

bool Form1::saveJobFiles(const QString &cutPath)
{
    const DrawingOptions options = DrawingOptions::load();
    QString error;
    if (!saveJob(m_drawing, cutPath, options.gcode, &error)) {
        message(QMessageBox::Critical, error);
        return false;
    }
    m_savedJob = cutPath;
    return true;
}

void Form1::on_mnuguardararchivo_triggered()
{
    if (m_drawing.fileName.isEmpty())
        return;
    const QString proposed = cutFileNameFor(m_drawing.fileName);
    QString cutPath = proposed;
    if (!DrawingOptions::load().autoSave) {
        cutPath = m_fileDialog(true, QStringLiteral("Guardar Archivo como..."),
                               QStringLiteral("Archivo de Fresado (*.txt);;Codigo G (*.gcode)"), proposed);
        if (cutPath.isEmpty())
            return;
        // A name chosen under the G-code filter names the pair; the cut file
        // must not overwrite the G-code file.
        if (cutPath.endsWith(QLatin1String(".gcode"), Qt::CaseInsensitive))
            cutPath = cutPath.left(cutPath.size() - 5) + QStringLiteral("txt");
    }
    saveJobFiles(cutPath);
}

void Form1::on_mnusalir_triggered()
{
    if (m_form3)
        m_form3->close();
    close();
}

void Form1::on_mnucuadricula_triggered()
{
    if (m_drawing.count() < 4)
        return;
    const MachineSettings s = MachineSettings::load();
    const double length = cutLength(m_drawing);
    message(QMessageBox::Information, timeEstimateMessage(length, s.stepSpeed));
    setStatus(QStringLiteral("tiempo"),
              motorTimeEstimate(m_drawing, s.resolutionX, s.resolutionY, s.stepSpeed, s.baseStepTime));
}

void Form1::on_mnusimular_triggered()
{
    if (m_drawing.isEmpty())
        return;
    if (m_simulation.isActive()) {
        m_simulationTarget = std::numeric_limits<double>::infinity();
        simulationTick();
        return;
    }
    const int speed = MachineSettings::load().stepSpeed;
    m_simulationSpeed = speed > 0 ? speed : kSimulationFallbackSpeed;
    setStatus(QStringLiteral("velocidad"), QStringLiteral("Velocidad = %1 mm/min").arg(speed));
    setStatus(QStringLiteral("zoom"), QStringLiteral("Zoom= %1").arg(m_view->scale(), 0, 'f', 2));
    m_simulatedLength = 0;
    m_simulationTarget = 0;
    m_simulatedRecords = 1;
    m_view->setShown(1);
    m_simulationClock.start();
    m_simulation.start();
}

void Form1::simulationTick()
{
    if (std::isfinite(m_simulationTarget))
        m_simulationTarget = m_simulationClock.elapsed() / 60000.0 * m_simulationSpeed * kSimulationSpeedUp;
    const auto &recs = m_drawing.records;
    int i = m_simulatedRecords;
    while (i < int(recs.size()) && m_simulatedLength <= m_simulationTarget) {
        if (recs[i].kind == 1 && recs[i - 1].kind == 1)
            m_simulatedLength += std::hypot(double(recs[i].x) - recs[i - 1].x, double(recs[i].y) - recs[i - 1].y);
        ++i;
    }
    m_simulatedRecords = i;
    m_view->setShown(i);
    if (i >= int(recs.size())) {
        m_simulation.stop();
        m_view->setShown(-1);
        message(QMessageBox::Information, QStringLiteral("Simulación de Corte Finalizada"));
    }
}

void Form1::on_mnurun_triggered()
{
    // The machine form is running a job: handing it another one would clear
    // the job under the wire. It is only brought forward.
    if (m_form3 && m_form3->isBusy()) {
        m_form3->raise();
        m_form3->activateWindow();
        return;
    }
    const DrawingOptions options = DrawingOptions::load();
    if (!m_drawing.fileName.isEmpty() && options.autoSave && !saveJobFiles(cutFileNameFor(m_drawing.fileName)))
        return;
    if (m_form3) {
        m_form3->raise();
        m_form3->activateWindow();
        if (!m_savedJob.isEmpty())
            m_form3->openJob(m_savedJob);
        return;
    }
    auto *form = new Form3(m_linkFactory());
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setMessageFunction([this](QMessageBox::Icon icon, const QString &title, const QString &text) {
        m_message(icon, title, text);
    });
    // The dialog opened from the machine form sets the speed for both forms.
    form->setConfigFunction([this](int tab, bool speedControls) {
        const int speed = m_config(tab, speedControls);
        if (speed >= 0)
            showSpeed(speed);
        return speed;
    });
    if (!form->setUp()) {
        delete form;
        return;
    }
    m_form3 = form;
    if (!m_savedJob.isEmpty())
        form->openJob(m_savedJob);
    form->show();
}

void Form1::on_mnusobre_triggered()
{
    frmSobre about(this);
    about.exec();
}

} // namespace cutdeck
