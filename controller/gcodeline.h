#pragma once

#include <QPointF>
#include <QString>

#include <optional>

namespace cutdeck {

// Every feed word of a line (F or f followed by a number, not inside a
// comment, not the tail of another word) is replaced by F and `speed`, so a
// streamed job runs at the operator's speed whatever feed the file holds. A
// feed word that ends the line is replaced by a blank, F and the speed, as the
// controller has always sent it. Lines without a feed word, and every line
// when `speed` is not above 0, come back unchanged.
QString substituteFeed(const QString &line, int speed);

// The point a streamed line shows in the preview: the numbers after "X" and
// "Y" (a missing axis is 0). Only lines with both |x| and |y| above 0 are
// plotted; the point is (x, |y|) before scaling.
std::optional<QPointF> previewPoint(const QString &line);

// 1-based position of `needle` in `text`, 0 when absent: the diagnostic boxes
// show positions this way.
int textPosition(const QString &text, const QString &needle);

} // namespace cutdeck
