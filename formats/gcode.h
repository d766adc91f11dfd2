#pragma once

#include <QString>

class Drawing;

// G-code (".tap"): the cutting path as bare coordinate lines between the
// configured start and end blocks.
namespace gcode {

// One object from the file's coordinate lines; false when there is none.
bool read(const QString &path, Drawing &drawing);
bool readData(const char *data, size_t size, Drawing &drawing);
// Every point of every object in list order, CR LF line ends.
bool write(const QString &path, const Drawing &drawing);

} // namespace gcode
