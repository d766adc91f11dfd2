// The settings dialog as a user meets it: opening it (every control loaded
// from the store, first frame painted), a language preview with the whole
// dialog retranslated, and the About dialog's product row from a local server.
#include "resources/language.h"
#include "ui/about.h"
#include "ui/settingsdialog.h"
#include "ui/style/brenmoorstyle.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <benchmark/benchmark.h>

namespace {

void ensureStyle()
{
    static bool done = false;
    if (!done)
        installBrenmoorStyle();
    done = true;
}

void BM_SettingsDialogOpen(benchmark::State &state)
{
    ensureStyle();
    QImage frame(800, 640, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        kerfloom::Settings dialog;
        QPainter p(&frame);
        dialog.render(&p);
    }
}
BENCHMARK(BM_SettingsDialogOpen)->Unit(benchmark::kMillisecond);

void BM_SettingsLanguagePreview(benchmark::State &state)
{
    ensureStyle();
    kerfloom::Settings dialog;
    auto *language = dialog.control<QComboBox>("language");
    int next = 1;
    for (auto _ : state) {
        language->setCurrentIndex(next);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        next = 1 - next;
    }
    kerfloom::installLanguage(QLocale(QLocale::English, QLocale::UnitedStates));
}
BENCHMARK(BM_SettingsLanguagePreview)->Unit(benchmark::kMillisecond);

QByteArray png(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void BM_AboutProductRow(benchmark::State &state)
{
    const int products = int(state.range(0));
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QByteArray list;
    for (int i = 0; i < products; ++i)
        list += "p" + QByteArray::number(i) + ".png;https://example.com/\n";
    const QByteArray picture = png(150, 64);
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, &list, &picture] {
                const QByteArray path = s->readAll().split(' ').value(1);
                const QByteArray &body = path.startsWith("/about/products.txt") ? list : picture;
                s->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size())
                         + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        }
    });
    qputenv("KERFLOOM_BASE_URL", QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()).toUtf8());
    for (auto _ : state) {
        About about;
        QSignalSpy loaded(&about, &About::productsLoaded);
        about.loadProductInfo();
        if (!loaded.wait(5000) || !loaded.first().first().toBool())
            state.SkipWithError("the product row did not load");
    }
    qunsetenv("KERFLOOM_BASE_URL");
}
BENCHMARK(BM_AboutProductRow)->Arg(2)->Arg(12)->Unit(benchmark::kMillisecond);

} // namespace
