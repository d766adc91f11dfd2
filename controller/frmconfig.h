#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace cutdeck {

// frmconfig, "Configuraciones": the settings dialog of both forms. It reads
// cutdeck_config.INI when built and writes it only on "&Aceptar".
class frmconfig : public QDialog
{
    Q_OBJECT
public:
    enum Tab { MachineTab = 0, PortTab = 1, OtherTab = 2 };

    explicit frmconfig(QWidget *parent = nullptr);

    void showTab(Tab tab);
    // Whether the speed and resolution controls can be changed.
    void setSpeedControlsEnabled(bool enabled);
    // The speed "&Aceptar" stored as the program's base speed.
    int acceptedSpeed() const { return m_acceptedSpeed; }

    // Opens the dialog on a tab; returns the accepted speed, or -1 when the
    // dialog was left with "&Salir".
    static int edit(QWidget *parent, Tab tab, bool speedControls);

signals:
    // After "&Aceptar": the base speed now in force, in mm/min.
    void speedAccepted(int speed);

public slots:
    void cmdaceptar_Click();
    void cmdModificar_Click();

private:
    void load();

    bool m_gcodeMode = false;
    int m_acceptedSpeed = -1;
    QTabWidget *TabStrip1 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr, *Slider3 = nullptr;
    QComboBox *cmbvelocidad = nullptr, *cmbpuerto = nullptr, *cmbposicionamiento = nullptr;
    QLabel *lblvelgcode = nullptr, *lblvelpos = nullptr;
    QLineEdit *txtmotorx = nullptr, *txtmotory = nullptr;
    QCheckBox *CheckAchicar = nullptr, *CheckOrigen = nullptr, *CheckGuardar = nullptr, *CheckinvertirX = nullptr;
    QDoubleSpinBox *txtdistmax = nullptr;
    QPushButton *cmdaceptar = nullptr, *cmdsalir = nullptr, *cmdModificar = nullptr;
    QList<QWidget *> m_stepControls, m_gcodeControls, m_speedControls;
};

} // namespace cutdeck
