#pragma once

#include <cstddef>
#include <string_view>

namespace dxf {

// One group of an ASCII DXF file: a code line and its value line.
struct Group
{
    int code = 0;
    std::string_view value; // trimmed of white space; points into the input
};

// Cuts an ASCII DXF text into groups. Line ends may be LF or CR LF; code and
// value lines are trimmed, so "  0" and "2 " read as codes 0 and 2 and values
// keep no trailing blanks. Comments (code 999) never reach the caller.
class Tokenizer
{
public:
    Tokenizer(const char *data, size_t size);

    // The next group, or false at the end of the input. A code line that is
    // not a decimal integer costs one more line (its value and the line after
    // it), which is how writers that slipped a line get back in step. A last
    // code line without a value is dropped.
    bool next(Group &group);

    // Bytes consumed so far, for progress.
    size_t position() const { return size_t(m_pos - m_begin); }
    size_t size() const { return size_t(m_end - m_begin); }
    // Where the code line of the group last returned begins, so that a
    // stretch of groups can be read again later by a tokenizer of its own.
    const char *groupStart() const { return m_groupStart; }

    // Binary DXF starts with this sentinel; it is a different format.
    static bool isBinary(const char *data, size_t size);

private:
    bool line(std::string_view &text);

    const char *m_begin;
    const char *m_pos;
    const char *m_end;
    const char *m_groupStart;
};

// The whole text as a number, or 0 when it is not one or not finite.
double toNumber(std::string_view text);
// The whole text as an integer (a decimal number is cut towards zero and held
// to the int range), or 0 when it is not a number.
int toInteger(std::string_view text);

} // namespace dxf
