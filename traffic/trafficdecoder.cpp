#include "traffic/trafficdecoder.h"

#include "commands/colors.h"
#include "commands/frames.h"
#include "serial/replydecoder.h"

#include <utility>

namespace {

// Reply shapes the reader assumes without the module sending lengths.
constexpr int pongLength = 1;
constexpr int touchReportLength = 6; // marker, x low, x high, unused, y low, y high
// Text beyond this is counted, not shown: an unterminated text would
// otherwise swallow every later write into one ever longer line.
constexpr int shownTextLimit = 256;

// Commands that share a code share its frame, so the first one gives it.
const CommandSpec *layoutOf(quint8 code)
{
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            return &command;
    }
    return nullptr;
}

// Every command a code may stand for: the wire cannot tell them apart.
QString namesOf(quint8 code)
{
    QStringList names;
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            names << QLatin1String(command.name);
    }
    return names.join(QLatin1Char('/'));
}

// The bench arms the reader when it sends a code for a command that arms it;
// a shared code arms it here if any of its commands does.
bool armsReply(quint8 code)
{
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code && command.has(ArmsReply))
            return true;
    }
    return false;
}

// Code and every argument before the text.
int headLength(const CommandSpec &command, bool extended)
{
    int length = 1;
    for (std::size_t i = 0; i < argCount(command); ++i)
        length += argWidth(command.args[i], extended);
    return length;
}

quint32 readArg(const QByteArray &bytes, int pos, Arg arg, int width)
{
    const bool lowFirst = arg == Arg::ColorWord || arg == Arg::Count32;
    quint32 value = 0;
    for (int i = 0; i < width; ++i) {
        const quint32 byte = quint8(bytes.at(pos + i));
        value = lowFirst ? value | (byte << (8 * i)) : (value << 8) | byte;
    }
    return value;
}

// The whole degree the bench turned into these units if there is one,
// otherwise the angle they stand for.
QString degreesText(quint32 units)
{
    const qint64 whole = qint64(units) * 45 / 2048;
    for (const qint64 degrees : {whole, whole + 1}) {
        if (turnUnits(degrees) == qint64(units))
            return QStringLiteral("%1°").arg(degrees);
    }
    return QStringLiteral("%1°").arg(units * 45.0 / 2048, 0, 'f', 2);
}

QString upperHex(quint32 value, int digits)
{
    return QStringLiteral("0x") +
           QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

QString argText(Arg arg, quint32 value)
{
    switch (arg) {
    case Arg::ColorWord:
        return QStringLiteral("%1 (%2)").arg(colorOfWord(quint16(value)).name(),
                                             upperHex(value, 4));
    case Arg::Angle:
        return degreesText(value);
    default:
        return QString::number(value);
    }
}

QString labelled(const QString &label, const QString &value)
{
    return label.isEmpty() ? value : label + QLatin1Char('=') + value;
}

QString quoted(const QByteArray &text)
{
    QString out(QLatin1Char('"'));
    for (const char c : text) {
        const uint byte = quint8(c);
        if (c == '"' || c == '\\')
            out += QStringLiteral("\\") + QLatin1Char(c);
        else if (byte >= 0x20 && byte < 0x7F)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}

QString byteCount(qint64 count)
{
    return count == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(count);
}

QString replyOf(quint8 armed)
{
    return QStringLiteral("the %1 reply").arg(namesOf(armed));
}

QString extraBytes(qint64 count)
{
    return count == 1 ? QStringLiteral(" + 1 extra byte")
                      : QStringLiteral(" + %1 extra bytes").arg(count);
}

QString frameText(quint8 code, const QStringList &args)
{
    return (QStringList(namesOf(code)) + args).join(QLatin1Char(' '));
}

// Where a chunk differs in length from the reply shape it was read as.
QString lengthNote(int have, int expected)
{
    if (have < expected)
        return QStringLiteral(" (short: %1 of %2 bytes)").arg(have).arg(expected);
    if (have > expected)
        return extraBytes(have - expected);
    return {};
}

QString sdLabel(Command armedBy)
{
    switch (armedBy) {
    case Command::SdFileOpen:
        return QStringLiteral("SD open");
    case Command::SdFileCreate:
        return QStringLiteral("SD create");
    case Command::SdFileGetSize:
        return QStringLiteral("SD file size");
    case Command::SdFileTell:
        return QStringLiteral("SD position");
    case Command::SdSpaceInfo:
        return QStringLiteral("SD space");
    case Command::SdInserted:
        return QStringLiteral("SD card inserted");
    default:
        return QStringLiteral("SD result");
    }
}

// Length of the answers the reader takes fixed fields from; 0 where it
// takes the whole chunk.
int answerLength(Command armedBy)
{
    switch (armedBy) {
    case Command::SdFileOpen:
        return 2; // marker, status
    case Command::SdFileGetSize:
    case Command::SdFileTell:
    case Command::SdSpaceInfo:
        return 5; // marker, value low byte first
    case Command::SdInserted:
        return 1;
    default:
        return 0;
    }
}

QString orEmpty(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("(empty)") : text;
}

struct Head
{
    QStringList args; // described, with their labels
    int end = -1;     // just past the last argument before any text; -1 when cut short
    qint64 count = 0; // the byte count, for a head announcing a file
};

Head readHead(const CommandSpec &command, const QByteArray &bytes, int pos, bool extended)
{
    const QStringList labels = argumentLabels(command.id);
    Head head;
    int at = pos + 1;
    for (std::size_t i = 0; i < argCount(command) && command.args[i] != Arg::Text; ++i) {
        const Arg arg = command.args[i];
        const int width = argWidth(arg, extended);
        if (at + width > bytes.size())
            return head;
        const quint32 value = readArg(bytes, at, arg, width);
        if (arg == Arg::Count32)
            head.count = value;
        head.args << labelled(labels.value(int(i)), argText(arg, value));
        at += width;
    }
    head.end = at;
    return head;
}

// Bytes that start no known command: a frame of their own at the start of a
// write, otherwise left over after the frame before them.
int unknownCode(const QByteArray &bytes, int pos, QStringList &parts)
{
    const int rest = bytes.size() - pos;
    if (parts.isEmpty())
        parts << QStringLiteral("unknown %1 (%2)")
                     .arg(upperHex(quint8(bytes.at(pos)), 2), byteCount(rest));
    else
        parts.last() += extraBytes(rest);
    return bytes.size();
}

QString unrecognised(const QByteArray &chunk, const QString &previousCut)
{
    if (chunk.isEmpty())
        return QStringLiteral("empty chunk");
    QString text = QStringLiteral("unrecognised ") + byteCount(chunk.size());
    if (!previousCut.isEmpty())
        text += QStringLiteral(", perhaps the rest of ") + previousCut;
    return text;
}

} // namespace

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

QString asciiText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text += quint8(c) >= 0x20 && quint8(c) < 0x7F ? QLatin1Char(c) : QLatin1Char('.');
    return text;
}

QStringList commandNames()
{
    QStringList names;
    for (const CommandSpec &command : allCommands())
        names << QLatin1String(command.name);
    return names;
}

QStringList argumentLabels(Command id)
{
    QStringList labels;
    for (const char *label : spec(id).labels) {
        if (label)
            labels << QLatin1String(label);
    }
    return labels;
}

Decoded TrafficDecoder::decode(const TrafficRecord &record)
{
    if (record.direction == Direction::Received)
        return decodeReceived(record);
    return {decodeSent(record)};
}

void TrafficDecoder::reset()
{
    *this = TrafficDecoder();
}

void TrafficDecoder::lineReset()
{
    openText.reset();
    fileTotal = 0;
    fileLeft = 0;
    cutShort.clear();
}

void TrafficDecoder::arm(quint8 code, qint64 micros)
{
    pending = code;
    armedAt = micros;
}

// A reply is timed from the last byte of its command, which may come in a
// later write than the code that armed the reader.
void TrafficDecoder::touchArm(quint8 code, qint64 micros)
{
    if (pending == code)
        armedAt = micros;
}

QString TrafficDecoder::decodeSent(const TrafficRecord &record)
{
    const QByteArray &bytes = record.bytes;
    if (bytes.isEmpty())
        return QStringLiteral("empty write");
    QStringList parts;
    int pos = openText ? readText(bytes, 0, record.micros, parts) : 0;
    while (pos < bytes.size()) {
        pos = fileLeft > 0 ? readFileData(bytes, pos, record.micros, parts)
                           : readFrame(bytes, pos, record.micros, parts);
    }
    return parts.join(QStringLiteral("; "));
}

int TrafficDecoder::readFrame(const QByteArray &bytes, int pos, qint64 micros, QStringList &parts)
{
    const quint8 code = quint8(bytes.at(pos));
    const CommandSpec *command = layoutOf(code);
    if (!command)
        return unknownCode(bytes, pos, parts);
    if (armsReply(code))
        arm(code, micros);
    const Head head = readHead(*command, bytes, pos, extended);
    if (head.end < 0) {
        parts << frameText(code, head.args) + QStringLiteral(" (short frame: %1 of %2 bytes)")
                                                  .arg(bytes.size() - pos)
                                                  .arg(headLength(*command, extended));
        return bytes.size();
    }

    // The bench switches its Y width when it sends the mode command, whatever
    // the module answers.
    if (command->id == Command::ExtendedMode || command->id == Command::StandardMode)
        extended = command->id == Command::ExtendedMode;
    if (carriesText(*command)) {
        openText = OpenText{code, head.args, {}, 0};
        return readText(bytes, head.end, micros, parts);
    }
    parts << frameText(code, head.args);
    if (command->id == Command::SdFileWrite)
        fileLeft = fileTotal = head.count;
    return head.end;
}

int TrafficDecoder::readText(const QByteArray &bytes, int pos, qint64 micros, QStringList &parts)
{
    OpenText &open = *openText;
    touchArm(open.code, micros);
    const int end = bytes.indexOf('\0', pos);
    const int length = (end < 0 ? bytes.size() : end) - pos;
    open.shown += bytes.mid(pos, qBound(0, shownTextLimit - open.shown.size(), length));
    open.total += length;

    QStringList args = open.args;
    if (open.total > 0 || end >= 0) {
        const bool cut = open.total > open.shown.size();
        args << quoted(open.shown) +
                    (cut ? QStringLiteral("... (%1)").arg(byteCount(open.total)) : QString());
    }
    if (end >= 0) {
        parts << frameText(open.code, args);
        openText.reset();
        return end + 1;
    }
    const QString state =
        open.total > 0 ? QStringLiteral(" (text continues)") : QStringLiteral(" (text follows)");
    parts << frameText(open.code, args) + state;
    return bytes.size();
}

int TrafficDecoder::readFileData(const QByteArray &bytes, int pos, qint64 micros,
                                 QStringList &parts)
{
    const quint8 code = codeOf(Command::SdFileWrite);
    const qint64 taken = qMin<qint64>(fileLeft, bytes.size() - pos);
    fileLeft -= taken;
    // The module answers once the whole file is in, so its reply is timed
    // from the file's last byte rather than from the head.
    touchArm(code, micros);
    parts << QStringLiteral("%1 data %2 (%3 of %4)")
                 .arg(namesOf(code), byteCount(taken), QString::number(fileTotal - fileLeft),
                      QString::number(fileTotal));
    return pos + int(taken);
}

Decoded TrafficDecoder::decodeReceived(const TrafficRecord &record)
{
    const QByteArray &chunk = record.bytes;
    const quint8 armed = pending;
    const Reply reply = decodeReply(chunk, armed);
    pending = reply.pendingCommand;
    const QString previousCut = std::exchange(cutShort, QString());

    Decoded decoded;
    QStringList parts;
    if (reply.touch) {
        parts << QStringLiteral("touch x=%1 y=%2").arg(reply.touch->x).arg(reply.touch->y) +
                     lengthNote(chunk.size(), touchReportLength);
        if (chunk.size() < touchReportLength)
            cutShort = QStringLiteral("the touch report");
    }
    if (reply.pong)
        parts << QStringLiteral("pong") + lengthNote(chunk.size(), pongLength);
    // The reader disarms exactly when it took the chunk as the armed reply.
    if (armed != 0 && reply.pendingCommand == 0) {
        parts << describeAnswer(armed, chunk, reply) + QStringLiteral(" for ") + namesOf(armed);
        decoded.latencyMicros = record.micros - armedAt;
    }
    if (parts.isEmpty())
        parts << unrecognised(chunk, previousCut);
    decoded.meaning = parts.join(QStringLiteral("; "));
    return decoded;
}

QString TrafficDecoder::describeAnswer(quint8 armed, const QByteArray &chunk, const Reply &reply)
{
    const CommandSpec *command = layoutOf(armed);
    const Command id = command ? command->id : Command::Count;
    if (id == Command::SdFileList)
        return textAnswer(QStringLiteral("file list"), reply.listing, armed, chunk);
    if (reply.serialNumber && id == Command::GetVersion)
        return textAnswer(QStringLiteral("version"), *reply.serialNumber, armed, chunk);
    if (reply.serialNumber)
        return QStringLiteral("serial number ") + orEmpty(*reply.serialNumber);
    if (reply.sdResult) {
        const int expected = answerLength(id);
        if (chunk.size() < expected)
            cutShort = replyOf(armed);
        return sdLabel(id) + QLatin1Char(' ') + orEmpty(*reply.sdResult) +
               (expected > 0 ? lengthNote(chunk.size(), expected) : QString());
    }
    return QStringLiteral("reply (%1, not read)").arg(byteCount(chunk.size()));
}

// Text answers end with a zero; without one the rest may be in the next chunk.
QString TrafficDecoder::textAnswer(const QString &label, const QString &text, quint8 armed,
                                   const QByteArray &chunk)
{
    QString answer = label + QLatin1Char(' ') + quoted(text.toUtf8());
    if (!chunk.contains('\0')) {
        cutShort = replyOf(armed);
        answer += QStringLiteral(" (no closing zero)");
    }
    return answer;
}
