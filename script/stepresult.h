#ifndef SCRIPT_STEPRESULT_H
#define SCRIPT_STEPRESULT_H

#include "script/script.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace script {

// What one statement did, as the runner reports it once the statement is over.
struct StepResult
{
    SourcePos pos;
    Statement::Kind kind = Statement::Kind::Command;
    QString source;        // the statement as written
    QByteArray sent;       // Command and Raw: every byte handed to the link; SendFile: the head
    qint64 fileBytes = 0;  // SendFile: the bytes streamed after the head
    QByteArray expected;   // Expect of bytes
    QString expectedReply; // Expect of a decoded reply, in words ("pong", "touch 10 20")
    // Expect: the bytes that matched when it passed; what had arrived when it failed.
    QByteArray received;
    bool passed = true;
    QString failure; // why it failed, in a few words: "nothing arrived within 1000 ms"
    qint64 elapsedNs = 0;

    bool isExpect() const { return kind == Statement::Kind::Expect; }
};

// How a run ended.
struct RunSummary
{
    int statements = 0; // statements carried out, each pass of a repeat counted
    int passed = 0;     // expectations
    int failed = 0;
    bool stopped = false;  // stop() was called
    bool lineLost = false; // the line went away
    QString failure;       // what ended the run early, one line; empty when it ran to the end
    SourcePos failedAt;
    qint64 elapsedNs = 0;

    bool ok() const { return failed == 0 && !lineLost && !stopped; }
};

// The line the window's script pane and vexelctl print for a step:
// "12  SetXHY 10 20  -> 85 00 0a 14  ok  0.3 ms",
// "14  expect pong  FAIL: nothing arrived within 1000 ms".
QString outputLine(const StepResult &result);
// The same line in UTF-8, appended to `out` without a line break, for a
// caller that prints many of them.
void appendOutputLine(QByteArray &out, const StepResult &result);

// Bytes shown in a line before the rest is only counted.
constexpr int hexShown = 32;

// "85 00 0a 14", cut after `limit` bytes with the total named: long texts,
// files and floods would otherwise fill the line.
QString shortHex(const QByteArray &bytes, int limit = hexShown);

// "0.3 ms"
QString millisecondsText(qint64 nanoseconds);

} // namespace script

Q_DECLARE_METATYPE(script::StepResult)
Q_DECLARE_METATYPE(script::RunSummary)
Q_DECLARE_METATYPE(script::SourcePos)

#endif // SCRIPT_STEPRESULT_H
