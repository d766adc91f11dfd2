#pragma once

#include <QString>

#include <cstddef>

class Drawing;

// HPGL (".plt"): pen selection, pen up and down, absolute plotting and
// absolute arcs, one coordinate pair per command.
namespace hpgl {

// Every pen-up that moves the pen starts a new object; false when the file
// holds no readable coordinate pair.
bool read(const QString &path, Drawing &drawing);
bool readData(const char *data, size_t size, Drawing &drawing);
// One "SP" and one "PU"/"PD" line per point, 40 units per millimetre, CR LF.
bool write(const QString &path, const Drawing &drawing);

} // namespace hpgl
