#ifndef TRAFFICRECORDER_H
#define TRAFFICRECORDER_H

#include "traffic/pcapng.h"
#include "traffic/trafficlog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>

#include <memory>

class PcapngWriter;
class TrafficDecoder;

// Keeps what goes over the wire: each record is timed, decoded in order and
// kept in the bounded log; while a file is being recorded to, it is also
// streamed there at once, without the log's bound.
class TrafficRecorder : public QObject
{
    Q_OBJECT

public:
    explicit TrafficRecorder(QObject *parent = nullptr);
    ~TrafficRecorder() override;

    void record(Direction direction, const QByteArray &bytes);
    // Recording is always on for users; benchmarks pause it to measure the
    // window without it in the same run.
    void setPaused(bool paused) { isPaused = paused; }
    const TrafficLog &log() const { return entries; }
    void clear();
    // A newly opened line starts clean: a file transfer or a reply the old
    // line left unfinished says nothing about the new one.
    void lineOpened();

    // Streams every record from now on to a pcapng file at `path`. Returns
    // why it cannot, or an empty text.
    QString startFile(const QString &path);
    void stopFile();
    bool isRecordingToFile() const { return writer != nullptr; }

signals:
    // One entry was added at the end, after `dropped` were dropped from the front.
    void appended(int dropped);
    void cleared();
    // Recording to the file stopped on an error (a full disk, a pulled stick).
    void fileFailed(const QString &error);

private:
    qint64 now() const;

    TrafficLog entries;
    std::unique_ptr<TrafficDecoder> decoder;
    QElapsedTimer clock;
    QFile file;
    std::unique_ptr<PcapngWriter> writer;
    bool isPaused = false;
};

// A capture's records as the bench saw them: a simulator's capture, made
// from the module's side, is turned round. The reading's problem, if any,
// comes with the records read before it.
CaptureReading readBenchCapture(const QString &path);

// Reads a capture into `log`, decoded as the recorder decodes; returns the
// reading's one-line problem, if any (the records before it are kept).
QString loadCapture(const QString &path, TrafficLog &log);

#endif // TRAFFICRECORDER_H
