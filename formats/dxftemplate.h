#pragma once

// The fixed parts of the AutoCAD 2004 (AC1018) file the DXF writer emits.
// Each line of a part is one group, "code value"; a line with a code alone
// has an empty value. Handles are hexadecimal and fixed; the entities get
// none, and $HANDSEED lies above every handle used here.
namespace dxf::skeleton {

// Header variables after $EXTMAX, up to the end of the HEADER section.
extern const char *const HeaderTail;
// CLASSES, TABLES and BLOCKS sections.
extern const char *const Sections;
// From the end of ENTITIES to EOF, in parts; the last entry is null.
extern const char *const Tail[];

} // namespace dxf::skeleton
