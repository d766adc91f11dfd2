#include "controller/streamer.h"

#include "controller/gcodeline.h"

namespace cutdeck {

namespace {
constexpr int kUnaskedChunks = 200;
} // namespace

GcodeStreamer::GcodeStreamer(Writer writer, QObject *parent) : QObject(parent), m_writer(std::move(writer))
{
    m_settle.setSingleShot(true);
    m_quiet.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &GcodeStreamer::beginStreaming);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (m_waiting && (m_state == State::Streaming))
            setStalled(true);
    });
}

void GcodeStreamer::setLines(const QStringList &lines)
{
    cancel();
    m_lines = lines;
    m_next = 0;
    m_acked = 0;
    setState(State::Idle);
}

bool GcodeStreamer::start()
{
    cancel();
    m_received.clear();
    m_chunks.clear();
    emit chunksCleared();
    m_paused = false;
    m_next = 0;
    m_acked = 0;
    setState(State::Settling);
    if (!m_writer(QByteArrayLiteral("M114\r"))) {
        fail(QStringLiteral("write failed"));
        return false;
    }
    if (m_state != State::Settling)
        return false;
    m_settle.start(m_settleMs);
    return true;
}

void GcodeStreamer::beginStreaming()
{
    if (m_state != State::Settling)
        return;
    setState(State::Streaming);
    m_waiting = false;
    m_next = 0;
    sendNextLine();
}

void GcodeStreamer::sendNextLine()
{
    if (m_sending || m_state != State::Streaming)
        return;
    if (!m_commands.isEmpty()) {
        sendQueuedCommand();
        return;
    }
    if (m_paused)
        return;
    if (m_next >= m_lines.size()) {
        if (!m_waiting) {
            setState(State::Finished);
            emit finished();
        }
        return;
    }
    m_sending = true;
    const qint64 index = m_next;
    const QString line = substituteFeed(m_lines.at(int(index)), m_speed);
    if (const auto p = previewPoint(line))
        emit plotPoint(*p);

    // Whatever arrives from here on answers this line, so the old replies go
    // before the line leaves, not after.
    m_chunks.clear();
    m_received.clear();
    m_replyDuringSend = false;
    emit chunksCleared();

    m_waiting = true;
    setStalled(false);
    const bool written = m_writer(line.toLatin1() + '\r');
    if (!written || m_state != State::Streaming) {
        m_sending = false;
        m_waiting = false;
        if (!written)
            fail(QStringLiteral("write failed"));
        return;
    }
    m_next = index + 1;
    m_quiet.start(m_quietMs);
    m_sending = false;
    emit lineSent(index, line);
    if (m_replyDuringSend)
        judgeReply();
}

bool GcodeStreamer::sendCommand(const QString &text)
{
    // Before the first line (the settle time included) no reply is judged.
    if (m_state != State::Streaming)
        return m_writer(text.toLatin1() + '\r');
    m_commands.append(text);
    if (!m_waiting)
        sendNextLine();
    return m_state == State::Streaming;
}

void GcodeStreamer::sendQueuedCommand()
{
    m_sending = true;
    const QString command = m_commands.takeFirst();
    m_chunks.clear();
    m_received.clear();
    m_replyDuringSend = false;
    emit chunksCleared();
    m_waiting = true;
    m_commandInFlight = true;
    setStalled(false);
    const bool written = m_writer(command.toLatin1() + '\r');
    if (!written || m_state != State::Streaming) {
        m_sending = false;
        m_waiting = false;
        m_commandInFlight = false;
        if (!written)
            fail(QStringLiteral("write failed"));
        return;
    }
    m_quiet.start(m_quietMs);
    m_sending = false;
    if (m_replyDuringSend)
        judgeReply();
}

void GcodeStreamer::receive(const QByteArray &chunk, qint64 stillWaiting)
{
    if (chunk.isEmpty() && m_chunks.isEmpty())
        return;
    // What comes while no reply is due (a chatty board's reports while the
    // form stands idle or paused) is kept only as far back as anyone would
    // read it: it would otherwise pile up for as long as the form is open,
    // and every chunk is judged against all of it.
    if (!m_waiting && m_chunks.size() >= kUnaskedChunks) {
        m_chunks.clear();
        emit chunksCleared();
    }
    if (!chunk.isEmpty()) {
        // With its size: from a QByteArray alone a NUL byte (line noise, a
        // board's reset) would end the text and take any "ok" behind it.
        const QString text = QString::fromLatin1(chunk.constData(), chunk.size());
        m_chunks.append(text);
        emit chunkReceived(text);
    }
    if (stillWaiting > 0)
        return;
    if (m_sending) {
        m_replyDuringSend = true;
        return;
    }
    judgeReply();
}

void GcodeStreamer::judgeReply()
{
    m_replyDuringSend = false;
    QString joined;
    for (const QString &c : qAsConst(m_chunks))
        joined += c.trimmed();
    m_received = joined;
    const int okPos = textPosition(m_received, QStringLiteral("ok"));
    emit replyJudged(m_received, okPos, textPosition(m_received, QStringLiteral("Count")),
                     textPosition(m_received, QStringLiteral("M92")));
    if (okPos > 0 && m_waiting && m_state == State::Streaming) {
        m_waiting = false;
        m_quiet.stop();
        setStalled(false);
        if (m_commandInFlight) {
            m_commandInFlight = false;
        } else {
            ++m_acked;
            emit progress(m_acked, m_lines.size());
        }
        sendNextLine();
    }
}

void GcodeStreamer::pause()
{
    m_paused = true;
}

void GcodeStreamer::resume()
{
    m_paused = false;
    if (m_state != State::Streaming)
        return;
    if (m_waiting && !m_stalled)
        return;
    // Past a lost reply the line in flight is taken as done; it is not sent
    // again.
    if (m_waiting) {
        m_waiting = false;
        m_commandInFlight = false;
        m_quiet.stop();
    }
    sendNextLine();
}

void GcodeStreamer::cancel()
{
    m_settle.stop();
    m_quiet.stop();
    m_waiting = false;
    m_commands.clear();
    m_commandInFlight = false;
    setStalled(false);
    if (m_state == State::Settling || m_state == State::Streaming)
        setState(State::Idle);
}

void GcodeStreamer::portFailed(const QString &reason)
{
    if (m_state == State::Settling || m_state == State::Streaming)
        fail(reason);
}

void GcodeStreamer::fail(const QString &reason)
{
    m_settle.stop();
    m_quiet.stop();
    m_waiting = false;
    m_commands.clear();
    m_commandInFlight = false;
    // Stopped before the stall ends, so that no one takes its end for an
    // answer.
    setState(State::Failed);
    setStalled(false);
    emit failed(reason);
}

void GcodeStreamer::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged(s);
}

void GcodeStreamer::setStalled(bool stalled)
{
    if (m_stalled == stalled)
        return;
    m_stalled = stalled;
    emit stallChanged(stalled);
}

} // namespace cutdeck
