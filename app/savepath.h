#pragma once

#include <QString>

// Expands a save-path template for the file `source`: "%o" the file itself,
// "%p" its absolute folder, "%d" that folder's name, "%f" the base name (up
// to the first dot), "%e" the complete suffix (after the first dot). Each is
// replaced everywhere, case-sensitively, in one pass: what a value brings in
// (a "%e" in a file name) is never expanded again.
QString expandSavePath(const QString &pathTemplate, const QString &source);

// A save dialog may hand back its filter text after the name ("wing *.tap"):
// everything from the first " *" on is dropped.
QString stripFilterSuffix(const QString &name);

// A name typed without one of the endings the save filters know gets the
// first ending of the chosen filter ("wing" with "G-Code (*.tap)" becomes
// "wing.tap", and so does "wing.v2" → "wing.v2.tap"); a known ending, or a
// filter without one, leaves the name as it is.
QString addFilterSuffix(const QString &name, const QString &chosenFilter, const QString &allFilters);
