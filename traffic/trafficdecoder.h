#ifndef TRAFFICDECODER_H
#define TRAFFICDECODER_H

#include "commands/commandset.h"
#include "commands/replypairing.h"
#include "traffic/trafficrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// "3f 01": every byte in two lower-case hex digits.
QString hexText(const QByteArray &bytes);
// Printable ASCII as is, every other byte as '.'.
QString asciiText(const QByteArray &bytes);
// Every command name of the table, in table order.
QStringList commandNames();
// The labels a decoded frame gives the arguments of `id` before its text, in
// table order.
QStringList argumentLabels(Command id);

// Reads the records of one session in order, keeping what the bench keeps
// while it talks to the module: the armed reply, standard or extended mode,
// and a frame or file that goes on in the next write.
//
// Sent frames read as `SetXHY x=10 y=20`, `printString "Hi\x0a"`,
// `SetColorH color=#ff0000 (0xF800)`, `arcH radius=50 from=90° to=180°`;
// several frames in one write are joined with "; ". Received chunks read as
// the reply reader understood them, e.g. `SD open OK for SD_FILE_OPEN`,
// `touch x=261 y=144` or `unrecognised 5 bytes`, paired with the commands
// they answer by ReplyPairing's rule.
class TrafficDecoder
{
public:
    // What one record means, in words.
    struct Decoded
    {
        QString meaning;
        // For a received chunk that answers a command (the armed one, or a
        // ping by its pong): microseconds since that command's last byte was
        // written.
        qint64 latencyMicros = -1;
    };

    Decoded decode(const TrafficRecord &record);
    // Forgets everything, as at the start of a session.
    void reset();
    // A line opened afresh: a file or text left unfinished on the old line
    // is over, but the mode and the armed command stay, as they do in the
    // bench itself.
    void lineReset();

    // The code the bench's reply reader would now read replies against.
    quint8 pendingCommand() const { return pairing.armed(); }
    bool extendedMode() const { return extended; }

private:
    // A frame whose text has not reached its closing zero yet.
    struct OpenText
    {
        quint8 code = 0;
        QStringList args; // the arguments before the text, described
        QByteArray shown; // the text so far, up to a limit
        qint64 total = 0; // its length so far
    };

    QString decodeSent(const TrafficRecord &record);
    Decoded decodeReceived(const TrafficRecord &record);
    int readFrame(const QByteArray &bytes, int pos, qint64 micros, QStringList &parts);
    void addText(const QByteArray &text, bool closed, QStringList &parts);
    int readFileData(const QByteArray &bytes, int pos, qint64 micros, QStringList &parts);
    QString describeAnswer(quint8 armed, const QByteArray &chunk, const Reply &reply);
    QString textAnswer(const QString &label, const QString &text, quint8 armed,
                       const QByteArray &chunk);

    ReplyPairing pairing;
    bool extended = false;
    std::optional<OpenText> openText;
    qint64 fileTotal = 0; // size announced by the last SD_FILE_WRITE head
    qint64 fileLeft = 0;  // its bytes still to come
    QString cutShort;     // what the last chunk seemed to hold only the start of
};

using Decoded = TrafficDecoder::Decoded;

#endif // TRAFFICDECODER_H
