#include "traffic/trafficlog.h"

#include <algorithm>

TrafficLog::TrafficLog(int maxRecords, qint64 maxBytes)
    : recordLimit(std::max(maxRecords, 1)), byteLimit(std::max<qint64>(maxBytes, 0))
{
}

qint64 TrafficLog::accountedSize(const TrafficEntry &entry)
{
    return entry.record.bytes.size() + qint64(entry.meaning.size()) * 2 + entryOverhead;
}

int TrafficLog::append(TrafficEntry entry)
{
    // A chunk from the port can sit in a buffer many times its size, which
    // the bound would not see: only what the bytes need is kept.
    entry.record.bytes.squeeze();
    const qint64 cost = accountedSize(entry);
    int removed = 0;
    while (!entries.empty() && (size() >= recordLimit || accounted + cost > byteLimit)) {
        accounted -= accountedSize(entries.front());
        sent -= entries.front().record.direction == Direction::Sent ? 1 : 0;
        entries.pop_front();
        ++removed;
    }
    droppedCount += removed;
    accounted += cost;
    sent += entry.record.direction == Direction::Sent ? 1 : 0;
    entries.push_back(std::move(entry));
    return removed;
}

void TrafficLog::clear()
{
    // Swapping with an empty deque hands its blocks back, which clear() may not.
    std::deque<TrafficEntry>().swap(entries);
    accounted = 0;
    sent = 0;
    droppedCount = 0;
}
