// BrenmoorInstaller installs and uninstalls as a user runs it, in and out of
// quiet mode, against temporary folders for every place it writes to.
#include "installer/installation.h"
#include "installer/installerdialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>

#include <unistd.h>

namespace {

struct StageEntry
{
    const char *path;
    const char *source;
};
const StageEntry Entries[] = {INSTALLER_STAGE_ENTRIES};
const char *const WorkUuid = "0f8c2a4e-5b7d-4c1e-9a3f-2d6b8e1c7a90";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString placed(const QString &entry)
{
    return entry.startsWith(QLatin1String("app/")) ? entry.mid(4) : entry;
}

class Installer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        root = m_tmp.path();
        home = root + "/home";
        programFiles = root + "/pf";
        work = root + "/tmp/" + WorkUuid;
        stage = work + "/BrenmoorInstaller";
        for (const QString &dir : {home, programFiles, stage, root + "/etcxdg"})
            QDir().mkpath(dir);
        for (const StageEntry &e : Entries) {
            const QString dest = stage + "/" + e.path;
            QDir().mkpath(QFileInfo(dest).absolutePath());
            ASSERT_TRUE(QFile::copy(e.source, dest)) << e.path;
        }
        ASSERT_TRUE(QFile::copy(INSTALLER_PROGRAM, stage + "/BrenmoorInstaller"));
        // The library under test reads the same environment as the programs.
        for (auto it = env.begin(); it != env.end(); ++it)
            m_saved.emplace_back(it->first, qgetenv(it->first));
        setEnv();
        location = programFiles + "/Brenmoor/Kerfloom";
    }

    void TearDown() override
    {
        for (const auto &[name, value] : m_saved)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    void setEnv()
    {
        env = {{"ProgramFiles", programFiles},
               {"HOME", home},
               {"XDG_CONFIG_HOME", home + "/.config"},
               {"XDG_DATA_HOME", home + "/.local/share"},
               {"XDG_CONFIG_DIRS", root + "/etcxdg"},
               {"TMPDIR", root + "/tmp"}};
        for (const auto &[name, value] : env)
            qputenv(name, value.toUtf8());
    }

    // Runs `program` with the test's environment; its exit code (-1 when it
    // had to be killed after `timeoutMs`).
    int run(const QString &program, const QStringList &args, int timeoutMs = 30000)
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const auto &[name, value] : env)
            e.insert(name, value);
        e.insert("QT_QPA_PLATFORM", "offscreen");
        e.remove("DISPLAY");
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(root);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(program, args);
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QString entriesFile() const
    {
        return (geteuid() == 0 ? root + "/etcxdg" : home + "/.config") + "/Brenmoor/Uninstall.conf";
    }
    QString menuFolder() const { return home + "/.local/share/applications/Brenmoor Kerfloom"; }
    QString desktopLink() const { return home + "/Desktop/Kerfloom.desktop"; }

    // Deferred deletions start 5.5 s after the program has ended.
    static bool waitUntilGone(const QStringList &paths, int ms = 15000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (std::none_of(paths.begin(), paths.end(), [](const QString &p) { return QFileInfo::exists(p); }))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    // `uninstaller`: the program that ran the installation.
    void expectInstalled(const QString &dir, const QString &uninstaller = INSTALLER_PROGRAM)
    {
        for (const StageEntry &e : Entries)
            EXPECT_EQ(readAll(dir + "/" + placed(e.path)), readAll(e.source)) << e.path;
        EXPECT_EQ(readAll(dir + "/Uninstall"), readAll(uninstaller));
        QSettings entry(entriesFile(), QSettings::IniFormat);
        entry.beginGroup("Brenmoor Kerfloom");
        EXPECT_EQ(entry.value("DisplayName").toString(), "Brenmoor Kerfloom");
        EXPECT_EQ(entry.value("UninstallString").toString(), "\"" + dir + "/Uninstall\"");
        EXPECT_EQ(entry.value("QuietUninstallString").toString(), "\"" + dir + "/Uninstall\" /quiet");
        EXPECT_EQ(entry.value("InstallLocation").toString(), dir);
        EXPECT_EQ(entry.value("DisplayIcon").toString(), dir + "/Kerfloom");
        for (const char *key : {"Publisher", "RegOwner", "RegCompany"})
            EXPECT_EQ(entry.value(key).toString(), "Brenmoor Limited") << key;
        EXPECT_EQ(entry.value("DisplayVersion").toString(), "2.84");
        EXPECT_GT(entry.value("EstimatedSize").toLongLong(), 1000);
        EXPECT_EQ(entry.value("NoModify").toInt(), 1);
        EXPECT_FALSE(entry.value("InstallDate").toString().isEmpty());
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        for (const QString &link : {desktopLink(), menuFolder() + "/Kerfloom.desktop", menuFolder() + "/Uninstall.desktop"}) {
            ASSERT_TRUE(QFileInfo::exists(link)) << link.toStdString();
            if (!validator.isEmpty()) {
                EXPECT_EQ(run(validator, {link}), 0) << link.toStdString();
            }
        }
        EXPECT_TRUE(readAll(menuFolder() + "/Uninstall.desktop").contains("Exec=\"" + dir.toUtf8() + "/Uninstall\""));
        // Every shortcut shows the installation's own picture, by absolute path.
        const QImage icon(dir + "/kerfloom.png");
        EXPECT_EQ(icon.size(), QSize(128, 128));
        for (const QString &link : {desktopLink(), menuFolder() + "/Kerfloom.desktop", menuFolder() + "/Uninstall.desktop"})
            EXPECT_TRUE(readAll(link).contains("\nIcon=" + dir.toUtf8() + "/kerfloom.png\n")) << link.toStdString();
        EXPECT_TRUE(readAll(menuFolder() + "/Uninstall.desktop")
                        .contains("\nComment=Removes Kerfloom, its settings and its shortcuts from this computer\n"));
    }

    QString root, home, programFiles, work, stage, location;
    std::vector<std::pair<const char *, QString>> env{{"ProgramFiles", {}}, {"HOME", {}}, {"XDG_CONFIG_HOME", {}},
                                                      {"XDG_DATA_HOME", {}}, {"XDG_CONFIG_DIRS", {}}, {"TMPDIR", {}}};

private:
    QTemporaryDir m_tmp;
    std::vector<std::pair<const char *, QByteArray>> m_saved;
};

TEST_F(Installer, QuietInstallThenQuietUninstallLeaveNothingBehind)
{
    // A settings file of the program, as a user's run leaves it.
    QDir().mkpath(home + "/.config/Brenmoor/Kerfloom");
    QFile(home + "/.config/Brenmoor/Kerfloom/settings.ini").open(QIODevice::WriteOnly);

    ASSERT_EQ(run(stage + "/BrenmoorInstaller", {"/quiet"}), 0);
    expectInstalled(location);
    // The setup's work folder goes once the installer has ended.
    EXPECT_TRUE(waitUntilGone({work}));

    // The installed program runs headless with the libraries beside it.
    const QString drawing = root + "/wing.plt";
    ASSERT_TRUE(QFile::copy(EXAMPLE_DRAWING, drawing));
    QProcess ldd;
    ldd.start("ldd", {location + "/Kerfloom"});
    ldd.waitForFinished();
    const QString libs = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    EXPECT_TRUE(libs.contains("libQt5Core.so.5 => " + location + "/libQt5Core.so.5")) << libs.toStdString();
    EXPECT_TRUE(libs.contains("libQt5Widgets.so.5 => " + location + "/libQt5Widgets.so.5"));
    EXPECT_EQ(run(location + "/Kerfloom", {drawing}), 0);
    EXPECT_GT(QFileInfo(root + "/wing.tap").size(), 100);

    // cutdeck's settings, saved beside it, go with the installation.
    QFile(location + "/cutdeck_config.INI").open(QIODevice::WriteOnly);
    ASSERT_EQ(run(location + "/Uninstall", {"/quiet"}), 0);
    EXPECT_FALSE(QFileInfo::exists(desktopLink()));
    EXPECT_FALSE(QFileInfo::exists(menuFolder()));
    EXPECT_FALSE(QFileInfo::exists(entriesFile()));
    EXPECT_TRUE(waitUntilGone({programFiles + "/Brenmoor", home + "/.config/Brenmoor"}));
    EXPECT_TRUE(QDir(programFiles).exists());
}

TEST_F(Installer, SecondInstallationOverTheFirstAndChosenFolderProposedAgain)
{
    EXPECT_EQ(installer::defaultLocation(), location);
    const QString chosen = root + "/elsewhere/my programs";
    installer::InstallRequest request{stage, chosen, INSTALLER_PROGRAM, true, true};
    ASSERT_TRUE(installer::install(request).ok);
    // A file changed since is replaced, not kept.
    QFile f(chosen + "/Kerfloom");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("stale");
    f.close();
    const installer::InstallResult second = installer::install(request);
    ASSERT_TRUE(second.ok) << second.error.toStdString();
    EXPECT_EQ(second.programPath, chosen + "/Kerfloom");
    expectInstalled(chosen);
    EXPECT_EQ(installer::defaultLocation(), chosen);

    qunsetenv("ProgramFiles");
    QFile::remove(entriesFile());
    EXPECT_EQ(installer::defaultLocation(), "/opt/Brenmoor/Kerfloom");
}

TEST_F(Installer, FailuresWriteNoEntryAndNoShortcut)
{
    struct Case
    {
        const char *name;
        QString target;
        QString missing; // a staged file taken away first
        QString message;
    };
    QFile blocker(root + "/a-file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Case cases[] = {
        {"folder under a file", root + "/a-file/Kerfloom", {}, "Cannot create directory \"" + root + "/a-file/Kerfloom\"!"},
        {"missing runtime file", location, "libQt5Gui.so.5", "Cannot copy file \"libQt5Gui.so.5\"!"},
        {"missing program", location, "app/Kerfloom", "Cannot copy file \"app/Kerfloom\"!"},
    };
    for (const Case &c : cases) {
        if (!c.missing.isEmpty())
            QFile::remove(stage + "/" + c.missing);
        const installer::InstallResult r = installer::install({stage, c.target, INSTALLER_PROGRAM, true, true});
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.error, c.message) << c.name;
        EXPECT_FALSE(QFileInfo::exists(entriesFile())) << c.name;
        EXPECT_FALSE(QFileInfo::exists(desktopLink())) << c.name;
        EXPECT_FALSE(QFileInfo::exists(menuFolder())) << c.name;
    }
    // The quiet installer reports the failure through its exit code, and
    // still clears the setup's work folder away once it has ended.
    EXPECT_NE(run(stage + "/BrenmoorInstaller", {"/quiet"}), 0);
    EXPECT_FALSE(QFileInfo::exists(entriesFile()));
    EXPECT_TRUE(waitUntilGone({work}));
}

TEST_F(Installer, PolishCatalogueTranslatesTheFileWork)
{
    QTranslator polish;
    ASSERT_TRUE(polish.load(INSTALLER_PL_QM));
    QCoreApplication::installTranslator(&polish);
    ASSERT_TRUE(QFile::rename(stage + "/libQt5Gui.so.5", root + "/aside"));
    const installer::InstallResult failed = installer::install({stage, location, INSTALLER_PROGRAM, true, true});
    QString folderError;
    installer::createTargetDir(QString(), &folderError);
    ASSERT_TRUE(QFile::rename(root + "/aside", stage + "/libQt5Gui.so.5"));
    const installer::InstallResult done = installer::install({stage, location, INSTALLER_PROGRAM, true, true});
    QCoreApplication::removeTranslator(&polish);

    EXPECT_EQ(failed.error, "Nie można skopiować pliku \"libQt5Gui.so.5\"!");
    EXPECT_TRUE(folderError.startsWith("Nie można utworzyć folderu")) << folderError.toStdString();
    ASSERT_TRUE(done.ok);
    EXPECT_TRUE(readAll(menuFolder() + "/Uninstall.desktop").contains("Name=Odinstaluj\n"));
    EXPECT_TRUE(readAll(menuFolder() + "/Uninstall.desktop")
                    .contains(QString("Comment=Usuwa program Kerfloom wraz z ustawieniami i skrótami z tego komputera\n")
                                  .toUtf8()));
}

TEST_F(Installer, CapitalQuietIsNotQuiet)
{
    // Without quiet mode the window waits for the user; nothing is installed.
    EXPECT_EQ(run(stage + "/BrenmoorInstaller", {"/QUIET"}, 1500), -1);
    EXPECT_FALSE(QFileInfo::exists(location));
    EXPECT_FALSE(QFileInfo::exists(entriesFile()));

    // And with no display for the window, a plain failure with advice
    // rather than the toolkit's abort.
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        e.remove(name);
    p.setProcessEnvironment(e);
    p.start(stage + "/BrenmoorInstaller", {"/QUIET"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("Run the program with /quiet to install without a window."));
    EXPECT_FALSE(QFileInfo::exists(location));

    // A display that cannot be reached (a closed ssh forwarding) too.
    e.insert("DISPLAY", ":4093");
    p.setProcessEnvironment(e);
    p.start(stage + "/BrenmoorInstaller", QStringList());
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("Run the program with /quiet to install without a window."));
    EXPECT_FALSE(QFileInfo::exists(location));
}

TEST_F(Installer, HostileEntryDeletesNothingOutsideTheInstallation)
{
    // Files that an installation would hold, in places no uninstaller may touch.
    const QString victim = root + "/victim";
    QDir().mkpath(victim + "/platforms");
    QDir().mkpath(home);
    for (const QString &dir : {victim, home}) {
        for (const char *name : {"Kerfloom", "libQt5Core.so.5", "licenses.html"}) {
            QFile f(dir + "/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    const QString uninstaller = location + "/Uninstall";
    QDir().mkpath(location);
    for (const QString &hostile : {QString(), QString("/"), home, victim, victim + "/..", QString("relative/path")}) {
        {
            QSettings entry(entriesFile(), QSettings::IniFormat);
            entry.setValue("Brenmoor Kerfloom/InstallLocation", hostile);
        }
        const QStringList deferred = installer::uninstall(uninstaller);
        for (const QString &dir : {victim, home})
            EXPECT_TRUE(QFileInfo::exists(dir + "/Kerfloom")) << hostile.toStdString();
        for (const QString &path : deferred)
            EXPECT_FALSE(path.startsWith(victim) || path == home + "/" || path == "/") << path.toStdString();
        EXPECT_EQ(deferred.first(), uninstaller);
    }
    EXPECT_FALSE(installer::isSafeLocation(home, home + "/Uninstall"));
    EXPECT_TRUE(installer::isSafeLocation(location, uninstaller));
    EXPECT_EQ(installer::bootstrapWorkFolder(stage), work);
    EXPECT_EQ(installer::bootstrapWorkFolder(root + "/build/installer"), QString());
    EXPECT_EQ(installer::bootstrapWorkFolder(root + "/not-a-uuid/BrenmoorInstaller"), QString());
}

// A relative $ProgramFiles put a quiet installation into the setup's work
// folder, deleted seconds after "success"; it is taken from the home folder.
TEST_F(Installer, RelativeDefaultFolderIsTakenFromTheHomeFolder)
{
    qputenv("ProgramFiles", "relpf");
    EXPECT_EQ(installer::defaultLocation(), home + "/relpf/Brenmoor/Kerfloom");
    {
        QSettings entry(entriesFile(), QSettings::IniFormat);
        entry.setValue("Brenmoor Kerfloom/InstallLocation", "apps/Kerfloom");
    }
    EXPECT_EQ(installer::defaultLocation(), home + "/apps/Kerfloom");
    QFile::remove(entriesFile());
    qputenv("ProgramFiles", programFiles.toUtf8());
    EXPECT_EQ(installer::defaultLocation(), location);
}

// An entry that cannot be written (a folder under its name, a full disk) left
// an installation that reported success and could never be uninstalled.
TEST_F(Installer, UnwritableEntryIsAFailureBeforeTheShortcuts)
{
    ASSERT_TRUE(QDir().mkpath(entriesFile()));
    const installer::InstallResult failed = installer::install({stage, location, INSTALLER_PROGRAM, true, true});
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, "Cannot write file \"" + entriesFile() + "\"!");
    EXPECT_FALSE(QFileInfo::exists(desktopLink()));
    EXPECT_FALSE(QFileInfo::exists(menuFolder()));
}

QPushButton *button(QWidget &w, const QString &text)
{
    for (QPushButton *b : w.findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

TEST_F(Installer, WindowInstallsThroughItsPagesAndUninstallModeOffersNoOptions)
{
    QDir::setCurrent(stage);
    BrenmoorInstaller wizard(false);
    wizard.show();
    EXPECT_EQ(wizard.windowTitle(), "Kerfloom installation");
    EXPECT_EQ(wizard.findChild<QLineEdit *>()->text(), location);
    QCheckBox *run = nullptr;
    for (QCheckBox *c : wizard.findChildren<QCheckBox *>()) {
        if (c->text() == "Run application")
            run = c;
    }
    ASSERT_TRUE(run);
    EXPECT_FALSE(run->isVisible());
    QPushButton *install = button(wizard, "Install");
    ASSERT_TRUE(install);
    EXPECT_TRUE(install->isDefault());
    QTest::mouseClick(install, Qt::LeftButton);
    expectInstalled(location, QCoreApplication::applicationFilePath());
    // The finish page waits for the progress animation.
    EXPECT_NE(install->text(), "Finish");
    QTest::qWait(1300);
    EXPECT_EQ(install->text(), "Finish");
    EXPECT_TRUE(run->isVisible());
    run->setChecked(false);
    QTest::mouseClick(install, Qt::LeftButton);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);

    BrenmoorInstaller uninstaller(true);
    uninstaller.show();
    EXPECT_EQ(uninstaller.windowTitle(), "Kerfloom uninstallation");
    EXPECT_FALSE(uninstaller.findChild<QLineEdit *>()->isEnabled());
    EXPECT_TRUE(button(uninstaller, "Uninstall"));
    for (QCheckBox *c : uninstaller.findChildren<QCheckBox *>())
        EXPECT_FALSE(c->isVisible()) << c->text().toStdString();
}

TEST_F(Installer, TypedFolderIsAbsoluteAndNeverInsideTheTemporaryWorkFolder)
{
    const struct
    {
        QString typed, expected;
    } cases[] = {
        {"~", home},
        {"~/apps/Kerfloom/", home + "/apps/Kerfloom"},
        {"apps/Kerfloom", home + "/apps/Kerfloom"},
        {"  " + root + "/opt//x/../Kerfloom  ", root + "/opt/Kerfloom"},
        {"~user/x", home + "/~user/x"},
        {"", ""},
    };
    QDir::setCurrent(stage);
    for (const auto &c : cases)
        EXPECT_EQ(installer::resolveTargetDir(c.typed), c.expected) << c.typed.toStdString();

    BrenmoorInstaller wizard(false);
    wizard.findChild<QLineEdit *>()->setText("~/Kerfloom");
    QTest::mouseClick(button(wizard, "Install"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(home + "/Kerfloom/Kerfloom"));
    EXPECT_FALSE(QFileInfo::exists(stage + "/~"));
}

TEST_F(Installer, UninstallWindowAsksFirstAndKeepsItsDeletionsHoweverItCloses)
{
    ASSERT_TRUE(installer::install({stage, location, INSTALLER_PROGRAM, true, true}).ok);
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        BrenmoorInstaller wizard(true);
        wizard.show();
        QString question;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            question = box->windowTitle() + "|" + box->text();
            box->button(answer)->click();
        });
        QTest::mouseClick(button(wizard, "Uninstall"), Qt::LeftButton);
        EXPECT_EQ(question, "Uninstallation|You are about to uninstall Kerfloom! Do you really want to do this?");
        if (answer == QMessageBox::No) {
            EXPECT_EQ(wizard.result(), QDialog::Rejected);
            EXPECT_TRUE(wizard.deferredDeletions().isEmpty());
            EXPECT_TRUE(QFileInfo::exists(entriesFile()));
            continue;
        }
        EXPECT_FALSE(QFileInfo::exists(desktopLink()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return button(wizard, "Finish") != nullptr; }, 10000));
        QLabel *finished = nullptr;
        for (QLabel *l : wizard.findChildren<QLabel *>()) {
            if (l->isVisible() && l->text().startsWith("Uninstallation finished"))
                finished = l;
        }
        EXPECT_TRUE(finished);
        // Escape on the finish page: the uninstaller must still go.
        QTest::keyClick(&wizard, Qt::Key_Escape);
        EXPECT_EQ(wizard.result(), QDialog::Rejected);
        EXPECT_EQ(wizard.deferredDeletions().value(0), QCoreApplication::applicationFilePath());
    }
}

TEST_F(Installer, LinksOpenTheLicenceAndAFolderChooserStartingFromAnExistingFolder)
{
    QDir::setCurrent(stage);
    BrenmoorInstaller wizard(false);
    wizard.show();
    QLabel *licence = wizard.findChild<QLabel *>("licenseLabel");
    QLabel *change = wizard.findChild<QLabel *>("changePath");
    ASSERT_TRUE(licence && change);

    // Each link opens a modal dialog; the timer plays the user in it.
    QString title, text;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        title = dialog->windowTitle();
        if (auto *browser = dialog->findChild<QTextBrowser *>())
            text = browser->toPlainText();
        dialog->close();
    });
    emit licence->linkActivated("#");
    EXPECT_EQ(title, "License agreement");
    EXPECT_TRUE(text.contains("Libraries shipped with this installation")) << text.toStdString();

    QLineEdit *path = wizard.findChild<QLineEdit *>();
    path->setText(programFiles + "/not/yet/there");
    const QString chosen = root + "/chosen";
    QDir().mkpath(chosen);
    QString startedIn;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        title = dialog->windowTitle();
        startedIn = dialog->directory().absolutePath();
        dialog->setDirectory(chosen);
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    emit change->linkActivated("#");
    EXPECT_EQ(title, "Select installation directory");
    EXPECT_EQ(startedIn, programFiles);
    EXPECT_EQ(path->text(), chosen); // used as chosen, nothing appended
}

} // namespace
