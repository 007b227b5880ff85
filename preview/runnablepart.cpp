#include "preview/runnablepart.h"

#include <QSet>

#include <algorithm>

namespace preview {

namespace {

using script::ScriptError;
using script::Statement;

// The first error that the lines after it could not mend.
const ScriptError *firstBlocking(const QVector<ScriptError> &errors)
{
    const auto found = std::find_if(errors.begin(), errors.end(),
                                    [](const ScriptError &error) { return !error.unclosed; });
    return found == errors.end() ? nullptr : &*found;
}

QString linesBefore(const QString &text, int line)
{
    if (line <= 1)
        return {};
    return text.section(QLatin1Char('\n'), 0, line - 2);
}

QSet<int> unclosedLines(const QVector<ScriptError> &errors)
{
    QSet<int> lines;
    for (const ScriptError &error : errors) {
        if (error.unclosed)
            lines.insert(error.pos.line);
    }
    return lines;
}

void runOnce(QVector<Statement> &statements, const QSet<int> &lines)
{
    for (Statement &statement : statements) {
        if (statement.kind != Statement::Kind::Repeat)
            continue;
        if (lines.contains(statement.pos.line))
            statement.count = 1;
        runOnce(statement.body, lines);
    }
}

} // namespace

RunnablePart runnablePart(const QString &text, const QString &baseDir, bool extendedAtStart)
{
    const script::ParseResult whole = script::parseScript(text, baseDir, extendedAtStart);
    const ScriptError *blocking = firstBlocking(whole.errors);
    if (!blocking)
        return {whole.script, whole.errors};
    // A shorter text may find an error of its own: the mode a repeat ends
    // in may change with its body. Each cut is shorter, so this ends.
    int line = blocking->pos.line;
    script::ParseResult part;
    for (;;) {
        part = script::parseScript(linesBefore(text, line), baseDir, extendedAtStart);
        const ScriptError *inPart = firstBlocking(part.errors);
        if (!inPart)
            break;
        line = inPart->pos.line;
    }
    QSet<int> cutOpen = unclosedLines(part.errors);
    cutOpen.subtract(unclosedLines(whole.errors));
    runOnce(part.script.statements, cutOpen);
    return {part.script, whole.errors};
}

} // namespace preview
