#include "controller/smallforms.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace cutdeck {

QString programVersion()
{
    return QStringLiteral(CUTDECK_VERSION);
}

QString makerWebPage()
{
    return QStringLiteral("https://www.kerfloom.org");
}

frmSplash::frmSplash(int milliseconds, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("cutdeck"), this);
    QFont f = title->font();
    f.setPointSize(f.pointSize() * 3);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto *sub = new QLabel(QStringLiteral("Control de cortadoras de hilo caliente\nVersión %1").arg(programVersion()),
                           this);
    sub->setAlignment(Qt::AlignCenter);
    layout->addWidget(sub);
    setFixedSize(420, 220);
    setFocusPolicy(Qt::StrongFocus);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    Timer1.setInterval(milliseconds);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::done);
    Timer1.start();
}

void frmSplash::keyPressEvent(QKeyEvent *)
{
    done();
}

void frmSplash::mousePressEvent(QMouseEvent *)
{
    done();
}

void frmSplash::done()
{
    if (m_done)
        return;
    m_done = true;
    Timer1.stop();
    hide();
    emit finished();
}

frmSobre::frmSobre(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSobre"));
    setWindowTitle(QStringLiteral("Sobre nosotros..."));
    auto *layout = new QVBoxLayout(this);
    auto *version = new QLabel(QStringLiteral("Versión del software: ") + programVersion(), this);
    version->setObjectName(QStringLiteral("lblversion"));
    layout->addWidget(version);
    auto *web = new QLabel(QStringLiteral("Visite nuestra página web: <a href=\"%1\">%1</a>").arg(makerWebPage()), this);
    web->setObjectName(QStringLiteral("lblweb"));
    web->setOpenExternalLinks(true);
    layout->addWidget(web);
    auto *close = new QPushButton(QStringLiteral("&Salir"), this);
    close->setObjectName(QStringLiteral("cmdsalir"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
}

} // namespace cutdeck
