#ifndef SCRIPT_SCRIPTRUNNER_H
#define SCRIPT_SCRIPTRUNNER_H

#include "commands/replypairing.h"
#include "script/script.h"
#include "script/stepresult.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QIODevice>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace script {

// How a run reaches the module. The window routes commands through its own
// send path, so its reader is armed and its log written as its buttons do;
// vexelctl writes to its port (PortLink).
struct ScriptLink
{
    // One Command statement's writes, as statementWrites() made them.
    // Optional: without it the runner gathers the bytes of statements that
    // follow each other without waiting and hands them to sendRaw in a few
    // large writes, which a long run of drawing needs to keep up with the
    // line.
    std::function<void(const Statement &, const QByteArrayList &writes)> sendCommand;
    std::function<void(const QByteArray &)> sendRaw;
    // Sends `head`, then the first `size` bytes of `file` (the statement's
    // file, opened and checked by the runner before anything went out), as
    // PortWriter::sendFile does; returns why it cannot, or nothing. The
    // owner then calls fileDone() once the file's last byte has left the
    // port, or the stream stopped.
    std::function<QString(const Statement &, const QByteArray &head,
                          std::unique_ptr<QIODevice> file, qint64 size)>
        sendFile;
    // Gives up on the file being streamed (stop() during SendFile). Optional.
    std::function<void()> cancelFile;
    // Bytes handed over that have not left for the line yet. Optional: with
    // it the runner lets the port drain before a wait or an expect starts
    // its clock, pauses while a long run of drawing fills the port's buffer,
    // and finishes only once everything has gone. The owner calls drained()
    // as bytes leave.
    std::function<qint64()> backlog;
};

// Carries out a script on the event loop: statements that need no waiting
// go out in slices of a few milliseconds, waits and expectations run on
// timers. Whoever owns the port feeds it every chunk the module sends.
//
// An expectation passes when its bytes, or a reply decoded as the window's
// reader decodes it, turn up in what arrived since the previous expectation
// passed (or since the start); passing consumes what arrived up to the end
// of the match. The first expectation that fails ends the run, as a failed
// assertion ends a test: what follows was written for a module in the
// expected state.
//
// A SendFile statement waits until its file has left the port (fileDone()),
// so the next statement's timing starts after the transfer.
class ScriptRunner : public QObject
{
    Q_OBJECT

public:
    explicit ScriptRunner(ScriptLink link, QObject *parent = nullptr);
    ~ScriptRunner() override;

    // Runs `script` from its first statement, the module starting in the
    // given mode. The first statement goes out from the event loop, so the
    // caller can connect to the signals after this returns. A run still
    // going is stopped first.
    void start(const Script &script, bool extendedMode = false);
    bool isRunning() const { return phase != Phase::Idle; }
    // The module's mode as far as the run got; the next script of a
    // session starts from it.
    bool extendedMode() const { return extended; }

public slots:
    // Ends the run at once: timers stop, a file being streamed is given up,
    // nothing more is sent. Emits finished() with `stopped` set.
    void stop();
    // A chunk the module sent.
    void takeChunk(const QByteArray &chunk);
    // The line went away: the run ends as failed.
    void lineLost(const QString &reason);
    // The file of the current SendFile has left the port (empty error) or stopped.
    void fileDone(const QString &error);
    // Bytes left the port; see ScriptLink::backlog.
    void drained();

signals:
    void statementStarted(script::SourcePos pos);
    void statementDone(const script::StepResult &result);
    void finished(const script::RunSummary &summary);

private:
    enum class Phase
    {
        Idle,
        Running,   // statements go out
        Draining,  // waiting for the port to take what it was given
        Waiting,   // a wait statement
        Expecting, // an expectation's time runs
        Streaming, // a file is leaving
    };

    // Where the run stands in one list of statements: the script or a
    // repeat's body.
    struct Level
    {
        const QVector<Statement> *list;
        const QByteArray *wire; // the list's bytes: Statement::wireAt
        int next;
        qint64 passesLeft;
    };

    // A chunk decoded by the reply reader, kept for `expect pong` and its kin.
    struct ArrivedReply
    {
        Reply reply;
        quint8 armed; // the code the reader was armed with when the chunk came
        QByteArray chunk;
        int end; // where the chunk ends in `arrived`
    };

    void advance();
    bool sliceOver(qint64 sliceEnd);
    bool sendRow();
    bool wireHolds(const Statement &statement, const QByteArray &wire) const;
    bool enterNext();
    void carryOut(const Statement &statement);
    void sendCommand(const Statement &statement);
    void appendBytes(const Statement &statement);
    void sendRaw(const Statement &statement);
    void sendFile(const Statement &statement);
    void afterSending();
    void flushBatch();
    void beginWait(const Statement &statement);
    void beginExpect(const Statement &statement);
    void onTimer();
    bool waitForPort(qint64 above, qint64 until);
    qint64 sentMicros() const;

    bool tryMatch(const Statement &expect);
    bool matchBytes(const QByteArray &expected, QByteArray &matched);
    bool matchReply(const ReplyExpectation &expected, QByteArray &matched);
    void dropArrived(int count);
    void consumeArrived(int end);
    void keepArrivedBounded();
    void passExpect(const Statement &expect, const QByteArray &matched);
    QString expectFailure(const Statement &expect) const;

    StepResult stepFor(const Statement &statement) const;
    void completeStep(StepResult result);
    void failCurrent(const QString &why);
    void endRun(const StepResult *last);

    ScriptLink link;
    std::shared_ptr<const Script> script;
    std::vector<Level> levels;
    const Statement *current = nullptr;
    Phase phase = Phase::Idle;
    qint64 drainTarget = 0;
    bool advancing = false;
    bool reporting = false;  // someone listens to statementDone
    bool announcing = false; // someone listens to statementStarted
    bool extended = false;
    ReplyPairing pairing; // the reply reader's armed command, as the window's
    QByteArray batch;     // gathered writes not yet handed to the link
    QByteArray fileHead;  // of the file being streamed
    qint64 fileSize = 0;

    QByteArray arrived; // since the last expectation passed
    int searchedUpTo = 0;
    QVector<ArrivedReply> replies;
    int repliesSearched = 0;

    QTimer stepTimer;   // wait and within
    QTimer resumeTimer; // the next slice of statements
    QElapsedTimer clock;
    qint64 stepStartNs = 0;
    qint64 lastStepEndNs = 0; // or the start of the slice
    RunSummary summary;
};

// The mode after `statements` have run, given the mode before them: where
// the next script of a session starts.
bool modeAfterAll(const QVector<Statement> &statements, bool extendedMode);

} // namespace script

#endif // SCRIPT_SCRIPTRUNNER_H
