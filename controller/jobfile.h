#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace cutdeck {

// The lines of a G-code job as they are streamed: line ends (LF, CR LF or a
// carriage return alone) stripped, long lines kept whole, blank
// lines left out (firmware answers no "ok" to an empty line, so one would stall
// the stream). Returns false when the file cannot be read.
bool readGcodeJob(const QString &path, QStringList *lines, QString *error = nullptr);

// The G-code file that goes with a cut file: a ".txt" name becomes ".gcode",
// any other name is taken as the G-code file itself.
QString gcodePathFor(const QString &path);

// One straight segment of a cut file, millimetres.
struct CutRecord
{
    double number = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

constexpr int kStepListCapacity = 100001;

enum class CutFileResult { Ok, Unreadable, TooLarge };

// Reads a cut file: a line beginning with "ID" starts a record and the next
// four lines hold x1, y1, x2, y2. A file with more records than the step list
// holds keeps the records that fit and reports TooLarge.
CutFileResult readCutFile(const QString &path, std::vector<CutRecord> *records);

} // namespace cutdeck
