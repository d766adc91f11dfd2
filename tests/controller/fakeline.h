#pragma once

#include "platform/serialport.h"

#include <QStringList>

#include <functional>

namespace test {

// A serial line that records what the controller does with it: writes and
// control-line changes, in order, as text ("DTR 1", "write G91\r", …).
class FakeLine : public platform::SerialLine
{
public:
    bool open(const QString &location) override
    {
        calls << QStringLiteral("open ") + location;
        m_open = openSucceeds;
        return m_open;
    }
    void close() override
    {
        calls << QStringLiteral("close");
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool setDtr(bool on) override
    {
        calls << QStringLiteral("DTR %1").arg(on);
        return m_open;
    }
    bool setRts(bool on) override
    {
        calls << QStringLiteral("RTS %1").arg(on);
        return m_open;
    }
    bool write(const QByteArray &data) override
    {
        if (!m_open)
            return false;
        calls << QStringLiteral("write ") + QString::fromLatin1(data);
        written += data;
        if (onWrite)
            onWrite(data);
        return m_open;
    }
    QByteArray readAll() override { return std::exchange(input, QByteArray()); }
    qint64 bytesWaiting() const override { return input.size(); }
    QString errorString() const override { return QStringLiteral("fake"); }

    bool openSucceeds = true;
    QStringList calls;
    QByteArray written;
    QByteArray input;
    std::function<void(const QByteArray &)> onWrite;

private:
    bool m_open = false;
};

} // namespace test
