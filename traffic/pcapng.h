#ifndef PCAPNG_H
#define PCAPNG_H

#include "traffic/trafficrecord.h"

#include <QString>
#include <QVector>

class QIODevice;
class TrafficLog;

// Captures are pcapng files that Wireshark, tshark and text2pcap read and
// write: one interface of the first link type set aside for private use, the
// bytes of each record as one packet and its direction in the packet's flags.
namespace Pcapng {
constexpr quint16 linkTypeUser0 = 147;
// Larger files are refused before anything is read: the log keeps far less.
constexpr qint64 maxFileBytes = qint64(1) << 30;
// Wireshark refuses a whole file over one packet longer than 256 KiB, and a
// flood can hand the bench larger chunks: longer records are written as
// several packets of this many bytes, with the same time.
constexpr int maxPacketBytes = 64 * 1024;
} // namespace Pcapng

// Writes a capture block by block. Each block goes to the device in one
// write, so a file that is flushed after each block is a valid capture at
// every block boundary, even while it is still being recorded.
class PcapngWriter
{
public:
    // Like QDataStream, on a device that stays the caller's and outlives it.
    explicit PcapngWriter(QIODevice *device) : device(device) {}

    // The section header and the one interface.
    bool begin();
    // One packet stamped `startWallMicros` + `record.micros`.
    bool write(const TrafficRecord &record, qint64 startWallMicros);
    // Why the last write failed, mostly as the device put it.
    QString error() const { return problem; }

private:
    bool put(const QByteArray &block);

    QIODevice *device;
    QString problem;
};

// A whole capture into `device`.
bool writeCapture(QIODevice &device, const QVector<TrafficRecord> &records, qint64 startWallMicros);

// Saves what `log` holds to `path`, whole or not at all. Returns one line
// saying what failed, or nothing.
QString saveCapture(const QString &path, const TrafficLog &log);

struct CaptureReading
{
    QVector<TrafficRecord> records;
    qint64 startWallMicros = 0; // of the first packet with a time, µs since the epoch
    int skippedPackets = 0;     // of interfaces with another link type
    QString application;        // what wrote the first section, when it says
    // One line naming the byte offset where reading stopped; the records
    // before it are kept.
    QString error;
    // The block reading stopped at: every block before it was whole. -1 when
    // the bytes were read to their end or not read at all.
    qint64 errorOffset = -1;
};

// Reads a capture in either byte order, of any number of sections and
// interfaces; packets of interfaces of other link types are skipped. A
// packet without a direction is taken as received: a capture made by
// listening on the line holds mostly what the module said.
CaptureReading readCapture(const QByteArray &bytes, const QString &name);
// The same from a plain file no larger than Pcapng::maxFileBytes.
CaptureReading readCaptureFile(const QString &path);

#endif // PCAPNG_H
