#pragma once

#include <QString>

#include <cstddef>

class Drawing;

// SVG (".svg") and gzip-compressed SVG (".svgz"): read from the basic
// shapes, path data and group transforms, written as one polyline per
// object.
namespace svg {

// Compressed files that inflate to more than this are refused.
inline constexpr size_t DefaultInflateLimit = size_t(512) << 20;

// True when at least one point was read; damaged XML, a damaged compressed
// file or a document without shapes give false and leave no objects behind.
bool read(const QString &path, Drawing &drawing);
// Drawing elements again through "use" costs units (one per element, one
// more per 64 characters of its path data); a file that would spend more is
// refused. Two million units of small shapes take seconds to read.
inline constexpr long long DefaultUseBudget = 2'000'000;
void setUseBudget(long long units);
bool readData(const char *data, size_t size, Drawing &drawing, size_t inflateLimit = DefaultInflateLimit);
bool write(const QString &path, const Drawing &drawing);

} // namespace svg
