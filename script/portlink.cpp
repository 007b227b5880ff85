#include "script/portlink.h"

#include "commands/portwriter.h"
#include "serial/portlookup.h"
#include "serial/portreconnector.h"

#include <QFileInfo>

namespace script {

PortLink::PortLink(QSerialPort &port, Record record, QObject *parent)
    : QObject(parent), port(port), record(std::move(record))
{
    writer = new PortWriter(
        &port, [this](const QByteArray &bytes) { transmit(bytes); }, this);
    scriptRunner = new ScriptRunner(makeLink(), this);
    connect(writer, &PortWriter::finished, scriptRunner, [this] { scriptRunner->fileDone({}); });
    connect(writer, &PortWriter::stopped, scriptRunner,
            [this](const QString &, qint64, qint64, const QString &reason) {
                scriptRunner->fileDone(reason);
            });
    connect(&port, &QSerialPort::bytesWritten, scriptRunner, &ScriptRunner::drained);
    connect(&port, &QSerialPort::readyRead, this, &PortLink::readChunk);
    connect(&port, &QSerialPort::errorOccurred, this, &PortLink::onError);
}

PortLink::~PortLink() = default;

ScriptLink PortLink::makeLink()
{
    // No sendCommand: nothing here needs statements one by one, so the
    // runner hands over its writes gathered, which a pseudo-terminal takes
    // as fast as `cat` would.
    ScriptLink link;
    link.sendRaw = [this](const QByteArray &bytes) { writer->send(bytes); };
    link.sendFile = [this](const Statement &statement, const QByteArray &head,
                           std::unique_ptr<QIODevice> file, qint64 size) {
        writer->sendFile(head, std::move(file), size, QFileInfo(statement.filePath).fileName());
        return QString(); // a refusal comes back through PortWriter::stopped
    };
    link.cancelFile = [this] { writer->stop(tr("the run was stopped")); };
    link.backlog = [this] { return port.bytesToWrite(); };
    return link;
}

void PortLink::transmit(const QByteArray &bytes)
{
    const qint64 taken = port.write(bytes);
    if (record && taken > 0)
        record(Direction::Sent, taken == bytes.size() ? bytes : bytes.left(int(taken)));
}

void PortLink::readChunk()
{
    const QByteArray chunk = port.readAll();
    if (chunk.isEmpty())
        return;
    if (record)
        record(Direction::Received, chunk);
    scriptRunner->takeChunk(chunk);
}

void PortLink::keepLine(const QString &portName, int seconds,
                        std::function<void(const QString &)> noteLine)
{
    keepSeconds = seconds;
    note = std::move(noteLine);
    device = identityOfPort(portName);
    if (!reconnector) {
        reconnector = new PortReconnector(this);
        connect(reconnector, &PortReconnector::returned, this, &PortLink::deviceReturned);
        giveUpTimer.setSingleShot(true);
        connect(&giveUpTimer, &QTimer::timeout, this, [this] {
            reconnector->stop();
            giveUp(tr("the far end hung up and did not come back within %1 s").arg(keepSeconds));
        });
    }
}

// As in the window, and a write that fails ends the run too; closing at
// once stops the stream of errors a hung-up line gives.
void PortLink::onError(QSerialPort::SerialPortError error)
{
    const bool gone = error == QSerialPort::WriteError || lineWentAway(port, error);
    if (!gone || !lost.isEmpty() || giveUpTimer.isActive())
        return;
    // A hung-up line leaves the library a stale error text ("Inappropriate
    // ioctl for device"); the plain fact reads better.
    const QString reason =
        error == QSerialPort::ReadError ? tr("the far end hung up") : port.errorString();
    if (keepSeconds <= 0 || !device.isValid()) {
        giveUp(reason);
        return;
    }
    port.close(); // what is sent meanwhile is lost, as on a pulled cable
    note(tr("%1; waiting up to %2 s for %3 to come back")
             .arg(reason)
             .arg(keepSeconds)
             .arg(device.describe()));
    giveUpTimer.start(keepSeconds * 1000);
    reconnector->watchFor(device);
}

void PortLink::giveUp(const QString &reason)
{
    lost = reason;
    // The run ends first, so it names the line rather than the file that
    // closing cuts short.
    scriptRunner->lineLost(lost);
    port.close();
}

void PortLink::deviceReturned(const QString &portName)
{
    port.setPortName(portName);
    // The port keeps its rate and framing; they apply again on opening.
    if (!port.open(QIODevice::ReadWrite)) {
        reconnector->watchFor(device); // not ready yet: look again
        return;
    }
    giveUpTimer.stop();
    note(tr("reconnected to %1").arg(portName));
}

} // namespace script
