#include "traffic/trafficdecoder.h"

#include "commands/colors.h"
#include "commands/framereader.h"
#include "commands/frames.h"

#include <utility>

namespace {

// Text beyond this is counted, not shown: an unterminated text would
// otherwise swallow every later write into one ever longer line.
constexpr int shownTextLimit = 256;

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

QString orEmpty(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("(empty)") : text;
}

QStringList describedArgs(const CommandSpec &command, const QVector<quint32> &values)
{
    QStringList args;
    for (int i = 0; i < values.size(); ++i)
        args << labelled(QLatin1String(command.labels[i]), argText(command.args[i], values[i]));
    return args;
}

// The byte count of a head that announces data to follow it.
qint64 announcedCount(const CommandSpec &command, const QVector<quint32> &values)
{
    for (int i = 0; i < values.size(); ++i) {
        if (command.args[i] == Arg::Count32)
            return values[i];
    }
    return 0;
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

QString TrafficDecoder::decodeSent(const TrafficRecord &record)
{
    const QByteArray &bytes = record.bytes;
    if (bytes.isEmpty())
        return QStringLiteral("empty write");
    QStringList parts;
    int pos = 0;
    if (openText) {
        const TextRun text = readText(bytes, 0);
        pairing.continued(openText->code, record.micros);
        addText(text.bytes, text.closed, parts);
        pos = text.end;
    }
    while (pos < bytes.size()) {
        pos = fileLeft > 0 ? readFileData(bytes, pos, record.micros, parts)
                           : readFrame(bytes, pos, record.micros, parts);
    }
    return parts.join(QStringLiteral("; "));
}

int TrafficDecoder::readFrame(const QByteArray &bytes, int pos, qint64 micros, QStringList &parts)
{
    const SentFrame frame = readSentFrame(bytes, pos, extended);
    if (!frame.command)
        return unknownCode(bytes, pos, parts);
    const CommandSpec &command = *frame.command;
    pairing.sent(command.code, micros);
    const QStringList args = describedArgs(command, frame.values);
    if (frame.cut == SentFrame::Cut::Head) {
        parts << frameText(command.code, args) + QStringLiteral(" (short frame: %1 of %2 bytes)")
                                                     .arg(bytes.size() - pos)
                                                     .arg(headLength(command, extended));
        return frame.end;
    }

    // The bench switches its Y width when it sends the mode command, whatever
    // the module answers.
    if (command.id == Command::ExtendedMode || command.id == Command::StandardMode)
        extended = command.id == Command::ExtendedMode;
    if (carriesText(command)) {
        openText = OpenText{command.code, args, {}, 0};
        addText(frame.text, frame.cut == SentFrame::Cut::None, parts);
        return frame.end;
    }
    parts << frameText(command.code, args);
    if (command.id == Command::SdFileWrite)
        fileLeft = fileTotal = announcedCount(command, frame.values);
    return frame.end;
}

void TrafficDecoder::addText(const QByteArray &text, bool closed, QStringList &parts)
{
    OpenText &open = *openText;
    open.shown += text.left(qMax(0, shownTextLimit - open.shown.size()));
    open.total += text.size();

    QStringList args = open.args;
    if (open.total > 0 || closed) {
        const bool cut = open.total > open.shown.size();
        args << quoted(open.shown) +
                    (cut ? QStringLiteral("... (%1)").arg(byteCount(open.total)) : QString());
    }
    if (closed) {
        parts << frameText(open.code, args);
        openText.reset();
        return;
    }
    const QString state =
        open.total > 0 ? QStringLiteral(" (text continues)") : QStringLiteral(" (text follows)");
    parts << frameText(open.code, args) + state;
}

int TrafficDecoder::readFileData(const QByteArray &bytes, int pos, qint64 micros,
                                 QStringList &parts)
{
    const quint8 code = codeOf(Command::SdFileWrite);
    const qint64 taken = qMin<qint64>(fileLeft, bytes.size() - pos);
    fileLeft -= taken;
    // The module answers once the whole file is in, so its reply is timed
    // from the file's last byte rather than from the head.
    pairing.continued(code, micros);
    parts << QStringLiteral("%1 data %2 (%3 of %4)")
                 .arg(namesOf(code), byteCount(taken), QString::number(fileTotal - fileLeft),
                      QString::number(fileTotal));
    return pos + int(taken);
}

Decoded TrafficDecoder::decodeReceived(const TrafficRecord &record)
{
    const QByteArray &chunk = record.bytes;
    const Paired paired = pairing.received(chunk, record.micros);
    const Reply &reply = paired.reply;
    const QString previousCut = std::exchange(cutShort, QString());

    QStringList parts;
    if (reply.touch) {
        parts << QStringLiteral("touch x=%1 y=%2").arg(reply.touch->x).arg(reply.touch->y) +
                     lengthNote(chunk.size(), touchReportLength);
        if (chunk.size() < touchReportLength)
            cutShort = QStringLiteral("the touch report");
    }
    if (reply.pong)
        parts << QStringLiteral("pong") + lengthNote(chunk.size(), pongLength);
    if (paired.answers == Paired::Answers::Armed)
        parts << describeAnswer(paired.code, chunk, reply) + QStringLiteral(" for ") +
                     namesOf(paired.code);
    if (parts.isEmpty())
        parts << unrecognised(chunk, previousCut);
    return {parts.join(QStringLiteral("; ")), paired.latencyMicros};
}

QString TrafficDecoder::describeAnswer(quint8 armed, const QByteArray &chunk, const Reply &reply)
{
    const AnswerSpec answer = answerToCode(armed);
    const QString label = QLatin1String(answer.label);
    switch (answer.kind) {
    case AnswerKind::Listing:
        return textAnswer(label, reply.listing, armed, chunk);
    case AnswerKind::Version:
        return textAnswer(label, reply.serialNumber.value_or(QString()), armed, chunk);
    case AnswerKind::SerialHex:
        return label + QLatin1Char(' ') + orEmpty(reply.serialNumber.value_or(QString()));
    default:
        break;
    }
    if (!reply.sdResult)
        return QStringLiteral("reply (%1, not read)").arg(byteCount(chunk.size()));
    if (chunk.size() < answer.length)
        cutShort = replyOf(armed);
    return label + QLatin1Char(' ') + orEmpty(*reply.sdResult) +
           (answer.length > 0 ? lengthNote(chunk.size(), answer.length) : QString());
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
