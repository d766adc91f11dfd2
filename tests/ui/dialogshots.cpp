// Pictures of the settings pages and of the About dialog with a product row
// served from 127.0.0.1, for the documentation (scripts/dialog-screenshots.sh).
//   kerfloom_dialogshots OUTDIR [LANGUAGE]
// With a language (pl_PL, say) the pictures are taken in it and named with
// its code (settings-general-pl.png), to see whether the texts fit.
#include "resources/language.h"
#include "resources/resources.h"
#include "ui/about.h"
#include "ui/settingsdialog.h"
#include "ui/style/brenmoorstyle.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QListWidget>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {
QByteArray banner(const QString &title, QColor colour)
{
    QImage image(150, 64, QImage::Format_ARGB32);
    image.fill(colour);
    QPainter p(&image);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPointSize(12);
    p.setFont(f);
    p.drawText(image.rect(), Qt::AlignCenter, title);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: kerfloom_dialogshots OUTDIR [LANGUAGE]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    kerfloom::initResources();
    installBrenmoorStyle();
    QCoreApplication::setApplicationName(QStringLiteral("Kerfloom"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brenmoor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.84"));
    QString suffix;
    if (argc == 3) {
        const QLocale locale(QString::fromLocal8Bit(argv[2]));
        kerfloom::installLanguage(locale);
        suffix = QLatin1Char('-') + locale.name().left(2);
    }
    const auto file = [&out, &suffix](const char *name) {
        QString base = QLatin1String(name);
        base.insert(base.lastIndexOf(QLatin1Char('.')), suffix);
        return out.filePath(base);
    };

    kerfloom::Settings settings;
    settings.show();
    const char *pages[] = {"settings-general.png", "settings-actions.png", "settings-formats.png"};
    for (int i = 0; i < 3; ++i) {
        settings.control<QListWidget>("listWidget")->setCurrentRow(i);
        QTest::qWait(300);
        if (!settings.grab().save(file(pages[i])))
            return 1;
    }
    const char *formats[] = {"settings-formats-gcode.png", "settings-formats-dxf.png"};
    for (int i = 1; i <= 2; ++i) {
        settings.control<QListWidget>("formatList")->setCurrentRow(i);
        QTest::qWait(200);
        if (!settings.grab().save(file(formats[i - 1])))
            return 1;
    }
    settings.hide();

    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const QMap<QByteArray, QByteArray> files = {
        {"/about/products.txt?app=Kerfloom", "cutdeck.png;https://example.com/cutdeck\nfoamlab.png;https://example.com/foamlab\n"},
        {"/about/cutdeck.png", banner(QStringLiteral("cutdeck"), QColor(0x2c, 0x6f, 0xb7))},
        {"/about/foamlab.png", banner(QStringLiteral("Foam Lab"), QColor(0xd9, 0x53, 0x4f))}};
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket *s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s, &files] {
                const QByteArray path = s->readAll().split(' ').value(1);
                const QByteArray body = files.value(path);
                s->write((body.isEmpty() ? "HTTP/1.1 404 No\r\n" : "HTTP/1.1 200 OK\r\n") + QByteArray("Content-Length: ")
                         + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        }
    });
    qputenv("KERFLOOM_BASE_URL", QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()).toUtf8());
    About about;
    about.show();
    if (!QTest::qWaitFor([&] { return !about.products().isEmpty(); }, 5000))
        return 1;
    QTest::qWait(900); // the row's opening animation
    return about.grab().save(file("about.png")) ? 0 : 1;
}
