#pragma once

#include "testsupport.h"

#include <vector>

// The cutting-path rule done the plain way: splice one joint at a time into
// the point vectors and recompute directions from all points each time.
// Takes the drawing apart like the real one; returns the resulting objects.
std::vector<test::Pts> referenceCuttingPath(Drawing &drawing);
