#include "controller/portdetect.h"

#include "controller/ini.h"

namespace cutdeck {

PortChoice detectPort(const std::vector<platform::SerialPortEntry> &ports)
{
    PortChoice choice;
    for (const platform::SerialPortEntry &p : ports) {
        const QString &name = p.friendlyName;
        const int com = name.indexOf(QLatin1String("COM"));
        if (com < 0) {
            choice.statusText = QStringLiteral("Desconectado");
            choice.number = 0;
            continue;
        }
        choice.number = shortValue(name.mid(com + 3));
        if ((name.contains(QLatin1String("Prolific")) || name.contains(QLatin1String("Arduino")))
            && choice.number > 1) {
            choice.statusText = name;
            return choice;
        }
    }
    return choice;
}

} // namespace cutdeck
