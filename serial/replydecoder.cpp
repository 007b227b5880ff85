#include "serial/replydecoder.h"

#include "commands/commandset.h"

namespace {

constexpr char openMarker = '?';
constexpr quint8 openSucceeded = 1;
constexpr char valueMarker = '=';
constexpr char cardPresent = '=';
constexpr char cardMissing = '>';
constexpr char pongMarker = '8';
constexpr quint8 touchMarker = 0x81;

// Replies carry no length: whatever the chunk lacks reads as 0.
quint8 byteAt(const QByteArray &chunk, int index)
{
    return index < chunk.size() ? quint8(chunk.at(index)) : 0;
}

bool startsWith(const QByteArray &chunk, char marker)
{
    return byteAt(chunk, 0) == quint8(marker);
}

// Returns false for codes the reader leaves armed.
bool decodePending(const QByteArray &chunk, quint8 pending, Reply &reply)
{
    switch (pending) {
    case codeOf(Command::SdFileList):
        reply.listing = replyText(chunk);
        return true;
    case codeOf(Command::SdFileOpen):
        if (startsWith(chunk, openMarker))
            reply.sdResult =
                byteAt(chunk, 1) == openSucceeded ? QStringLiteral("OK") : QStringLiteral("FAILED");
        return true;
    case codeOf(Command::SdFileCreate):
        reply.sdResult = QString::fromLatin1(chunk.toHex());
        return true;
    case codeOf(Command::SdFileWrite):
        return true;
    case codeOf(Command::SdSpaceInfo):
    case codeOf(Command::SdFileGetSize):
    case codeOf(Command::SdFileTell):
        if (startsWith(chunk, valueMarker))
            reply.sdResult = QString::number(replyValue(chunk));
        return true;
    case codeOf(Command::SdInserted):
        if (startsWith(chunk, cardPresent))
            reply.sdResult = QStringLiteral("YES");
        else if (startsWith(chunk, cardMissing))
            reply.sdResult = QStringLiteral("No");
        return true;
    case codeOf(Command::ResetVexel):
        reply.serialNumber = QString::fromLatin1(chunk.toHex());
        return true;
    case codeOf(Command::GetVersion):
        reply.serialNumber = replyText(chunk);
        return true;
    default:
        return false;
    }
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
    reply.pong = startsWith(chunk, pongMarker);
    if (byteAt(chunk, 0) == touchMarker)
        reply.touch = touchPoint(chunk);
    reply.hexLine = QString::fromLatin1(chunk.toHex());
    return reply;
}
