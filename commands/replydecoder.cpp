#include "commands/replydecoder.h"

namespace {

// Replies carry no length: whatever the chunk lacks reads as 0.
quint8 byteAt(const QByteArray &chunk, int index)
{
    return index < chunk.size() ? quint8(chunk.at(index)) : 0;
}

bool startsWith(const QByteArray &chunk, quint8 marker)
{
    return byteAt(chunk, 0) == marker;
}

// Returns false for codes the reader leaves armed.
bool decodePending(const QByteArray &chunk, quint8 pending, Reply &reply)
{
    switch (answerToCode(pending).kind) {
    case AnswerKind::KeptArmed:
        return false;
    case AnswerKind::Unread:
        break;
    case AnswerKind::Listing:
        reply.listing = replyText(chunk);
        break;
    case AnswerKind::OpenStatus:
        if (startsWith(chunk, replymarker::status))
            reply.sdResult =
                byteAt(chunk, 1) == openSucceeded ? QStringLiteral("OK") : QStringLiteral("FAILED");
        break;
    case AnswerKind::HexResult:
        reply.sdResult = QString::fromLatin1(chunk.toHex());
        break;
    case AnswerKind::Value:
        if (startsWith(chunk, replymarker::value))
            reply.sdResult = QString::number(replyValue(chunk));
        break;
    case AnswerKind::CardPresence:
        if (startsWith(chunk, replymarker::cardPresent))
            reply.sdResult = QStringLiteral("YES");
        else if (startsWith(chunk, replymarker::cardMissing))
            reply.sdResult = QStringLiteral("No");
        break;
    case AnswerKind::SerialHex:
        reply.serialNumber = QString::fromLatin1(chunk.toHex());
        break;
    case AnswerKind::Version:
        reply.serialNumber = replyText(chunk);
        break;
    }
    return true;
}

} // namespace

quint32 replyValue(const QByteArray &chunk)
{
    quint32 value = 0;
    for (int i = 4; i >= 1; --i)
        value = (value << 8) | byteAt(chunk, i);
    return value;
}

TouchPoint touchPoint(const QByteArray &chunk)
{
    TouchPoint point;
    point.x = quint16(byteAt(chunk, 2) * 128 + byteAt(chunk, 1));
    point.y = quint16(byteAt(chunk, 5) * 128 + byteAt(chunk, 4));
    return point;
}

QString replyText(const QByteArray &chunk)
{
    const int end = chunk.indexOf('\0');
    return QString::fromUtf8(end < 0 ? chunk : chunk.left(end));
}

Reply decodeReply(const QByteArray &chunk, quint8 pendingCommand)
{
    Reply reply;
    reply.pendingCommand = decodePending(chunk, pendingCommand, reply) ? 0 : pendingCommand;
    reply.pong = startsWith(chunk, replymarker::pong);
    if (startsWith(chunk, replymarker::touch))
        reply.touch = touchPoint(chunk);
    reply.hexLine = QString::fromLatin1(chunk.toHex());
    return reply;
}
