#pragma once

#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A small HTTP/1.1 server on 127.0.0.1 for the update tests: answers every
// request for a known path with its bytes, counts the requests per path and
// can close a connection half-way through a body.
class HttpServer : public QTcpServer
{
public:
    QMap<QString, QByteArray> files; // path → body
    QMap<QString, int> hits;         // path → requests
    QStringList truncated;           // paths whose body is cut short
    QStringList methods, contentTypes;

    HttpServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                serve(socket);
        });
    }
    QString url(const QString &base) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(base);
    }

private:
    void serve(QTcpSocket *socket)
    {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray &request = m_pending[socket];
            request += socket->readAll();
            const int end = request.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> lines = request.left(end).split('\n');
            const QList<QByteArray> first = lines.first().trimmed().split(' ');
            QByteArray type;
            qint64 length = 0;
            for (const QByteArray &line : lines) {
                const QByteArray lower = line.toLower();
                if (lower.startsWith("content-type:"))
                    type = line.mid(13).trimmed();
                if (lower.startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (request.size() < end + 4 + length)
                return;
            m_pending.remove(socket);
            const QString path = QUrl::fromPercentEncoding(first.value(1));
            methods << QString::fromLatin1(first.value(0));
            contentTypes << QString::fromLatin1(type);
            ++hits[path];
            reply(socket, path);
        });
    }
    void reply(QTcpSocket *socket, const QString &path)
    {
        if (!files.contains(path)) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const QByteArray body = files.value(path);
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n"
                      "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
        socket->write(truncated.contains(path) ? body.left(body.size() / 2) : body);
        socket->disconnectFromHost();
    }
    QMap<QTcpSocket *, QByteArray> m_pending;
};
