#include "formats/svgfilter.h"

namespace svg {

namespace {

bool isContinuation(char c)
{
    return (uchar(c) & 0xC0) == 0x80;
}

} // namespace

QByteArray MarkupFilter::filter(const QByteArray &piece)
{
    if (m_state == State::Start && !piece.isEmpty()) {
        // UTF-16 and UTF-32 start with a byte order mark or a zero byte.
        const uchar b0 = uchar(piece[0]), b1 = piece.size() > 1 ? uchar(piece[1]) : 1;
        m_state = (b0 == 0 || b1 == 0 || b0 == 0xFE || b0 == 0xFF) ? State::Off : State::Text;
    }
    if (m_state == State::Off)
        return piece;
    // Inside tags, where most bytes of a drawing are, only quotes and the
    // closing bracket matter: runs of other bytes are copied whole.
    QByteArray out;
    out.reserve(piece.size() + 16);
    const char *p = piece.constData();
    const char *const end = p + piece.size();
    while (p < end) {
        if (m_state == State::Tag) {
            const char *q = p;
            if (m_quote) {
                while (q < end && *q != m_quote)
                    ++q;
            } else {
                while (q < end && *q != '"' && *q != '\'' && *q != '>')
                    ++q;
            }
            if (q > p) {
                out.append(p, int(q - p));
                m_last[0] = q - p > 1 ? q[-2] : m_last[1];
                m_last[1] = q[-1];
                p = q;
                continue;
            }
        }
        step(*p++, out);
    }
    return out;
}

void MarkupFilter::enterRun(State s)
{
    m_state = s;
    m_run = 0;
    m_dropping = false;
    m_inEntity = false;
    m_last[0] = m_last[1] = 0;
}

// A run of skippable bytes: the first KeptBytes pass, then the cut starts
// at a byte that begins a character and cannot belong to a terminator or
// an entity reference.
void MarkupFilter::keepOrDrop(char c, QByteArray &out)
{
    if (!m_dropping && m_run >= KeptBytes && !m_inEntity && !isContinuation(c)) {
        const bool terminatorByte = (m_state == State::Comment && c == '-')
            || (m_state == State::CData && c == ']') || (m_state == State::Instruction && c == '?');
        m_dropping = !terminatorByte;
    }
    if (m_dropping)
        return;
    out += c;
    ++m_run;
    if (m_state == State::Text) {
        if (c == '&')
            m_inEntity = true;
        else if (c == ';')
            m_inEntity = false;
    }
}

void MarkupFilter::endRun(const char *terminator, QByteArray &out)
{
    // The terminator's own bytes may have been cut; the space keeps a
    // comment that was cut after a dash from ending in "--->".
    if (m_dropping)
        out += terminator;
    else
        out += '>';
    enterRun(State::Text);
}

void MarkupFilter::step(char c, QByteArray &out)
{
    const char p0 = m_last[0], p1 = m_last[1];
    m_last[0] = p1;
    m_last[1] = c;
    const auto quoted = [this, c] {
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
            return true;
        }
        if (c == '"' || c == '\'') {
            m_quote = c;
            return true;
        }
        return false;
    };

    switch (m_state) {
    case State::Start:
    case State::Off:
        out += c;
        return;
    case State::Text:
        if (c == '<') {
            out += c;
            m_state = State::Open;
            return;
        }
        keepOrDrop(c, out);
        return;
    case State::Open:
        out += c;
        if (c == '!') {
            m_state = State::Bang;
        } else if (c == '?') {
            enterRun(State::Instruction);
        } else if (c == '>') {
            enterRun(State::Text);
        } else {
            m_quote = 0;
            m_state = State::Tag;
        }
        return;
    case State::Bang:
        out += c;
        m_quote = 0;
        m_state = c == '-' ? State::BangDash : c == '[' ? State::BangBracket : State::Doctype;
        return;
    case State::BangDash:
        out += c;
        if (c == '-')
            enterRun(State::Comment);
        else
            m_state = State::Tag;
        return;
    case State::BangBracket:
        out += c;
        if (c == '[') // the one after "CDATA"
            enterRun(State::CData);
        return;
    case State::Tag:
        out += c;
        if (!quoted() && c == '>')
            enterRun(State::Text);
        return;
    case State::Comment:
        if (c == '>' && p0 == '-' && p1 == '-')
            endRun(" -->", out);
        else
            keepOrDrop(c, out);
        return;
    case State::CData:
        if (c == '>' && p0 == ']' && p1 == ']')
            endRun("]]>", out);
        else
            keepOrDrop(c, out);
        return;
    case State::Instruction:
        if (c == '>' && p1 == '?')
            endRun("?>", out);
        else
            keepOrDrop(c, out);
        return;
    case State::Doctype:
        out += c;
        if (quoted())
            return;
        if (c == '[')
            m_state = State::Subset;
        else if (c == '>')
            enterRun(State::Text);
        return;
    case State::Subset:
        out += c;
        if (c == '<') {
            m_state = State::SubsetDecl;
            m_run = 0;
            m_quote = 0;
        } else if (c == ']') {
            m_state = State::Doctype;
        }
        return;
    case State::SubsetDecl:
        out += c;
        ++m_run;
        if (m_run == 1 && c == '?') {
            m_state = State::SubsetInstruction;
        } else if (m_run == 3 && p0 == '!' && p1 == '-' && c == '-') {
            m_state = State::SubsetComment;
            m_last[0] = m_last[1] = 0;
        } else if (!quoted() && c == '>') {
            m_state = State::Subset;
        }
        return;
    case State::SubsetComment:
        out += c;
        if (c == '>' && p0 == '-' && p1 == '-')
            m_state = State::Subset;
        return;
    case State::SubsetInstruction:
        out += c;
        if (c == '>' && p1 == '?')
            m_state = State::Subset;
        return;
    }
}

} // namespace svg
