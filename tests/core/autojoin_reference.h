#pragma once

#include "core/drawing.h"

#include <tuple>
#include <vector>

// The linking rule done the plain way, step by step: rebuild a k-d tree over
// every point of every shape outside the tree, search from every point in
// the tree, keep the strictly nearest pair. Adds the chosen joints to the
// drawing (no undo) and returns them in the order chosen.
//
// Tie order as in the product: the tree is walked in shape-number order
// (start object, then the objects), and equidistant neighbours resolve to
// the candidate that comes first. When the start already has a joint it is
// not joined again, and the shapes it reaches are in the tree from the
// outset.
std::vector<Object::Joint> referenceAutoJoin(Drawing &drawing);

// A joint by numbers instead of identities, to compare runs on copies:
// (shape of a, index of a, shape of b, index of b), shape 0 = start object.
using JointKey = std::tuple<int, int, int, int>;
std::vector<JointKey> jointKeys(const Drawing &drawing, const std::vector<Object::Joint> &joints);
