// The palette's shapes as the statements that draw them.
#include "design/edits.h"

#include "commands/colors.h"
#include "design/screens.h"
#include "design/textplace.h"
#include "script/statementtext.h"
#include "sim/screen.h"

#include <QSet>

namespace design {

using script::Statement;
using script::statementText;

namespace {

// The size a new shape starts with, in logical pixels.
constexpr int newWidth = 80;
constexpr int newHeight = 40;
constexpr int newRadius = 30;

int freeButtonNumber(const Layout &layout)
{
    QSet<qint64> used;
    for (int i = 0; i < layout.statementCount(); ++i) {
        const Statement &statement = layout.statement(i);
        if (statement.kind == Statement::Kind::Command && statement.command == Command::ButtonDef)
            used.insert(statement.values.value(0));
    }
    int number = 1;
    while (used.contains(number) && number < 0xFF)
        ++number;
    return number;
}

QStringList drawingLines(const Layout &layout, const Insertion &insertion, QPoint at)
{
    const bool extended = layout.extendedAtEnd();
    const qint64 yLimit = extended ? 0xFFFF : 0xFF;
    const qint64 x = std::clamp<qint64>(at.x(), 0, 0xFFFF);
    const qint64 y = std::clamp<qint64>(at.y(), 0, yLimit);
    const QString place = statementText(Command::SetXHY, {x, y}, {}, extended);
    const QString ink = statementText(Command::SetColorH, {insertion.ink}, {});
    const qint64 right = std::min<qint64>(x + newWidth - 1, 0xFFFF);
    // A box's far corner has a byte for its y: the box starts high enough
    // to keep its height, and the same goes for a button's top.
    const qint64 boxTop = std::min<qint64>(y, 0xFF - (newHeight - 1));
    const qint64 bottom = boxTop + newHeight - 1;
    const QString boxPlace = statementText(Command::SetXHY, {x, boxTop}, {}, extended);
    switch (insertion.shape) {
    case NewShape::Text:
        return {ink, place, statementText(Command::PrintString, {}, "Text")};
    case NewShape::Box:
        return {ink, boxPlace, statementText(Command::BoxH, {right, bottom}, {})};
    case NewShape::FilledBox:
        return {ink, boxPlace, statementText(Command::BoxHFill, {right, bottom}, {})};
    case NewShape::Circle:
        return {ink, place, statementText(Command::CircleRH, {newRadius}, {})};
    case NewShape::Arc:
        return {ink, place, statementText(Command::ArcH, {newRadius, 0, 180}, {})};
    case NewShape::Line:
        return {ink, place, statementText(Command::LineToXHY, {right, y}, {}, extended)};
    case NewShape::Image:
        return {place, statementText(Command::PutSfIcon, {insertion.image}, {})};
    case NewShape::Button: {
        const int number = freeButtonNumber(layout);
        const qint64 top = std::min<qint64>(y, 0xFF);
        return {statementText(Command::ButtonDef, {number, 1, 0, 0, 0, x, top, newWidth, newHeight},
                              {}) +
                QStringLiteral(" as ") +
                script::quotedText(QStringLiteral("Button %1").arg(number).toUtf8())};
    }
    }
    return {};
}

bool isEndLine(const QString &line)
{
    const QString word = line.trimmed().section(QLatin1Char(' '), 0, 0);
    return word.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0;
}

// The indent of statements standing before line `before`: that of the line
// itself, or, before an `end`, that of the block's last statement, so a
// block indented by two spaces or a tab stays so; one step in from the
// `end` when nothing deeper stands above it.
QString indentBefore(const detail::TextLines &lines, int before)
{
    if (before > lines.count())
        return {};
    const QString indent = lines.indent(before);
    if (!isEndLine(lines.line(before)))
        return indent;
    for (int line = before - 1; line >= 1; --line) {
        if (lines.line(line).trimmed().isEmpty())
            continue;
        const QString above = lines.indent(line);
        if (above.size() > indent.size() && above.startsWith(indent))
            return above;
        break;
    }
    return indent + QStringLiteral("    ");
}

} // namespace

Edit insertShape(const Layout &layout, const Insertion &insertion, const QString &text,
                 int beforeLine)
{
    const QPoint at = vxsim::Screen::toLogical(insertion.panelPoint, layout.penAtEnd().orientation);
    const detail::TextLines lines(text);
    const QString indent = indentBefore(lines, beforeLine);
    QString inserted;
    for (const QString &line : drawingLines(layout, insertion, at))
        inserted += indent + line + QLatin1Char('\n');
    return Edit{{TextChange{beforeLine, 1, 0, inserted}}, {}};
}

int insertionLine(const QVector<ScreenBlock> &screens, const QString &text, int cursorLine)
{
    const int screen = screenAtLine(screens, cursorLine);
    if (screen >= 0 && screens.at(screen).endLine > 0)
        return screens.at(screen).endLine;
    const detail::TextLines lines(text);
    // Past the last line; a final line break leaves an empty line to use.
    return text.endsWith(QLatin1Char('\n')) ? lines.count() : lines.count() + 1;
}

quint16 contrastingInk(quint16 below)
{
    const QColor colour = colorOfWord(below);
    const int luma = (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
    return luma < 128 ? 0xFFFF : 0x0000;
}

} // namespace design
