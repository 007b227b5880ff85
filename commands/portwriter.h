#ifndef PORTWRITER_H
#define PORTWRITER_H

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

// Hands frames to the port in the order they were sent. A file for the SD
// card is streamed in blocks as the port drains instead of being loaded
// whole; frames sent meanwhile wait behind its last byte, so the bytes on
// the wire are the same as if the file had been written in one go.
class PortWriter : public QObject
{
    Q_OBJECT

public:
    using Transmit = std::function<void(const QByteArray &)>;

    // `port` is watched for progress; every byte goes out through `transmit`.
    PortWriter(QIODevice *port, Transmit transmit, QObject *parent = nullptr);
    ~PortWriter() override;

    void send(const QByteArray &frame);
    // Sends `head`, then the first `size` bytes of `file` (open for reading).
    void sendFile(const QByteArray &head, std::unique_ptr<QIODevice> file, qint64 size,
                  const QString &name);
    // Gives up on the file being streamed, e.g. after a port error.
    void stop(const QString &reason);

    bool isStreaming() const { return current.has_value(); }

signals:
    // `sent` counts the file's bytes that have left the port's buffer.
    void progress(const QString &name, qint64 sent, qint64 total);
    void finished(const QString &name, qint64 total);
    void stopped(const QString &name, qint64 sent, qint64 total, const QString &reason);

private:
    struct Job
    {
        QByteArray bytes; // a frame, or the head of a file
        std::unique_ptr<QIODevice> file;
        qint64 size = 0;
        QString name;
    };

    void start(Job job);
    void topUp();
    void onBytesWritten();
    void onPortClosing();
    void finish();
    void sendQueued();
    qint64 bytesGone() const;

    QIODevice *port;
    Transmit transmit;
    std::deque<Job> waiting;
    std::optional<Job> current; // the file being streamed
    qint64 fed = 0;             // bytes of the current file handed to the port
};

#endif // PORTWRITER_H
