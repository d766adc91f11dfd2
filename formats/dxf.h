#pragma once

#include <QString>

#include <cstddef>

class Drawing;

namespace dxf {

// Reads an ASCII DXF file into an empty drawing. False when the file cannot
// be read, is binary DXF, or holds no usable point.
bool read(const QString &path, Drawing &drawing);
// The same over bytes already in memory.
bool readData(const char *data, size_t size, Drawing &drawing);

// Writes an AutoCAD 2004 file in millimetres, one LWPOLYLINE per object.
bool write(const QString &path, const Drawing &drawing);

} // namespace dxf
