#include "script/portlink.h"

#include "commands/portwriter.h"
#include "serial/modulelink.h"
#include "serial/portreconnector.h"

#include <QFileInfo>

namespace script {

PortLink::PortLink(ModuleLink &link, QObject *parent) : QObject(parent), link(link)
{
    scriptRunner = new ScriptRunner(makeLink(), this);
    PortWriter *writer = &link.writer();
    connect(writer, &PortWriter::finished, scriptRunner, [this] { scriptRunner->fileDone({}); });
    connect(writer, &PortWriter::stopped, scriptRunner,
            [this](const QString &, qint64, qint64, const QString &reason) {
                scriptRunner->fileDone(reason);
            });
    connect(&link.port(), &QSerialPort::bytesWritten, scriptRunner, &ScriptRunner::drained);
    connect(&link, &ModuleLink::received, scriptRunner, &ScriptRunner::takeChunk);
    connect(&link, &ModuleLink::lineLost, this, &PortLink::lineGone);
    // A write that fails ends the run too.
    connect(&link, &ModuleLink::writeFailed, this, &PortLink::lineGone);
}

PortLink::~PortLink() = default;

ScriptLink PortLink::makeLink()
{
    // No sendCommand: nothing here needs statements one by one, so the
    // runner hands over its writes gathered, which a pseudo-terminal takes
    // as fast as `cat` would.
    ScriptLink script;
    script.sendRaw = [this](const QByteArray &bytes) { link.sendRaw(bytes); };
    script.sendFile = [this](const Statement &statement, const QByteArray &head,
                             std::unique_ptr<QIODevice> file, qint64 size) {
        link.sendFile(head, std::move(file), size, QFileInfo(statement.filePath).fileName());
        return QString(); // a refusal comes back through PortWriter::stopped
    };
    script.cancelFile = [this] { link.writer().stop(tr("the run was stopped")); };
    script.backlog = [this] { return link.port().bytesToWrite(); };
    return script;
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

// Closing at once stops the stream of errors a hung-up line gives.
void PortLink::lineGone(const QString &reason)
{
    if (!lost.isEmpty() || giveUpTimer.isActive())
        return;
    if (keepSeconds <= 0 || !device.isValid()) {
        giveUp(reason);
        return;
    }
    link.close(); // what is sent meanwhile is lost, as on a pulled cable
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
    link.close();
}

void PortLink::deviceReturned(const QString &portName)
{
    QSerialPort &port = link.port();
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
