#pragma once

#include "controller/jobfile.h"
#include "controller/machinelink.h"
#include "controller/settings.h"
#include "controller/stepper.h"
#include "controller/streamer.h"

#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace cutdeck {

class Preview;

// Form3, the machine-control form: streams a G-code job paced by "ok" or cuts
// in step mode, with pause, continue, cancel, jog and live speed. Controls
// keep their classic names as object names.
class Form3 : public QMainWindow
{
    Q_OBJECT
public:
    // Shows a message box: icon, title, text. Replaceable so that tests and
    // scripted runs see the texts without a modal loop.
    using MessageFunction = std::function<void(QMessageBox::Icon, const QString &, const QString &)>;

    explicit Form3(std::unique_ptr<MachineLink> link, QWidget *parent = nullptr);
    ~Form3() override;

    // Screen saver off, settings and port: false when the port cannot be used
    // (the message has been shown; the caller drops the form).
    bool setUp();
    // Fills lstgcode (G-code mode) or the step list (step mode) from a cut file.
    bool openJob(const QString &path);

    // Opens the settings dialog on a tab; returns the accepted speed or -1.
    using ConfigFunction = std::function<int(int tab, bool speedControls)>;

    void setMessageFunction(MessageFunction f) { m_message = std::move(f); }
    void setConfigFunction(ConfigFunction f) { m_config = std::move(f); }
    // The settings dialog was accepted (here or on Form1): speeds reloaded.
    void settingsAccepted(int speed);
    GcodeStreamer &streamer() { return m_streamer; }
    MachineLink &link() { return *m_link; }
    const MachineSettings &settings() const { return m_settings; }
    int liveSpeed() const { return m_liveSpeed; }
    int baseSpeed() const { return m_baseSpeed; }
    QString panelText(const QString &key) const;
    bool isCutting() const { return m_cutting; }
    // A job is on its way to the machine (stream or step cut): nothing may
    // replace or clear it until it ends or is cancelled.
    bool isBusy() const;

public slots:
    void on_mnunuevo_triggered();
    void on_mnuabrirarchivo_triggered();
    void on_mnusalir_triggered();
    void on_mnudefinirvelocidad_triggered();
    void on_mnuposicionar_triggered();
    void on_mnufresar_triggered();
    void on_mnugcode_triggered();
    void on_mnuinvertirsentido_triggered();
    void on_mnusimular_triggered();
    void on_mnucancelardibujo_triggered();
    void on_mnupausa_triggered();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildControls();
    void connectStream();
    QPushButton *machineButton(const char *name, const QIcon &icon, const QString &tip);
    void setPanel(const QString &key, const QString &text);
    void showSpeed();
    void changeLiveSpeed(int delta);
    void setIdleMenus();
    void setBusyMenus();
    void sendButton(const QStringList &lines);
    void runTestProgram();
    void jogTick();
    void timer1Tick();
    void finishStepCut(StepOutcome outcome);
    void portLost(const QString &reason);
    void message(QMessageBox::Icon icon, const QString &text, const QString &title = QString());

    std::unique_ptr<MachineLink> m_link;
    MachineSettings m_settings;
    GcodeStreamer m_streamer;
    MessageFunction m_message;
    ConfigFunction m_config;
    std::vector<CutRecord> m_records;
    QString m_jobPath;
    QPointF m_extent{1, 1};
    int m_baseSpeed = 0;
    int m_liveSpeed = 0;
    bool m_cancel = false;
    bool m_cutting = false;
    bool m_portGone = false;
    bool m_leftToRight = true;
    bool m_closeRequested = false;
    bool m_closing = false;
    unsigned m_screenSaverCookie = 0;
    int m_hours = 0, m_minutes = 0, m_seconds = 0;
    // Pressed flags of the positioning arrows: right, left, up, down.
    bool presionado = false, presionado2 = false, presionado3 = false, presionado4 = false;

    QMap<QString, QLabel *> m_panels;
    QMap<QString, QAction *> m_actions;
    Preview *m_preview = nullptr;
    QListWidget *lstgcode = nullptr;
    QListWidget *List1 = nullptr;
    QListWidget *List2 = nullptr;
    QLineEdit *Text2 = nullptr, *Text4 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr;
    QLineEdit *m_commandBox = nullptr;
    QGroupBox *FrameArduino = nullptr;
    QGroupBox *Fraposicionar = nullptr;
    QPushButton *cmdarriba = nullptr, *cmdabajo = nullptr, *cmdizquierda = nullptr, *cmdderecha = nullptr;
    QTimer Timer1;
    QTimer Timer2;
    QTimer m_simulation;
    int m_simulationIndex = 0;
};

} // namespace cutdeck
