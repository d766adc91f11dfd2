#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QIODevice;

namespace cutdeck {

// One record of the drawing store. Kind 1 is a drawn point, kind 0 a
// separator that ends a contour. Y is stored negated: the plotter's Y grows
// upwards, the screen's downwards. Flag 1 marks a contour's first point, 2 its
// last, 0 anything else.
struct DrawingRecord
{
    float kind = 0;
    float x = 0;
    float y = 0;
    float flag = 0;
};

constexpr int kDrawingCapacity = 500001;
// Plotter units per millimetre.
constexpr double kPlotterUnits = 40.0;
// The default longest straight move after segmenting, in millimetres.
constexpr double kDefaultMaxSegment = 5.0;

struct Drawing
{
    std::vector<DrawingRecord> records;
    int largestX = 0; // integer parts, for sizing the view
    int largestY = 0; // of the plotter's (upward) Y
    QString fileName;

    int count() const { return int(records.size()); }
    bool isEmpty() const { return records.empty(); }
    void clear();
};

enum class DrawingResult { Ok, Unreadable, TooLarge };

// Reads an HPGL drawing with one command per line. PU and PD lines carry one
// coordinate pair in plotter units (blank or comma between the numbers);
// every other command ends the contour in progress. A drawing that does not
// fit the store is dropped whole and reported as TooLarge.
DrawingResult readHpgl(QIODevice &in, Drawing *drawing);
DrawingResult readHpgl(const QString &path, Drawing *drawing);

// Splits every drawn vector longer than maxLength millimetres into equal
// pieces, so that speed changes and the step generator see short moves. The
// store's layout stays; pieces that would overflow the store are not made.
void segmentVectors(Drawing &drawing, double maxLength);

// Turns the drawing's X axis round (x becomes -x), for a machine whose X
// axis runs the other way.
void mirrorX(Drawing &drawing);

// Reorders the contours to start at the origin and always go on with the
// nearest contour end; a contour may be cut backwards. The result is one
// chain framed by two origin records.
void orderFromOrigin(Drawing &drawing);

// Sum of the lengths of the drawn segments (both ends points), millimetres.
double cutLength(const Drawing &drawing);

// "El tiempo de corte (aproximado) es: …" for a length at a speed, or a note
// that no estimate is possible at speed 0.
QString timeEstimateMessage(double lengthMm, int speedMmPerMin);

// "Tiempo aprox.: H hs M min S seg" from the motor steps of every segment:
// each move lasts its length at the speed, but no less than its steps at the
// base step time.
QString motorTimeEstimate(const Drawing &drawing, double resolutionX, double resolutionY, int speedMmPerMin,
                          int baseStepMicroseconds);

// part.plt -> part.txt: the last three characters after a dot replaced.
QString cutFileNameFor(const QString &drawingPath);
// part.txt -> part.gcode.
QString gcodeFileNameFor(const QString &cutPath);

// What the settings file says about opening and saving drawings.
struct DrawingOptions
{
    bool segment = false;       // modo/achicar
    bool fromOrigin = false;    // modo/origen
    bool autoSave = false;      // modo/guardar
    bool gcode = false;         // modo/arduino
    bool mirrorX = false;       // modo/invertirx
    double maxSegment = kDefaultMaxSegment; // vel/dist_max_recta, mm; missing or 0 = default
    int speed = 0;              // vel/vel, mm/min

    static DrawingOptions load();
    static DrawingOptions loadFrom(const QString &iniPath);
};

// The optional steps after opening, as the options ask: the mirrored X axis,
// segmenting, then the order from the origin.
void prepareDrawing(Drawing &drawing, const DrawingOptions &options);

// The cut file: "ID i" and four values (x1 y1 x2 y2) per segment.
QByteArray cutFileText(const Drawing &drawing);
// The G-code job: set-up lines, one G1 per point, closing lines.
QByteArray gcodeText(const Drawing &drawing);

// Writes the cut file and, when gcode is set, the G-code file beside it. Each
// file goes to a temporary file first, so a failed write leaves no truncated
// job behind. error gets a Spanish sentence.
bool saveJob(const Drawing &drawing, const QString &cutPath, bool gcode, QString *error);

} // namespace cutdeck
