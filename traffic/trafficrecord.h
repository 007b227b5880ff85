#ifndef TRAFFICRECORD_H
#define TRAFFICRECORD_H

#include <QByteArray>
#include <QtGlobal>

// One piece of the exchange with the module: a frame the bench wrote, a block
// of a file it streamed, or a chunk the port gave it.
enum class Direction : quint8
{
    Sent,
    Received
};

struct TrafficRecord
{
    Direction direction = Direction::Sent;
    qint64 micros = 0; // monotonic, since the recording started
    QByteArray bytes;
};

#endif // TRAFFICRECORD_H
