// The script parser on any text. Every error points into the text, in text
// order. A script that parses writes back: each
// statement, written by the statement writer and parsed again, sends and
// expects what it did.
#include "fuzzcheck.h"

#include "script/script.h"
#include "script/statementtext.h"

using namespace script;

namespace {

void checkErrors(const ParseResult &result, int lineCount)
{
    int previousLine = 0;
    for (const ScriptError &error : result.errors) {
        FUZZ_CHECK(error.pos.line >= 1 && error.pos.line <= lineCount);
        FUZZ_CHECK(error.pos.column >= 1);
        FUZZ_CHECK(error.pos.line >= previousLine);
        FUZZ_CHECK(!error.message.isEmpty() && !error.toString().contains(QLatin1Char('\n')));
        previousLine = error.pos.line;
    }
}

Statement reparsed(const QString &line, bool extended)
{
    const ParseResult again = parseScript(line, {}, extended);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(again.script.statements.size() == 1);
    return again.script.statements.first();
}

void checkExpect(const Statement &statement)
{
    FUZZ_CHECK(statement.withinMs >= 1 && statement.withinMs <= longestWaitMs);
    if (!statement.reply) {
        FUZZ_CHECK(!statement.bytes.isEmpty());
        FUZZ_CHECK(reparsed(expectText(statement.bytes), false).bytes == statement.bytes);
        return;
    }
    const std::optional<ReplyExpectation> again =
        reparsed(QStringLiteral("expect ") + describe(*statement.reply), false).reply;
    FUZZ_CHECK(again && again->kind == statement.reply->kind);
    FUZZ_CHECK(again->text == statement.reply->text);
    FUZZ_CHECK(again->x == statement.reply->x && again->y == statement.reply->y);
}

// Walks the statements once, in the mode each first runs in.
bool checkStatements(const QVector<Statement> &statements, bool extended)
{
    for (const Statement &statement : statements) {
        FUZZ_CHECK(statement.pos.line >= 1 && statement.pos.column >= 1);
        FUZZ_CHECK(!statement.source.isEmpty() && statement.source == statement.source.trimmed());
        switch (statement.kind) {
        case Statement::Kind::Command: {
            const QString line =
                statementText(statement.command, statement.values, statement.text, extended);
            FUZZ_CHECK(statementWrites(reparsed(line, extended), extended) ==
                       statementWrites(statement, extended));
            break;
        }
        case Statement::Kind::Raw:
            if (!statement.bytes.isEmpty())
                FUZZ_CHECK(reparsed(sendText(statement.bytes), false).bytes == statement.bytes);
            break;
        case Statement::Kind::Expect:
            checkExpect(statement);
            break;
        case Statement::Kind::Wait:
            FUZZ_CHECK(statement.waitMs >= 0 && statement.waitMs <= longestWaitMs);
            break;
        case Statement::Kind::Repeat:
            FUZZ_CHECK(statement.count >= 1 && statement.count <= largestRepeatCount);
            checkStatements(statement.body, extended);
            break;
        case Statement::Kind::SendFile:
            FUZZ_CHECK(!statement.filePath.isEmpty() && statement.values.size() == 1);
            break;
        }
        extended = modeAfter(statement, extended);
    }
    return extended;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::silenceQtMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytesOf(data, size));
    const ParseResult result = parseScript(text, fuzz::scratchFolder());
    checkErrors(result, text.count(QLatin1Char('\n')) + 1);
    if (result.ok())
        checkStatements(result.script.statements, false);
    return 0;
}
