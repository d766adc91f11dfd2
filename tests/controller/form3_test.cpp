#include "controller/form3.h"
#include "controller/preview.h"
#include "controller/stepper.h"

#include "fakeline.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace cutdeck;

namespace {

struct Message
{
    QString title, text;
};

// A form on a recording line, with settings from `ini` in a folder of its own.
struct FormRig
{
    explicit FormRig(const QByteArray &ini, bool portWorks = true)
    {
        qputenv("CUTDECK_CONFIG_DIR", dir.path().toLocal8Bit());
        QFile f(dir.filePath("cutdeck_config.INI"));
        f.open(QIODevice::WriteOnly);
        f.write("[puerto]\r\ndispositivo=/dev/fake\r\n" + ini);
        f.close();
        auto fake = std::make_unique<test::FakeLine>();
        fake->openSucceeds = portWorks;
        line = fake.get();
        auto link = std::make_unique<MachineLink>(std::move(fake));
        link->setWait([this](int ms) { line->calls << QStringLiteral("wait %1").arg(ms); });
        form = std::make_unique<Form3>(std::move(link));
        form->setMessageFunction([this](QMessageBox::Icon, const QString &title, const QString &text) {
            messages.push_back({title, text});
        });
        setUpOk = form->setUp();
        line->calls.clear();
    }
    ~FormRig() { qunsetenv("CUTDECK_CONFIG_DIR"); }

    QAction *action(const char *name) { return form->findChild<QAction *>(QLatin1String(name)); }
    template <typename T> T *child(const char *name) { return form->findChild<T *>(QLatin1String(name)); }
    void reply(const QByteArray &bytes)
    {
        line->input = bytes;
        emit line->readyRead();
    }
    QString writeFile(const char *name, const QByteArray &content)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return f.fileName();
    }

    QTemporaryDir dir;
    test::FakeLine *line = nullptr;
    std::unique_ptr<Form3> form;
    std::vector<Message> messages;
    bool setUpOk = false;
};

const QByteArray kGcode = "[modo]\r\narduino=1\r\n[vel]\r\nvelgcode=300\r\nvel_g_max=450\r\nvel_g_min=150\r\n";

} // namespace

TEST(Form3, CarriesTheClassicTexts)
{
    FormRig rig(kGcode);
    ASSERT_TRUE(rig.setUpOk);
    const std::pair<const char *, const char *> menus[] = {
        {"mnunuevo", "&Nuevo"}, {"mnuabrirarchivo", "Abrir Archivo"}, {"mnusalir", "&Salir"},
        {"mnudefinirvelocidad", "Co(&n)figurar"}, {"mnuposicionar", "P(&o)sicionar Manualmente "},
        {"mnudefinirpuerto", "Definir Puerto"}, {"mnufresar", "(&C)ortar"}, {"mnugcode", "Cortar GCode"},
        {"mnuinvertirsentido", "&Izq->Der"}, {"mnusimular", "(&S)imular"},
        {"mnucancelardibujo", "Cancelar Dibujo"}, {"mnupausa", "(P)a&usa"},
    };
    for (auto [name, caption] : menus) {
        ASSERT_NE(rig.action(name), nullptr) << name;
        EXPECT_EQ(rig.action(name)->text(), QString::fromUtf8(caption)) << name;
    }
    const std::pair<const char *, const char *> buttons[] = {{"Command9", "stop"}, {"Command6", "Enviar"},
                                                             {"Command5", "Reset"}};
    for (auto [name, caption] : buttons)
        EXPECT_EQ(rig.child<QPushButton>(name)->text(), QString::fromUtf8(caption));
    EXPECT_EQ(rig.form->panelText("ejey"), "Dispositivo conectado en /dev/fake");
    EXPECT_EQ(rig.form->panelText("ejez"), "Velocidad: 300 mm/min");
    EXPECT_EQ(rig.form->panelText("tiempo"), "Tiempo 0:0:0");
}

TEST(Form3, UnusablePortRefusesTheForm)
{
    FormRig rig(kGcode, false);
    EXPECT_FALSE(rig.setUpOk);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "Pelgor SRL");
    EXPECT_EQ(rig.messages[0].text,
              "El puerto USB no esta disponible o no funciona, por favor seleccione otro.");
}

TEST(Form3, MachineButtonsSendTheirCommands)
{
    FormRig rig(kGcode);
    rig.child<QLineEdit>("Text1")->setText("M114");
    struct Case { const char *button; QStringList calls; };
    const Case cases[] = {
        {"Command1", {"write G91\r", "write G1 Y-10 F300\r"}},
        {"Command2", {"write G91\r", "write G1 X10 F300\r"}},
        {"Command3", {"write G91\r", "write G1 X-10 F300\r"}},
        {"Command4", {"write G91\r", "write G1 Y10 F300\r"}},
        {"cmdON", {"write M106\r"}},
        {"cmdOFF", {"write M107\r"}},
        {"cmdpausa", {"write M600 X50 Y-50\r"}},
        {"Command9", {"write M112\r"}},
        {"Command6", {"write M114\r"}},
        {"Command5", {"DTR 0", "wait 100", "DTR 1", "wait 100", "DTR 0"}},
    };
    for (const Case &c : cases) {
        rig.line->calls.clear();
        rig.child<QPushButton>(c.button)->click();
        EXPECT_EQ(rig.line->calls, c.calls) << c.button;
    }
    rig.line->calls.clear();
    rig.child<QPushButton>("Command7")->click();
    EXPECT_EQ(rig.line->calls.size(), 22);
    EXPECT_EQ(rig.line->calls.first(), "write M28 mju.g\r");
    EXPECT_EQ(rig.line->calls.at(1), "wait 200");
    EXPECT_EQ(rig.line->calls.at(20), "write M29\r");
    EXPECT_EQ(rig.child<QListWidget>("List2")->count(), 11);

    // No speed in the settings file: the jog moves carry no feed word.
    FormRig fresh("[modo]\r\narduino=1\r\n");
    fresh.child<QPushButton>("Command2")->click();
    EXPECT_EQ(fresh.line->calls, QStringList({"write G91\r", "write G1 X10\r"}));
}

TEST(Form3, SpeedKeysStayWithinTheBounds)
{
    struct Case { QByteArray ini; Qt::Key key; int presses; const char *panel; const char *lastSent; };
    const Case cases[] = {
        {kGcode, Qt::Key_Plus, 10, "Velocidad: 450 300 150", "write M220 S150\r"},
        {kGcode, Qt::Key_Minus, 10, "Velocidad: 150 300 50", "write M220 S50\r"},
        {kGcode, Qt::Key_Minus, 1, "Velocidad: 270 300 90", "write M220 S90\r"},
        // a live speed already beyond a bound stays until the other key moves it back
        {"[modo]\r\narduino=1\r\n[vel]\r\nvelgcode=500\r\nvel_g_max=450\r\nvel_g_min=150\r\n", Qt::Key_Plus, 3,
         "Velocidad: 500 500 100", "write M220 S100\r"},
        {"[modo]\r\narduino=1\r\n[vel]\r\nvelgcode=500\r\nvel_g_max=450\r\nvel_g_min=150\r\n", Qt::Key_Minus, 1,
         "Velocidad: 470 500 94", "write M220 S94\r"},
        {"[vel]\r\nvel=300\r\n", Qt::Key_Plus, 20, "Velocidad: 600 mm/min", nullptr},
        {"[vel]\r\nvel=300\r\n", Qt::Key_Minus, 20, "Velocidad: 90 mm/min", nullptr},
    };
    for (const Case &c : cases) {
        FormRig rig(c.ini);
        for (int i = 0; i < c.presses; ++i)
            QTest::keyClick(rig.form.get(), c.key);
        EXPECT_EQ(rig.form->panelText("ejez"), c.panel);
        if (c.lastSent)
            EXPECT_EQ(rig.line->calls.last(), c.lastSent);
        else
            EXPECT_TRUE(rig.line->calls.isEmpty());
    }
}

TEST(Form3, CancelAndExitResetTheBoard)
{
    FormRig rig(kGcode);
    rig.form->openJob(rig.writeFile("job.gcode", "G21\r\nG1 X1 Y-1\r\n"));
    rig.form->streamer().setSettleTime(0);
    rig.action("mnugcode")->trigger();
    QTest::qWait(20);
    rig.line->calls.clear();
    rig.action("mnucancelardibujo")->trigger();
    EXPECT_EQ(rig.line->calls, QStringList({"DTR 1", "wait 100", "DTR 0", "wait 1000", "DTR 1", "wait 100"}));
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, "Archivo de Corte Cancelado");
    EXPECT_EQ(rig.messages[0].title, "Pelgor SRL");
    EXPECT_EQ(rig.child<QListWidget>("lstgcode")->count(), 0);
    rig.reply("ok"); // the line in flight answers: nothing follows a cancel
    EXPECT_TRUE(rig.line->calls.filter("write").isEmpty());

    rig.line->calls.clear();
    rig.action("mnusalir")->trigger();
    EXPECT_EQ(rig.line->calls, QStringList({"DTR 0", "wait 250", "DTR 1", "wait 250", "close"}));

    // Closed by its title bar in the middle of a stream: the same reset.
    FormRig other(kGcode);
    other.form->openJob(other.writeFile("job.gcode", "G21\r\nG1 X1 Y-1\r\n"));
    other.form->streamer().setSettleTime(0);
    other.action("mnugcode")->trigger();
    QTest::qWait(20);
    other.line->calls.clear();
    other.form->close();
    EXPECT_EQ(other.line->calls, QStringList({"DTR 0", "wait 250", "DTR 1", "wait 250", "close"}));
    other.reply("ok");
    EXPECT_TRUE(other.line->calls.filter("write").isEmpty());
}

TEST(Form3, CancelOnADeadPortSaysSo)
{
    FormRig rig(kGcode);
    rig.form->link().close();
    rig.action("mnucancelardibujo")->trigger();
    ASSERT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.messages[1].title, QString::fromUtf8("Error de conexión: "));
    EXPECT_EQ(rig.messages[1].text, QString::fromUtf8("El puerto no está conectado!"));
}

TEST(Form3, StreamsWithDiagnosticsPauseAndContinue)
{
    FormRig rig(kGcode);
    ASSERT_TRUE(rig.form->openJob(rig.writeFile("job.txt", "x")) == false); // the .gcode beside it is missing
    rig.writeFile("job.gcode", "G21\r\nG1 X1 Y-1 F500\r\nG1 X2 Y-2\r\n");
    ASSERT_TRUE(rig.form->openJob(rig.dir.filePath("job.txt")));
    rig.form->streamer().setSettleTime(0);
    rig.action("mnugcode")->trigger();
    QTest::qWait(20);
    EXPECT_EQ(rig.line->written, QByteArray("M114\rG21\r"));
    rig.reply("o");
    rig.reply("k\r\n");
    EXPECT_EQ(rig.child<QLineEdit>("Text2")->text(), "G1 X1 Y-1  F300");
    EXPECT_EQ(rig.child<QListWidget>("lstgcode")->currentRow(), 1);
    QTest::keyClick(rig.form.get(), Qt::Key_P);
    EXPECT_EQ(rig.action("mnupausa")->text(), "&Continuar");
    rig.reply("X:0 Count ok");
    EXPECT_EQ(rig.child<QListWidget>("List1")->count(), 1);
    EXPECT_EQ(rig.child<QLineEdit>("Text4")->text(), "X:0 Count ok");
    EXPECT_EQ(rig.child<QLineEdit>("Text6")->text(), "11");
    EXPECT_EQ(rig.child<QLineEdit>("Text7")->text(), "5");
    EXPECT_EQ(rig.line->written.count('\r'), 3);
    QTest::keyClick(rig.form.get(), Qt::Key_Return);
    EXPECT_EQ(rig.action("mnupausa")->text(), "(P)a&usa");
    EXPECT_TRUE(rig.line->written.endsWith("G1 X2 Y-2\r"));

    emit rig.line->failed("gone");
    EXPECT_EQ(rig.form->panelText("ejey"), "Desconectado");
    ASSERT_FALSE(rig.messages.empty());
    EXPECT_EQ(rig.messages.back().text,
              QString::fromUtf8("Se perdió la conexión con la máquina. Última línea confirmada: 2 de 3."));
}

TEST(Form3, SpeedKeysAndButtonsDuringAStreamWaitForTheLineInFlight)
{
    FormRig rig(kGcode);
    rig.writeFile("job.gcode", "G21\r\nG90\r\n");
    ASSERT_TRUE(rig.form->openJob(rig.dir.filePath("job.gcode")));
    rig.form->streamer().setSettleTime(0);
    rig.action("mnugcode")->trigger();
    QTest::qWait(20);
    QTest::keyClick(rig.form.get(), Qt::Key_Plus);
    rig.child<QPushButton>("cmdOFF")->click();
    rig.child<QPushButton>("Command9")->click(); // the emergency stop waits for nothing
    EXPECT_EQ(rig.line->written, QByteArray("M114\rG21\rM112\r"));
    EXPECT_EQ(rig.form->panelText("ejez"), "Velocidad: 330 300 110");
    for (const char *next : {"M220 S110\r", "M107\r", "G90\r"}) {
        rig.reply("ok\n");
        EXPECT_TRUE(rig.line->written.endsWith(next)) << next;
    }
    EXPECT_EQ(rig.form->streamer().acknowledged(), 1);
}

TEST(Form3, AStreamAfterALostPortOpensItAgain)
{
    FormRig rig(kGcode);
    rig.writeFile("job.gcode", "G21\r\n");
    ASSERT_TRUE(rig.form->openJob(rig.dir.filePath("job.gcode")));
    rig.form->streamer().setSettleTime(0);
    rig.line->close();
    emit rig.line->failed("gone");
    EXPECT_EQ(rig.form->panelText("ejey"), "Desconectado");
    rig.line->openSucceeds = false; // not back yet
    rig.line->calls.clear();
    rig.action("mnugcode")->trigger();
    ASSERT_FALSE(rig.messages.empty());
    EXPECT_EQ(rig.messages.back().text,
              "El puerto USB no esta disponible o no funciona, por favor seleccione otro.");
    EXPECT_TRUE(rig.action("mnugcode")->isEnabled());
    rig.line->openSucceeds = true; // plugged in again
    rig.line->calls.clear();
    rig.action("mnugcode")->trigger();
    QTest::qWait(20);
    EXPECT_EQ(rig.line->calls.mid(0, 4), QStringList({"open /dev/fake", "DTR 1", "RTS 1", "write M114\r"}));
    EXPECT_EQ(rig.form->panelText("ejey"), "Dispositivo conectado en /dev/fake");
    rig.reply("ok\n");
    EXPECT_TRUE(rig.line->written.endsWith("G21\r"));
}

TEST(Form3, StepCutSendsTheMovesAndReportsTheEnd)
{
    FormRig rig("[motor]\r\nx=0.5\r\ny=0.5\r\n[tiempo]\r\ntiempo_base =1\r\n");
    ASSERT_TRUE(rig.form->openJob(rig.writeFile("cut.txt", "ID 0\r\n 0\r\n 0\r\n 1\r\n 0\r\nID 1\r\n 1\r\n 0\r\n 1\r\n-1\r\n")));
    rig.action("mnufresar")->trigger();
    QByteArray expected;
    for (auto [dx, dy] : {std::pair{2, 0}, {0, -2}})
        for (std::uint8_t b : stepBytes(dx, dy))
            expected.append(char(b));
    expected.append(char(kClosingStepByte));
    EXPECT_EQ(rig.line->written, expected);
    EXPECT_EQ(rig.line->calls.mid(rig.line->calls.size() - 6),
              QStringList({"DTR 1", "wait 100", "DTR 0", "wait 1000", "DTR 1", "wait 100"}));
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, "Archivo de Corte Finalizado");
    // The path is drawn as the cut goes, one point per record reached.
    EXPECT_EQ(rig.child<Preview>("Preview")->pointCount(), 2);
}

TEST(Form3, PortLostDuringAStepCutIsReported)
{
    // The operator pauses, then the device goes away (the port reports it
    // through its own event, not through a failed write).
    FormRig rig("[motor]\r\nx=0.1\r\ny=0.1\r\n[tiempo]\r\ntiempo_base =1000\r\n");
    ASSERT_TRUE(rig.form->openJob(rig.writeFile("cut.txt", "ID 0\r\n 0\r\n 0\r\n 5\r\n 0\r\n")));
    test::FakeLine *line = rig.line;
    QAction *pausa = rig.action("mnupausa");
    line->onWrite = [line, pausa](const QByteArray &) {
        if (line->written.size() != 3)
            return;
        pausa->trigger();
        QTimer::singleShot(0, line, [line] {
            line->close();
            emit line->failed(QStringLiteral("gone"));
        });
    };
    rig.action("mnufresar")->trigger();
    EXPECT_FALSE(rig.form->isCutting());
    EXPECT_EQ(line->written.size(), 3);
    EXPECT_EQ(rig.form->panelText("ejey"), "Desconectado");
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].text, QString::fromUtf8("Se perdió la conexión con la máquina. El corte se detuvo."));
    EXPECT_TRUE(rig.action("mnufresar")->isEnabled());
    EXPECT_FALSE(rig.action("mnucancelardibujo")->isEnabled());
    EXPECT_EQ(pausa->text(), "Pa&usa");
}

TEST(Form3, LeavingDuringAStepCutStopsItWithoutTheCompletionMessage)
{
    // What a program exit does too: it closes the form while the cut's own
    // loop runs. A completion box then would wait for a click nobody gives.
    for (const char *how : {"title bar", "mnusalir"}) {
        FormRig rig("[motor]\r\nx=0.1\r\ny=0.1\r\n[tiempo]\r\ntiempo_base =1000\r\n");
        ASSERT_TRUE(rig.form->openJob(rig.writeFile("cut.txt", "ID 0\r\n 0\r\n 0\r\n 50\r\n 0\r\n")));
        test::FakeLine *line = rig.line;
        Form3 *form = rig.form.get();
        QAction *salir = rig.action("mnusalir");
        const std::string way = how;
        line->onWrite = [line, form, salir, way](const QByteArray &) {
            if (line->written.size() == 3)
                QTimer::singleShot(0, form, [form, salir, way] { way == "mnusalir" ? salir->trigger() : void(form->close()); });
        };
        rig.action("mnufresar")->trigger();
        EXPECT_FALSE(form->isCutting()) << how;
        EXPECT_LT(line->written.size(), 10) << how;
        EXPECT_TRUE(rig.messages.empty()) << how;
        EXPECT_EQ(rig.child<Preview>("Preview")->pointCount(), 0) << how; // its one record was never reached
        // The close it asked for follows once the cut has unwound: the board
        // is reset and the port closed.
        EXPECT_TRUE(QTest::qWaitFor([line] { return line->calls.contains("close"); }, 2000)) << how;
        EXPECT_EQ(line->calls.mid(line->calls.size() - 5),
                  QStringList({"DTR 0", "wait 250", "DTR 1", "wait 250", "close"})) << how;
    }
}

TEST(Form3, KeysReachTheFormAndEnterInTheCommandBoxSends)
{
    FormRig rig(kGcode);
    rig.form->show();
    QApplication::setActiveWindow(rig.form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.form.get()));
    auto target = [&] { return QApplication::focusWidget() ? QApplication::focusWidget() : rig.form.get(); };
    QTest::keyClick(target(), Qt::Key_Plus);
    EXPECT_EQ(rig.form->panelText("ejez"), "Velocidad: 330 300 110");

    auto *box = rig.child<QLineEdit>("Text1");
    box->setFocus();
    QTest::keyClicks(box, "M114");
    rig.line->calls.clear();
    rig.action("mnupausa")->setEnabled(true); // as during a stream
    QTest::keyClick(target(), Qt::Key_Return);
    EXPECT_EQ(rig.line->calls, QStringList{"write M114\r"});
    EXPECT_EQ(rig.action("mnupausa")->text(), "(P)a&usa");
}

TEST(Form3, CutFileTooLargeForTheStepListIsNotCut)
{
    FormRig rig("[motor]\r\nx=0.5\r\ny=0.5\r\n[tiempo]\r\ntiempo_base =1\r\n");
    QByteArray text;
    for (int i = 0; i <= kStepListCapacity; ++i)
        text += "ID " + QByteArray::number(i) + "\r\n 0\r\n 0\r\n 0\r\n 0\r\n";
    EXPECT_FALSE(rig.form->openJob(rig.writeFile("big.txt", text)));
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "Pelgor SRL");
    EXPECT_EQ(rig.messages[0].text, "El archivo es demasiado grande!!");
    EXPECT_EQ(rig.child<QListWidget>("lstgcode")->count(), 0);
    rig.action("mnufresar")->trigger();
    EXPECT_TRUE(rig.line->written.isEmpty());
}

TEST(Form3, SimulationDrawsTheJobInEitherMode)
{
    struct Case { QByteArray ini; const char *file; QByteArray content; int points; };
    const Case cases[] = {
        {kGcode, "job.gcode", "G21\r\nG1 X1 Y-1\r\nG1 X2 Y-2\r\nG1 X0 Y0\r\n", 2},
        {"[motor]\r\nx=0.5\r\ny=0.5\r\n", "cut.txt",
         "ID 0\r\n 0\r\n 0\r\n 1\r\n-1\r\nID 1\r\n 1\r\n-1\r\n 2\r\n-2\r\n", 2},
    };
    for (const Case &c : cases) {
        FormRig rig(c.ini);
        ASSERT_TRUE(rig.form->openJob(rig.writeFile(c.file, c.content)));
        QAction *simular = rig.action("mnusimular");
        simular->trigger();
        EXPECT_EQ(simular->text(), "Parar (&S)imulacion");
        for (int waited = 0; simular->text() != "(&S)imular" && waited < 5000; waited += 20)
            QTest::qWait(20);
        EXPECT_EQ(simular->text(), "(&S)imular");
        EXPECT_EQ(rig.child<Preview>("Preview")->pointCount(), c.points) << c.file;
    }
}

TEST(Preview, DotsPlottedBeforeAndAfterARepaintAllShowAndClearGoesBlank)
{
    Preview preview;
    preview.resize(200, 200);
    preview.setScale(1);
    QImage screen(preview.size(), QImage::Format_RGB32);
    auto black = [&](int x, int y) {
        preview.render(&screen);
        return screen.pixelColor(x + 10, y + 10) == Qt::black;
    };
    preview.plot(QPointF(20, 30));
    EXPECT_TRUE(black(20, 30));
    preview.plot(QPointF(50, 60)); // onto the kept image
    EXPECT_TRUE(black(50, 60));
    EXPECT_TRUE(black(20, 30));
    preview.setScale(2); // everything again at the new scale
    EXPECT_TRUE(black(100, 120));
    EXPECT_FALSE(black(50, 60));
    preview.clear();
    EXPECT_FALSE(black(100, 120));
}
