#pragma once

#include <QByteArray>

#include <cstddef>

namespace svg {

// Shortens the parts of an XML byte stream the reader never looks at before
// the XML reader sees them: the text between elements, comments, CDATA
// sections and processing instructions keep their first KeptBytes bytes and
// lose the rest, while every tag and the document type declaration pass
// untouched. The XML reader gathers each such run whole (and rescans it
// every time more data arrives), so a description, a script or a vendor's
// private data block of many megabytes would otherwise cost its size in
// memory several times over and time that grows with its square.
//
// The cut never falls inside a UTF-8 sequence or an entity reference, and a
// shortened comment, CDATA section or instruction keeps its terminator, so
// a well-formed document stays well-formed. Documents in UTF-16 or UTF-32
// (told by their first bytes) pass unchanged.
class MarkupFilter
{
public:
    static constexpr size_t KeptBytes = 4096;

    // The next piece of the document, shortened; the state carries over
    // from piece to piece.
    QByteArray filter(const QByteArray &piece);

private:
    enum class State {
        Start,       // nothing seen yet: the encoding is decided here
        Off,         // not an ASCII-compatible encoding: everything passes
        Text,        // between elements
        Open,        // after "<"
        Bang,        // after "<!"
        BangDash,    // after "<!-"
        BangBracket, // after "<![": a CDATA section follows
        Tag,         // inside a start or end tag
        Comment,
        CData,
        Instruction,
        Doctype,     // "<!DOCTYPE" up to its internal subset or end
        Subset,      // the internal subset, between "[" and "]"
        SubsetDecl,  // a declaration inside the subset
        SubsetComment,
        SubsetInstruction,
    };

    void step(char c, QByteArray &out);
    void keepOrDrop(char c, QByteArray &out);
    void enterRun(State s);
    void endRun(const char *terminator, QByteArray &out);

    State m_state = State::Start;
    char m_quote = 0;        // the quote a tag or declaration is inside, or 0
    char m_last[2] = {0, 0}; // the two bytes before the current one, for terminators
    size_t m_run = 0;        // bytes of the current run passed on so far
    bool m_dropping = false; // the current run is being cut
    bool m_inEntity = false; // inside "&…;" of a text run
};

} // namespace svg
