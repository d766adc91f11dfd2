#pragma once

class Drawing;

namespace reference {

// The weld done step by step: one pass per settled object, a k-d tree
// rebuilt over the unsettled ends in every pass and every settled end
// searched in every pass. Ties follow the same order as autoWeld. Slow on
// purpose: the fast version is checked against it.
void autoWeld(Drawing &drawing, double precision);

} // namespace reference
