#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointF>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace cutdeck {

// The "ok"-paced G-code stream, apart from any port or window. Lines go out
// through the writer one at a time, each ended by a carriage return; the next
// one leaves only after a reply containing "ok". Replies come in through
// receive() in whatever chunks the port delivers.
//
// Every entry point may be called from inside another (a window that
// processes events while it waits can deliver a reply or a click in the middle
// of a send): one send at a time, and a line leaves only when none is in
// flight, so no line is ever sent twice or skipped.
class GcodeStreamer : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Settling, Streaming, Finished, Failed };
    Q_ENUM(State)

    // Returns false when the line is dead.
    using Writer = std::function<bool(const QByteArray &)>;

    explicit GcodeStreamer(Writer writer, QObject *parent = nullptr);

    void setLines(const QStringList &lines);
    const QStringList &lines() const { return m_lines; }
    void setBaseSpeed(int speed) { m_speed = speed; }
    int baseSpeed() const { return m_speed; }
    // Wait after the position query before the first line (3 s for the
    // firmware to settle), and the silence after which a line in flight counts
    // as unanswered.
    void setSettleTime(int ms) { m_settleMs = ms; }
    void setQuietPeriod(int ms) { m_quietMs = ms; }
    int quietPeriod() const { return m_quietMs; }

    // Sends the position query, waits the settle time, then streams from the
    // first line. False when the query cannot be written.
    bool start();
    // A chunk read from the port; `stillWaiting` bytes remain unread, in which
    // case the reply is judged once they have come in.
    void receive(const QByteArray &chunk, qint64 stillWaiting = 0);
    void pause();
    // Lets the stream go on: the next line leaves at once when none is in
    // flight, or when the line in flight has gone unanswered for the quiet
    // period (the operator's way past a lost reply); otherwise it follows the
    // reply that is due.
    void resume();
    // Stops at once: nothing is sent afterwards.
    void cancel();
    // A command of the operator's (speed override, a machine button). While
    // a job streams it goes out between two lines, paused or not, and waits
    // for its own "ok": firmware answers every command, and an "ok" taken for
    // a job line's would let the job run ahead of the machine by one line per
    // command, until the board's receive buffer overflows. Otherwise it is
    // written at once. False on a dead port.
    bool sendCommand(const QString &text);
    // Commands waiting for their turn in the stream.
    int queuedCommands() const { return int(m_commands.size()); }
    // The port is gone: stops, keeps the counts for the report.
    void portFailed(const QString &reason);

    State state() const { return m_state; }
    bool isPaused() const { return m_paused; }
    bool isWaitingForOk() const { return m_waiting; }
    bool isStalled() const { return m_stalled; }
    qint64 nextIndex() const { return m_next; }
    // Lines whose "ok" has come in.
    qint64 acknowledged() const { return m_acked; }
    const QStringList &chunks() const { return m_chunks; }
    const QString &receivedText() const { return m_received; }

signals:
    void lineSent(qint64 index, const QString &sentText);
    void plotPoint(QPointF point);
    void chunkReceived(const QString &chunk);
    void chunksCleared();
    void replyJudged(const QString &received, int okPos, int countPos, int m92Pos);
    void progress(qint64 acknowledged, qint64 total);
    void stallChanged(bool stalled);
    void finished();
    void failed(const QString &reason);
    void stateChanged(cutdeck::GcodeStreamer::State state);

private:
    void beginStreaming();
    void sendNextLine();
    void sendQueuedCommand();
    void judgeReply();
    void setState(State s);
    void setStalled(bool stalled);
    void fail(const QString &reason);

    Writer m_writer;
    QStringList m_lines;
    QStringList m_chunks;
    QStringList m_commands;
    QString m_received;
    QTimer m_settle;
    QTimer m_quiet;
    State m_state = State::Idle;
    qint64 m_next = 0;
    qint64 m_acked = 0;
    int m_speed = 0;
    int m_settleMs = 3000;
    int m_quietMs = 10000;
    bool m_waiting = false;
    bool m_paused = false;
    bool m_stalled = false;
    bool m_sending = false;
    bool m_replyDuringSend = false;
    bool m_commandInFlight = false;
};

} // namespace cutdeck
