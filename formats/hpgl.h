#pragma once

#include <QString>

class Drawing;

namespace hpgl {

bool read(const QString &path, Drawing &drawing);
bool write(const QString &path, const Drawing &drawing);

} // namespace hpgl
