#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The multipart form of a crash upload.
namespace kerfloom::crash {

// One part: a file (sent with its name, read whole and deleted once read) or
// a value.
struct Attachment {
    QString filePath;
    QByteArray value;
    bool isFile = false;
};
using Attachments = QMap<QString, Attachment>;

// The request body for attachments under boundary. Files that exist are read
// and deleted; a missing file gives an empty part with its file name.
QByteArray multipartBody(const Attachments &attachments, const QByteArray &boundary);

} // namespace kerfloom::crash
