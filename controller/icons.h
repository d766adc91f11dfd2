#pragma once

#include <QIcon>

namespace cutdeck {

// Pictures of the machine buttons, drawn by the program itself.
enum class ButtonPicture { Up, Down, Left, Right, WireOn, WireOff, PauseMachine, TestProgram };
QIcon buttonIcon(ButtonPicture picture);

} // namespace cutdeck
