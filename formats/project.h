#pragma once

#include <QString>

#include <cstddef>

class Drawing;

// The project file (".kfp"): a drawing with its joints, directions, pens,
// start position and placement specifications, as a Qt data stream.
namespace project {

// All or nothing: a damaged file gives false and leaves the drawing as it was.
bool read(const QString &path, Drawing &drawing);
bool readData(const char *data, size_t size, Drawing &drawing);
bool write(const QString &path, const Drawing &drawing);

} // namespace project
