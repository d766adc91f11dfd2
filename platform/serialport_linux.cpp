#include "platform/serialport.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

void numberSerialPorts(std::vector<SerialPortEntry> &entries)
{
    const QString first = QStringLiteral("/dev/ttyS0");
    std::stable_sort(entries.begin(), entries.end(), [&](const SerialPortEntry &a, const SerialPortEntry &b) {
        if ((a.location == first) != (b.location == first))
            return a.location == first;
        return a.location < b.location;
    });
    int number = 0;
    for (SerialPortEntry &e : entries) {
        e.number = ++number;
        const QString label = e.friendlyName.simplified();
        e.friendlyName = (label.isEmpty() ? QString() : label + QLatin1Char(' '))
                         + QStringLiteral("(COM%1)").arg(e.number);
    }
}

std::vector<SerialPortEntry> serialPorts()
{
    std::vector<SerialPortEntry> entries;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry e;
        e.location = info.systemLocation();
        e.friendlyName = info.manufacturer() + QLatin1Char(' ') + info.description();
        entries.push_back(e);
    }
    numberSerialPorts(entries);
    return entries;
}

namespace {

class QtSerialLine final : public SerialLine
{
public:
    explicit QtSerialLine(QObject *parent) : SerialLine(parent)
    {
        connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
        connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            // Only errors that mean the device is gone end the line; a refused
            // control-line request on a pseudo-terminal does not.
            if (e == QSerialPort::ResourceError || e == QSerialPort::DeviceNotFoundError
                || e == QSerialPort::PermissionError || e == QSerialPort::WriteError
                || e == QSerialPort::ReadError)
                fail(m_port.errorString());
        });
    }

    bool open(const QString &location) override
    {
        m_failed = false;
        m_port.setPortName(location);
        if (!m_port.open(QIODevice::ReadWrite))
            return false;
        const bool ok = m_port.setBaudRate(QSerialPort::Baud19200) && m_port.setDataBits(QSerialPort::Data8)
                        && m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop)
                        && m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!ok) {
            m_port.close();
            return false;
        }
        m_port.setDataTerminalReady(false);
        m_port.setRequestToSend(false);
        m_port.clearError();
        return true;
    }

    void close() override
    {
        if (m_port.isOpen())
            m_port.close();
    }

    bool isOpen() const override { return m_port.isOpen() && !m_failed; }

    bool setDtr(bool on) override
    {
        if (!isOpen())
            return false;
        const bool ok = m_port.setDataTerminalReady(on);
        m_port.clearError();
        return ok;
    }

    bool setRts(bool on) override
    {
        if (!isOpen())
            return false;
        const bool ok = m_port.setRequestToSend(on);
        m_port.clearError();
        return ok;
    }

    bool write(const QByteArray &data) override
    {
        if (!isOpen())
            return false;
        // Straight to the driver when nothing is queued: QSerialPort would
        // hold the bytes until the event loop runs, and its flush() costs
        // far more than a step interval.
        qint64 done = 0;
        if (m_port.bytesToWrite() == 0) {
            const ssize_t n = ::write(int(m_port.handle()), data.constData(), size_t(data.size()));
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                fail(QString::fromLocal8Bit(std::strerror(errno)));
                return false;
            }
            done = n > 0 ? n : 0;
        }
        if (done < data.size() && m_port.write(data.constData() + done, data.size() - done) != data.size() - done) {
            fail(m_port.errorString());
            return false;
        }
        return isOpen();
    }

    QByteArray readAll() override { return m_port.isOpen() ? m_port.readAll() : QByteArray(); }

    qint64 bytesWaiting() const override
    {
        if (!m_port.isOpen())
            return 0;
        int pending = 0;
        if (::ioctl(int(m_port.handle()), FIONREAD, &pending) != 0)
            pending = 0;
        return m_port.bytesAvailable() + pending;
    }

    QString errorString() const override { return m_port.errorString(); }

private:
    void fail(const QString &reason)
    {
        if (m_failed)
            return;
        m_failed = true;
        // Closing from inside the port's own signal is not safe; do it once
        // control is back in the event loop.
        QMetaObject::invokeMethod(this, [this] { m_port.close(); }, Qt::QueuedConnection);
        emit failed(reason);
    }

    QSerialPort m_port;
    bool m_failed = false;
};

} // namespace

std::unique_ptr<SerialLine> createSerialLine(QObject *parent)
{
    return std::make_unique<QtSerialLine>(parent);
}

} // namespace platform
