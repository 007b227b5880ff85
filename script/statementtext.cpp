#include "script/statementtext.h"

#include "commands/colors.h"
#include "script/script.h"

namespace script {

namespace {

QString hexWords(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// The value as its field carries it; nothing for an angle no whole degree
// gives.
std::optional<QString> fieldText(Arg arg, qint64 value, bool extendedMode)
{
    switch (arg) {
    case Arg::Byte:
        return QString::number(value & 0xFF);
    case Arg::Word:
        return QString::number(value & 0xFFFF);
    case Arg::ColorWord:
        return colorText(quint16(value & 0xFFFF));
    case Arg::Count32:
        return QString::number(value & 0xFFFFFFFFLL);
    case Arg::Y:
        return QString::number(value & (extendedMode ? 0xFFFF : 0xFF));
    case Arg::Angle:
        if (const std::optional<qint64> degrees = degreesOfTurnUnits(turnUnits(value) & 0xFFFF))
            return QString::number(*degrees);
        return std::nullopt;
    case Arg::None:
    case Arg::Text:
        break;
    }
    return std::nullopt;
}

} // namespace

QString quotedText(const QByteArray &bytes)
{
    QString out(QLatin1Char('"'));
    for (const char c : bytes) {
        const uint byte = quint8(c);
        if (c == '"' || c == '\\')
            out += QString(QLatin1Char('\\')) + QLatin1Char(c);
        else if (c == '\n')
            out += QLatin1String("\\n");
        else if (c == '\r')
            out += QLatin1String("\\r");
        else if (c == '\t')
            out += QLatin1String("\\t");
        else if (byte >= 0x20 && byte < 0x7F)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return out + QLatin1Char('"');
}

QString colorText(quint16 word)
{
    const QColor color = colorOfWord(word);
    if (rgb565(color) == word)
        return color.name();
    return QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0'));
}

std::optional<qint64> degreesOfTurnUnits(quint32 units)
{
    const qint64 whole = qint64(units) * 45 / 2048;
    for (const qint64 degrees : {whole, whole + 1}) {
        if (degrees <= largestDegrees && turnUnits(degrees) == qint64(units))
            return degrees;
    }
    return std::nullopt;
}

QString statementText(Command id, const ArgValues &values, const QByteArray &text,
                      bool extendedMode)
{
    const CommandSpec &command = spec(id);
    const auto asBytes = [&] {
        return sendText(commandWritesOfBytes(id, values, text, extendedMode).join());
    };
    if (id == Command::SdFileWrite)
        return asBytes();

    QStringList words{QLatin1String(command.name)};
    for (std::size_t i = 0; i < argCount(command) && command.args[i] != Arg::Text; ++i) {
        const std::optional<QString> field =
            fieldText(command.args[i], values.value(int(i)), extendedMode);
        if (!field)
            return asBytes();
        words << *field;
    }
    if (carriesText(command)) {
        // A zero would end the frame early; an empty name the parser refuses,
        // as the button does.
        if (text.contains('\0') || (command.has(NeedsName) && text.isEmpty()))
            return asBytes();
        words << quotedText(text);
    }
    return words.join(QLatin1Char(' '));
}

QString sendText(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QStringLiteral("send \"\"")
                           : QStringLiteral("send ") + hexWords(bytes);
}

QString expectText(const QByteArray &bytes)
{
    return QStringLiteral("expect ") + hexWords(bytes);
}

} // namespace script
