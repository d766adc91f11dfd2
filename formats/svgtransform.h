#pragma once

#include <QTransform>

class QStringRef;

namespace svg {

// A "transform" attribute: matrix, translate, scale, rotate (with an
// optional centre), skewX and skewY, combined in the order written, so that
// the last function applies to the coordinates first. A malformed list, or
// one whose matrix is not finite, is ignored as a whole (the identity).
QTransform parseTransform(const QStringRef &text, bool *ok = nullptr);

} // namespace svg
