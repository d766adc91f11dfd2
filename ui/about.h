#pragma once

#include <QDialog>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QUrl>

class QHBoxLayout;
class QNetworkAccessManager;
class QNetworkReply;
class QPropertyAnimation;

// A picture that reacts to a click; carries the link it stands for.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget *parent = nullptr) : QLabel(parent) {}

    QUrl link() const { return m_link; }
    void setLink(const QUrl &link) { m_link = link; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QUrl m_link;
};

// The About dialog: logo, version, maker, and a row of the maker's other
// products fetched from the vendor's web server, shown only when every
// picture of it arrived.
class About : public QDialog
{
    Q_OBJECT
public:
    explicit About(QWidget *parent = nullptr);
    ~About() override;

    QWidget *productRow() const { return m_row; }
    // The product labels in their order on the row.
    QList<ClickableLabel *> products() const;
    // How long one request may take before it counts as failed.
    void setRequestTimeout(int ms) { m_timeoutMs = ms; }
    int pendingRequests() const { return m_pending.size(); }

    // One line of the product list: "picture file name;link", fields trimmed.
    struct Product
    {
        QString picture;
        QUrl link;
    };
    // Lines without a usable picture name are left out; at most maxProducts.
    static QList<Product> parseProductList(const QByteArray &text);
    static constexpr int maxProducts = 12;

public slots:
    void loadProductInfo();

signals:
    // Emitted once: true when the row was shown, false when it stays hidden.
    void productsLoaded(bool shown);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void done(int result) override;

private:
    void retranslate();
    QNetworkReply *get(const QUrl &url, qint64 maxBytes);
    void listArrived(QNetworkReply *reply);
    void pictureArrived(QNetworkReply *reply, int slot);
    void fail();
    void abandonPending();
    void showRow();

    QLabel *m_version = nullptr;
    QLabel *m_company = nullptr;
    QLabel *m_checkOut = nullptr;
    QWidget *m_row = nullptr;
    QHBoxLayout *m_rowLayout = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    QList<QNetworkReply *> m_pending;
    QList<Product> m_products;
    QList<QPixmap> m_pictures;
    int m_arrived = 0;
    int m_timeoutMs = 10000;
    bool m_started = false;
    bool m_finished = false;
};
