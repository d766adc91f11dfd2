#include "installerdialog.h"

#include "installer/installation.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalTransition>
#include <QState>
#include <QStateMachine>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int AnimationMs = 1000;

QLabel *heading(QWidget *parent)
{
    auto *label = new QLabel(parent);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    label->setFont(font);
    return label;
}

} // namespace

BrenmoorInstaller::BrenmoorInstaller(bool uninstallMode, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_uninstall(uninstallMode)
{
    const QString title = (m_uninstall ? tr("%1 uninstallation") : tr("%1 installation")).arg(installer::ProductName);
    setWindowTitle(title);
    setStyleSheet(QStringLiteral(
        "QDialog { background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, stop:0 #232322, "
        "stop: 1 #4a4a4a); } QLabel, QCheckBox { color: white; } "
        "QProgressBar { border: 1px solid #444; border-radius: 3px; background-color: #bbbcbb; } "
        "QProgressBar::chunk { background-color: #fbcb31; }"));

    m_title = heading(this);
    m_title->setText(title);

    m_pathPage = new QWidget(this);
    m_pathLabel = new QLabel(m_uninstall ? tr("Uninstall path:") : tr("Install path:"), m_pathPage);
    m_path = new QLineEdit(QDir::toNativeSeparators(installer::defaultLocation()), m_pathPage);
    m_path->setEnabled(!m_uninstall);
    auto *model = new QFileSystemModel(m_path);
    model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model->setRootPath(QString());
    auto *completer = new QCompleter(model, m_path);
    completer->setMaxVisibleItems(15);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_path->setCompleter(completer);
    m_changePath = new QLabel(QStringLiteral("<a href=\"#\" style=\"color:#fbcb31\">%1</a>").arg(tr("change")),
                              m_pathPage);
    m_changePath->setObjectName(QStringLiteral("changePath"));
    m_menuShortcut = new QCheckBox(tr("Menu Start shortcut"), m_pathPage);
    m_desktopShortcut = new QCheckBox(tr("Desktop shortcut"), m_pathPage);
    m_menuShortcut->setChecked(true);
    m_desktopShortcut->setChecked(true);

    m_licenseLine = new QWidget(m_pathPage);
    auto *licenseCheck = new QCheckBox(m_licenseLine);
    licenseCheck->setChecked(true);
    licenseCheck->setEnabled(false);
    auto *licenseLabel = new QLabel(tr("I have read and accepted <a href=\"#\" style=\"color:#fbcb31\">license "
                                       "agreement</a>."),
                                    m_licenseLine);
    licenseLabel->setObjectName(QStringLiteral("licenseLabel"));
    auto *licenseLayout = new QHBoxLayout(m_licenseLine);
    licenseLayout->setContentsMargins(0, 0, 0, 0);
    licenseLayout->addWidget(licenseCheck);
    licenseLayout->addWidget(licenseLabel, 1);

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(m_changePath);
    auto *pageLayout = new QVBoxLayout(m_pathPage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_pathLabel);
    pageLayout->addLayout(pathRow);
    pageLayout->addWidget(m_menuShortcut);
    pageLayout->addWidget(m_desktopShortcut);
    pageLayout->addStretch(1);
    pageLayout->addWidget(m_licenseLine);
    if (m_uninstall) {
        m_menuShortcut->hide();
        m_desktopShortcut->hide();
        m_licenseLine->hide();
        m_changePath->hide();
    }

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_finishLabel = new QLabel(tr("Installation complete! Check out also our other products:"), this);
    m_finishLabel->setWordWrap(true);
    m_finishLabel->hide();
    m_runApplication = new QCheckBox(tr("Run application"), this);
    m_runApplication->setChecked(true);
    m_runApplication->hide();

    m_installButton = new QPushButton(m_uninstall ? tr("Uninstall") : tr("Install"), this);
    m_installButton->setObjectName(QStringLiteral("installButton"));
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_runApplication);
    buttons->addStretch(1);
    buttons->addWidget(m_installButton);
    buttons->addWidget(m_cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(m_title);
    layout->addSpacing(12);
    layout->addWidget(m_pathPage, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_finishLabel, 1);
    layout->addLayout(buttons);
    setFixedSize(560, 320);

    m_installButton->setDefault(true);
    m_installButton->setFocus();

    QMetaObject::connectSlotsByName(this);
    connect(this, &BrenmoorInstaller::finishWizard, this, &BrenmoorInstaller::showFinished);
    buildStateMachine();
}

void BrenmoorInstaller::buildStateMachine()
{
    auto *machine = new QStateMachine(this);
    auto *start = new QState(machine);
    auto *installing = new QState(machine);
    auto *finished = new QState(machine);

    auto *pageOpacity = new QGraphicsOpacityEffect(m_pathPage);
    pageOpacity->setOpacity(1.0);
    m_pathPage->setGraphicsEffect(pageOpacity);
    start->assignProperty(pageOpacity, "opacity", 1.0);
    installing->assignProperty(pageOpacity, "opacity", 0.0);
    installing->assignProperty(m_progress, "visible", true);
    installing->assignProperty(m_installButton, "enabled", false);
    installing->assignProperty(m_cancelButton, "enabled", false);
    finished->assignProperty(m_pathPage, "visible", false);
    finished->assignProperty(m_progress, "visible", false);
    finished->assignProperty(m_finishLabel, "visible", true);
    finished->assignProperty(m_installButton, "enabled", true);
    finished->assignProperty(m_cancelButton, "visible", false);

    auto *toInstalling = start->addTransition(this, &BrenmoorInstaller::installStarted, installing);
    toInstalling->addAnimation(new QPropertyAnimation(pageOpacity, "opacity", this));
    auto *toFinished = installing->addTransition(this, &BrenmoorInstaller::installFinished, finished);
    auto *slide = new QPropertyAnimation(m_finishLabel, "pos", this);
    slide->setDuration(300);
    toFinished->addAnimation(slide);
    machine->setInitialState(start);
    machine->start();
}

void BrenmoorInstaller::showFinished()
{
    m_finished = true;
    m_pathPage->hide();
    if (!m_uninstall)
        m_runApplication->setVisible(!m_programPath.isEmpty());
    m_installButton->setText(tr("Finish"));
    emit installFinished();
}

void BrenmoorInstaller::finishAfterMinimum(qint64 elapsedMs)
{
    // The progress animation always completes before the finish page.
    QTimer::singleShot(int(qMax<qint64>(0, AnimationMs - elapsedMs)), this, &BrenmoorInstaller::finishWizard);
}

void BrenmoorInstaller::on_installButton_clicked()
{
    if (m_finished) {
        if (!m_uninstall && !m_programPath.isEmpty() && m_runApplication->isChecked())
            installer::startProgram(m_programPath);
        accept();
        return;
    }
    if (m_uninstall)
        doUninstall();
    else
        doInstall();
}

void BrenmoorInstaller::doInstall()
{
    const QString dir = installer::resolveTargetDir(m_path->text());
    QString error;
    if (!installer::createTargetDir(dir, &error)) {
        QMessageBox::critical(this, tr("Error"), error);
        return;
    }
    emit installStarted();
    auto *animation = new QPropertyAnimation(m_progress, "value", this);
    animation->setStartValue(0);
    animation->setEndValue(100);
    animation->setDuration(AnimationMs);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    QElapsedTimer clock;
    clock.start();

    installer::InstallRequest request;
    request.sourceDir = QDir::currentPath();
    request.targetDir = dir;
    request.installerPath = QCoreApplication::applicationFilePath();
    request.menuShortcut = m_menuShortcut->isChecked();
    request.desktopShortcut = m_desktopShortcut->isChecked();
    const installer::InstallResult result = installer::install(request);
    if (!result.ok) {
        QMessageBox::critical(this, tr("Error"), result.error);
        m_finishLabel->setText(result.error);
        emit finishWizard();
        return;
    }
    m_programPath = result.programPath;
    finishAfterMinimum(clock.elapsed());
}

void BrenmoorInstaller::doUninstall()
{
    if (QMessageBox::question(this, tr("Uninstallation"),
                                 tr("You are about to uninstall %1! Do you really want to do this?")
                                     .arg(installer::ProductName),
                                 QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes) {
        reject();
        return;
    }
    emit installStarted();
    auto *animation = new QPropertyAnimation(m_progress, "value", this);
    animation->setStartValue(100);
    animation->setEndValue(0);
    animation->setDuration(AnimationMs);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    QElapsedTimer clock;
    clock.start();

    m_deferred = installer::uninstall(QCoreApplication::applicationFilePath());
    m_finishLabel->setText(tr("Uninstallation finished! Check out our other products:"));
    finishAfterMinimum(clock.elapsed());
}

void BrenmoorInstaller::on_licenseLabel_linkActivated()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("License agreement"));
    dialog.setStyleSheet(QStringLiteral(
        "QTextBrowser { border: 1px solid #444; color: white; background-color: #232322; } QDialog { "
        "background-color: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, stop:0 #232322, stop: 1 "
        "#4a4a4a); } "));
    auto *browser = new QTextBrowser(&dialog);
    browser->setOpenExternalLinks(true);
    const bool polish = QLocale::system().language() == QLocale::Polish;
    QFile file(polish ? QStringLiteral(":/BrenmoorInstaller/Resources/license-pl.html")
                      : QStringLiteral(":/BrenmoorInstaller/Resources/license-en.html"));
    if (file.open(QIODevice::ReadOnly))
        browser->setHtml(QString::fromUtf8(file.readAll()));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(browser);
    dialog.resize(600, 450);
    dialog.exec();
}

void BrenmoorInstaller::on_changePath_linkActivated()
{
    QString start = installer::resolveTargetDir(m_path->text());
    // Walk up to a folder that exists, but never forever on a strange path.
    for (int i = 0; i < 256 && !start.isEmpty() && !QDir(start).exists(); ++i)
        start = QDir::cleanPath(start + QLatin1String("/.."));
    const QString chosen = QFileDialog::getExistingDirectory(this, tr("Select installation directory"), start,
                                                             QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty())
        m_path->setText(QDir::toNativeSeparators(chosen));
}
