#include "controller/frmconfig.h"

#include "controller/drawing.h"
#include "controller/ini.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace cutdeck {

namespace {

constexpr int kStepSpeedMin = 90;
constexpr int kStepSpeedMax = 600;
// The G-code speed range when the file has none (vel_g_min/vel_g_max unset).
constexpr int kGcodeSpeedMin = 30;
constexpr int kGcodeSpeedMax = 3000;
constexpr int kPositioningMin = 1;
constexpr int kPositioningMax = 100;

QString ini(const char *section, const char *key)
{
    return ReadIni(QLatin1String(section), QLatin1String(key));
}

template<typename W>
W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QSlider *slider(const char *name, QWidget *parent)
{
    auto *s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setTickPosition(QSlider::TicksBelow);
    return s;
}

} // namespace

frmconfig::frmconfig(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmconfig"));
    setWindowTitle(QStringLiteral("Configuraciones"));
    setMinimumWidth(640);
    auto *layout = new QVBoxLayout(this);
    TabStrip1 = named(new QTabWidget(this), "TabStrip1");
    layout->addWidget(TabStrip1);

    // Machine: speeds and resolutions.
    auto *machine = named(new QGroupBox(TabStrip1), "Frame1");
    auto *mg = new QGridLayout(machine);
    auto *speedLabel = new QLabel(QStringLiteral("Velocidad de corte:                   (mm/min)"), machine);
    mg->addWidget(speedLabel, 0, 0, 1, 4);
    Slider1 = slider("Slider1", machine);
    cmbvelocidad = named(new QComboBox(machine), "cmbvelocidad");
    Slider2 = slider("Slider2", machine);
    lblvelgcode = named(new QLabel(machine), "lblvelgcode");
    mg->addWidget(new QLabel(QStringLiteral("(Lento)"), machine), 1, 0);
    mg->addWidget(Slider1, 1, 1);
    mg->addWidget(Slider2, 1, 1);
    mg->addWidget(new QLabel(QStringLiteral("(Rápido)"), machine), 1, 2);
    mg->addWidget(cmbvelocidad, 1, 3);
    mg->addWidget(lblvelgcode, 1, 3);
    mg->addWidget(new QLabel(QStringLiteral("Velocidad de posicionamiento:            (mm/min)"), machine), 2, 0, 1, 4);
    Slider3 = slider("Slider3", machine);
    Slider3->setRange(kPositioningMin, kPositioningMax);
    lblvelpos = named(new QLabel(machine), "lblvelpos");
    mg->addWidget(new QLabel(QStringLiteral("Min"), machine), 3, 0);
    mg->addWidget(Slider3, 3, 1);
    mg->addWidget(new QLabel(QStringLiteral("Max"), machine), 3, 2);
    mg->addWidget(lblvelpos, 3, 3);
    txtmotorx = named(new QLineEdit(machine), "txtmotorx");
    txtmotory = named(new QLineEdit(machine), "txtmotory");
    cmdModificar = named(new QPushButton(QStringLiteral("Modificar"), machine), "cmdModificar");
    mg->addWidget(new QLabel(QStringLiteral("Resolución X:"), machine), 4, 0);
    mg->addWidget(txtmotorx, 4, 1);
    mg->addWidget(new QLabel(QStringLiteral("Resolución Y:"), machine), 5, 0);
    mg->addWidget(txtmotory, 5, 1);
    mg->addWidget(cmdModificar, 4, 3, 2, 1);
    mg->setRowStretch(6, 1);
    TabStrip1->addTab(machine, QStringLiteral("Configuración de máquina"));

    // Port and positioning input.
    auto *port = named(new QGroupBox(TabStrip1), "Frame2");
    auto *pg = new QGridLayout(port);
    cmbpuerto = named(new QComboBox(port), "cmbpuerto");
    cmbpuerto->addItem(QStringLiteral("Autodetectar"));
    for (int i = 1; i <= 8; ++i)
        cmbpuerto->addItem(QString::number(i));
    cmbposicionamiento = named(new QComboBox(port), "cmbposicionamiento");
    cmbposicionamiento->addItems({QStringLiteral("Mouse"), QStringLiteral("Teclado")});
    pg->addWidget(new QLabel(QStringLiteral("Puerto:"), port), 0, 0);
    pg->addWidget(cmbpuerto, 0, 1);
    pg->addWidget(new QLabel(QStringLiteral("Posicionamiento:"), port), 1, 0);
    pg->addWidget(cmbposicionamiento, 1, 1);
    pg->setRowStretch(2, 1);
    TabStrip1->addTab(port, QStringLiteral("Configuración del puerto"));

    // Drawing options.
    auto *other = named(new QGroupBox(TabStrip1), "Frame3");
    auto *og = new QGridLayout(other);
    CheckAchicar = named(new QCheckBox(QStringLiteral("Segmenta Vectores"), other), "CheckAchicar");
    CheckOrigen = named(new QCheckBox(QStringLiteral("Setear origen arriba a la izquierda"), other), "CheckOrigen");
    CheckGuardar = named(new QCheckBox(QStringLiteral("Guardar Archivos Automaticamente"), other), "CheckGuardar");
    CheckinvertirX = named(new QCheckBox(QStringLiteral("Invertir Eje X"), other), "CheckinvertirX");
    txtdistmax = named(new QDoubleSpinBox(other), "txtdistmax");
    txtdistmax->setRange(0.1, 1000);
    txtdistmax->setDecimals(1);
    txtdistmax->setSuffix(QStringLiteral(" mm"));
    og->addWidget(CheckAchicar, 0, 0);
    og->addWidget(new QLabel(QStringLiteral("Dist max de Recta"), other), 0, 1);
    og->addWidget(txtdistmax, 0, 2);
    og->addWidget(CheckOrigen, 1, 0, 1, 3);
    auto *explain = new QLabel(QStringLiteral("El nodo que está más arriba a la izquierda es el nodo de inicio."), other);
    explain->setIndent(24);
    og->addWidget(explain, 2, 0, 1, 3);
    og->addWidget(CheckGuardar, 3, 0, 1, 3);
    og->addWidget(CheckinvertirX, 4, 0, 1, 3);
    og->setRowStretch(5, 1);
    TabStrip1->addTab(other, QStringLiteral("Otras configuraciones"));

    auto *buttons = new QHBoxLayout;
    cmdaceptar = named(new QPushButton(QStringLiteral("&Aceptar"), this), "cmdaceptar");
    cmdsalir = named(new QPushButton(QStringLiteral("&Salir"), this), "cmdsalir");
    cmdaceptar->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(cmdaceptar);
    buttons->addWidget(cmdsalir);
    layout->addLayout(buttons);

    m_stepControls = {Slider1, cmbvelocidad};
    m_gcodeControls = {Slider2, lblvelgcode};
    m_speedControls = {Slider1, Slider2, Slider3, cmbvelocidad, cmdModificar};

    connect(cmdaceptar, &QPushButton::clicked, this, &frmconfig::cmdaceptar_Click);
    connect(cmdsalir, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdModificar, &QPushButton::clicked, this, &frmconfig::cmdModificar_Click);
    connect(Slider1, &QSlider::valueChanged, this, [this](int v) { cmbvelocidad->setCurrentIndex(v - Slider1->minimum()); });
    connect(cmbvelocidad, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (i >= 0)
            Slider1->setValue(Slider1->minimum() + i);
    });
    connect(Slider2, &QSlider::valueChanged, this, [this](int v) { lblvelgcode->setText(QString::number(v)); });
    connect(Slider3, &QSlider::valueChanged, this, [this](int v) { lblvelpos->setText(QString::number(v)); });
    load();
}

void frmconfig::load()
{
    m_gcodeMode = shortValue(ini("modo", "arduino")) == 1;
    for (QWidget *w : m_stepControls)
        w->setVisible(!m_gcodeMode);
    for (QWidget *w : m_gcodeControls)
        w->setVisible(m_gcodeMode);

    Slider1->setRange(kStepSpeedMin, kStepSpeedMax);
    cmbvelocidad->clear();
    for (int v = kStepSpeedMin; v <= kStepSpeedMax; ++v)
        cmbvelocidad->addItem(QString::number(v));
    const int vel = std::clamp(shortValue(ini("vel", "vel")), kStepSpeedMin, kStepSpeedMax);
    Slider1->setValue(vel);
    cmbvelocidad->setCurrentIndex(vel - kStepSpeedMin);

    int gmin = shortValue(ini("vel", "vel_g_min"));
    int gmax = shortValue(ini("vel", "vel_g_max"));
    if (gmax <= gmin || gmin < 0) {
        gmin = kGcodeSpeedMin;
        gmax = kGcodeSpeedMax;
    }
    Slider2->setRange(gmin, gmax);
    Slider2->setValue(shortValue(ini("vel", "velgcode")));
    lblvelgcode->setText(QString::number(Slider2->value()));
    Slider3->setValue(shortValue(ini("vel", "velpos")));
    lblvelpos->setText(QString::number(Slider3->value()));

    txtmotorx->setText(ini("motor", "x"));
    txtmotory->setText(ini("motor", "y"));
    txtmotorx->setReadOnly(true);
    txtmotory->setReadOnly(true);

    cmbpuerto->setCurrentIndex(std::clamp(shortValue(ini("puerto", "valor_puerto")), 0, 8));
    cmbposicionamiento->setCurrentIndex(shortValue(ini("tiempo", "posicionamiento")) == 1 ? 1 : 0);
    CheckAchicar->setChecked(shortValue(ini("modo", "achicar")) != 0);
    CheckOrigen->setChecked(shortValue(ini("modo", "origen")) == 1);
    CheckGuardar->setChecked(shortValue(ini("modo", "guardar")) != 0);
    CheckinvertirX->setChecked(shortValue(ini("modo", "invertirx")) != 0);
    const double dist = numericValue(ini("vel", "dist_max_recta"));
    txtdistmax->setValue(dist > 0 ? dist : kDefaultMaxSegment);
}

void frmconfig::showTab(Tab tab)
{
    TabStrip1->setCurrentIndex(int(tab));
}

void frmconfig::setSpeedControlsEnabled(bool enabled)
{
    for (QWidget *w : m_speedControls)
        w->setEnabled(enabled);
}

void frmconfig::cmdModificar_Click()
{
    txtmotorx->setReadOnly(false);
    txtmotory->setReadOnly(false);
    txtmotorx->setFocus();
}

void frmconfig::cmdaceptar_Click()
{
    const int stepSpeed = cmbvelocidad->currentText().toInt();
    const int speed = m_gcodeMode ? Slider2->value() : stepSpeed;
    auto check = [](QCheckBox *c) { return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); };
    const std::pair<const char *, const char *> keys[] = {
        {"motor", "x"}, {"motor", "y"}, {"vel", "vel"}, {"vel", "velgcode"},
        {"tiempo", "posicionamiento"}, {"puerto", "valor_puerto"},
        {"modo", "achicar"}, {"modo", "origen"}, {"modo", "guardar"}, {"modo", "invertirx"},
        {"vel", "velpos"}, {"vel", "dist_max_recta"},
    };
    const QString values[] = {
        txtmotorx->text().trimmed(), txtmotory->text().trimmed(), QString::number(stepSpeed),
        QString::number(Slider2->value()), QString::number(cmbposicionamiento->currentIndex()),
        QString::number(cmbpuerto->currentIndex()), check(CheckAchicar), check(CheckOrigen), check(CheckGuardar),
        check(CheckinvertirX), QString::number(Slider3->value()), QString::number(txtdistmax->value()),
    };
    for (size_t i = 0; i < std::size(keys); ++i) {
        if (!WriteIni(QLatin1String(keys[i].first), QLatin1String(keys[i].second), values[i])) {
            QMessageBox::critical(this, windowTitle(),
                                  QStringLiteral("No se pudo guardar la configuración en \"%1\".").arg(configPath()));
            return;
        }
    }
    m_acceptedSpeed = speed;
    emit speedAccepted(speed);
    accept();
}

int frmconfig::edit(QWidget *parent, Tab tab, bool speedControls)
{
    frmconfig dialog(parent);
    dialog.showTab(tab);
    dialog.setSpeedControlsEnabled(speedControls);
    return dialog.exec() == QDialog::Accepted ? dialog.acceptedSpeed() : -1;
}

} // namespace cutdeck
