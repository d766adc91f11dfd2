#pragma once

#include <QFile>

#include <string>
#include <string_view>

// Text output gathered in blocks of a megabyte, so that a million lines need
// neither a million small writes nor the whole text in memory. A failed
// write is remembered and reported by finish().
class BlockWriter
{
public:
    explicit BlockWriter(QFile &file) : m_file(file) { m_buffer.reserve(BlockSize + 512); }

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

    bool flush()
    {
        if (!m_buffer.empty() && m_file.write(m_buffer.data(), qint64(m_buffer.size())) != qint64(m_buffer.size()))
            m_ok = false;
        m_buffer.clear();
        return m_ok;
    }

    QFile &m_file;
    std::string m_buffer;
    bool m_ok = true;
};
