#pragma once

#include "formats/svgfilter.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <cstddef>
#include <memory>

namespace svg {

// The bytes of an SVG document, handed out piece by piece: plain files as
// they are, gzip-compressed ones (told apart by their first two bytes, not
// by the name) inflated member after member as they are asked for, so that
// a large or hostile file never has to be held inflated in memory.
class Input
{
public:
    // data must outlive the Input. Inflating stops with a warning and a
    // failure once more than inflateLimit bytes have come out; with quiet
    // set, failures are not reported.
    Input(const char *data, size_t size, size_t inflateLimit, bool quiet = false);
    ~Input();
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;

    // The next piece of the document; empty at its end and after a failure.
    QByteArray next();
    // zlib could not start, the data is damaged or truncated, or the limit
    // was reached.
    bool failed() const { return m_failed; }
    // The share of the file consumed so far, 0 … 1.
    double progress() const;

private:
    QByteArray inflateSome();

    struct Inflater;
    const char *m_data;
    size_t m_size;
    size_t m_pos = 0;
    size_t m_limit;
    size_t m_produced = 0;
    bool m_quiet;
    bool m_failed = false;
    bool m_done = false;
    std::unique_ptr<Inflater> m_inflater;
};

// The XML tokens of a document, read from its pieces through the markup
// filter. A document ends cleanly once its root element has closed; a
// damaged document, damaged compression or XML cut short ends in Invalid.
class TokenSource
{
public:
    // With quiet set, failures are not reported (a second reading of the
    // same document reports them).
    TokenSource(const char *data, size_t size, size_t inflateLimit, bool quiet = false);

    // The next token: EndDocument at the clean end, Invalid after a failure.
    QXmlStreamReader::TokenType next();
    QXmlStreamReader &xml() { return m_xml; }
    double progress() const { return m_input.progress(); }

private:
    Input m_input;
    MarkupFilter m_filter;
    QXmlStreamReader m_xml;
    bool m_quiet;
    int m_depth = 0;
    bool m_rootClosed = false;
};

} // namespace svg
