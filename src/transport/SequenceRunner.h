#pragma once

#include "message/HTTPRequest.h"
#include "message/ResponseSplitter.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class BrowserSession;
class ExchangeSequence;
class ResultSink;
class SynchronisedSend;

// One result tab of a sequence: its caption and its bytes, exactly as received.
struct SequenceTab
{
    QString caption;
    QByteArray bytes;
};

// The tabs a sequence's responses take when at most maxTabs fit: one per response ("n: status",
// "n: cut short"), then "Leftover" when bytes belong to no response. When there are more, the
// last response tab holds the remaining responses one after the other ("n–m"), so no byte is
// left out.
QList<SequenceTab> SequenceResultTabs(const QList<ResponseSplitter::Response>& responses,
                                      const QByteArray& leftover, int maxTabs);

// A sequence sent from the request window: runs it in one of the three modes, writes its log
// into a result window and, once it ends, one tab per response; processes each complete
// response (cookies, history) through the session, in order.
class SequenceRunner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SequenceRunner)

public:
    enum class Mode { InTurn, Pipelined, Synchronised };

    // session must outlive the runner.
    explicit SequenceRunner(BrowserSession& session, QObject* parent = nullptr);
    ~SequenceRunner() override;

    // Sends requests in mode, writing into sink, which must stay until finished (or cancel).
    // Bad input ends in finished(false) before this returns, the reason in the log.
    void start(const QList<HTTPRequest>& requests, Mode mode, ResultSink* sink);
    // Ends the sequence under way (finished(false)); harmless when none is.
    void cancel();
    bool isRunning() const;

Q_SIGNALS:
    // The sequence ended and its tabs are written; completed when every response came whole.
    void finished(bool completed);

private:
    void log(const QString& line);
    void end(bool completed);

    BrowserSession& m_session;
    ExchangeSequence* m_sequence;
    SynchronisedSend* m_send;
    Mode m_mode = Mode::InTurn;
    ResultSink* m_sink = nullptr;
};
