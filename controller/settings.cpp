#include "controller/settings.h"

#include "controller/ini.h"

#include <algorithm>

namespace cutdeck {

MachineSettings MachineSettings::loadFrom(const QString &path)
{
    auto text = [&](const char *section, const char *key) {
        return readIniFile(path, QLatin1String(section), QLatin1String(key));
    };
    auto number = [&](const char *section, const char *key) { return shortValue(text(section, key)); };

    MachineSettings s;
    s.portNumber = number("puerto", "valor_puerto");
    s.devicePath = text("puerto", "dispositivo");
    s.mode = number("modo", "arduino") == 1 ? Mode::Gcode : Mode::Step;
    s.stepSpeed = number("vel", "vel");
    s.gcodeSpeed = number("vel", "velgcode");
    s.positioningSpeed = number("vel", "velpos");
    s.gcodeSpeedMax = number("vel", "vel_g_max");
    s.gcodeSpeedMin = number("vel", "vel_g_min");
    s.resolutionX = numericValue(text("motor", "x"));
    s.resolutionY = numericValue(text("motor", "y"));
    s.positioningInput = number("tiempo", "posicionamiento");
    s.baseStepTime = int(std::clamp(numericValue(text("tiempo", "tiempo_base ")), 0.0, 1e7));
    return s;
}

MachineSettings MachineSettings::load()
{
    return loadFrom(configPath());
}

} // namespace cutdeck
