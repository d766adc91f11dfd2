#pragma once

class Drawing;

// Joins pieces whose ends touch into longer objects, greedily chaining the
// nearest ends. Two ends touch when their squared distance is below
// `precision` (a squared length: 0.1 closes gaps up to about 0.316 mm).
// Objects left without points are removed.
//
// The chaining starts from the first object and settles one more object per
// step: the unsettled object owning the end nearest to any end of a settled
// object, welded onto it when near enough. Equally near pairs are decided by
// a fixed order: settled objects in list order, each with its first end
// before its last, and among equally near unsettled ends the one whose
// object comes first in the list, first end before last.
void autoWeld(Drawing &drawing, double precision);
