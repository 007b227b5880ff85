#include "script/scriptrunner.h"

#include "commands/outgoingfile.h"

#include <QMetaMethod>
#include <QScopedValueRollback>

namespace script {

namespace {

// Statements that need no waiting go out in slices this long, so the window
// and the port keep getting their turn on the event loop.
constexpr qint64 sliceNs = 8'000'000;
constexpr int statementsPerClockRead = 64;
// A long run of drawing pauses while the port holds more than highWater
// bytes, until it is down to lowWater.
constexpr qint64 highWater = 256 * 1024;
constexpr qint64 lowWater = 64 * 1024;
// Gathered writes go to the link in pieces of about this size.
constexpr int batchBytes = 64 * 1024;
// What an expectation searches is bounded: a module flooding the line
// between two expectations must not grow it for ever.
constexpr int arrivedCap = 1 << 20;
constexpr int repliesCap = 4096;

QString fileProblem(const Statement &statement, const OutgoingFile &file)
{
    switch (file.problem) {
    case OutgoingFile::Problem::Unreadable:
        return QStringLiteral("cannot read %1: %2").arg(statement.filePath, file.reason);
    case OutgoingFile::Problem::TooLarge:
        return QStringLiteral("%1 is 4 GiB or more, too large for the size field")
            .arg(statement.filePath);
    case OutgoingFile::Problem::None:
        break;
    }
    return QString();
}

} // namespace

bool modeAfterAll(const QVector<Statement> &statements, bool extendedMode)
{
    for (const Statement &statement : statements) {
        if (statement.kind != Statement::Kind::Repeat) {
            extendedMode = modeAfter(statement, extendedMode);
            continue;
        }
        if (statement.count <= 0)
            continue;
        // A body maps one bit to one bit: two passes show where any number ends.
        const bool once = modeAfterAll(statement.body, extendedMode);
        const bool twice = modeAfterAll(statement.body, once);
        extendedMode = statement.count % 2 == 1 ? once : twice;
    }
    return extendedMode;
}

ScriptRunner::ScriptRunner(ScriptLink link, QObject *parent)
    : QObject(parent), link(std::move(link))
{
    qRegisterMetaType<StepResult>();
    qRegisterMetaType<RunSummary>();
    qRegisterMetaType<SourcePos>();
    stepTimer.setSingleShot(true);
    stepTimer.setTimerType(Qt::PreciseTimer);
    connect(&stepTimer, &QTimer::timeout, this, &ScriptRunner::onTimer);
    resumeTimer.setSingleShot(true);
    resumeTimer.setInterval(0);
    connect(&resumeTimer, &QTimer::timeout, this, &ScriptRunner::advance);
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::start(const Script &toRun, bool extendedMode)
{
    stop();
    script = std::make_shared<const Script>(toRun);
    levels.assign(1, Level{&script->statements, &script->wire, 0, 1});
    current = nullptr;
    extended = extendedMode;
    pairing.reset();
    arrived.clear();
    replies.clear();
    searchedUpTo = 0;
    repliesSearched = 0;
    summary = RunSummary();
    phase = Phase::Running;
    clock.start();
    resumeTimer.start();
}

// Runs statements until one has to wait or the slice is used up.
void ScriptRunner::advance()
{
    if (advancing || phase != Phase::Running)
        return;
    const QScopedValueRollback<bool> guard(advancing, true);
    // A handler may start another run, replacing the statements under us.
    const std::shared_ptr<const Script> keep = script;
    reporting = isSignalConnected(QMetaMethod::fromSignal(&ScriptRunner::statementDone));
    announcing = isSignalConnected(QMetaMethod::fromSignal(&ScriptRunner::statementStarted));
    // Nobody follows the steps: rows of commands go out without one each.
    const bool quiet = !reporting && !announcing && !link.sendCommand;
    lastStepEndNs = clock.nsecsElapsed();
    const qint64 sliceEnd = lastStepEndNs + sliceNs;
    int untilClockRead = statementsPerClockRead;
    while (phase == Phase::Running) {
        if (!current) {
            if (quiet && sendRow()) {
                afterSending();
                if (sliceOver(sliceEnd))
                    return;
                continue;
            }
            if (!enterNext()) {
                flushBatch();
                if (!waitForPort(0, 0))
                    endRun(nullptr);
                return;
            }
            continue; // statementStarted may have stopped the run
        }
        if (--untilClockRead == 0) {
            untilClockRead = statementsPerClockRead;
            if (sliceOver(sliceEnd))
                return;
        }
        carryOut(*current);
    }
    flushBatch();
}

// Once the slice's time is up, gathered bytes go to the link and the next
// slice comes from the event loop.
bool ScriptRunner::sliceOver(qint64 sliceEnd)
{
    if (clock.nsecsElapsed() <= sliceEnd)
        return false;
    flushBatch();
    resumeTimer.start();
    return true;
}

// The commands from the next statement on whose bytes lie in a row in the
// list's wire, as far as one batch goes, appended as one piece: a long run
// of drawing then costs little more than copying its bytes. False when the
// next statement is not such a command.
bool ScriptRunner::sendRow()
{
    if (levels.empty()) // the last waits for the port to drain
        return false;
    Level &level = levels.back();
    const QVector<Statement> &list = *level.list;
    const int first = level.next;
    int from = -1;
    int to = -1;
    int next = first;
    for (; next < list.size() && batch.size() + (to - from) < batchBytes; ++next) {
        const Statement &statement = list.at(next);
        // A row leaves the mode alone: the mode commands are sent one by one.
        const bool inRow = statement.kind == Statement::Kind::Command &&
                           statement.command != Command::StandardMode &&
                           statement.command != Command::ExtendedMode &&
                           wireHolds(statement, *level.wire) &&
                           (from < 0 || statement.wireAt == to);
        if (!inRow)
            break;
        if (from < 0)
            from = statement.wireAt;
        to = statement.wireAt + statement.wireSize;
        pairing.sent(statement.command, sentMicros());
    }
    if (next == first)
        return false;
    batch.append(level.wire->constData() + from, to - from);
    summary.statements += next - first;
    level.next = next;
    return true;
}

// Whether the list's wire holds a command's bytes as the current mode has
// them: the parser made them for standard mode, where only a Y differs.
bool ScriptRunner::wireHolds(const Statement &statement, const QByteArray &wire) const
{
    return statement.wireAt >= 0 && statement.wireAt + statement.wireSize <= wire.size() &&
           (!extended || !takesY(spec(statement.command)));
}

// Steps to the next statement that does something, into and out of repeats.
bool ScriptRunner::enterNext()
{
    while (!levels.empty()) {
        Level &level = levels.back();
        if (level.next == level.list->size()) {
            if (--level.passesLeft > 0)
                level.next = 0;
            else
                levels.pop_back();
            continue;
        }
        const Statement &statement = level.list->at(level.next++);
        if (statement.kind == Statement::Kind::Repeat) {
            if (statement.count > 0 && !statement.body.isEmpty())
                levels.push_back(Level{&statement.body, &statement.bodyWire, 0, statement.count});
            continue;
        }
        current = &statement;
        ++summary.statements;
        // Reading the clock for every statement of a long run of drawing
        // costs as much as the statement: one that only sends starts where
        // the step before it ended.
        const bool sendsOnly =
            statement.kind == Statement::Kind::Command || statement.kind == Statement::Kind::Raw;
        stepStartNs = sendsOnly ? lastStepEndNs : clock.nsecsElapsed();
        if (announcing)
            emit statementStarted(statement.pos);
        return true;
    }
    return false;
}

void ScriptRunner::carryOut(const Statement &statement)
{
    switch (statement.kind) {
    case Statement::Kind::Command:
        sendCommand(statement);
        break;
    case Statement::Kind::Raw:
        sendRaw(statement);
        break;
    case Statement::Kind::SendFile:
        sendFile(statement);
        break;
    case Statement::Kind::Wait:
        beginWait(statement);
        break;
    case Statement::Kind::Expect:
        beginExpect(statement);
        break;
    case Statement::Kind::Repeat:
        current = nullptr; // enterNext() opens repeats itself
        break;
    }
}

void ScriptRunner::sendCommand(const Statement &statement)
{
    pairing.sent(statement.command, sentMicros());
    QByteArray sent;
    if (link.sendCommand) {
        const QByteArrayList writes = statementWrites(statement, extended);
        link.sendCommand(statement, writes);
        if (reporting)
            sent = writes.join();
    } else {
        const int from = batch.size();
        appendBytes(statement);
        if (reporting)
            sent = batch.mid(from);
    }
    extended = modeAfter(statement, extended);
    if (reporting) {
        StepResult result = stepFor(statement);
        result.sent = sent;
        completeStep(result);
    } else {
        current = nullptr;
    }
    afterSending();
}

// From the list's wire where it holds them; made again otherwise.
void ScriptRunner::appendBytes(const Statement &statement)
{
    const QByteArray &wire = *levels.back().wire;
    if (wireHolds(statement, wire))
        batch.append(wire.constData() + statement.wireAt, statement.wireSize);
    else
        appendCommandBytes(batch, statement.command, statement.values, statement.text, extended);
}

// Raw bytes arm nothing: the reader is armed by commands, as in the window.
void ScriptRunner::sendRaw(const Statement &statement)
{
    if (link.sendCommand)
        link.sendRaw(statement.bytes);
    else
        batch += statement.bytes;
    extended = modeAfter(statement, extended);
    StepResult result = stepFor(statement);
    result.sent = statement.bytes;
    completeStep(result);
    afterSending();
}

// Nobody reads latencies off a run, so a command is timed by the step
// before it rather than by a clock read of its own: a long run of drawing
// would pay for the reads.
qint64 ScriptRunner::sentMicros() const
{
    return lastStepEndNs / 1000;
}

// A long run of drawing pauses while the port is full; gathered bytes are
// handed over once there are enough of them to be worth a write.
void ScriptRunner::afterSending()
{
    // A handler of statementDone may have stopped the run.
    if (phase != Phase::Running || (!link.sendCommand && batch.size() < batchBytes))
        return;
    flushBatch();
    waitForPort(highWater, lowWater);
}

void ScriptRunner::flushBatch()
{
    if (batch.isEmpty())
        return;
    link.sendRaw(batch);
    batch.truncate(0); // keeps its buffer for the next batch
    batch.reserve(batchBytes);
}

// The file is opened and checked before its head goes out, so a missing
// file leaves the module waiting for nothing.
void ScriptRunner::sendFile(const Statement &statement)
{
    flushBatch();
    if (!link.sendFile) {
        failCurrent(QStringLiteral("files cannot be sent this way"));
        return;
    }
    OutgoingFile outgoing = openOutgoingFile(statement.filePath);
    const QString problem = fileProblem(statement, outgoing);
    if (!problem.isEmpty()) {
        failCurrent(problem);
        return;
    }
    fileHead = sendFileHead(statement, outgoing.size);
    fileSize = outgoing.size;
    pairing.sent(Command::SdFileWrite, clock.nsecsElapsed() / 1000);
    phase = Phase::Streaming;
    const QString refused =
        link.sendFile(statement, fileHead, std::move(outgoing.file), outgoing.size);
    // A link may have finished the file before returning.
    if (!refused.isEmpty() && phase == Phase::Streaming)
        failCurrent(refused);
}

void ScriptRunner::fileDone(const QString &error)
{
    if (phase != Phase::Streaming)
        return;
    if (!error.isEmpty()) {
        failCurrent(error);
        return;
    }
    // The module answers once the file is in.
    pairing.continued(codeOf(Command::SdFileWrite), clock.nsecsElapsed() / 1000);
    phase = Phase::Running;
    StepResult result = stepFor(*current);
    result.sent = fileHead;
    result.fileBytes = fileSize;
    completeStep(result);
    advance();
}

// A wait or an expectation measures from when the line has the bytes before
// it, not from when they were queued behind a long run of drawing.
void ScriptRunner::beginWait(const Statement &statement)
{
    flushBatch();
    if (waitForPort(0, 0))
        return;
    if (statement.waitMs <= 0) {
        completeStep(stepFor(statement));
        return;
    }
    phase = Phase::Waiting;
    stepTimer.start(statement.waitMs);
}

void ScriptRunner::beginExpect(const Statement &statement)
{
    flushBatch();
    searchedUpTo = 0;
    repliesSearched = 0;
    if (tryMatch(statement) || waitForPort(0, 0))
        return;
    phase = Phase::Expecting;
    stepTimer.start(statement.withinMs);
}

void ScriptRunner::onTimer()
{
    if (phase == Phase::Waiting) {
        phase = Phase::Running;
        completeStep(stepFor(*current));
        advance();
    } else if (phase == Phase::Expecting) {
        failCurrent(expectFailure(*current));
    }
}

// True when the run now waits for the port: it held more than `above`
// bytes, and drained() resumes once it is down to `until`.
bool ScriptRunner::waitForPort(qint64 above, qint64 until)
{
    if (!link.backlog || link.backlog() <= above)
        return false;
    drainTarget = until;
    phase = Phase::Draining;
    return true;
}

void ScriptRunner::drained()
{
    if (phase != Phase::Draining || link.backlog() > drainTarget)
        return;
    phase = Phase::Running;
    advance();
}

void ScriptRunner::takeChunk(const QByteArray &chunk)
{
    if (phase == Phase::Idle || chunk.isEmpty())
        return;
    arrived += chunk;
    const quint8 armed = pairing.armed();
    Paired paired = pairing.received(chunk, clock.nsecsElapsed() / 1000);
    paired.reply.hexLine.clear(); // the window's log line; not needed here
    replies.append(ArrivedReply{std::move(paired.reply), armed, chunk, int(arrived.size())});
    keepArrivedBounded();
    const bool expecting = phase == Phase::Expecting || phase == Phase::Draining;
    if (expecting && current && current->kind == Statement::Kind::Expect && tryMatch(*current))
        advance();
}

bool ScriptRunner::tryMatch(const Statement &expect)
{
    QByteArray matched;
    const bool found =
        expect.reply ? matchReply(*expect.reply, matched) : matchBytes(expect.bytes, matched);
    if (found)
        passExpect(expect, matched);
    return found;
}

// Searches only what arrived since the last look, plus the bytes a match
// that began before it could still need.
bool ScriptRunner::matchBytes(const QByteArray &expected, QByteArray &matched)
{
    const int from = qMax(0, searchedUpTo - expected.size() + 1);
    const int at = arrived.indexOf(expected, from);
    if (at < 0) {
        searchedUpTo = arrived.size();
        return false;
    }
    matched = arrived.mid(at, expected.size());
    consumeArrived(at + expected.size());
    return true;
}

bool ScriptRunner::matchReply(const ReplyExpectation &expected, QByteArray &matched)
{
    for (int i = repliesSearched; i < replies.size(); ++i) {
        const ArrivedReply &candidate = replies.at(i);
        if (replyMatches(expected, candidate.reply, candidate.armed)) {
            matched = candidate.chunk;
            consumeArrived(candidate.end);
            return true;
        }
    }
    repliesSearched = replies.size();
    return false;
}

void ScriptRunner::dropArrived(int count)
{
    arrived.remove(0, count);
    int gone = 0;
    while (gone < replies.size() && replies.at(gone).end <= count)
        ++gone;
    replies.remove(0, gone);
    for (ArrivedReply &reply : replies)
        reply.end -= count;
    searchedUpTo = qMax(0, searchedUpTo - count);
    repliesSearched = qMax(0, repliesSearched - gone);
}

void ScriptRunner::consumeArrived(int end)
{
    dropArrived(end);
    searchedUpTo = 0;
    repliesSearched = 0;
}

void ScriptRunner::keepArrivedBounded()
{
    if (arrived.size() > arrivedCap)
        dropArrived(arrived.size() - arrivedCap / 2);
    if (replies.size() > repliesCap) {
        const int gone = replies.size() - repliesCap / 2;
        replies.remove(0, gone);
        repliesSearched = qMax(0, repliesSearched - gone);
    }
}

void ScriptRunner::passExpect(const Statement &expect, const QByteArray &matched)
{
    stepTimer.stop();
    phase = Phase::Running;
    ++summary.passed;
    StepResult result = stepFor(expect);
    result.received = matched;
    completeStep(result);
}

QString ScriptRunner::expectFailure(const Statement &expect) const
{
    if (arrived.isEmpty())
        return QStringLiteral("nothing arrived within %1 ms").arg(expect.withinMs);
    const QString expected = expect.reply ? describe(*expect.reply) : shortHex(expect.bytes);
    return QStringLiteral("expected %1, received %2").arg(expected, shortHex(arrived));
}

StepResult ScriptRunner::stepFor(const Statement &statement) const
{
    StepResult result;
    result.pos = statement.pos;
    result.kind = statement.kind;
    result.source = statement.source;
    if (statement.kind == Statement::Kind::Expect) {
        result.expected = statement.bytes;
        if (statement.reply)
            result.expectedReply = describe(*statement.reply);
    }
    return result;
}

void ScriptRunner::completeStep(StepResult result)
{
    current = nullptr;
    if (!reporting && result.passed)
        return;
    lastStepEndNs = clock.nsecsElapsed();
    result.elapsedNs = lastStepEndNs - stepStartNs;
    emit statementDone(result);
}

void ScriptRunner::failCurrent(const QString &why)
{
    StepResult result = stepFor(*current);
    result.passed = false;
    result.failure = why;
    result.elapsedNs = clock.nsecsElapsed() - stepStartNs;
    if (result.isExpect()) {
        result.received = arrived;
        ++summary.failed;
    }
    summary.failure = QStringLiteral("line %1: %2").arg(result.pos.line).arg(why);
    summary.failedAt = result.pos;
    endRun(&result);
}

void ScriptRunner::lineLost(const QString &reason)
{
    if (phase == Phase::Idle)
        return;
    summary.lineLost = true;
    const QString why = QStringLiteral("the line went away (%1)").arg(reason);
    if (current) {
        failCurrent(why);
        return;
    }
    summary.failure = why;
    endRun(nullptr);
}

void ScriptRunner::stop()
{
    if (phase == Phase::Idle)
        return;
    const bool streaming = phase == Phase::Streaming;
    // Idle first: giving up the file makes the link report it as stopped.
    phase = Phase::Idle;
    if (streaming && link.cancelFile)
        link.cancelFile();
    summary.stopped = true;
    if (current)
        summary.failedAt = current->pos;
    endRun(nullptr);
}

// The run is over before anyone hears of it, so a handler may start the
// next run at once.
void ScriptRunner::endRun(const StepResult *last)
{
    flushBatch(); // what was reported as sent goes out, and nothing after it
    stepTimer.stop();
    resumeTimer.stop();
    phase = Phase::Idle;
    current = nullptr;
    levels.clear();
    summary.elapsedNs = clock.nsecsElapsed();
    const RunSummary done = summary;
    if (last)
        emit statementDone(*last);
    emit finished(done);
}

} // namespace script
