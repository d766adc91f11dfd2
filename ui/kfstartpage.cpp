#include "ui/kfstartpage.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

#include <algorithm>

namespace {
const char *const recentStyle =
    "QPushButton { background: none; border-radius: 3px; border: none; font-weight: bold; "
    "text-align: left; padding: 7px; } QPushButton:pressed { color: #777; background: rgba(255, "
    "255, 255, 170); } QPushButton:hover { color: #444; background: rgba(255, 255, 255, 120); }";
const char *const openStyle =
    "QPushButton { background: none; border-radius: 3px; border: none; text-decoration: "
    "underline; text-align: left; padding: 7px; } QPushButton:pressed { color: #aaa; } "
    "QPushButton:hover { color: #666; }";
constexpr int maxRecent = 5;
} // namespace

KFStartPage::KFStartPage(QWidget *parent)
    : QWidget(parent), m_pixmap(QStringLiteral(":/Kerfloom/splash"))
{
    if (!m_pixmap.isNull())
        setFixedSize(m_pixmap.size());
    m_list = new QWidget(this);
    m_list->setGeometry(423, 63, 190, 170);
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setSpacing(2);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    m_listLayout->addStretch();

    m_openButton = new QPushButton(this);
    m_openButton->move(430, 240);
    m_openButton->setIcon(QIcon(QStringLiteral(":/Kerfloom/Resources/open.png")));
    m_openButton->setIconSize(QSize(24, 24));
    m_openButton->setCursor(Qt::PointingHandCursor);
    m_openButton->setStyleSheet(QLatin1String(openStyle));
    connect(m_openButton, &QPushButton::clicked, this, &KFStartPage::buttonPressed);
    retranslate();
}

void KFStartPage::retranslate()
{
    m_title = tr("Recent files");
    m_openButton->setText(tr("Open file"));
    m_openButton->adjustSize();
    update();
}

void KFStartPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

QList<QPushButton *> KFStartPage::recentButtons() const
{
    QList<QPushButton *> out;
    for (int i = 0; i < m_listLayout->count(); ++i)
        if (auto *b = qobject_cast<QPushButton *>(m_listLayout->itemAt(i)->widget()))
            out << b;
    return out;
}

void KFStartPage::addRecentFile(const QString &path)
{
    QPushButton *button = nullptr;
    for (QPushButton *b : m_list->findChildren<QPushButton *>(QStringLiteral("file")))
        if (b->property("url").toString() == path)
            button = b;
    if (!button) {
        button = new QPushButton(QFileInfo(path).fileName(), m_list);
        button->setObjectName(QStringLiteral("file"));
        button->setIcon(QIcon(QStringLiteral(":/Kerfloom/Resources/file.png")));
        button->setToolTip(QDir::toNativeSeparators(path));
        button->setProperty("url", path);
        button->setProperty("created", ++m_created);
        button->setStyleSheet(QLatin1String(recentStyle));
        connect(button, &QPushButton::clicked, this, &KFStartPage::buttonPressed);
    } else {
        m_listLayout->removeWidget(button);
    }
    m_listLayout->insertWidget(0, button, 0, Qt::AlignTop);

    QList<QPushButton *> all;
    for (QPushButton *b : m_list->findChildren<QPushButton *>(QStringLiteral("file")))
        if (!b->property("removed").toBool())
            all << b;
    std::sort(all.begin(), all.end(), [](QPushButton *a, QPushButton *b) {
        return a->property("created").toULongLong() > b->property("created").toULongLong();
    });
    for (int i = maxRecent; i < all.size(); ++i) {
        all[i]->setProperty("removed", true);
        m_listLayout->removeWidget(all[i]);
        all[i]->close();
        all[i]->deleteLater();
    }
}

void KFStartPage::buttonPressed()
{
    const QObject *s = sender();
    emit openFile(s ? s->property("url").toString() : QString(), false, true);
}

void KFStartPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.drawPixmap(0, 0, m_pixmap);
    p.setFont(titleFont(font(), m_title));
    p.setPen(Qt::white);
    p.drawText(QPointF(titleLeft, 43), m_title);
}

QFont KFStartPage::titleFont(QFont base, const QString &title)
{
    base.setBold(true);
    for (int size = 14; size > 6; --size) {
        base.setPointSize(size);
        if (QFontMetricsF(base).horizontalAdvance(title) <= titleRight - titleLeft)
            break;
    }
    return base;
}
