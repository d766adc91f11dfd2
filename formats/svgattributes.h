#pragma once

#include <QString>
#include <QTransform>
#include <QXmlStreamAttributes>

#include <optional>

// What an element's attributes say about where and whether it is drawn:
// view boxes, their fitting into a viewport, and the display, visibility
// and conditional-processing properties.
namespace svg {

struct ViewBox
{
    double x = 0, y = 0, width = 0, height = 0;
};

// Four numbers separated by white space or commas; nothing when there are
// not exactly four. The numbers go through the length rule, so a stray
// unit is honoured and a malformed number reads as 0.
std::optional<ViewBox> parseViewBox(const QStringRef &text);

// Maps the view box onto a viewport of the given size at the origin, as
// "preserveAspectRatio" asks: one uniform scale (the smaller for "meet",
// the default, the larger for "slice") aligned as the first word says
// (default "xMidYMid"), or each axis stretched on its own for "none". A
// view box flat in one direction takes the other direction's scale.
// Nothing when neither direction gives a usable scale.
std::optional<QTransform> viewBoxTransform(const ViewBox &box, double width, double height,
                                           const QStringRef &preserveAspectRatio);

// A presentation property: the "style" attribute's declaration when it has
// one (the last wins), else the attribute of that name; trimmed, without
// "!important". Empty when neither is there.
QString property(const QXmlStreamAttributes &a, QLatin1String name);

// "display: none" on the element itself.
bool displayNone(const QXmlStreamAttributes &a);

// The element's visibility: its own "visibility" when it sets one, else the
// inherited value.
bool visible(const QXmlStreamAttributes &a, bool inherited);

// The conditional-processing attributes: "requiredExtensions" (no
// extension is supported, so any value fails) and "systemLanguage" (one of
// its languages is the user's, or English). "requiredFeatures" always
// passes, as in current SVG.
bool conditionsPass(const QXmlStreamAttributes &a);

// A length of a viewport: percentages of the reference, other lengths in
// user units; nothing when malformed.
std::optional<double> viewportLength(const QStringRef &text, double reference);

} // namespace svg
