#include "ui/about.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

// A tiny HTTP server on 127.0.0.1: answers each GET from a table of paths,
// or never answers at all.
class TestServer : public QObject
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
    };
    std::map<QByteArray, Answer> answers;
    QList<QByteArray> requests;
    bool silent = false;

    TestServer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &pending = buffers[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        const QByteArray path = pending.split(' ').value(1);
        pending.clear();
        requests << path;
        if (silent)
            return;
        const auto it = answers.find(path);
        const Answer a = it == answers.end() ? Answer{404, "not here"} : it->second;
        socket->write("HTTP/1.1 " + QByteArray::number(a.status) + (a.status == 200 ? " OK" : " Error")
                      + "\r\nContent-Length: " + QByteArray::number(a.body.size())
                      + "\r\nConnection: close\r\n\r\n" + a.body);
        socket->disconnectFromHost();
    }
    QTcpServer server;
    std::map<QTcpSocket *, QByteArray> buffers;
};

QByteArray png(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct BaseUrl
{
    explicit BaseUrl(const QString &url) { qputenv("KERFLOOM_BASE_URL", url.toUtf8()); }
    ~BaseUrl() { qunsetenv("KERFLOOM_BASE_URL"); }
};

// Runs the product row against the server; returns whether it was shown.
bool loadRow(About &about)
{
    QSignalSpy loaded(&about, &About::productsLoaded);
    about.loadProductInfo();
    if (loaded.isEmpty() && !loaded.wait(5000))
        return false;
    return loaded.first().first().toBool();
}


void fillProducts(TestServer &server)
{
    server.answers["/about/products.txt?app=" + QCoreApplication::applicationName().toUtf8()] =
        {200, " wide.png ; https://example.com/wide \n\n narrow.png;http://example.com/narrow\r\n"};
    server.answers["/about/wide.png"] = {200, png(40, 12, Qt::red)};
    server.answers["/about/narrow.png"] = {200, png(16, 20, Qt::blue)};
}

TEST(About, ProductRowShowsTheServedPicturesInListOrder)
{
    TestServer server;
    fillProducts(server);
    BaseUrl base(server.url());
    About about;
    about.show();
    ASSERT_TRUE(loadRow(about));
    const QList<ClickableLabel *> products = about.products();
    ASSERT_EQ(products.size(), 2);
    EXPECT_EQ(products[0]->size(), QSize(40, 12));
    EXPECT_EQ(products[0]->link(), QUrl(QStringLiteral("https://example.com/wide")));
    EXPECT_EQ(products[1]->size(), QSize(16, 20));
    EXPECT_TRUE(about.productRow()->isVisible());
    EXPECT_EQ(server.requests.first(), "/about/products.txt?app=" + QCoreApplication::applicationName().toUtf8());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Kerfloom"));
    about.close();
}

TEST(About, AnyNetworkFailureLeavesTheRowHidden)
{
    enum Failure { ListMissing, PictureMissing, NotAPicture, Refused, NeverAnswers };
    for (Failure failure : {ListMissing, PictureMissing, NotAPicture, Refused, NeverAnswers}) {
        SCOPED_TRACE(int(failure));
        auto server = std::make_unique<TestServer>();
        fillProducts(*server);
        QString url = server->url();
        switch (failure) {
        case ListMissing: server->answers.clear(); break;
        case PictureMissing: server->answers.erase("/about/narrow.png"); break;
        case NotAPicture: server->answers["/about/wide.png"].body = "<html>"; break;
        case Refused: server.reset(); break; // the port is closed again
        case NeverAnswers: server->silent = true; break;
        }
        BaseUrl base(url);
        About about;
        about.setRequestTimeout(300);
        EXPECT_FALSE(loadRow(about));
        EXPECT_TRUE(about.productRow()->isHidden());
        EXPECT_TRUE(about.products().isEmpty());
        EXPECT_EQ(about.pendingRequests(), 0);
    }
}

TEST(About, NoServerConfiguredMakesNoRequest)
{
    TestServer server;
    fillProducts(server);
    qunsetenv("KERFLOOM_BASE_URL");
    About about;
    EXPECT_FALSE(loadRow(about));
    QTest::qWait(50);
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST(About, ClosingWithRequestsPendingAbandonsThem)
{
    TestServer server;
    fillProducts(server);
    server.silent = true;
    BaseUrl base(server.url());
    QPointer<About> about = new About;
    about->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.requests.isEmpty(); }, 3000)); // 100 ms after showing
    EXPECT_EQ(about->pendingRequests(), 1);
    QSignalSpy loaded(about.data(), &About::productsLoaded);
    about->reject();
    EXPECT_EQ(about->pendingRequests(), 0);
    delete about;
    QTest::qWait(50); // aborted replies are deleted later; nothing may call back
    EXPECT_TRUE(loaded.isEmpty());
}

TEST(About, ProductListKeepsPlainPictureNamesAndWebLinksOnly)
{
    const auto list = About::parseProductList(
        "a.png;https://x.org/a\n../etc/passwd;http://x\nsub/b.png\nc.png;file:///bin/sh\n\n .hidden \nd.png");
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].picture, QStringLiteral("a.png"));
    EXPECT_EQ(list[1].picture, QStringLiteral("c.png"));
    EXPECT_FALSE(list[1].link.isValid());
    EXPECT_EQ(list[2].picture, QStringLiteral("d.png"));
    QByteArray many;
    for (int i = 0; i < 100; ++i)
        many += "p" + QByteArray::number(i) + ".png\n";
    EXPECT_EQ(About::parseProductList(many).size(), About::maxProducts);
}

} // namespace
