#pragma once

class Drawing;

// Joins pieces whose ends touch into longer objects, greedily chaining the
// nearest ends. Two ends touch when their squared distance is below
// `precision` (a squared length: 0.1 closes gaps up to about 0.316 mm).
// Objects left without points are removed.
void autoWeld(Drawing &drawing, double precision);
