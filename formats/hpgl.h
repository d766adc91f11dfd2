#pragma once

#include <QString>

#include <cstddef>

class Drawing;

// HPGL (".plt"): pen selection, pen up and down, absolute and relative
// plotting and arcs with every coordinate pair of a command, encoded
// polylines (PE), the scaling of IP and SC, the turn of RO and the window of IW; circles, rectangles,
// wedges and Bezier curves as their outlines. Text and fill patterns are
// skipped.
namespace hpgl {

// Points that flattening curves may add to one file; a file that would need
// more is refused; the same order as the DXF reader's point budget.
inline constexpr long long DefaultCurveBudget = 10'000'000;
void setCurveBudget(long long points);

// Every pen-up that moves the pen starts a new object; false when the file
// draws nothing.
bool read(const QString &path, Drawing &drawing);
bool readData(const char *data, size_t size, Drawing &drawing);
// One "SP" and one "PU"/"PD" line per point, 40 units per millimetre, CR LF.
bool write(const QString &path, const Drawing &drawing);

} // namespace hpgl
