#pragma once

#include "controller/settings.h"
#include "platform/serialport.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace cutdeck {

// Waits the given milliseconds while the program stays responsive.
using WaitFunction = std::function<void(int ms)>;
// The default wait: polls the clock and processes pending events between polls.
void espero(int ms);

// The serial port of the machine form: opening it the controller's way,
// writing commands, and the DTR pulses that reset the board.
class MachineLink : public QObject
{
    Q_OBJECT
public:
    using PortLister = std::function<std::vector<platform::SerialPortEntry>()>;

    explicit MachineLink(std::unique_ptr<platform::SerialLine> line, QObject *parent = nullptr);

    void setWait(WaitFunction wait) { m_wait = std::move(wait); }
    void setPortLister(PortLister lister) { m_lister = std::move(lister); }

    // Chooses the port (device path, number, or detection), opens it at
    // 19200 8N1 and raises DTR and RTS. On failure the port stays closed and
    // errorText() holds the message for the operator.
    bool openPort(const MachineSettings &settings);
    void close();
    bool isOpen() const;

    const QString &statusText() const { return m_status; }
    const QString &location() const { return m_location; }
    int portNumber() const { return m_number; }
    static QString openErrorText();

    // A command line: the text and a carriage return. False on a dead port.
    bool send(const QString &text);
    bool writeBytes(const QByteArray &bytes);

    // Board resets through DTR: after a cancel or a finished step cut, on
    // leaving the form, and the "Reset" button.
    void pulseAfterCancel();
    void pulseOnExit();
    void pulseReset();

    platform::SerialLine &line() { return *m_line; }
    // The wait between commands (espero unless replaced).
    void wait(int ms) { m_wait(ms); }

signals:
    void readyRead();
    void failed(const QString &reason);

private:
    void dtr(bool on);

    std::unique_ptr<platform::SerialLine> m_line;
    WaitFunction m_wait;
    PortLister m_lister;
    QString m_status;
    QString m_location;
    int m_number = 0;
};

} // namespace cutdeck
