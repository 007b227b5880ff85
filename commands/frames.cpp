#include "commands/frames.h"

#include <QVarLengthArray>

namespace {

// Templates so that a frame can be built in a small buffer on the stack.
template <typename Bytes> void appendHighFirst(Bytes &frame, qint64 value)
{
    frame.append(char((value >> 8) & 0xFF));
    frame.append(char(value & 0xFF));
}

template <typename Bytes> void appendLowFirst(Bytes &frame, qint64 value, int byteCount)
{
    for (int i = 0; i < byteCount; ++i)
        frame.append(char((value >> (8 * i)) & 0xFF));
}

template <typename Bytes> void appendArg(Bytes &frame, Arg arg, qint64 value, bool extendedMode)
{
    switch (arg) {
    case Arg::Byte:
        frame.append(char(value & 0xFF));
        break;
    case Arg::Word:
        appendHighFirst(frame, value);
        break;
    case Arg::ColorWord:
        appendLowFirst(frame, value, 2);
        break;
    case Arg::Angle:
        appendHighFirst(frame, turnUnits(value));
        break;
    case Arg::Count32:
        appendLowFirst(frame, value, 4);
        break;
    case Arg::Y:
        appendArg(frame, extendedMode ? Arg::Word : Arg::Byte, value, extendedMode);
        break;
    case Arg::None:
    case Arg::Text:
        break;
    }
}

void appendHead(QByteArray &frame, const CommandSpec &command, const ArgValues &values,
                bool extendedMode)
{
    const std::size_t fixedCount = argCount(command) - (carriesText(command) ? 1 : 0);
    Q_ASSERT_X(std::size_t(values.size()) == fixedCount, command.name, "wrong argument count");
    // Built apart and appended once: scripts send frames by the hundred thousand.
    QVarLengthArray<char, 64> bytes;
    bytes.append(char(command.code));
    for (std::size_t i = 0; i < fixedCount && int(i) < values.size(); ++i)
        appendArg(bytes, command.args[i], values[int(i)], extendedMode);
    frame.append(bytes.constData(), bytes.size());
}

QByteArray head(const CommandSpec &command, const ArgValues &values, bool extendedMode)
{
    QByteArray frame;
    appendHead(frame, command, values, extendedMode);
    return frame;
}

// The log always shows as many bytes as the standard-mode frame has, so an
// extended Y loses its low byte there.
int standardLength(const CommandSpec &command)
{
    QByteArray frame(1, char(command.code));
    for (std::size_t i = 0; i < argCount(command); ++i)
        appendArg(frame, command.args[i], 0, false);
    return frame.size();
}

} // namespace

quint16 parseColorKey(const QString &text)
{
    bool ok = false;
    const quint16 key = text.toUShort(&ok, 16);
    return ok ? key : 0;
}

QByteArrayList commandWrites(Command id, const ArgValues &values, const QString &text,
                             bool extendedMode)
{
    return commandWritesOfBytes(id, values, text.toLocal8Bit(), extendedMode);
}

QByteArrayList commandWritesOfBytes(Command id, const ArgValues &values,
                                    const QByteArray &textBytes, bool extendedMode)
{
    const CommandSpec &command = spec(id);
    QByteArrayList writes{head(command, values, extendedMode)};
    if (carriesText(command)) {
        if (!textBytes.isEmpty())
            writes.append(textBytes);
        writes.append(QByteArray(1, '\0'));
    }
    return writes;
}

void appendCommandBytes(QByteArray &out, Command id, const ArgValues &values,
                        const QByteArray &textBytes, bool extendedMode)
{
    const CommandSpec &command = spec(id);
    appendHead(out, command, values, extendedMode);
    if (carriesText(command)) {
        out.append(textBytes);
        out.append('\0');
    }
}

QByteArray commandFrame(Command id, const ArgValues &values, bool extendedMode)
{
    Q_ASSERT_X(!carriesText(spec(id)), spec(id).name, "text commands are sent as several writes");
    return head(spec(id), values, extendedMode);
}

QString commandLogLine(Command id, const QByteArray &frame)
{
    const CommandSpec &command = spec(id);
    const bool padded = command.has(LogPadded);
    if (!padded && !command.has(LogBare))
        return {};

    QString line;
    const int shown = qMin(standardLength(command), frame.size());
    for (int i = 0; i < shown; ++i) {
        const uint byte = quint8(frame.at(i));
        line += padded ? QStringLiteral("0x%1 ").arg(byte, 2, 16, QLatin1Char('0'))
                       : QStringLiteral("%1 ").arg(byte, 0, 16);
    }
    line += QStringLiteral("<- %1\n").arg(QLatin1String(command.name));
    return padded ? line.toUpper() : line;
}
