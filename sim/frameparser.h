#ifndef VXSIM_FRAMEPARSER_H
#define VXSIM_FRAMEPARSER_H

#include "commandtable.h"

#include <QByteArray>
#include <QVector>

namespace vxsim {

// One complete command as the bench sent it.
struct Frame
{
    const CommandInfo *info = nullptr;
    QByteArray head; // argument bytes after the code
    QByteArray tail; // text without its terminating zero, or the data of a counted write

    Command command() const { return info->command; }
    quint8 byte(int at) const { return quint8(head.at(at)); }
    // Coordinates, sizes and angles travel high byte first, colours and counts low byte first.
    quint16 bigEndian16(int at) const { return quint16(byte(at) << 8 | byte(at + 1)); }
    quint16 littleEndian16(int at) const { return quint16(byte(at + 1) << 8 | byte(at)); }
    quint32 littleEndian32(int at) const;
    bool operator==(const Frame &other) const;
};

// Splits the byte stream from the bench into frames, whatever the chunk
// boundaries. The extended-mode flag lives here because it changes the
// length of later frames in the very same stream.
class FrameParser
{
public:
    QVector<Frame> feed(const QByteArray &bytes);

    bool extendedMode() const { return extended; }
    void setExtendedMode(bool on) { extended = on; }
    int skippedBytes() const { return skipped; }
    int pendingBytes() const { return buffer.size(); }
    void dropPending() { buffer.clear(); }

private:
    qint64 frameLength(const CommandInfo &info, int start) const;
    Frame takeFrame(const CommandInfo &info, int start, int length) const;

    QByteArray buffer;
    bool extended = false;
    int skipped = 0;
};

} // namespace vxsim

#endif // VXSIM_FRAMEPARSER_H
