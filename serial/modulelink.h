#ifndef MODULELINK_H
#define MODULELINK_H

#include "commands/frames.h"
#include "commands/replypairing.h"
#include "serial/portlookup.h"
#include "traffic/trafficrecord.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>

#include <functional>
#include <memory>

class PortWriter;

// The bench's one line to the module: the port, the writer that queues
// frames behind a file being streamed, and the reply reader's state (which
// command a reply answers, by the one pairing rule, and whether Y goes out
// as a word). The
// window, the script runner and vexelctl all talk to the module through it.
class ModuleLink : public QObject
{
    Q_OBJECT

public:
    // Called with every write as far as the port took it and every chunk
    // read, before anything else sees them: the traffic record.
    using Recorder = std::function<void(Direction, const QByteArray &)>;

    explicit ModuleLink(QObject *parent = nullptr);
    ~ModuleLink() override;

    // Opens `settings.portName` at its rate, 8N1 without flow control.
    bool open(const LineSettings &settings);
    void close();
    bool isOpen() const { return serial.isOpen(); }
    QSerialPort &port() { return serial; }
    const QSerialPort &port() const { return serial; }
    PortWriter &writer() { return *portWriter; }

    void setRecorder(Recorder recorder) { record = std::move(recorder); }

    // Sends one command as its button does: the reader armed when the
    // command expects an answer, then its writes; the mode follows the mode
    // commands. Returns the writes joined, the frame as logged.
    QByteArray sendCommand(Command id, const ArgValues &values = {},
                           const QByteArray &textBytes = {});
    // The same with the writes already made (a script statement's).
    QByteArray sendWrites(Command id, const QByteArrayList &writes);
    // Bytes that arm nothing, queued behind a file being streamed.
    void sendRaw(const QByteArray &bytes);
    // An SD_FILE_WRITE: `head`, then the first `size` bytes of `file`. Arms
    // the reader for the module's answer once the file is in.
    void sendFile(const QByteArray &head, std::unique_ptr<QIODevice> file, qint64 size,
                  const QString &name);

    quint8 armedCommand() const { return pairing.armed(); }
    // Nothing sent before is awaited any more (a reopened line).
    void disarm() { pairing.reset(); }
    bool extendedMode() const { return extended; }
    void setExtendedMode(bool on) { extended = on; }

signals:
    // A write as far as the port took it.
    void sent(const QByteArray &bytes);
    // A chunk from the module, decoded against the armed command, with the
    // command it answers and how long that took.
    void replyDecoded(const Paired &paired);
    // The same chunk, once the reply has been handled.
    void received(const QByteArray &chunk);
    // The far end went away (hang-up, pulled adapter). The port is closed
    // right after, which stops the stream of errors such a line gives.
    void lineLost(const QString &reason);
    // A write failed; the line may still be open.
    void writeFailed(const QString &reason);

private:
    void transmit(const QByteArray &bytes);
    void readChunk();
    void onError(QSerialPort::SerialPortError error);
    qint64 micros() const { return clock.nsecsElapsed() / 1000; }

    QSerialPort serial;
    PortWriter *portWriter;
    Recorder record;
    ReplyPairing pairing;
    QElapsedTimer clock; // monotonic, for the latency of replies
    bool extended = false;
};

#endif // MODULELINK_H
