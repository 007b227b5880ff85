#include "traffic/trafficrecorder.h"

#include "traffic/pcapng.h"
#include "traffic/trafficdecoder.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

qint64 wallMicrosNow()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

} // namespace

TrafficRecorder::TrafficRecorder(QObject *parent)
    : QObject(parent), decoder(std::make_unique<TrafficDecoder>())
{
    clear();
}

TrafficRecorder::~TrafficRecorder() = default;

qint64 TrafficRecorder::now() const
{
    return clock.nsecsElapsed() / 1000;
}

void TrafficRecorder::record(Direction direction, const QByteArray &bytes)
{
    if (isPaused)
        return;
    TrafficEntry entry;
    entry.record = {direction, now(), bytes};
    const TrafficDecoder::Decoded decoded = decoder->decode(entry.record);
    entry.meaning = decoded.meaning;
    entry.latencyMicros = decoded.latencyMicros;
    if (writer) {
        if (!writer->write(entry.record, entries.startWallMicros()) || !file.flush()) {
            const QString error =
                QStringLiteral("Recording to %1 stopped: %2")
                    .arg(QFileInfo(file.fileName()).fileName(), file.errorString());
            stopFile();
            emit fileFailed(error);
        }
    }
    emit appended(entries.append(std::move(entry)));
}

void TrafficRecorder::clear()
{
    // The decoder follows the bench, whose mode and armed command a cleared
    // view does not change.
    entries.clear();
    entries.setStartWallMicros(wallMicrosNow());
    clock.start();
    emit cleared();
}

QString TrafficRecorder::startFile(const QString &path)
{
    stopFile();
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("Cannot record to %1: %2")
            .arg(QFileInfo(path).fileName(), file.errorString());
    writer = std::make_unique<PcapngWriter>(&file);
    if (!writer->begin() || !file.flush()) {
        const QString error = QStringLiteral("Cannot record to %1: %2")
                                  .arg(QFileInfo(path).fileName(), file.errorString());
        stopFile();
        return error;
    }
    return QString();
}

void TrafficRecorder::lineOpened()
{
    decoder->lineReset();
}

void TrafficRecorder::stopFile()
{
    writer.reset();
    if (file.isOpen())
        file.close();
}

CaptureReading readBenchCapture(const QString &path)
{
    CaptureReading reading = readCaptureFile(path);
    // The simulator records from the module's side of the line, where the
    // bench's frames come in: turned round, its captures read like the bench's.
    if (reading.application.startsWith(QLatin1String("vexelsim"))) {
        for (TrafficRecord &record : reading.records)
            record.direction =
                record.direction == Direction::Sent ? Direction::Received : Direction::Sent;
    }
    return reading;
}

QString loadCapture(const QString &path, TrafficLog &log)
{
    const CaptureReading reading = readBenchCapture(path);
    log.clear();
    log.setStartWallMicros(reading.startWallMicros);
    TrafficDecoder decoder;
    for (const TrafficRecord &record : reading.records) {
        TrafficEntry entry;
        entry.record = record;
        const TrafficDecoder::Decoded decoded = decoder.decode(record);
        entry.meaning = decoded.meaning;
        entry.latencyMicros = decoded.latencyMicros;
        log.append(std::move(entry));
    }
    return reading.error;
}
