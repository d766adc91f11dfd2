#pragma once

#include <QIODevice>

#include <string>
#include <string_view>

// Text output gathered in blocks of a megabyte, so that a million lines need
// neither a million small writes nor the whole text in memory. A failed
// write is remembered and reported by finish().
class BlockWriter
{
public:
    explicit BlockWriter(QIODevice &file) : m_file(file) { m_buffer.reserve(BlockSize + 512); }

    void append(std::string_view text) { m_buffer.append(text.data(), text.size()); }
    void append(char c) { m_buffer += c; }
    // Call after each unit of output (a line, a group).
    void flushIfFull()
    {
        if (m_buffer.size() >= BlockSize)
            flush();
    }
    bool finish() { return flush() && m_ok; }

private:
    static constexpr size_t BlockSize = 1 << 20;

    // A short write is not yet a failure: the rest is offered again, and a
    // full disk then answers with an error that the device keeps, so the
    // caller can say why.
    bool flush()
    {
        const char *data = m_buffer.data();
        qint64 left = qint64(m_buffer.size());
        while (m_ok && left > 0) {
            const qint64 written = m_file.write(data, left);
            if (written <= 0)
                m_ok = false;
            else {
                data += written;
                left -= written;
            }
        }
        m_buffer.clear();
        return m_ok;
    }

    QIODevice &m_file;
    std::string m_buffer;
    bool m_ok = true;
};
