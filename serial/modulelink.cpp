#include "serial/modulelink.h"

#include "commands/portwriter.h"

ModuleLink::ModuleLink(QObject *parent)
    : QObject(parent), portWriter(new PortWriter(
                           &serial, [this](const QByteArray &bytes) { transmit(bytes); }, this))
{
    setObjectName(QStringLiteral("moduleLink"));
    clock.start();
    // A file's answer is timed from its last byte.
    connect(portWriter, &PortWriter::finished, this,
            [this] { pairing.continued(codeOf(Command::SdFileWrite), micros()); });
    connect(&serial, &QSerialPort::readyRead, this, &ModuleLink::readChunk);
    connect(&serial, &QSerialPort::errorOccurred, this, &ModuleLink::onError);
}

ModuleLink::~ModuleLink()
{
    // Closing emits aboutToClose; nobody outside may hear it from a link
    // that is half torn down.
    serial.disconnect();
    serial.close();
}

bool ModuleLink::open(const LineSettings &settings)
{
    serial.setPortName(settings.portName);
    serial.setBaudRate(qint32(settings.baudRate), QSerialPort::AllDirections);
    serial.setDataBits(QSerialPort::Data8);
    serial.setParity(QSerialPort::NoParity);
    serial.setStopBits(QSerialPort::OneStop);
    serial.setFlowControl(QSerialPort::NoFlowControl);
    return serial.open(QIODevice::ReadWrite);
}

void ModuleLink::close()
{
    serial.close();
}

QByteArray ModuleLink::sendCommand(Command id, const ArgValues &values, const QByteArray &textBytes)
{
    return sendWrites(id, commandWritesOfBytes(id, values, textBytes, extended));
}

QByteArray ModuleLink::sendWrites(Command id, const QByteArrayList &writes)
{
    pairing.sent(id, micros());
    for (const QByteArray &bytes : writes)
        portWriter->send(bytes);
    // The bench sends in the new mode from here on, whatever the module says.
    if (id == Command::ExtendedMode || id == Command::StandardMode)
        extended = id == Command::ExtendedMode;
    return writes.join();
}

void ModuleLink::sendRaw(const QByteArray &bytes)
{
    portWriter->send(bytes);
}

void ModuleLink::sendFile(const QByteArray &head, std::unique_ptr<QIODevice> file, qint64 size,
                          const QString &name)
{
    pairing.sent(Command::SdFileWrite, micros());
    portWriter->sendFile(head, std::move(file), size, name);
}

void ModuleLink::transmit(const QByteArray &bytes)
{
    // Recorded while the port is open, as far as it took the bytes.
    const qint64 taken = serial.write(bytes.constData(), bytes.size());
    if (!serial.isOpen() || taken <= 0)
        return;
    const QByteArray gone = taken == bytes.size() ? bytes : bytes.left(int(taken));
    if (record)
        record(Direction::Sent, gone);
    emit sent(gone);
}

void ModuleLink::readChunk()
{
    const QByteArray chunk = serial.readAll();
    if (chunk.isEmpty())
        return;
    if (record)
        record(Direction::Received, chunk);
    emit replyDecoded(pairing.received(chunk, micros()));
    emit received(chunk);
}

void ModuleLink::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::WriteError) {
        // A write error may leave the port open with bytes that never drain.
        // Whoever ends a run over it hears first, so the run names the line
        // rather than the file this cuts short.
        const QString reason = serial.errorString();
        emit writeFailed(reason);
        portWriter->stop(reason);
        return;
    }
    if (!lineWentAway(serial, error))
        return;
    // A hung-up line leaves the library a stale error text ("Inappropriate
    // ioctl for device"); the plain fact reads better.
    const QString reason =
        error == QSerialPort::ReadError ? tr("the far end hung up") : serial.errorString();
    emit lineLost(reason);
    serial.close();
}
