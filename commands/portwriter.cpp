#include "commands/portwriter.h"

#include <QIODevice>

namespace {
// Enough to keep a fast line busy between two bytesWritten signals without
// holding much of the file in memory.
constexpr qint64 blockSize = 16 * 1024;
constexpr qint64 lowWater = 32 * 1024;
} // namespace

PortWriter::PortWriter(QIODevice *port, Transmit transmit, QObject *parent)
    : QObject(parent), port(port), transmit(std::move(transmit))
{
    connect(port, &QIODevice::bytesWritten, this, &PortWriter::onBytesWritten);
    connect(port, &QIODevice::aboutToClose, this, &PortWriter::onPortClosing);
}

PortWriter::~PortWriter() = default;

void PortWriter::send(const QByteArray &frame)
{
    if (isStreaming())
        waiting.push_back(Job{frame, nullptr, 0, {}});
    else
        transmit(frame);
}

void PortWriter::sendFile(const QByteArray &head, std::unique_ptr<QIODevice> file, qint64 size,
                          const QString &name)
{
    Job job{head, std::move(file), size, name};
    if (isStreaming())
        waiting.push_back(std::move(job));
    else
        start(std::move(job));
}

void PortWriter::start(Job job)
{
    if (!port->isOpen()) {
        emit stopped(job.name, 0, job.size, tr("the port is not open"));
        return;
    }
    current = std::move(job);
    fed = 0;
    transmit(current->bytes);
    topUp();
}

void PortWriter::topUp()
{
    while (current && fed < current->size && port->bytesToWrite() < lowWater) {
        const QByteArray block = current->file->read(qMin(blockSize, current->size - fed));
        if (block.isEmpty()) {
            const QString error = current->file->errorString();
            stop(current->file->atEnd() ? tr("the file got shorter while it was being sent")
                                        : error);
            return;
        }
        transmit(block);
        fed += block.size();
    }
}

// Everything handed to the port since the head sits in its buffer in order,
// so what is left of the file is the tail of that buffer.
qint64 PortWriter::bytesGone() const
{
    return qMax<qint64>(0, fed - port->bytesToWrite());
}

void PortWriter::onBytesWritten()
{
    if (!current)
        return;
    topUp();
    if (!current)
        return;
    emit progress(current->name, bytesGone(), current->size);
    if (fed == current->size && port->bytesToWrite() == 0)
        finish();
}

void PortWriter::finish()
{
    const Job done = std::move(*current);
    current.reset();
    emit finished(done.name, done.size);
    sendQueued();
}

void PortWriter::stop(const QString &reason)
{
    if (!current)
        return;
    const qint64 sent = bytesGone();
    const Job dropped = std::move(*current);
    current.reset();
    emit stopped(dropped.name, sent, dropped.size, reason);
    sendQueued();
}

// Frames written to a closing port would be lost anyway; dropping them keeps
// them from surfacing when the port is opened again.
void PortWriter::onPortClosing()
{
    if (!current)
        return;
    waiting.clear();
    stop(tr("the port was closed"));
}

void PortWriter::sendQueued()
{
    while (!waiting.empty() && !isStreaming()) {
        Job job = std::move(waiting.front());
        waiting.pop_front();
        if (job.file)
            start(std::move(job));
        else
            transmit(job.bytes);
    }
}
