#ifndef TRAFFICLOG_H
#define TRAFFICLOG_H

#include "traffic/trafficrecord.h"

#include <QString>

#include <deque>

// A record with what the decoder made of it.
struct TrafficEntry
{
    TrafficRecord record;
    QString meaning;
    qint64 latencyMicros = -1; // from the command to this reply; -1 when none
};

// The traffic of a session, kept within a number of entries and a budget of
// memory so that a port left open for days cannot eat the machine: when
// either bound is reached the oldest entries go, and are counted.
class TrafficLog
{
public:
    static constexpr int defaultMaxRecords = 100000;
    static constexpr qint64 defaultMaxBytes = qint64(64) << 20;
    // What an entry costs beyond its bytes and text: the entry itself, the
    // deque's share and the two heap headers of the byte array and string.
    static constexpr qint64 entryOverhead = qint64(sizeof(TrafficEntry)) + 64;

    explicit TrafficLog(int maxRecords = defaultMaxRecords, qint64 maxBytes = defaultMaxBytes);

    // Keeps `entry` as the newest and returns how many of the oldest entries
    // went to make room. The newest is kept even when it alone is over the
    // byte budget: losing what just happened is worse than a brief overrun.
    int append(TrafficEntry entry);
    void clear(); // the recording's start stays

    int size() const { return int(entries.size()); }
    bool isEmpty() const { return entries.empty(); }
    const TrafficEntry &at(int i) const { return entries[std::size_t(i)]; } // 0 is the oldest kept
    qint64 dropped() const { return droppedCount; }
    int sentCount() const { return sent; } // the rest were received
    qint64 accountedBytes() const { return accounted; }
    int maxRecords() const { return recordLimit; }
    qint64 maxBytes() const { return byteLimit; }

    // The wall-clock time the recording started, in µs since the epoch.
    qint64 startWallMicros() const { return startWall; }
    void setStartWallMicros(qint64 micros) { startWall = micros; }

    static qint64 accountedSize(const TrafficEntry &entry);

private:
    std::deque<TrafficEntry> entries;
    int recordLimit;
    qint64 byteLimit;
    qint64 accounted = 0;
    qint64 droppedCount = 0;
    int sent = 0;
    qint64 startWall = 0;
};

#endif // TRAFFICLOG_H
