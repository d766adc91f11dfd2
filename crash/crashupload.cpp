#include "crash/crashupload.h"

#include <QFile>
#include <QFileInfo>

namespace kerfloom::crash {

QByteArray multipartBody(const Attachments &attachments, const QByteArray &boundary)
{
    QByteArray body;
    for (auto it = attachments.cbegin(); it != attachments.cend(); ++it) {
        const Attachment &a = it.value();
        body += "--" + boundary + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + it.key().toUtf8() + '"';
        if (a.isFile) {
            body += "; filename=\"" + QFileInfo(a.filePath).fileName().toUtf8() + "\"\r\n";
            body += "Content-Type: application/octet-stream\r\n\r\n";
            QFile file(a.filePath);
            if (file.open(QIODevice::ReadOnly)) {
                body += file.readAll();
                file.close();
                file.remove();
            }
        } else {
            body += "\r\n\r\n";
            body += a.value;
        }
        body += "\r\n";
    }
    body += "--" + boundary + "--\r\n";
    return body;
}

} // namespace kerfloom::crash
