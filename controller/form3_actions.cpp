// What the machine form does: set-up, the stream and the step cut, the keys,
// timers and buttons.
#include "controller/form3.h"
#include "controller/frmconfig.h"

#include "controller/gcodeline.h"
#include "controller/ini.h"
#include "controller/preview.h"
#include "controller/texts.h"
#include "platform/screensaver.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>

#include <cmath>

namespace cutdeck {

namespace {
// Bounds of the step-mode speed, those of the settings dialog's slider.
constexpr int kStepSpeedMin = 90;
constexpr int kStepSpeedMax = 600;
// Steps of one positioning move per tick of the jog timer.
constexpr int kJogSteps = 10;
const QString kContinue = QStringLiteral("&Continuar");
} // namespace

bool Form3::setUp()
{
    m_screenSaverCookie = platform::inhibitScreenSaver(QStringLiteral("cutdeck"), QStringLiteral("Corte en curso"));
    m_settings = MachineSettings::load();
    const bool ok = m_link->openPort(m_settings);
    setPanel(QStringLiteral("ejey"), m_link->statusText());
    if (!ok) {
        m_link->close();
        message(QMessageBox::Critical, MachineLink::openErrorText());
        return false;
    }
    m_baseSpeed = m_settings.baseSpeed();
    m_liveSpeed = m_baseSpeed;
    m_streamer.setBaseSpeed(m_baseSpeed);
    FrameArduino->setVisible(m_settings.mode == Mode::Gcode);
    setIdleMenus();
    showSpeed();
    setPanel(QStringLiteral("tiempo"), QStringLiteral("Tiempo 0:0:0"));
    return true;
}

void Form3::connectStream()
{
    connect(m_link.get(), &MachineLink::readyRead, this, [this] {
        // Step mode has no receive event.
        if (m_settings.mode != Mode::Gcode) {
            m_link->line().readAll();
            return;
        }
        const QByteArray chunk = m_link->line().readAll();
        m_streamer.receive(chunk, m_link->line().bytesWaiting());
    });
    connect(m_link.get(), &MachineLink::failed, this, [this](const QString &reason) {
        m_cancel = true;
        // The step loop sees only its cancel flag; this tells it why.
        m_portGone = m_cutting;
        if (m_streamer.state() == GcodeStreamer::State::Streaming
            || m_streamer.state() == GcodeStreamer::State::Settling)
            m_streamer.portFailed(reason);
        else if (!m_cutting)
            portLost(reason);
    });
    connect(&m_streamer, &GcodeStreamer::plotPoint, this,
            [this](QPointF p) { m_preview->plot(p); });
    connect(&m_streamer, &GcodeStreamer::lineSent, this, [this](qint64 index, const QString &line) {
        Text2->setText(line);
        if (index < lstgcode->count())
            lstgcode->setCurrentRow(int(index));
    });
    connect(&m_streamer, &GcodeStreamer::chunkReceived, this, [this](const QString &c) { List1->addItem(c); });
    connect(&m_streamer, &GcodeStreamer::chunksCleared, this, [this] {
        List1->clear();
        Text4->clear();
        Text6->clear();
        Text7->clear();
    });
    connect(&m_streamer, &GcodeStreamer::replyJudged, this,
            [this](const QString &received, int ok, int count, int m92) {
                Text4->setText(received);
                Text6->setText(QString::number(ok));
                Text7->setText(QString::number(count));
                Text8->setText(QString::number(m92));
            });
    connect(&m_streamer, &GcodeStreamer::stallChanged, this, [this](bool stalled) {
        if (stalled)
            statusBar()->showMessage(texts::stallNotice(m_streamer.quietPeriod() / 1000, m_streamer.nextIndex()));
        else
            statusBar()->clearMessage();
    });
    connect(&m_streamer, &GcodeStreamer::finished, this, [this] {
        Timer1.stop();
        setIdleMenus();
    });
    connect(&m_streamer, &GcodeStreamer::failed, this, &Form3::portLost);
}

void Form3::portLost(const QString &)
{
    Timer1.stop();
    statusBar()->clearMessage();
    setPanel(QStringLiteral("ejey"), QStringLiteral("Desconectado"));
    const qint64 acked = m_streamer.acknowledged();
    if (acked > 0 && acked <= lstgcode->count())
        lstgcode->setCurrentRow(int(acked - 1));
    setIdleMenus();
    message(QMessageBox::Critical, texts::portLost(acked, lstgcode->count()));
}

bool Form3::openJob(const QString &path)
{
    on_mnunuevo_triggered();
    m_jobPath = path;
    setWindowTitle(QStringLiteral("cutdeck -") + QFileInfo(path).fileName() + QStringLiteral("  - "));
    if (m_settings.mode == Mode::Gcode) {
        QStringList lines;
        if (!readGcodeJob(gcodePathFor(path), &lines))
            return false;
        double maxX = 1, maxY = 1;
        for (const QString &l : qAsConst(lines))
            if (const auto p = previewPoint(l)) {
                maxX = std::max(maxX, std::fabs(p->x()));
                maxY = std::max(maxY, p->y());
            }
        lstgcode->addItems(lines);
        m_streamer.setLines(lines);
        m_extent = QPointF(maxX, maxY);
        m_preview->fitExtent(m_extent);
        return true;
    }
    const CutFileResult r = readCutFile(path, &m_records);
    if (r == CutFileResult::TooLarge) {
        // The part that fits is not offered for cutting: it would stop the
        // wire somewhere in the middle of the drawing.
        m_records.clear();
        message(QMessageBox::Critical, QStringLiteral("El archivo es demasiado grande!!"));
        return false;
    }
    double maxX = 1, maxY = 1;
    for (const CutRecord &rec : m_records) {
        lstgcode->addItem(QStringLiteral("%1 %2 %3").arg(rec.number).arg(rec.x2).arg(rec.y2));
        maxX = std::max(maxX, std::fabs(rec.x2));
        maxY = std::max(maxY, std::fabs(rec.y2));
    }
    m_extent = QPointF(maxX, maxY);
    m_preview->fitExtent(m_extent);
    return r != CutFileResult::Unreadable;
}

void Form3::on_mnunuevo_triggered()
{
    m_streamer.setLines({});
    m_records.clear();
    lstgcode->clear();
    List1->clear();
    for (QLineEdit *e : {Text2, Text4, Text6, Text7, Text8})
        e->clear();
    m_preview->clear();
    m_jobPath.clear();
}

void Form3::on_mnuabrirarchivo_triggered()
{
    const QString start = ReadIni(QStringLiteral("dir"), QStringLiteral("dir_inicio"));
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Abrir Archivo de Corte"), start,
                                                      QStringLiteral("Archivos de Corte (*.txt);;Codigo G (*.gcode)"));
    if (path.isEmpty())
        return;
    WriteIni(QStringLiteral("dir"), QStringLiteral("dir_inicio"), QFileInfo(path).absolutePath());
    openJob(path);
}

void Form3::on_mnusalir_triggered()
{
    close();
}

void Form3::on_mnudefinirvelocidad_triggered()
{
    const int speed = m_config(frmconfig::MachineTab, true);
    if (speed >= 0)
        settingsAccepted(speed);
}

void Form3::settingsAccepted(int)
{
    // The dialog has written the file; the form takes the new speeds. The
    // mode and port stay as they were opened.
    const Mode mode = m_settings.mode;
    const QString device = m_settings.devicePath;
    const int port = m_settings.portNumber;
    m_settings = MachineSettings::load();
    m_settings.mode = mode;
    m_settings.devicePath = device;
    m_settings.portNumber = port;
    m_baseSpeed = m_settings.baseSpeed();
    m_liveSpeed = m_baseSpeed;
    m_streamer.setBaseSpeed(m_baseSpeed);
    showSpeed();
}

void Form3::on_mnugcode_triggered()
{
    if (m_streamer.lines().isEmpty())
        return;
    // The port went away (cable pulled, board reset) and may be back: the
    // operator starts again here rather than leaving the form.
    if (!m_link->isOpen()) {
        const bool reopened = m_link->openPort(m_settings);
        setPanel(QStringLiteral("ejey"), reopened ? m_link->statusText() : QStringLiteral("Desconectado"));
        if (!reopened) {
            m_link->close();
            message(QMessageBox::Critical, MachineLink::openErrorText());
            return;
        }
    }
    m_preview->clear();
    m_preview->fitExtent(m_extent);
    m_streamer.setBaseSpeed(m_baseSpeed);
    m_hours = m_minutes = m_seconds = 0;
    setPanel(QStringLiteral("tiempo"), QStringLiteral("Tiempo 0:0:0"));
    Timer1.start();
    setBusyMenus();
    m_actions["mnupausa"]->setText(QStringLiteral("(P)a&usa"));
    m_streamer.start();
}

void Form3::on_mnupausa_triggered()
{
    QAction *pausa = m_actions["mnupausa"];
    const bool pausing = pausa->text() != kContinue;
    if (m_settings.mode == Mode::Gcode) {
        pausa->setText(pausing ? kContinue : QStringLiteral("(P)a&usa"));
        if (pausing)
            m_streamer.pause();
        else
            m_streamer.resume();
        return;
    }
    pausa->setText(pausing ? kContinue : QStringLiteral("Pa&usa"));
    if (pausing)
        Timer1.stop();
    else
        Timer1.start();
}

void Form3::on_mnucancelardibujo_triggered()
{
    // Stop first: the message box below runs its own event loop, and no line
    // or step may leave while the operator reads it.
    m_cancel = true;
    m_streamer.cancel();
    Timer1.stop();
    message(QMessageBox::Information, QStringLiteral("Archivo de Corte Cancelado"));
    if (!m_link->isOpen()) {
        message(QMessageBox::Critical, QStringLiteral("El puerto no está conectado!"),
                QStringLiteral("Error de conexión: "));
        close();
        return;
    }
    m_link->pulseAfterCancel();
    on_mnunuevo_triggered();
    setIdleMenus();
}

void Form3::on_mnufresar_triggered()
{
    if (m_settings.mode != Mode::Step || m_cutting || m_records.empty())
        return;
    m_settings.baseStepTime = int(numericValue(ReadIni(QStringLiteral("tiempo"), QStringLiteral("tiempo_base "))));
    m_hours = m_minutes = m_seconds = 0;
    setPanel(QStringLiteral("tiempo"), QStringLiteral("Tiempo 0:0:0"));
    Timer1.start();
    showSpeed();
    setBusyMenus();
    m_cancel = false;
    m_portGone = false;
    m_cutting = true;
    // The cut works on its own copy: "new" or another file during the cut
    // must not pull the records from under it.
    std::vector<CutRecord> records = m_records;
    if (!m_leftToRight) {
        std::vector<CutRecord> reversed;
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            reversed.push_back({it->number, it->x2, it->y2, it->x1, it->y1});
        records = reversed;
    }
    QAction *pausa = m_actions["mnupausa"];
    // The path is drawn as the cut reaches each record's end point, as a
    // streamed job draws the points of the lines it sends.
    m_preview->clear();
    m_preview->fitExtent(m_extent);
    StepGenerator generator({[this](std::uint8_t b) { return m_link->writeBytes(QByteArray(1, char(b))); },
                             [pausa] { return pausa->text() == kContinue; }, [this] { return m_cancel; },
                             [] { QCoreApplication::processEvents(); }, [this] { return m_baseSpeed; },
                             [this](const CutRecord &r) { m_preview->plot(QPointF(r.x2, std::fabs(r.y2))); }});
    const StepOutcome outcome =
        generator.cut(records, m_settings.resolutionX, m_settings.resolutionY, m_baseSpeed, m_settings.baseStepTime);
    m_cutting = false;
    finishStepCut(outcome);
}

void Form3::finishStepCut(StepOutcome outcome)
{
    Timer1.stop();
    if (outcome == StepOutcome::Cancelled && m_portGone)
        outcome = StepOutcome::PortFailed;
    m_portGone = false;
    switch (outcome) {
    case StepOutcome::Done:
        m_link->pulseAfterCancel();
        setIdleMenus();
        message(QMessageBox::Information, QStringLiteral("Archivo de Corte Finalizado"));
        break;
    case StepOutcome::Cancelled:
        break; // the cancel action has done the rest
    case StepOutcome::PortFailed:
        setIdleMenus();
        setPanel(QStringLiteral("ejey"), QStringLiteral("Desconectado"));
        message(QMessageBox::Critical, QStringLiteral("Se perdió la conexión con la máquina. El corte se detuvo."));
        break;
    case StepOutcome::BadSettings:
        setIdleMenus();
        message(QMessageBox::Critical,
                QStringLiteral("La resolución de los motores debe ser mayor que 0 (Configurar)."));
        break;
    }
    if (m_closeRequested)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Form3::on_mnuinvertirsentido_triggered()
{
    m_leftToRight = !m_leftToRight;
    m_actions["mnuinvertirsentido"]->setText(m_leftToRight ? QStringLiteral("&Izq->Der")
                                                           : QStringLiteral("&Der->Izq"));
}

void Form3::on_mnusimular_triggered()
{
    QAction *a = m_actions["mnusimular"];
    if (m_simulation.isActive()) {
        m_simulation.stop();
        a->setText(QStringLiteral("(&S)imular"));
        return;
    }
    m_preview->clear();
    m_preview->fitExtent(m_extent);
    m_simulationIndex = 0;
    a->setText(QStringLiteral("Parar (&S)imulacion"));
    m_simulation.start();
}

void Form3::on_mnuposicionar_triggered()
{
    if (m_settings.mode == Mode::Gcode) {
        sendButton({QStringLiteral("G92 X0 Y0 Z0")});
        FrameArduino->setVisible(!FrameArduino->isVisible());
        return;
    }
    const bool open = !Fraposicionar->isVisible();
    const bool keyboard = m_settings.positioningInput == 1;
    Fraposicionar->setTitle(keyboard ? QStringLiteral(" Posicionamiento con teclado ")
                                     : QStringLiteral(" Posicionamiento con mouse "));
    for (QPushButton *b : {cmdarriba, cmdabajo, cmdizquierda, cmdderecha})
        b->setEnabled(!keyboard);
    Fraposicionar->setVisible(open);
    m_link->pulseAfterCancel();
    if (open) {
        setPanel(QStringLiteral("ejez"),
                 QStringLiteral("Velocidad de Posicionamiento: ") + QString::number(m_settings.positioningSpeed));
        Timer2.start();
    } else {
        Timer2.stop();
        presionado = presionado2 = presionado3 = presionado4 = false;
        setPanel(QStringLiteral("ejez"), QStringLiteral("Velocidad: %1 mm/min").arg(m_baseSpeed));
    }
}

void Form3::jogTick()
{
    if (m_settings.mode != Mode::Step || !Fraposicionar->isVisible() || m_cutting)
        return;
    const int dx = (presionado ? kJogSteps : 0) - (presionado2 ? kJogSteps : 0);
    const int dy = (presionado3 ? kJogSteps : 0) - (presionado4 ? kJogSteps : 0);
    if (dx == 0 && dy == 0)
        return;
    StepGenerator generator({[this](std::uint8_t b) { return m_link->writeBytes(QByteArray(1, char(b))); }, {},
                             [this] { return !m_link->isOpen(); }, {}, {}, {}});
    generator.move(dx, dy, positioningStepInterval(m_settings.positioningSpeed));
}

void Form3::timer1Tick()
{
    if (++m_seconds > 59) {
        m_seconds = 0;
        if (++m_minutes > 59) {
            m_minutes = 0;
            ++m_hours;
        }
    }
    setPanel(QStringLiteral("tiempo"), QStringLiteral("Tiempo %1:%2:%3").arg(m_hours).arg(m_minutes).arg(m_seconds));
}

void Form3::showSpeed()
{
    setPanel(QStringLiteral("ejez"), QStringLiteral("Velocidad: %1 mm/min").arg(m_baseSpeed));
}

void Form3::changeLiveSpeed(int delta)
{
    if (m_settings.mode == Mode::Gcode) {
        if (delta > 0 && m_liveSpeed < m_settings.gcodeSpeedMax)
            m_liveSpeed += 30;
        else if (delta < 0 && m_liveSpeed > m_settings.gcodeSpeedMin)
            m_liveSpeed -= 30;
        // Without a base speed there is no percentage to send.
        const int percent = m_baseSpeed != 0 ? int(std::lround(double(m_liveSpeed) / m_baseSpeed * 100)) : 0;
        if (m_baseSpeed != 0)
            m_streamer.sendCommand(QStringLiteral("M220 S") + QString::number(percent));
        setPanel(QStringLiteral("ejez"),
                 QStringLiteral("Velocidad: %1 %2 %3").arg(m_liveSpeed).arg(m_baseSpeed).arg(percent));
        return;
    }
    if (delta > 0 && m_baseSpeed < kStepSpeedMax)
        m_baseSpeed += 30;
    else if (delta < 0 && m_baseSpeed > kStepSpeedMin)
        m_baseSpeed -= 30;
    showSpeed();
}

void Form3::sendButton(const QStringList &lines)
{
    for (const QString &l : lines)
        if (!m_streamer.sendCommand(l)) {
            message(QMessageBox::Critical, QStringLiteral("El puerto no está conectado!"),
                    QStringLiteral("Error de conexión: "));
            return;
        }
}

void Form3::runTestProgram()
{
    const QStringList program = {"M28 mju.g", "G21", "G90", "G92 X0 Y0", "G4 P2000", "G1 X0 Y0 F500",
                                 "G1 X0 Y-0", "G1 X0 Y-0", "G1 X0 Y-1.58", "G1 X14.7 Y-1.58", "M29"};
    List2->clear();
    List2->addItems(program);
    for (int i = 0; i < List2->count(); ++i) {
        if (!m_streamer.sendCommand(List2->item(i)->text()))
            return;
        m_link->wait(200);
    }
}

void Form3::keyPressEvent(QKeyEvent *event)
{
    // Enter in the command box has sent the command; it is not a pause.
    if (m_commandBox->hasFocus() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        return;
    }
    if (!event->isAutoRepeat())
        Timer2.start();
    const bool keyboardJog = m_settings.mode == Mode::Step && Fraposicionar->isVisible()
                             && m_settings.positioningInput == 1;
    switch (event->key()) {
    case Qt::Key_Plus: changeLiveSpeed(+1); break;
    case Qt::Key_Minus: changeLiveSpeed(-1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_P:
        if (m_actions["mnupausa"]->isEnabled())
            on_mnupausa_triggered();
        break;
    case Qt::Key_C:
        if (m_actions["mnufresar"]->isEnabled())
            on_mnufresar_triggered();
        break;
    case Qt::Key_D:
    case Qt::Key_I: on_mnuinvertirsentido_triggered(); break;
    case Qt::Key_Right: if (keyboardJog) { presionado = true; cmdderecha->setDown(true); } break;
    case Qt::Key_Left: if (keyboardJog) { presionado2 = true; cmdizquierda->setDown(true); } break;
    case Qt::Key_Up: if (keyboardJog) { presionado3 = true; cmdarriba->setDown(true); } break;
    case Qt::Key_Down: if (keyboardJog) { presionado4 = true; cmdabajo->setDown(true); } break;
    default: QMainWindow::keyPressEvent(event); return;
    }
    event->accept();
}

void Form3::keyReleaseEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return;
    if (!Fraposicionar->isVisible())
        Timer2.stop();
    switch (event->key()) {
    case Qt::Key_Right: presionado = false; cmdderecha->setDown(false); break;
    case Qt::Key_Left: presionado2 = false; cmdizquierda->setDown(false); break;
    case Qt::Key_Up: presionado3 = false; cmdarriba->setDown(false); break;
    case Qt::Key_Down: presionado4 = false; cmdabajo->setDown(false); break;
    default: break;
    }
    QMainWindow::keyReleaseEvent(event);
}

} // namespace cutdeck
