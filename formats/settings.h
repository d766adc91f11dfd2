#pragma once

#include "core/placement.h"

#include <QByteArray>
#include <QChar>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <limits>
#include <memory>
#include <type_traits>

// The program's settings store: one INI file, opened afresh wherever a value
// is needed. Every key with its type and default is listed here once; code
// elsewhere reads and writes through these definitions, never by string.
namespace Settings {

// "<per-user configuration folder of Brenmoor/Kerfloom>/settings.ini".
QString filePath();
std::unique_ptr<QSettings> open();

// Logs, once per key and value, that a stored value was not usable.
void warnDamaged(const char *name, const QVariant &stored);

template <typename T>
struct Key
{
    const char *name;
    T defaultValue;
    // Numbers outside [minimum, maximum] (the range the settings dialog
    // offers) are damaged values too: a negative plotter unit would mirror
    // every drawing, an output unit beyond the list would write millimetres
    // while the dialog shows another.
    T minimum = std::numeric_limits<T>::lowest();
    T maximum = std::numeric_limits<T>::max();

    T read() const { return read(*open()); }
    T read(const QSettings &s) const
    {
        const QVariant v = s.value(QLatin1String(name));
        if (!v.isValid() || !v.canConvert<T>())
            return defaultValue;
        if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
            // Text that is no number ("abc", "1e999" for a whole number)
            // reads as the default, not as 0.
            QVariant number = v;
            if (!number.convert(qMetaTypeId<T>())) {
                warnDamaged(name, v);
                return defaultValue;
            }
            const T value = number.value<T>();
            // "nan" or "inf" typed into the file is a damaged value.
            bool usable = !(value < minimum) && !(value > maximum);
            if constexpr (std::is_floating_point_v<T>)
                usable = usable && std::isfinite(value);
            if (!usable) {
                warnDamaged(name, v);
                return defaultValue;
            }
            return value;
        } else {
            return v.value<T>();
        }
    }
    void write(const T &value) const { write(*open(), value); }
    void write(QSettings &s, const T &value) const { s.setValue(QLatin1String(name), QVariant::fromValue(value)); }
};

// Main
QString defaultLanguage(); // the system locale's name
QString language();
void setLanguage(const QString &name);
inline const Key<int> Units{"Main/Units", 1, 0, 3};
inline const Key<QByteArray> Geometry{"Main/Geometry", {}};
inline const Key<QString> LastOpenDir{"Main/LastOpenDir", {}};
inline const Key<QString> LastSaveDir{"Main/LastSaveDir", {}};

// Recent files: the settings array "RecentFiles" with "FileName" entries.
QStringList recentFiles();
void setRecentFiles(const QStringList &files);

// Drawing
inline const Key<bool> DuplicateNonClosed{"Drawing/DuplicateNonClosed", true};
inline const Key<double> ClosedPrecision{"Drawing/ClosedPrecision", 0.005, 0, 100000};
inline const Key<bool> WarnNonClosed{"Drawing/WarnNonClosed", true};
inline const Key<bool> DrawPoints{"Drawing/DrawPoints", true};
inline const Key<bool> ScalePoints{"Drawing/ScalePoints", true};
inline const Key<bool> ScaleLine{"Drawing/ScaleLine", true};
inline const Key<bool> DrawDirectionArrows{"Drawing/DrawDirectionArrows", true};

// Saving
inline const Key<bool> AskBeforeClosing{"Saving/AskBeforeClosing", true};
inline const Key<bool> WarnWhenMultipleObjects{"Saving/WarnWhenMultipleObjects", true};
inline const Key<QString> DefaultSavePath{"Saving/DefaultSavePath", QStringLiteral("%p/%f.tap")};

// Position groups, each with "X", "Y", "Relative" and "Anchor".
inline const char *const MoveDrawingGroup = "MoveDrawing";
inline const char *const StartPointGroup = "StartPoint";
inline const char *const AnchorGroup = "Anchor";
PositionSpec readPosition(const char *group);
PositionSpec readPosition(QSettings &s, const char *group);
void writePosition(const char *group, const PositionSpec &spec);
void writePosition(QSettings &s, const char *group, const PositionSpec &spec);

// Actions after loading
inline const Key<bool> ActionMoveDrawing{"Actions/MoveDrawing", true};
inline const Key<bool> ActionSetStartPoint{"Actions/SetStartPoint", true};
inline const Key<bool> ActionSetAnchor{"Actions/SetAnchor", false};
inline const Key<bool> ActionAutoJoin{"Actions/AutoJoin", true};
inline const Key<bool> ActionAutoJoinCmdOnly{"Actions/AutoJoinCmdOnly", true};
inline const Key<bool> ActionSaveAs{"Actions/SaveAs", true};
inline const Key<bool> ActionSaveAsCmdOnly{"Actions/SaveAsCmdOnly", true};
inline const Key<QString> ActionSaveAsPath{"Actions/SaveAsPath", QStringLiteral("%p/%f.tap")};
inline const Key<bool> ActionExitApplication{"Actions/ExitApplication", true};
inline const Key<bool> ActionExitApplicationCmdOnly{"Actions/ExitApplicationCmdOnly", true};

// Formats
inline const Key<int> HpglUnits{"Format/HPGL/Units", 1016, 0, 999999999};
inline const Key<bool> HpglAutoWeld{"Format/HPGL/AutoWeld", true};
inline const Key<QString> GCodeInit{"Format/GCode/Init", QStringLiteral("G1 F100")};
inline const Key<QString> GCodeFinish{"Format/GCode/Finish", {}};
inline const Key<QString> GCodeAxisMappingX{"Format/GCode/AxisMappingX", QStringLiteral("X")};
inline const Key<QString> GCodeAxisMappingY{"Format/GCode/AxisMappingY", QStringLiteral("Y")};
inline const Key<int> GCodeUnits{"Format/GCode/Units", 0, 0, 3};
inline const Key<int> DxfSplineSegments{"Format/DXF/SplineSegments", 8, 1, 1000};
inline const Key<bool> DxfSplineSegmentsFromFile{"Format/DXF/SplineSegmentsFromFile", true};
inline const Key<bool> DxfAutoWeld{"Format/DXF/AutoWeld", true};
inline const Key<double> DxfAutoWeldPrecision{"Format/DXF/AutoWeldPrecision", 0.1, 0, 100000};
inline const Key<bool> DxfIgnoreClosedFlag{"Format/DXF/IgnoreClosedFlag", false};
// Draw block contents where INSERTs place them; off: once, at the block's base point.
inline const Key<bool> DxfExpandBlocks{"Format/DXF/ExpandBlocks", true};
// Points one DXF file may make (block copies count one each as well); beyond
// it the file is refused rather than taking minutes and gigabytes.
inline const Key<int> DxfMaxPoints{"Format/DXF/MaxPoints", 10000000, 1};

// The vendor's web server (product row of the About dialog, crash upload,
// updates). Empty: nothing is ever requested. KERFLOOM_BASE_URL overrides it.
inline const Key<QString> BaseUrl{"Network/BaseUrl", {}};
// The update server's address; empty: "<base URL>/update". KERFLOOM_UPDATE_URL
// overrides it.
inline const Key<QString> UpdateUrl{"Network/UpdateUrl", {}};
// The base URL in force, without a trailing slash; empty when none is set.
QString baseUrl();
// The update server's address in force; empty when neither it nor a base URL is set.
QString updateUrl();

// The in-memory format options that readers and writers use while they run.
// Loaded at start-up, replaced when the settings dialog is accepted.
struct FormatOptions
{
    int hpglUnits = HpglUnits.defaultValue;
    bool hpglAutoWeld = HpglAutoWeld.defaultValue;
    QString gcodeInit = GCodeInit.defaultValue;
    QString gcodeFinish = GCodeFinish.defaultValue;
    QChar gcodeAxisX = QLatin1Char('X');
    QChar gcodeAxisY = QLatin1Char('Y');
    int gcodeUnits = GCodeUnits.defaultValue;
    int dxfSplineSegments = DxfSplineSegments.defaultValue;
    bool dxfSplineSegmentsFromFile = DxfSplineSegmentsFromFile.defaultValue;
    bool dxfAutoWeld = DxfAutoWeld.defaultValue;
    double dxfAutoWeldPrecision = DxfAutoWeldPrecision.defaultValue;
    bool dxfIgnoreClosedFlag = DxfIgnoreClosedFlag.defaultValue;
    bool dxfExpandBlocks = DxfExpandBlocks.defaultValue;
    int dxfMaxPoints = DxfMaxPoints.defaultValue;
    bool duplicateNonClosed = DuplicateNonClosed.defaultValue;
    double closedPrecision = ClosedPrecision.defaultValue;

    static FormatOptions fromStore();
    void writeToStore() const;
};

// Process-wide copies. Only the GUI thread replaces them, and never while a
// load or save runs.
const FormatOptions &formatOptions();
void setFormatOptions(const FormatOptions &options);

int displayUnit();
void setDisplayUnit(int unit);

// Loads the format options and the display unit from the store.
void loadProcessOptions();

} // namespace Settings
