#include "ui/about.h"

#include "formats/settings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEasingCurve>
#include <QEvent>
#include <QHBoxLayout>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {
// The list is a few lines; a picture is a banner. Anything far larger is not
// what the server is meant to send, and is not held in memory.
constexpr qint64 maxListBytes = 64 * 1024;
constexpr qint64 maxPictureBytes = 2 * 1024 * 1024;
constexpr int maxPictureSide = 1024;

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('?'))
           && !name.contains(QLatin1Char('#'));
}
} // namespace

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    emit clicked();
    QLabel::mousePressEvent(event);
}

About::About(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *top = new QWidget(this);
    top->setObjectName(QStringLiteral("aboutTop"));
    top->setAttribute(Qt::WA_StyledBackground);
    top->setStyleSheet(QStringLiteral(
        "#aboutTop { background: #ffffff url(:/Kerfloom/Resources/about.png) repeat-x; }"));
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(24, 20, 24, 20);
    topLayout->setSpacing(18);
    auto *logo = new QLabel(top);
    logo->setPixmap(QPixmap(QStringLiteral(":/Kerfloom/logo")));
    topLayout->addWidget(logo, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    m_version = new QLabel(top);
    m_version->setObjectName(QStringLiteral("version"));
    QFont big = m_version->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_version->setFont(big);
    m_company = new QLabel(QStringLiteral("Brenmoor Limited"), top);
    m_company->setObjectName(QStringLiteral("company"));
    texts->addWidget(m_version);
    texts->addWidget(m_company);
    texts->addStretch();
    topLayout->addLayout(texts, 1);
    layout->addWidget(top);

    m_row = new QWidget(this);
    m_row->setObjectName(QStringLiteral("productRow"));
    auto *rowOuter = new QVBoxLayout(m_row);
    rowOuter->setContentsMargins(24, 12, 24, 4);
    m_checkOut = new QLabel(m_row);
    rowOuter->addWidget(m_checkOut);
    m_rowLayout = new QHBoxLayout;
    m_rowLayout->setSpacing(10);
    m_rowLayout->addStretch();
    m_rowLayout->addStretch();
    rowOuter->addLayout(m_rowLayout);
    m_row->hide();
    layout->addWidget(m_row);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setContentsMargins(12, 12, 12, 12);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    m_network = new QNetworkAccessManager(this);
    retranslate();
}

About::~About()
{
    abandonPending();
}

void About::retranslate()
{
    setWindowTitle(tr("About Kerfloom"));
    m_version->setText(QStringLiteral("Kerfloom ") + QCoreApplication::applicationVersion());
    m_checkOut->setText(tr("Check out our other products:"));
}

void About::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void About::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        QTimer::singleShot(100, this, &About::loadProductInfo);
    }
}

void About::done(int result)
{
    // Requests still running when the dialog goes are of no use to anyone.
    abandonPending();
    m_finished = true;
    QDialog::done(result);
}

QList<About::Product> About::parseProductList(const QByteArray &text)
{
    QList<Product> products;
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(';'));
        Product p;
        p.picture = fields.at(0).trimmed();
        if (!isPlainFileName(p.picture))
            continue;
        if (fields.size() > 1) {
            const QUrl link(fields.at(1).trimmed(), QUrl::StrictMode);
            // Only web pages are opened on a click; a server never names a
            // program or a local file for us to start.
            if (link.isValid() && (link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https")))
                p.link = link;
        }
        products << p;
        if (products.size() == maxProducts)
            break;
    }
    return products;
}

QNetworkReply *About::get(const QUrl &url, qint64 maxBytes)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    m_pending << reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes)
            reply->abort();
    });
    return reply;
}

void About::loadProductInfo()
{
    if (m_finished || !m_pending.isEmpty())
        return;
    const QString base = Settings::baseUrl();
    if (base.isEmpty()) {
        // No server configured: the row is simply not offered.
        m_finished = true;
        emit productsLoaded(false);
        return;
    }
    const QUrl url(base + QStringLiteral("/about/products.txt?app=")
                   + QString::fromLatin1(QUrl::toPercentEncoding(QCoreApplication::applicationName())));
    if (!url.isValid() || url.scheme().isEmpty()) {
        fail();
        return;
    }
    QNetworkReply *reply = get(url, maxListBytes);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { listArrived(reply); });
}

void About::listArrived(QNetworkReply *reply)
{
    m_pending.removeOne(reply);
    reply->deleteLater();
    if (reply->property("stahp").toBool() || m_finished)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        fail();
        return;
    }
    m_products = parseProductList(reply->readAll());
    if (m_products.isEmpty()) {
        fail();
        return;
    }
    m_pictures = QList<QPixmap>();
    for (int i = 0; i < m_products.size(); ++i)
        m_pictures << QPixmap();
    const QString base = Settings::baseUrl();
    for (int i = 0; i < m_products.size(); ++i) {
        const QUrl url(base + QStringLiteral("/about/")
                       + QString::fromLatin1(QUrl::toPercentEncoding(m_products.at(i).picture)));
        QNetworkReply *picture = get(url, maxPictureBytes);
        connect(picture, &QNetworkReply::finished, this, [this, picture, i] { pictureArrived(picture, i); });
    }
}

void About::pictureArrived(QNetworkReply *reply, int slot)
{
    m_pending.removeOne(reply);
    reply->deleteLater();
    if (reply->property("stahp").toBool() || m_finished)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        fail();
        return;
    }
    QByteArray data = reply->readAll();
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    // Check the size before decoding: a tiny file may claim a huge picture.
    if (!size.isValid() || size.width() > maxPictureSide || size.height() > maxPictureSide) {
        fail();
        return;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        fail();
        return;
    }
    m_pictures[slot] = QPixmap::fromImage(image);
    if (++m_arrived == m_products.size())
        showRow();
}

void About::fail()
{
    abandonPending();
    m_finished = true;
    m_row->hide();
    emit productsLoaded(false);
}

void About::abandonPending()
{
    const QList<QNetworkReply *> pending = m_pending;
    m_pending.clear();
    for (QNetworkReply *reply : pending) {
        reply->setProperty("stahp", true);
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void About::showRow()
{
    m_finished = true;
    for (int i = 0; i < m_products.size(); ++i) {
        auto *label = new ClickableLabel(m_row);
        label->setObjectName(QStringLiteral("product"));
        label->setPixmap(m_pictures.at(i));
        label->setFixedSize(m_pictures.at(i).size());
        label->setLink(m_products.at(i).link);
        if (label->link().isValid()) {
            label->setCursor(Qt::PointingHandCursor);
            label->setToolTip(label->link().toString());
            connect(label, &ClickableLabel::clicked, label, [label] { QDesktopServices::openUrl(label->link()); });
        }
        m_rowLayout->insertWidget(1 + i, label);
    }
    m_pictures.clear();
    m_row->setMinimumHeight(0);
    m_row->setMaximumHeight(0);
    m_row->show();
    const int height = m_row->sizeHint().height();
    auto *grow = new QPropertyAnimation(m_row, "maximumHeight", this);
    grow->setDuration(500);
    grow->setEasingCurve(QEasingCurve::OutQuad);
    grow->setStartValue(0);
    grow->setEndValue(height);
    connect(grow, &QPropertyAnimation::valueChanged, m_row, [this](const QVariant &v) {
        m_row->setMinimumHeight(v.toInt());
    });
    connect(grow, &QPropertyAnimation::finished, m_row, [this, height] {
        m_row->setMinimumHeight(height);
        m_row->setMaximumHeight(QWIDGETSIZE_MAX);
    });
    grow->start(QAbstractAnimation::DeleteWhenStopped);
    emit productsLoaded(true);
}

QList<ClickableLabel *> About::products() const
{
    QList<ClickableLabel *> labels;
    for (int i = 0; i < m_rowLayout->count(); ++i)
        if (auto *label = qobject_cast<ClickableLabel *>(m_rowLayout->itemAt(i)->widget()))
            labels << label;
    return labels;
}
