#include "formats/svginput.h"

#include <QtGlobal>

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace svg {

namespace {

// Pieces of plain data, and the amount of inflated data gathered per piece:
// large enough that the XML reader is rarely interrupted, small enough to
// keep the memory flat.
constexpr size_t PieceSize = 64 * 1024;
constexpr uInt InflateStep = 4096;

const char *zlibMessage(const z_stream &zs)
{
    return zs.msg ? zs.msg : "Unknown error";
}

} // namespace

struct Input::Inflater
{
    z_stream zs{};
    bool ready = false;
    ~Inflater()
    {
        if (ready)
            inflateEnd(&zs);
    }
};

Input::Input(const char *data, size_t size, size_t inflateLimit, bool quiet)
    : m_data(data), m_size(size), m_limit(inflateLimit), m_quiet(quiet)
{
    if (size < 2 || uchar(data[0]) != 0x1F || uchar(data[1]) != 0x8B)
        return;
    m_inflater = std::make_unique<Inflater>();
    // 16 + MAX_WBITS: gzip wrapper only.
    const int rc = inflateInit2(&m_inflater->zs, 16 + MAX_WBITS);
    if (rc != Z_OK) {
        if (!m_quiet)
            qDebug("Cannot initialize zlib, because: %s", zlibMessage(m_inflater->zs));
        m_failed = true;
        m_inflater.reset();
        return;
    }
    m_inflater->ready = true;
}

Input::~Input() = default;

double Input::progress() const
{
    return m_size ? double(m_pos) / double(m_size) : 1.0;
}

QByteArray Input::next()
{
    if (m_failed || m_done)
        return {};
    if (m_inflater)
        return inflateSome();
    const size_t n = std::min(PieceSize, m_size - m_pos);
    if (n == 0) {
        m_done = true;
        return {};
    }
    const QByteArray piece = QByteArray::fromRawData(m_data + m_pos, int(n));
    m_pos += n;
    return piece;
}

QByteArray Input::inflateSome()
{
    z_stream &zs = m_inflater->zs;
    QByteArray out;
    while (size_t(out.size()) < PieceSize) {
        if (zs.avail_in == 0) {
            const size_t n = std::min(m_size - m_pos, size_t(UINT_MAX));
            zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(m_data + m_pos));
            zs.avail_in = uInt(n);
            m_pos += n;
        }
        const int before = out.size();
        out.resize(before + int(InflateStep));
        zs.next_out = reinterpret_cast<Bytef *>(out.data() + before);
        zs.avail_out = InflateStep;
        const int rc = inflate(&zs, Z_NO_FLUSH);
        const uInt got = InflateStep - zs.avail_out;
        out.resize(before + int(got));
        m_produced += got;
        if (m_produced > m_limit) {
            if (!m_quiet)
                qWarning("SVG: the compressed file inflates to more than %zu bytes; not reading it", m_limit);
            m_failed = true;
            return {};
        }
        if (rc == Z_STREAM_END) {
            // Another gzip member may follow; it belongs to the same document.
            // Anything else after the last member is ignored, as gzip -d
            // does: zero bytes are padding (tapes and some writers add them),
            // other bytes trailing garbage it only warns about.
            const char *rest = reinterpret_cast<const char *>(zs.next_in);
            const char *const end = m_data + m_size;
            const bool member = end - rest >= 2 && uchar(rest[0]) == 0x1f && uchar(rest[1]) == 0x8b;
            if (!member) {
                if (!m_quiet && !std::all_of(rest, end, [](char c) { return c == 0; }))
                    qDebug("SVG: trailing garbage after the compressed data ignored");
                m_pos = m_size;
                m_done = true;
                break;
            }
            inflateReset(&zs);
            continue;
        }
        if (rc == Z_OK)
            continue;
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && m_pos < m_size)
            continue; // only wanted more input
        // A damaged stream, or one that ends before its member does.
        if (!m_quiet)
            qDebug("Error while inflating gzip file: %s", zlibMessage(zs));
        m_failed = true;
        return {};
    }
    return out;
}

TokenSource::TokenSource(const char *data, size_t size, size_t inflateLimit, bool quiet)
    : m_input(data, size, inflateLimit, quiet), m_quiet(quiet)
{
    m_xml.setNamespaceProcessing(false);
}

QXmlStreamReader::TokenType TokenSource::next()
{
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++m_depth;
        } else if (token == QXmlStreamReader::EndElement) {
            if (--m_depth == 0)
                m_rootClosed = true;
        } else if (token == QXmlStreamReader::Invalid) {
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
                const QByteArray piece = m_input.next();
                if (!piece.isEmpty()) {
                    m_xml.addData(m_filter.filter(piece));
                    continue;
                }
                if (m_input.failed())
                    return token; // already said why
                if (m_rootClosed)
                    return QXmlStreamReader::EndDocument;
            }
            if (!m_quiet) {
                qWarning("SVG: %s (line %lld, column %lld); the file is not loaded",
                         qPrintable(m_xml.errorString()), m_xml.lineNumber(), m_xml.columnNumber());
            }
            return token;
        }
        return token;
    }
}

} // namespace svg
