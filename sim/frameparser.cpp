#include "frameparser.h"

#include "modulelog.h"

namespace vxsim {

quint32 Frame::littleEndian32(int at) const
{
    return quint32(byte(at)) | quint32(byte(at + 1)) << 8 | quint32(byte(at + 2)) << 16 |
           quint32(byte(at + 3)) << 24;
}

bool Frame::operator==(const Frame &other) const
{
    return info == other.info && head == other.head && tail == other.tail;
}

QVector<Frame> FrameParser::feed(const QByteArray &bytes)
{
    buffer.append(bytes);
    QVector<Frame> frames;
    int start = 0;
    while (start < buffer.size()) {
        const auto code = quint8(buffer.at(start));
        const CommandInfo *info = findCommand(code);
        if (!info) {
            // Resynchronise on the next byte rather than lose the frames behind it.
            qCWarning(moduleLog, "unknown command code 0x%02x skipped", code);
            ++skipped;
            ++start;
            continue;
        }
        const qint64 length = frameLength(*info, start);
        if (length < 0 || start + length > buffer.size())
            break;
        frames.append(takeFrame(*info, start, int(length)));
        if (info->command == Command::ExtendedMode || info->command == Command::StandardMode)
            extended = info->command == Command::ExtendedMode;
        start += int(length);
    }
    buffer.remove(0, start);
    return frames;
}

// Length of the frame at `start` including its code, or -1 while the bytes
// that decide it have not arrived yet.
qint64 FrameParser::frameLength(const CommandInfo &info, int start) const
{
    const int headEnd = start + 1 + info.headSize;
    switch (info.shape) {
    case FrameShape::Fixed:
        return 1 + info.headSize;
    case FrameShape::ModeXY:
        return extended ? 5 : 4;
    case FrameShape::Text: {
        if (headEnd > buffer.size())
            return -1;
        const int terminator = buffer.indexOf('\0', headEnd);
        return terminator < 0 ? -1 : terminator - start + 1;
    }
    case FrameShape::CountedData: {
        if (headEnd > buffer.size())
            return -1;
        Frame head{&info, buffer.mid(start + 1, info.headSize), {}};
        return 1 + info.headSize + qint64(head.littleEndian32(info.headSize - 4));
    }
    }
    return -1;
}

Frame FrameParser::takeFrame(const CommandInfo &info, int start, int length) const
{
    const int headSize = info.shape == FrameShape::ModeXY ? length - 1 : info.headSize;
    Frame frame{&info, buffer.mid(start + 1, headSize), {}};
    int tailSize = length - 1 - headSize;
    if (info.shape == FrameShape::Text)
        --tailSize; // the terminating zero is framing, not text
    frame.tail = buffer.mid(start + 1 + headSize, tailSize);
    return frame;
}

} // namespace vxsim
