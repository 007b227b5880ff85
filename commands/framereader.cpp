#include "commands/framereader.h"

namespace {

quint32 fieldValue(const QByteArray &bytes, int pos, Arg arg, int width)
{
    const bool lowFirst = arg == Arg::ColorWord || arg == Arg::Count32;
    quint32 value = 0;
    for (int i = 0; i < width; ++i) {
        const quint32 byte = quint8(bytes.at(pos + i));
        value = lowFirst ? value | (byte << (8 * i)) : (value << 8) | byte;
    }
    return value;
}

} // namespace

SentFrame readSentFrame(const QByteArray &bytes, int pos, bool extendedMode)
{
    Q_ASSERT(pos >= 0 && pos < bytes.size());
    SentFrame frame;
    frame.command = commandOfCode(quint8(bytes.at(pos)));
    frame.end = pos + 1;
    if (!frame.command)
        return frame;
    const CommandSpec &command = *frame.command;
    for (std::size_t i = 0; i < argCount(command); ++i) {
        const Arg arg = command.args[i];
        if (arg == Arg::Text) {
            TextRun text = readText(bytes, frame.end);
            frame.text = std::move(text.bytes);
            frame.end = text.end;
            frame.cut = text.closed ? SentFrame::Cut::None : SentFrame::Cut::Text;
            break;
        }
        const int width = argWidth(arg, extendedMode);
        if (frame.end + width > bytes.size()) {
            frame.end = bytes.size();
            frame.cut = SentFrame::Cut::Head;
            break;
        }
        frame.values << fieldValue(bytes, frame.end, arg, width);
        frame.end += width;
    }
    return frame;
}

TextRun readText(const QByteArray &bytes, int pos)
{
    TextRun text;
    const int zero = bytes.indexOf('\0', pos);
    text.closed = zero >= 0;
    const int stop = text.closed ? zero : bytes.size();
    text.bytes = bytes.mid(pos, stop - pos);
    text.end = text.closed ? zero + 1 : stop;
    return text;
}

int headLength(const CommandSpec &command, bool extendedMode)
{
    int length = 1;
    for (std::size_t i = 0; i < argCount(command); ++i)
        length += argWidth(command.args[i], extendedMode);
    return length;
}
