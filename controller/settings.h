#pragma once

#include <QString>

namespace cutdeck {

enum class Mode { Step = 0, Gcode = 1 };

// The values the machine form reads from cutdeck_config.INI, loaded afresh
// each time (the dialog may have changed them). Speeds are 16-bit as stored.
struct MachineSettings
{
    int portNumber = 0;      // puerto/valor_puerto, 0 = detect
    QString devicePath;      // puerto/dispositivo, overrides the number
    Mode mode = Mode::Step;  // modo/arduino
    int stepSpeed = 0;       // vel/vel, mm/min
    int gcodeSpeed = 0;      // vel/velgcode, mm/min
    int positioningSpeed = 0; // vel/velpos
    int gcodeSpeedMax = 0;   // vel/vel_g_max
    int gcodeSpeedMin = 0;   // vel/vel_g_min
    double resolutionX = 0;  // motor/x, mm per step
    double resolutionY = 0;  // motor/y, mm per step
    int positioningInput = 0; // tiempo/posicionamiento: 1 keyboard, else mouse
    int baseStepTime = 0;    // tiempo/"tiempo_base ", microseconds

    int baseSpeed() const { return mode == Mode::Gcode ? gcodeSpeed : stepSpeed; }

    static MachineSettings load();
    static MachineSettings loadFrom(const QString &iniPath);
};

} // namespace cutdeck
