#pragma once

#include <QString>

class Drawing;

namespace dxf {

bool read(const QString &path, Drawing &drawing);
bool write(const QString &path, const Drawing &drawing);

} // namespace dxf
