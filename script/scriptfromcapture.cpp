#include "script/scriptfromcapture.h"

#include "commands/frames.h"
#include "script/statementtext.h"

#include <QStringList>

#include <optional>

namespace script {

namespace {

// Commands that share a code send the same bytes, so the first one of the
// table names them (getSerial before resetVEXEL).
const CommandSpec *commandOfCode(quint8 code)
{
    for (const CommandSpec &command : allCommands()) {
        if (command.code == code)
            return &command;
    }
    return nullptr;
}

qint64 fieldValue(const QByteArray &bytes, int pos, Arg arg, int width)
{
    const bool lowFirst = arg == Arg::ColorWord || arg == Arg::Count32;
    qint64 value = 0;
    for (int i = 0; i < width; ++i) {
        const qint64 byte = quint8(bytes.at(pos + i));
        value = lowFirst ? value | (byte << (8 * i)) : (value << 8) | byte;
    }
    return value;
}

struct Frame
{
    int length = 0;   // code, fields, text and its zero
    ArgValues values; // angles in degrees
    QByteArray text;  // without its zero
    bool wholeDegrees = true;
};

// Turns sent and received records into script lines, in the order they happened.
class CaptureScript
{
public:
    void add(const TrafficRecord &record);
    QStringList finish();

private:
    void addSent(const QByteArray &bytes);
    void readFrames();
    std::optional<Frame> readFrame(const CommandSpec &command, int pos);
    void writeFrame(const CommandSpec &command, const Frame &frame, const QByteArray &bytes);
    void sendLines(const QByteArray &bytes);
    void flushUnknown();
    void flushReceived(QByteArray &chunks);

    QStringList lines;
    QByteArray pending;  // sent bytes not read yet: the start of an unfinished frame
    int searchedTo = 0;  // how far into `pending` its text's zero has been looked for
    QByteArray unknown;  // bytes of no command, gathered into send lines
    QByteArray received; // chunks received since the last sent frame
    QByteArray held;     // chunks received while a frame was only partly sent
    bool extended = false;
    qint64 fileLeft = 0; // file data still to come behind an SD_FILE_WRITE head
};

void CaptureScript::add(const TrafficRecord &record)
{
    if (record.direction == Direction::Sent) {
        addSent(record.bytes);
    } else if (pending.isEmpty()) {
        flushUnknown();
        received += record.bytes;
    } else {
        held += record.bytes;
    }
}

void CaptureScript::addSent(const QByteArray &bytes)
{
    if (pending.isEmpty())
        flushReceived(received);
    pending += bytes;
    readFrames();
}

void CaptureScript::readFrames()
{
    int pos = 0;
    while (pos < pending.size()) {
        if (fileLeft > 0) {
            const int taken = int(qMin<qint64>(fileLeft, pending.size() - pos));
            flushUnknown();
            sendLines(pending.mid(pos, taken));
            fileLeft -= taken;
            pos += taken;
            continue;
        }
        const CommandSpec *command = commandOfCode(quint8(pending.at(pos)));
        if (!command) {
            unknown += pending.at(pos++);
            if (unknown.size() == sendLineBytes)
                flushUnknown();
            continue;
        }
        const std::optional<Frame> frame = readFrame(*command, pos);
        if (!frame)
            break;
        flushUnknown();
        writeFrame(*command, *frame, pending.mid(pos, frame->length));
        pos += frame->length;
        searchedTo = 0;
        // What came in while this frame went out belongs right after it.
        flushReceived(held);
    }
    pending.remove(0, pos);
    searchedTo = qMax(0, searchedTo - pos);
}

// The frame that starts at `pos`, or nothing while its bytes are still to come.
std::optional<Frame> CaptureScript::readFrame(const CommandSpec &command, int pos)
{
    Frame frame;
    int at = pos + 1;
    for (std::size_t i = 0; i < argCount(command); ++i) {
        const Arg arg = command.args[i];
        if (arg == Arg::Text) {
            const int zero = pending.indexOf('\0', qMax(at, searchedTo));
            if (zero < 0) {
                searchedTo = pending.size();
                return std::nullopt;
            }
            frame.text = pending.mid(at, zero - at);
            at = zero + 1;
            break;
        }
        const int width = argWidth(arg, extended);
        if (at + width > pending.size())
            return std::nullopt;
        qint64 value = fieldValue(pending, at, arg, width);
        if (arg == Arg::Angle) {
            const std::optional<qint64> degrees = degreesOfTurnUnits(quint32(value));
            frame.wholeDegrees = frame.wholeDegrees && degrees.has_value();
            value = degrees.value_or(0);
        }
        frame.values << value;
        at += width;
    }
    frame.length = at - pos;
    return frame;
}

void CaptureScript::writeFrame(const CommandSpec &command, const Frame &frame,
                               const QByteArray &bytes)
{
    const QString name = QLatin1String(command.name);
    if (command.id == Command::SdFileWrite) {
        // A script names the local file rather than its size, so the head
        // and the data go out as they were.
        lines << QStringLiteral("# %1 to file %2: the head of %3 bytes of file data")
                     .arg(name)
                     .arg(frame.values.value(0))
                     .arg(frame.values.value(1));
        sendLines(bytes);
        fileLeft = frame.values.value(1);
    } else if (!frame.wholeDegrees) {
        lines << QStringLiteral("# %1 with an angle of no whole degree").arg(name);
        sendLines(bytes);
    } else {
        lines << statementText(command.id, frame.values, frame.text, extended);
    }
    if (command.id == Command::ExtendedMode || command.id == Command::StandardMode)
        extended = command.id == Command::ExtendedMode;
}

void CaptureScript::sendLines(const QByteArray &bytes)
{
    for (int i = 0; i < bytes.size(); i += sendLineBytes)
        lines << sendText(bytes.mid(i, sendLineBytes));
}

void CaptureScript::flushUnknown()
{
    sendLines(unknown);
    unknown.clear();
}

void CaptureScript::flushReceived(QByteArray &chunks)
{
    if (!chunks.isEmpty())
        lines << expectText(chunks);
    chunks.clear();
}

QStringList CaptureScript::finish()
{
    // A frame cut off at the end goes out as far as it got.
    flushUnknown();
    sendLines(pending);
    pending.clear();
    flushReceived(held);
    flushReceived(received);
    return lines;
}

} // namespace

QString scriptFromRecords(const QVector<TrafficRecord> &records, const QString &origin)
{
    qint64 sent = 0;
    qint64 received = 0;
    CaptureScript script;
    for (const TrafficRecord &record : records) {
        (record.direction == Direction::Sent ? sent : received) += record.bytes.size();
        script.add(record);
    }
    QStringList lines{
        QStringLiteral("# Script from %1: %2 records, %3 bytes sent, %4 bytes received")
            // simplified(): a name with a line break must not end the comment
            .arg(origin.isEmpty() ? QStringLiteral("a traffic record") : origin.simplified())
            .arg(records.size())
            .arg(sent)
            .arg(received),
        QStringLiteral("# 0xFD reads as getSerial; resetVEXEL sends the same byte"),
    };
    lines += script.finish();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace script
