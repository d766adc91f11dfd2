#include "controller/machinelink.h"

#include "controller/portdetect.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace cutdeck {

void espero(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Poll, but do not spin a core for a long wait.
        if (ms - clock.elapsed() > 2)
            QThread::usleep(500);
    }
}

MachineLink::MachineLink(std::unique_ptr<platform::SerialLine> line, QObject *parent)
    : QObject(parent), m_line(std::move(line)), m_wait(espero), m_lister(platform::serialPorts)
{
    connect(m_line.get(), &platform::SerialLine::readyRead, this, &MachineLink::readyRead);
    connect(m_line.get(), &platform::SerialLine::failed, this, &MachineLink::failed);
}

QString MachineLink::openErrorText()
{
    return QStringLiteral("El puerto USB no esta disponible o no funciona, por favor seleccione otro.");
}

bool MachineLink::openPort(const MachineSettings &settings)
{
    m_location.clear();
    m_number = 0;
    if (!settings.devicePath.isEmpty()) {
        m_location = settings.devicePath;
        m_status = QStringLiteral("Dispositivo conectado en ") + settings.devicePath;
    } else {
        const std::vector<platform::SerialPortEntry> ports = m_lister();
        if (settings.portNumber != 0) {
            m_number = settings.portNumber;
            m_status = QStringLiteral("Dispositivo conectado en COM") + QString::number(m_number);
        } else {
            const PortChoice choice = detectPort(ports);
            m_number = choice.number;
            m_status = choice.statusText;
        }
        for (const platform::SerialPortEntry &p : ports)
            if (p.number == m_number)
                m_location = p.location;
    }
    if (m_location.isEmpty())
        return false;
    if (!m_line->isOpen() && !m_line->open(m_location))
        return false;
    // Control lines are a courtesy to the board: a pseudo-terminal has none,
    // and the stream works without them.
    m_line->setDtr(true);
    m_line->setRts(true);
    return true;
}

void MachineLink::close()
{
    m_line->close();
}

bool MachineLink::isOpen() const
{
    return m_line->isOpen();
}

bool MachineLink::send(const QString &text)
{
    return m_line->write(text.toLatin1() + '\r');
}

bool MachineLink::writeBytes(const QByteArray &bytes)
{
    return m_line->write(bytes);
}

void MachineLink::dtr(bool on)
{
    m_line->setDtr(on);
}

void MachineLink::pulseAfterCancel()
{
    dtr(true);
    m_wait(100);
    dtr(false);
    m_wait(1000);
    dtr(true);
    m_wait(100);
}

void MachineLink::pulseOnExit()
{
    dtr(false);
    m_wait(250);
    dtr(true);
    m_wait(250);
}

void MachineLink::pulseReset()
{
    dtr(false);
    m_wait(100);
    dtr(true);
    m_wait(100);
    dtr(false);
}

} // namespace cutdeck
