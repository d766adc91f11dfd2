#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace platform {

// One serial port as the controller numbers it. Numbers follow the order of
// the system locations with /dev/ttyS0 first, so the first built-in port plays
// the role of COM1. The friendly name carries the manufacturer, the
// description and "(COMn)", which is what port detection looks for.
struct SerialPortEntry
{
    int number = 0;
    QString location;
    QString friendlyName;
};

// Every serial port of the system, numbered from 1.
std::vector<SerialPortEntry> serialPorts();

// The numbering rule on its own: sorts `entries` by location (/dev/ttyS0
// first) and assigns numbers and friendly names. The manufacturer and
// description of each entry are passed in its friendlyName field.
void numberSerialPorts(std::vector<SerialPortEntry> &entries);

// A serial line at 19200 baud, 8 data bits, no parity, 1 stop bit, with the
// modem control lines under the caller's control. readyRead is the receive
// event; failed() fires once when the device goes away or stops working, after
// which the line is closed and writes are refused.
class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // Opens `location` (a device path or a port name) and configures it.
    // DTR and RTS are low afterwards; the caller raises them.
    virtual bool open(const QString &location) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Control lines. A pseudo-terminal has none: false is returned and the
    // line keeps working.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    // Writes at once (not queued behind the event loop), so that step timing
    // is set where the bytes leave. Returns false on a dead line.
    virtual bool write(const QByteArray &data) = 0;
    virtual QByteArray readAll() = 0;
    // Bytes waiting, in our buffer and in the driver's.
    virtual qint64 bytesWaiting() const = 0;
    virtual QString errorString() const = 0;

signals:
    void readyRead();
    void failed(const QString &reason);
};

std::unique_ptr<SerialLine> createSerialLine(QObject *parent = nullptr);

} // namespace platform
