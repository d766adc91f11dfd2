#include "controller/form3.h"

#include "controller/frmconfig.h"
#include "controller/gcodeline.h"
#include "controller/icons.h"
#include "controller/preview.h"
#include "controller/texts.h"
#include "platform/screensaver.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>

namespace cutdeck {

Form3::Form3(std::unique_ptr<MachineLink> link, QWidget *parent)
    : QMainWindow(parent),
      m_link(std::move(link)),
      m_streamer([this](const QByteArray &bytes) { return m_link->writeBytes(bytes); })
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("cutdeck"));
    m_message = [this](QMessageBox::Icon icon, const QString &title, const QString &text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };
    m_config = [this](int tab, bool speedControls) {
        return frmconfig::edit(this, frmconfig::Tab(tab), speedControls);
    };
    buildMenus();
    buildControls();
    connectStream();

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &Form3::timer1Tick);
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(50);
    connect(&Timer2, &QTimer::timeout, this, &Form3::jogTick);
    m_simulation.setInterval(20);
    connect(&m_simulation, &QTimer::timeout, this, [this] {
        if (m_simulationIndex >= lstgcode->count()) {
            on_mnusimular_triggered();
            return;
        }
        const int i = m_simulationIndex++;
        // Step mode lists records, not G-code: their end points are the path.
        if (m_settings.mode == Mode::Step && i < int(m_records.size()))
            m_preview->plot(QPointF(m_records[size_t(i)].x2, std::fabs(m_records[size_t(i)].y2)));
        else if (const auto p = previewPoint(lstgcode->item(i)->text()))
            m_preview->plot(*p);
    });
    setIdleMenus();
}

Form3::~Form3()
{
    m_cancel = true;
    m_streamer.cancel();
    platform::releaseScreenSaver(m_screenSaverCookie);
}

void Form3::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto make = [this](const char *name, const QString &caption) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        m_actions.insert(QLatin1String(name), a);
        return a;
    };
    QMenu *archivo = bar->addMenu(QStringLiteral("(&A)rchivo"));
    archivo->setObjectName(QStringLiteral("mnuarchivo"));
    m_actions.insert(QStringLiteral("mnuarchivo"), archivo->menuAction());
    archivo->addAction(make("mnunuevo", QStringLiteral("&Nuevo")));
    archivo->addAction(make("mnuabrirarchivo", QStringLiteral("Abrir Archivo")));
    archivo->addSeparator();
    archivo->addAction(make("mnusalir", QStringLiteral("&Salir")));
    bar->addAction(make("mnudefinirvelocidad", QStringLiteral("Co(&n)figurar")));
    bar->addAction(make("mnuposicionar", QStringLiteral("P(&o)sicionar Manualmente ")));
    QMenu *opciones = bar->addMenu(QStringLiteral("&Opciones"));
    opciones->setObjectName(QStringLiteral("mnuopciones"));
    m_actions.insert(QStringLiteral("mnuopciones"), opciones->menuAction());
    opciones->addAction(make("mnudefinirpuerto", QStringLiteral("Definir Puerto")));
    bar->addAction(make("mnufresar", QStringLiteral("(&C)ortar")));
    bar->addAction(make("mnugcode", QStringLiteral("Cortar GCode")));
    bar->addAction(make("mnuinvertirsentido", QStringLiteral("&Izq->Der")));
    bar->addAction(make("mnusimular", QStringLiteral("(&S)imular")));
    bar->addAction(make("mnucancelardibujo", QStringLiteral("Cancelar Dibujo")));
    bar->addAction(make("mnupausa", QStringLiteral("(P)a&usa")));
    // The classic slot names, wired by hand: the form is not generated.
    connect(m_actions["mnunuevo"], &QAction::triggered, this, &Form3::on_mnunuevo_triggered);
    connect(m_actions["mnuabrirarchivo"], &QAction::triggered, this, &Form3::on_mnuabrirarchivo_triggered);
    connect(m_actions["mnusalir"], &QAction::triggered, this, &Form3::on_mnusalir_triggered);
    connect(m_actions["mnudefinirvelocidad"], &QAction::triggered, this, &Form3::on_mnudefinirvelocidad_triggered);
    connect(m_actions["mnudefinirpuerto"], &QAction::triggered, this, [this] {
        const int speed = m_config(frmconfig::PortTab, false);
        if (speed >= 0)
            settingsAccepted(speed);
    });
    connect(m_actions["mnuposicionar"], &QAction::triggered, this, &Form3::on_mnuposicionar_triggered);
    connect(m_actions["mnufresar"], &QAction::triggered, this, &Form3::on_mnufresar_triggered);
    connect(m_actions["mnugcode"], &QAction::triggered, this, &Form3::on_mnugcode_triggered);
    connect(m_actions["mnuinvertirsentido"], &QAction::triggered, this, &Form3::on_mnuinvertirsentido_triggered);
    connect(m_actions["mnusimular"], &QAction::triggered, this, &Form3::on_mnusimular_triggered);
    connect(m_actions["mnucancelardibujo"], &QAction::triggered, this, &Form3::on_mnucancelardibujo_triggered);
    connect(m_actions["mnupausa"], &QAction::triggered, this, &Form3::on_mnupausa_triggered);

    for (const char *key : {"ejey", "ejez", "tiempo"}) {
        auto *label = new QLabel(this);
        label->setObjectName(QLatin1String(key));
        label->setMinimumWidth(180);
        statusBar()->addPermanentWidget(label);
        m_panels.insert(QLatin1String(key), label);
    }
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

QPushButton *Form3::machineButton(const char *name, const QIcon &icon, const QString &tip)
{
    auto *b = new QPushButton(icon, QString(), this);
    b->setObjectName(QLatin1String(name));
    b->setIconSize(QSize(32, 32));
    b->setToolTip(tip);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void Form3::buildControls()
{
    auto *central = new QWidget(this);
    auto *layout = new QHBoxLayout(central);
    m_preview = new Preview(central);
    m_preview->setObjectName(QStringLiteral("Preview"));
    layout->addWidget(m_preview, 3);

    auto *side = new QVBoxLayout;
    layout->addLayout(side, 2);
    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        w->setFocusPolicy(Qt::NoFocus);
        return w;
    };
    lstgcode = static_cast<QListWidget *>(named(new QListWidget(central), "lstgcode"));
    List1 = static_cast<QListWidget *>(named(new QListWidget(central), "List1"));
    List2 = static_cast<QListWidget *>(named(new QListWidget(central), "List2"));
    List1->setMaximumHeight(70);
    List2->setVisible(false);
    lstgcode->setUniformItemSizes(true);
    side->addWidget(lstgcode, 3);
    side->addWidget(List1);
    auto *boxes = new QGridLayout;
    QLineEdit **edits[] = {&Text2, &Text4, &Text6, &Text7, &Text8};
    const char *names[] = {"Text2", "Text4", "Text6", "Text7", "Text8"};
    for (int i = 0; i < 5; ++i) {
        *edits[i] = static_cast<QLineEdit *>(named(new QLineEdit(central), names[i]));
        (*edits[i])->setReadOnly(true);
    }
    boxes->addWidget(Text2, 0, 0, 1, 4);
    boxes->addWidget(Text4, 1, 0, 1, 4);
    boxes->addWidget(Text6, 2, 0);
    boxes->addWidget(Text7, 2, 1);
    boxes->addWidget(Text8, 2, 2);
    side->addLayout(boxes);

    FrameArduino = new QGroupBox(central);
    FrameArduino->setObjectName(QStringLiteral("FrameArduino"));
    auto *g = new QGridLayout(FrameArduino);
    const QString jog = QStringLiteral("G91");
    // No speed set yet: the firmware's own feed rather than "F0".
    auto speed = [this] { return m_baseSpeed > 0 ? QStringLiteral(" F") + QString::number(m_baseSpeed) : QString(); };
    struct Jog { const char *name; ButtonPicture pic; const char *move; int row, col; };
    const Jog jogs[] = {{"Command1", ButtonPicture::Down, "G1 Y-10", 2, 1},
                        {"Command2", ButtonPicture::Right, "G1 X10", 1, 2},
                        {"Command3", ButtonPicture::Left, "G1 X-10", 1, 0},
                        {"Command4", ButtonPicture::Up, "G1 Y10", 0, 1}};
    for (const Jog &j : jogs) {
        QPushButton *b = machineButton(j.name, buttonIcon(j.pic), QLatin1String(j.move));
        const QString move = QLatin1String(j.move);
        connect(b, &QPushButton::clicked, this, [=] { sendButton({jog, move + speed()}); });
        g->addWidget(b, j.row, j.col);
    }
    QPushButton *on = machineButton("cmdON", buttonIcon(ButtonPicture::WireOn), QStringLiteral("M106"));
    QPushButton *off = machineButton("cmdOFF", buttonIcon(ButtonPicture::WireOff), QStringLiteral("M107"));
    QPushButton *pause = machineButton("cmdpausa", buttonIcon(ButtonPicture::PauseMachine), QStringLiteral("M600"));
    QPushButton *test = machineButton("Command7", buttonIcon(ButtonPicture::TestProgram), QStringLiteral("M28"));
    connect(on, &QPushButton::clicked, this, [this] { sendButton({QStringLiteral("M106")}); });
    connect(off, &QPushButton::clicked, this, [this] { sendButton({QStringLiteral("M107")}); });
    connect(pause, &QPushButton::clicked, this, [this] { sendButton({QStringLiteral("M600 X50 Y-50")}); });
    connect(test, &QPushButton::clicked, this, &Form3::runTestProgram);
    g->addWidget(on, 0, 3);
    g->addWidget(off, 1, 3);
    g->addWidget(pause, 2, 3);
    g->addWidget(test, 0, 0);
    auto *stop = new QPushButton(QStringLiteral("stop"), FrameArduino);
    stop->setObjectName(QStringLiteral("Command9"));
    // The emergency stop does not wait its turn behind the line in flight:
    // the firmware acts on it as it arrives, and halts without answering.
    connect(stop, &QPushButton::clicked, this, [this] {
        if (!m_link->send(QStringLiteral("M112")))
            message(QMessageBox::Critical, QStringLiteral("El puerto no está conectado!"),
                    QStringLiteral("Error de conexión: "));
    });
    auto *reset = new QPushButton(QStringLiteral("Reset"), FrameArduino);
    reset->setObjectName(QStringLiteral("Command5"));
    connect(reset, &QPushButton::clicked, this, [this] { m_link->pulseReset(); });
    m_commandBox = new QLineEdit(FrameArduino);
    m_commandBox->setObjectName(QStringLiteral("Text1"));
    // The box takes the keyboard only when clicked: otherwise it would hold
    // the focus from the start and swallow the form's keys (+, -, P, C …).
    m_commandBox->setFocusPolicy(Qt::ClickFocus);
    auto *send = new QPushButton(QStringLiteral("Enviar"), FrameArduino);
    send->setObjectName(QStringLiteral("Command6"));
    connect(send, &QPushButton::clicked, this, [this] { sendButton({m_commandBox->text()}); });
    connect(m_commandBox, &QLineEdit::returnPressed, send, &QPushButton::click);
    g->addWidget(stop, 3, 0);
    g->addWidget(reset, 3, 1);
    g->addWidget(m_commandBox, 4, 0, 1, 3);
    g->addWidget(send, 4, 3);
    for (QPushButton *b : {stop, reset, send})
        b->setFocusPolicy(Qt::NoFocus);
    side->addWidget(FrameArduino);

    Fraposicionar = new QGroupBox(central);
    Fraposicionar->setObjectName(QStringLiteral("Fraposicionar"));
    auto *pg = new QGridLayout(Fraposicionar);
    struct Arrow { QPushButton **button; const char *name; ButtonPicture pic; bool *flag; int row, col; };
    const Arrow arrows[] = {{&cmdarriba, "cmdarriba", ButtonPicture::Up, &presionado3, 0, 1},
                            {&cmdabajo, "cmdabajo", ButtonPicture::Down, &presionado4, 2, 1},
                            {&cmdizquierda, "cmdizquierda", ButtonPicture::Left, &presionado2, 1, 0},
                            {&cmdderecha, "cmdderecha", ButtonPicture::Right, &presionado, 1, 2}};
    for (const Arrow &a : arrows) {
        *a.button = machineButton(a.name, buttonIcon(a.pic), QString());
        bool *flag = a.flag;
        connect(*a.button, &QPushButton::pressed, this, [flag] { *flag = true; });
        connect(*a.button, &QPushButton::released, this, [flag] { *flag = false; });
        pg->addWidget(*a.button, a.row, a.col);
    }
    Fraposicionar->setVisible(false);
    side->addWidget(Fraposicionar);
    setCentralWidget(central);
    resize(1100, 700);
}

void Form3::setPanel(const QString &key, const QString &text)
{
    if (QLabel *l = m_panels.value(key))
        l->setText(text);
}

QString Form3::panelText(const QString &key) const
{
    const QLabel *l = m_panels.value(key);
    return l ? l->text() : QString();
}

void Form3::message(QMessageBox::Icon icon, const QString &text, const QString &title)
{
    m_message(icon, title.isEmpty() ? texts::title() : title, text);
}

void Form3::setIdleMenus()
{
    for (const char *name : {"mnuposicionar", "mnuopciones", "mnuarchivo", "mnusimular", "mnufresar", "mnugcode",
                             "mnudefinirvelocidad", "mnuinvertirsentido"})
        m_actions[QLatin1String(name)]->setEnabled(true);
    m_actions["mnupausa"]->setEnabled(false);
    m_actions["mnucancelardibujo"]->setEnabled(false);
    m_actions["mnupausa"]->setText(m_settings.mode == Mode::Gcode ? QStringLiteral("(P)a&usa")
                                                                  : QStringLiteral("Pa&usa"));
}

void Form3::setBusyMenus()
{
    for (const char *name : {"mnuposicionar", "mnuopciones", "mnuarchivo", "mnusimular", "mnufresar", "mnugcode",
                             "mnudefinirvelocidad", "mnuinvertirsentido"})
        m_actions[QLatin1String(name)]->setEnabled(false);
    m_actions["mnupausa"]->setEnabled(true);
    m_actions["mnucancelardibujo"]->setEnabled(true);
}

bool Form3::isBusy() const
{
    const GcodeStreamer::State s = m_streamer.state();
    return m_cutting || s == GcodeStreamer::State::Settling || s == GcodeStreamer::State::Streaming;
}

void Form3::closeEvent(QCloseEvent *event)
{
    // Leaving while a step cut runs: the cut stops first, and the loop that
    // runs it closes the form when it has unwound.
    if (m_cutting) {
        m_cancel = true;
        m_closeRequested = true;
        event->ignore();
        return;
    }
    // However the form is left (menu, title bar, the drawing form's exit),
    // the board is reset and the port closed: a job cut off here must not
    // leave the machine running its last command.
    m_cancel = true;
    m_streamer.cancel();
    // The pulse waits with events running; a second close meanwhile is the
    // same close.
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    if (m_link->isOpen()) {
        m_link->pulseOnExit();
        m_link->close();
    }
    m_closing = false;
    QMainWindow::closeEvent(event);
}

} // namespace cutdeck
