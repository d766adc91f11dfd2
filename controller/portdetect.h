#pragma once

#include "platform/serialport.h"

#include <QString>

#include <vector>

namespace cutdeck {

struct PortChoice
{
    int number = 0;     // 0 = none
    QString statusText; // what panel "ejey" shows
};

// The cutter is the first port whose name holds "COM" and "Prolific" or
// "Arduino" with a number above 1 (COM1 is the built-in port, never the
// cutter). Without such a port, the last listed port is left chosen, as the
// controller has always done, so an unnamed adapter still gets a chance.
PortChoice detectPort(const std::vector<platform::SerialPortEntry> &ports);

} // namespace cutdeck
