#include "design/textplace.h"

#include "script/statementtext.h"

namespace design::detail {

using script::Statement;

TextLines::TextLines(const QString &text) : text(text)
{
    starts.append(0);
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n'))
            starts.append(i + 1);
    }
}

int TextLines::offset(int line, int column) const
{
    if (line < 1 || line > count())
        return int(text.size());
    return std::min(starts.at(line - 1) + column - 1, int(text.size()));
}

QString TextLines::line(int number) const
{
    if (number < 1 || number > count())
        return {};
    const int from = starts.at(number - 1);
    const int to = number < count() ? starts.at(number) - 1 : int(text.size());
    QString found = text.mid(from, to - from);
    if (found.endsWith(QLatin1Char('\r')))
        found.chop(1);
    return found;
}

QString TextLines::indent(int number) const
{
    const QString found = line(number);
    int blanks = 0;
    while (blanks < found.size() &&
           (found.at(blanks) == QLatin1Char(' ') || found.at(blanks) == QLatin1Char('\t')))
        ++blanks;
    return found.left(blanks);
}

int tokenLength(const QString &text, int offset)
{
    int end = offset;
    if (end < text.size() && text.at(end) == QLatin1Char('"')) {
        for (++end; end < text.size() && text.at(end) != QLatin1Char('"'); ++end) {
            if (text.at(end) == QLatin1Char('\\'))
                ++end;
        }
        return std::min(end + 1, int(text.size())) - offset;
    }
    while (end < text.size() && !text.at(end).isSpace())
        ++end;
    return end - offset;
}

QString writtenLike(const QString &token, qint64 value)
{
    if (token.startsWith(QLatin1Char('#')))
        return script::colorText(quint16(value));
    if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const bool upper = std::any_of(token.begin() + 2, token.end(), [](QChar c) {
            return c >= QLatin1Char('A') && c <= QLatin1Char('F');
        });
        const QString digits = QString::number(value, 16);
        return token.left(2) + (upper ? digits.toUpper() : digits);
    }
    return QString::number(value);
}

Range rangeOf(const Statement &statement, int index, bool extended)
{
    const CommandSpec &command = spec(statement.command);
    switch (command.args[std::size_t(index)]) {
    case Arg::Byte:
        return {0, 0xFF};
    case Arg::Y:
        return {0, extended ? 0xFFFF : 0xFF};
    case Arg::Angle:
        return {0, script::largestDegrees};
    case Arg::Count32:
        return {0, 0xFFFFFFFFLL};
    default:
        return {0, 0xFFFF};
    }
}

std::optional<TextChange> valueChange(const Statement &statement, int index, qint64 value,
                                      const QString &text, const TextLines &lines)
{
    if (statement.values.value(index) == value || index >= statement.valuePos.size())
        return std::nullopt;
    const script::SourcePos pos = statement.valuePos.at(index);
    const int at = lines.offset(pos.line, pos.column);
    const int length = tokenLength(text, at);
    return TextChange{pos.line, pos.column, length, writtenLike(text.mid(at, length), value)};
}

TextChange textChange(const Statement &statement, const QString &quoted, const QString &text,
                      const TextLines &lines)
{
    const int column = statement.pos.column + int(statement.source.indexOf(QLatin1Char('"')));
    const int at = lines.offset(statement.pos.line, column);
    return TextChange{statement.pos.line, column, tokenLength(text, at), quoted};
}

void giveOwnSetter(Edit &edit, const Shape &shape, const QString &own, const QString &restore,
                   const TextLines &lines)
{
    const QString indent = lines.indent(shape.line);
    edit.changes.append(TextChange{shape.line, 1, 0, indent + own + QLatin1Char('\n')});
    if (!restore.isEmpty())
        edit.changes.append(TextChange{shape.line + 1, 1, 0, indent + restore + QLatin1Char('\n')});
    const QString setter = own.section(QLatin1Char(' '), 0, 0);
    edit.note = QStringLiteral("The %1 at line %2 has a %3 of its own now")
                    .arg(kindName(shape.kind))
                    .arg(shape.line)
                    .arg(setter);
    edit.note += restore.isEmpty()
                     ? QStringLiteral(".")
                     : QStringLiteral(": the one it shared still serves what follows it.");
}

QString kindName(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Box:
        return QStringLiteral("box");
    case ShapeKind::FilledBox:
        return QStringLiteral("filled box");
    case ShapeKind::Circle:
        return QStringLiteral("circle");
    case ShapeKind::Arc:
        return QStringLiteral("arc");
    case ShapeKind::Line:
    case ShapeKind::HorizontalLine:
    case ShapeKind::VerticalLine:
        return QStringLiteral("line");
    case ShapeKind::Text:
        return QStringLiteral("text");
    case ShapeKind::Image:
        return QStringLiteral("image");
    case ShapeKind::Button:
        return QStringLiteral("button");
    }
    return {};
}

} // namespace design::detail
