#pragma once

#include <QByteArray>

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
    // failure once more than inflateLimit bytes have come out.
    Input(const char *data, size_t size, size_t inflateLimit);
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
    bool m_failed = false;
    bool m_done = false;
    std::unique_ptr<Inflater> m_inflater;
};

} // namespace svg
