#include "controller/form1.h"
#include "controller/form3.h"
#include "controller/frmconfig.h"
#include "controller/ini.h"
#include "controller/smallforms.h"

#include "fakeline.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace cutdeck;

namespace {

// A settings folder of its own, with `ini` as the file (none when null).
struct ConfigDir
{
    explicit ConfigDir(const char *ini)
    {
        qputenv("CUTDECK_CONFIG_DIR", dir.path().toLocal8Bit());
        if (ini)
            write(QStringLiteral("cutdeck_config.INI"), ini);
    }
    ~ConfigDir() { qunsetenv("CUTDECK_CONFIG_DIR"); }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QByteArray read(const QString &name) const
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    QString key(const char *section, const char *key) const
    {
        return ReadIni(QLatin1String(section), QLatin1String(key));
    }
    QTemporaryDir dir;
};

const char kStepIni[] = "[modo]\r\narduino=0\r\nguardar=1\r\n[vel]\r\nvel=300\r\nvelgcode=400\r\nvelpos=20\r\n"
                        "vel_g_min=100\r\nvel_g_max=900\r\n[motor]\r\nx=0.01\r\ny=0.02\r\n"
                        "[puerto]\r\ndispositivo=/dev/fake\r\n";

template <typename T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

struct Message
{
    QString title, text;
};

// Form1 on fake dialogs and a recording serial line.
struct Form1Rig
{
    explicit Form1Rig(bool portWorks = true)
    {
        form.setMessageFunction([this](QMessageBox::Icon, const QString &title, const QString &text) {
            messages.push_back({title, text});
        });
        form.setLinkFactory([this, portWorks] {
            auto fake = std::make_unique<test::FakeLine>();
            fake->openSucceeds = portWorks;
            line = fake.get();
            auto link = std::make_unique<MachineLink>(std::move(fake));
            link->setWait([](int) {});
            return link;
        });
        form.setFileDialogFunction([this](bool, const QString &title, const QString &, const QString &) {
            dialogs << title;
            return dialogAnswer;
        });
        form.setConfigFunction([](int, bool) { return -1; });
    }
    QAction *action(const char *name) { return form.findChild<QAction *>(QLatin1String(name)); }

    Form1 form;
    test::FakeLine *line = nullptr;
    std::vector<Message> messages;
    QStringList dialogs;
    QString dialogAnswer;
};

} // namespace

TEST(Frmconfig, EachControlWritesItsKey)
{
    struct Case
    {
        const char *what;
        std::function<void(frmconfig &)> change;
        const char *section, *key, *expected;
    };
    const Case cases[] = {
        {"unchanged speed", [](frmconfig &) {}, "vel", "vel", "300"},
        {"speed list", [](frmconfig &d) { child<QComboBox>(&d, "cmbvelocidad")->setCurrentText("450"); }, "vel", "vel", "450"},
        {"speed slider", [](frmconfig &d) { child<QSlider>(&d, "Slider1")->setValue(120); }, "vel", "vel", "120"},
        {"g-code slider", [](frmconfig &d) { child<QSlider>(&d, "Slider2")->setValue(650); }, "vel", "velgcode", "650"},
        {"positioning slider", [](frmconfig &d) { child<QSlider>(&d, "Slider3")->setValue(7); }, "vel", "velpos", "7"},
        {"autodetect", [](frmconfig &d) { child<QComboBox>(&d, "cmbpuerto")->setCurrentIndex(0); }, "puerto", "valor_puerto", "0"},
        {"port 3", [](frmconfig &d) { child<QComboBox>(&d, "cmbpuerto")->setCurrentText("3"); }, "puerto", "valor_puerto", "3"},
        {"keyboard", [](frmconfig &d) { child<QComboBox>(&d, "cmbposicionamiento")->setCurrentIndex(1); }, "tiempo", "posicionamiento", "1"},
        {"segmenting", [](frmconfig &d) { child<QCheckBox>(&d, "CheckAchicar")->setChecked(true); }, "modo", "achicar", "1"},
        {"origin", [](frmconfig &d) { child<QCheckBox>(&d, "CheckOrigen")->setChecked(true); }, "modo", "origen", "1"},
        {"save off", [](frmconfig &d) { child<QCheckBox>(&d, "CheckGuardar")->setChecked(false); }, "modo", "guardar", "0"},
        {"mirror", [](frmconfig &d) { child<QCheckBox>(&d, "CheckinvertirX")->setChecked(true); }, "modo", "invertirx", "1"},
        {"max segment", [](frmconfig &d) { child<QDoubleSpinBox>(&d, "txtdistmax")->setValue(2.5); }, "vel", "dist_max_recta", "2.5"},
        {"locked resolution", [](frmconfig &d) { QTest::keyClicks(child<QLineEdit>(&d, "txtmotorx"), "9"); }, "motor", "x", "0.01"},
        {"unlocked resolution",
         [](frmconfig &d) {
             child<QPushButton>(&d, "cmdModificar")->click();
             child<QLineEdit>(&d, "txtmotory")->setText(" 0.005 ");
         },
         "motor", "y", "0.005"},
    };
    for (const Case &c : cases) {
        ConfigDir config(kStepIni);
        frmconfig dialog;
        QSignalSpy accepted(&dialog, &frmconfig::speedAccepted);
        c.change(dialog);
        child<QPushButton>(&dialog, "cmdaceptar")->click();
        EXPECT_EQ(config.key(c.section, c.key), QLatin1String(c.expected)) << c.what;
        EXPECT_EQ(accepted.size(), 1) << c.what;
    }
}

TEST(Frmconfig, SalirWritesNothingAndAceptarKeepsTheOrder)
{
    ConfigDir config(kStepIni);
    {
        frmconfig dialog;
        child<QComboBox>(&dialog, "cmbpuerto")->setCurrentIndex(5);
        child<QCheckBox>(&dialog, "CheckOrigen")->setChecked(true);
        child<QPushButton>(&dialog, "cmdsalir")->click();
    }
    EXPECT_EQ(config.read("cutdeck_config.INI"), QByteArray(kStepIni));

    // A fresh installation: every key is written, in the dialog's order,
    // and the step speed comes back within its slider's range.
    ConfigDir fresh(nullptr);
    frmconfig dialog;
    QSignalSpy accepted(&dialog, &frmconfig::speedAccepted);
    child<QPushButton>(&dialog, "cmdaceptar")->click();
    ASSERT_EQ(accepted.size(), 1);
    EXPECT_EQ(accepted.at(0).at(0).toInt(), 90);
    const QString text = QString::fromUtf8(fresh.read("cutdeck_config.INI"));
    QStringList keys;
    for (const QString &l : text.split(QLatin1Char('\n')))
        if (l.contains(QLatin1Char('=')))
            keys << l.section(QLatin1Char('='), 0, 0);
    EXPECT_EQ(keys.join(' '), "x y vel velgcode velpos dist_max_recta posicionamiento valor_puerto achicar origen guardar invertirx");
}

TEST(Form1, MenusCarryTheirCaptions)
{
    ConfigDir config(nullptr);
    Form1Rig rig;
    const std::pair<const char *, const char *> menus[] = {
        {"mnuarchivo", "&Archivo"}, {"mnunuevo", "&Nuevo"}, {"mnuabrir", "&Abrir"},
        {"mnuguardararchivo", "&Guardar Archivo..."}, {"mnusalir", "&Salir"}, {"mnuopcion", "C&onfigurar"},
        {"mnuopciones", "C&onfigurar"}, {"mnudefinirpuerto", "Definir Puerto"},
        {"mnudefinirvelocidad", "Definir Velocidad"}, {"mnudefinirpasosx", "Definir Pasos Eje X"},
        {"mnudefinirpasosy", "Definir Pasos Eje Y"}, {"mnuconstante", "Definir Constante"},
        {"mnudistanciarecta", "Dist max de Recta"}, {"mnuvelrecta", "Vel en Recta"}, {"mnusimular", "S&imular"},
        {"mnucuadricula", "&Calcular Tiempo"}, {"mnurun", "&Run"}, {"mnusobre", "Sobre..."},
    };
    for (auto [name, caption] : menus) {
        ASSERT_NE(rig.action(name), nullptr) << name;
        EXPECT_EQ(rig.action(name)->text(), QString::fromUtf8(caption)) << name;
    }
    // Entries without an action of their own open the settings on their tab.
    QList<int> tabs;
    rig.form.setConfigFunction([&](int tab, bool) {
        tabs << tab;
        return 250;
    });
    for (const char *name : {"mnudefinirpuerto", "mnudistanciarecta", "mnudefinirpasosx"})
        rig.action(name)->trigger();
    EXPECT_EQ(tabs, (QList<int>{frmconfig::PortTab, frmconfig::OtherTab, frmconfig::MachineTab}));
    EXPECT_EQ(rig.form.statusText("velocidad"), "Velocidad = 250 mm/min");
}

TEST(Form1, OpensEstimatesSavesAndRuns)
{
    ConfigDir config("[modo]\r\narduino=1\r\nguardar=1\r\n[vel]\r\nvel=600\r\nvelgcode=300\r\n"
                     "[motor]\r\nx=0.01\r\ny=0.01\r\n[puerto]\r\ndispositivo=/dev/fake\r\n");
    const QString plt = config.write("part.plt", "IN;\nSP1;\nPU0 0;\nPD4000 0;\nPD4000 4000;\nPD0 0;\nSP0;\n");
    Form1Rig rig;
    EXPECT_EQ(rig.form.statusText("velocidad"), "Velocidad = 300 mm/min"); // G-code mode: velgcode
    ASSERT_TRUE(rig.form.openDrawing(plt));
    EXPECT_EQ(rig.form.windowTitle(), "part.plt - cutdeck");
    EXPECT_EQ(rig.form.drawing().count(), 6);
    EXPECT_EQ(config.key("dir", "dir_inicio"), config.dir.path());

    rig.action("mnucuadricula")->trigger();
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "Pelgor SRL");
    EXPECT_EQ(rig.messages[0].text, "El tiempo de corte (aproximado) es: 0 min 34 seg a 600 mm/min.");
    EXPECT_EQ(rig.form.statusText("tiempo"), "Tiempo aprox.:0 hs 0 min 34 seg");

    // guardar=1: "Run" saves without asking and hands the job to Form3.
    rig.form.setConfigFunction([](int, bool) { return 420; });
    rig.action("mnurun")->trigger();
    EXPECT_TRUE(rig.dialogs.isEmpty());
    EXPECT_EQ(rig.form.savedJob(), config.dir.filePath("part.txt"));
    EXPECT_TRUE(config.read("part.gcode").startsWith("G21\r\nG90\r\n"));
    ASSERT_NE(rig.form.machineForm(), nullptr);
    auto *lst = rig.form.machineForm()->findChild<QListWidget *>(QStringLiteral("lstgcode"));
    ASSERT_EQ(lst->count(), 5 + 5 + 2);
    EXPECT_EQ(lst->item(7)->text(), "G1 X100 Y0");
    EXPECT_EQ(lst->item(8)->text(), "G1 X100 Y-100");
    EXPECT_TRUE(rig.line->calls.contains("open /dev/fake"));
    // Settings accepted on the machine form show on the drawing form too.
    rig.form.machineForm()->findChild<QAction *>(QStringLiteral("mnudefinirvelocidad"))->trigger();
    EXPECT_EQ(rig.form.statusText("velocidad"), "Velocidad = 420 mm/min");

    // "Run" again while the job streams leaves the stream alone.
    Form3 *machine = rig.form.machineForm();
    machine->streamer().setSettleTime(0);
    machine->findChild<QAction *>(QStringLiteral("mnugcode"))->trigger();
    QTest::qWait(20);
    ASSERT_TRUE(machine->isBusy());
    rig.line->calls.clear();
    rig.action("mnurun")->trigger();
    EXPECT_TRUE(machine->isBusy());
    EXPECT_EQ(lst->count(), 12);
    EXPECT_TRUE(rig.line->calls.isEmpty());
    rig.line->input = "ok";
    emit rig.line->readyRead();
    EXPECT_EQ(rig.line->calls, QStringList{"write G90\r"});
}

TEST(Form1, FailuresLoseNothing)
{
    // Fresh installation: no settings file, speeds 0.
    ConfigDir config(nullptr);
    const QString plt = config.write("part.plt", "PU0 0;\nPD400 0;\nPD400 400;\nPD0 400;\n");
    Form1Rig rig(false);
    ASSERT_TRUE(rig.form.openDrawing(plt));
    rig.action("mnucuadricula")->trigger();
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, "No se puede calcular el tiempo de corte: la velocidad de corte es 0 mm/min.");

    // The save dialog cancelled: nothing written; a name chosen under the
    // G-code filter names the pair.
    rig.action("mnuguardararchivo")->trigger();
    EXPECT_EQ(rig.dialogs, QStringList{"Guardar Archivo como..."});
    EXPECT_TRUE(rig.form.savedJob().isEmpty());
    rig.dialogAnswer = config.dir.filePath("out.gcode");
    rig.action("mnuguardararchivo")->trigger();
    EXPECT_EQ(rig.form.savedJob(), config.dir.filePath("out.txt"));
    EXPECT_TRUE(config.read("out.txt").startsWith("ID 0\r\n"));

    // A port that cannot be opened drops the machine form again.
    rig.action("mnurun")->trigger();
    EXPECT_EQ(rig.form.machineForm(), nullptr);
    EXPECT_EQ(rig.messages.back().text, "El puerto USB no esta disponible o no funciona, por favor seleccione otro.");

    // A drawing too large for the store is dropped with the classic message.
    QByteArray big;
    for (int i = 0; i <= kDrawingCapacity; ++i)
        big += "PD" + QByteArray::number(i % 4000) + " " + QByteArray::number(i / 4000) + ";\n";
    const QString huge = config.write("huge.plt", big);
    EXPECT_FALSE(rig.form.openDrawing(huge));
    EXPECT_EQ(rig.messages.back().title, "Tamaño del Dibujo");
    EXPECT_EQ(rig.messages.back().text, "Capacidad Máxima de memoria exedida!");
    EXPECT_TRUE(rig.form.drawing().isEmpty());
}

TEST(SmallForms, SplashGivesWayOnceAndAboutShowsTheVersion)
{
    frmSplash splash(60000);
    QSignalSpy done(&splash, &frmSplash::finished);
    QTest::keyClick(&splash, Qt::Key_Space);
    QTest::keyClick(&splash, Qt::Key_Space);
    EXPECT_EQ(done.size(), 1);

    frmSobre about;
    EXPECT_EQ(about.windowTitle(), "Sobre nosotros...");
    EXPECT_EQ(child<QLabel>(&about, "lblversion")->text(), "Versión del software: " + programVersion());
    EXPECT_TRUE(child<QLabel>(&about, "lblweb")->text().contains(makerWebPage()));
}
