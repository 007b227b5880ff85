#include "script/script.h"

#include "commands/replydecoder.h"
#include "script/statementtext.h"

#include <QFileInfo>

#include <algorithm>

namespace script {

QString ScriptError::toString() const
{
    if (pos.line <= 0)
        return message;
    return QStringLiteral("line %1, column %2: %3").arg(pos.line).arg(pos.column).arg(message);
}

QByteArrayList statementWrites(const Statement &statement, bool extendedMode)
{
    switch (statement.kind) {
    case Statement::Kind::Command:
        return commandWritesOfBytes(statement.command, statement.values, statement.text,
                                    extendedMode);
    case Statement::Kind::SendFile:
        return {sendFileHead(statement, QFileInfo(statement.filePath).size())};
    case Statement::Kind::Raw:
        return {statement.bytes};
    case Statement::Kind::Wait:
    case Statement::Kind::Expect:
    case Statement::Kind::Repeat:
        break;
    }
    return {};
}

QByteArray sendFileHead(const Statement &statement, qint64 fileSize)
{
    return commandFrame(Command::SdFileWrite, {statement.values.value(0), fileSize});
}

bool modeAfter(const Statement &statement, bool extendedMode)
{
    if (statement.kind == Statement::Kind::Command) {
        if (statement.command == Command::ExtendedMode)
            return true;
        if (statement.command == Command::StandardMode)
            return false;
    } else if (statement.kind == Statement::Kind::Repeat) {
        // Every round runs the same body, and a body runs at least once.
        for (const Statement &inner : statement.body)
            extendedMode = modeAfter(inner, extendedMode);
    }
    return extendedMode;
}

namespace {

bool armedBy(quint8 armedCode, Command command)
{
    return armedCode == 0 || armedCode == codeOf(command);
}

// Plain words stay bare, as they are usually written; anything else is quoted.
QString replyWord(const QString &text)
{
    const bool bare = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x7F && c.unicode() > 0x20 && c != QLatin1Char('"') &&
               c != QLatin1Char('#') && c != QLatin1Char('\\');
    });
    const bool keyword = text.compare(QLatin1String("within"), Qt::CaseInsensitive) == 0;
    return bare && !keyword ? text : quotedText(text.toUtf8());
}

} // namespace

bool replyMatches(const ReplyExpectation &expected, const Reply &reply, quint8 armedCode)
{
    switch (expected.kind) {
    case ReplyKind::Pong:
        return reply.pong;
    case ReplyKind::Touch:
        return reply.touch && reply.touch->x == expected.x && reply.touch->y == expected.y;
    case ReplyKind::Sd:
        return reply.sdResult && reply.sdResult->compare(expected.text, Qt::CaseInsensitive) == 0;
    case ReplyKind::Version:
        return armedBy(armedCode, Command::GetVersion) && reply.serialNumber &&
               *reply.serialNumber == expected.text;
    case ReplyKind::Serial:
        return armedBy(armedCode, Command::ResetVexel) && reply.serialNumber &&
               *reply.serialNumber == expected.text;
    case ReplyKind::Listing:
        return armedBy(armedCode, Command::SdFileList) && reply.listing == expected.text;
    }
    return false;
}

QString describe(const ReplyExpectation &expected)
{
    switch (expected.kind) {
    case ReplyKind::Pong:
        return QStringLiteral("pong");
    case ReplyKind::Touch:
        return QStringLiteral("touch %1 %2").arg(expected.x).arg(expected.y);
    case ReplyKind::Sd:
        return QStringLiteral("sd ") + replyWord(expected.text);
    case ReplyKind::Version:
        return QStringLiteral("version ") + quotedText(expected.text.toUtf8());
    case ReplyKind::Serial:
        return QStringLiteral("serial ") + quotedText(expected.text.toUtf8());
    case ReplyKind::Listing:
        return QStringLiteral("listing ") + quotedText(expected.text.toUtf8());
    }
    return {};
}

} // namespace script
