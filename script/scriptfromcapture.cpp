#include "script/scriptfromcapture.h"

#include "commands/framereader.h"
#include "commands/frames.h"
#include "script/statementtext.h"

#include <QStringList>

#include <optional>

namespace script {

namespace {

// A statement's values from a frame's: angles back in degrees, or nothing
// when an angle is no whole degree, which no statement can write.
std::optional<ArgValues> statementValues(const CommandSpec &command, const QVector<quint32> &wire)
{
    ArgValues values;
    for (int i = 0; i < wire.size(); ++i) {
        qint64 value = wire[i];
        if (command.args[i] == Arg::Angle) {
            const std::optional<qint64> degrees = degreesOfTurnUnits(wire[i]);
            if (!degrees)
                return std::nullopt;
            value = *degrees;
        }
        values << value;
    }
    return values;
}

// Turns sent and received records into script lines, in the order they happened.
class CaptureScript
{
public:
    void add(const TrafficRecord &record);
    QStringList finish();

private:
    void addSent(const QByteArray &bytes);
    void readFrames();
    bool textStillOpen();
    void writeFrame(const SentFrame &frame, const QByteArray &bytes);
    void sendLines(const QByteArray &bytes);
    void flushUnknown();
    void flushReceived(QByteArray &chunks);

    QStringList lines;
    QByteArray pending;  // sent bytes not read yet: the start of an unfinished frame
    int searchedTo = 0;  // how far into `pending` an open text's zero has been looked for
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
        if (textStillOpen())
            break;
        const SentFrame frame = readSentFrame(pending, pos, extended);
        if (!frame.command) {
            unknown += pending.at(pos++);
            if (unknown.size() == sendLineBytes)
                flushUnknown();
            continue;
        }
        if (frame.cut != SentFrame::Cut::None) {
            if (frame.cut == SentFrame::Cut::Text)
                searchedTo = pending.size();
            break;
        }
        flushUnknown();
        writeFrame(frame, pending.mid(pos, frame.end - pos));
        pos = frame.end;
        searchedTo = 0;
        // What came in while this frame went out belongs right after it.
        flushReceived(held);
    }
    pending.remove(0, pos);
    searchedTo = qMax(0, searchedTo - pos);
}

// A long text arriving in many writes is looked through for its zero once,
// not again from its start with every write.
bool CaptureScript::textStillOpen()
{
    if (searchedTo == 0 || pending.indexOf('\0', searchedTo) >= 0)
        return false;
    searchedTo = pending.size();
    return true;
}

void CaptureScript::writeFrame(const SentFrame &frame, const QByteArray &bytes)
{
    const CommandSpec &command = *frame.command;
    const QString name = QLatin1String(command.name);
    const std::optional<ArgValues> values = statementValues(command, frame.values);
    if (command.id == Command::SdFileWrite) {
        // A script names the local file rather than its size, so the head
        // and the data go out as they were.
        lines << QStringLiteral("# %1 to file %2: the head of %3 bytes of file data")
                     .arg(name)
                     .arg(frame.values.value(0))
                     .arg(frame.values.value(1));
        sendLines(bytes);
        fileLeft = frame.values.value(1);
    } else if (!values) {
        lines << QStringLiteral("# %1 with an angle of no whole degree").arg(name);
        sendLines(bytes);
    } else {
        lines << statementText(command.id, *values, frame.text, extended);
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
