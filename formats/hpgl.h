#pragma once

#include <QString>

#include <cstddef>

class Drawing;

// HPGL (".plt"): pen selection, pen up and down, absolute and relative
// plotting and arcs with every coordinate pair of a command, and the
// scaling of IP and SC. Text, fills and other shapes are skipped.
namespace hpgl {

// Every pen-up that moves the pen starts a new object; false when the file
// draws nothing.
bool read(const QString &path, Drawing &drawing);
bool readData(const char *data, size_t size, Drawing &drawing);
// One "SP" and one "PU"/"PD" line per point, 40 units per millimetre, CR LF.
bool write(const QString &path, const Drawing &drawing);

} // namespace hpgl
