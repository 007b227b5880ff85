#include "design/layout.h"

#include <vector>

namespace design {

using script::Statement;

namespace {

bool isCommand(const Statement &statement, Command command)
{
    return statement.kind == Statement::Kind::Command && statement.command == command;
}

bool drawsFromCursor(const Statement &statement)
{
    const std::optional<ShapeKind> kind = shapeKindOf(statement);
    return kind && *kind != ShapeKind::Button;
}

bool movesCursor(const Statement &statement)
{
    return isCommand(statement, Command::Cls) || isCommand(statement, Command::LineToXHY) ||
           isCommand(statement, Command::PrintString) ||
           isCommand(statement, Command::PrintStringBg);
}

// Buttons and pictures bring their own colours.
bool drawsInInk(const Statement &statement)
{
    const std::optional<ShapeKind> kind = shapeKindOf(statement);
    if (kind)
        return *kind != ShapeKind::Button && *kind != ShapeKind::Image;
    return isCommand(statement, Command::Cls);
}

bool printsText(const Statement &statement)
{
    return isCommand(statement, Command::PrintString) ||
           isCommand(statement, Command::PrintStringBg);
}

// Text on its own background, and hidden buttons, which leave it behind.
bool readsPaper(const Statement &statement)
{
    return isCommand(statement, Command::PrintStringBg) ||
           isCommand(statement, Command::ButtonDef) || isCommand(statement, Command::ButtonState);
}

bool changesNothing(const Statement &)
{
    return false;
}

} // namespace

// The settings a drawing command takes from the module's memory: who sets
// each, who reads it, and who changes it without being a setter the
// designer can edit.
struct Setting
{
    Command setter;
    bool (*reads)(const Statement &);
    bool (*changes)(const Statement &);
};

namespace {

const Setting cursorSetting{Command::SetXHY, drawsFromCursor, movesCursor};
const Setting inkSetting{Command::SetColorH, drawsInInk, changesNothing};
const Setting fontSetting{Command::SelectFont, printsText, changesNothing};
const Setting paperSetting{Command::SetBgColorH, readsPaper, changesNothing};

// Bytes sent as they are, or a repeat's rounds: what they do to the
// module's memory is not known here.
bool isOpaque(const StatementInfo &info)
{
    const Statement &statement = *info.statement;
    return info.inRepeat || statement.kind == Statement::Kind::Raw ||
           statement.kind == Statement::Kind::SendFile ||
           (statement.kind == Statement::Kind::Repeat && !statement.isScreen());
}

} // namespace

std::optional<ShapeKind> shapeKindOf(const Statement &statement)
{
    if (statement.kind != Statement::Kind::Command)
        return std::nullopt;
    switch (statement.command) {
    case Command::BoxH:
        return ShapeKind::Box;
    case Command::BoxHFill:
        return ShapeKind::FilledBox;
    case Command::CircleRH:
        return ShapeKind::Circle;
    case Command::ArcH:
        return ShapeKind::Arc;
    case Command::LineToXHY:
        return ShapeKind::Line;
    case Command::HLineH:
        return ShapeKind::HorizontalLine;
    case Command::VLine:
        return ShapeKind::VerticalLine;
    case Command::PrintString:
    case Command::PrintStringBg:
        return ShapeKind::Text;
    case Command::PutSfIcon:
    case Command::SdPutIcon:
        return ShapeKind::Image;
    case Command::ButtonDef:
        return ShapeKind::Button;
    default:
        return std::nullopt;
    }
}

Layout::Layout(const preview::ScreenRender &render) : Layout(render, render.screen()) {}

Layout::Layout(const preview::ScreenRender &render, const preview::RenderedScreen &shown)
{
    shownSteps = std::min(shown.steps(), render.stepCount());
    statements.reserve(render.statementCount());
    indexStatements(render.script().statements, -1, false);
    for (int step = shownSteps - 1; step >= 0; --step) {
        StatementInfo &info = statements[render.statementOfStep(step)];
        info.firstStep = step;
        info.extended = render.extendedIn(step);
    }
    endPen = render.penBefore(shownSteps);
    endExtended = render.extendedAtStart();
    if (shownSteps > 0) {
        const int last = shownSteps - 1;
        endExtended = script::modeAfter(render.statement(render.statementOfStep(last)),
                                        render.extendedIn(last));
    }
    findShapes(render, shown.writerMap());
}

void Layout::indexStatements(const QVector<Statement> &list, int parent, bool inRepeat)
{
    for (const Statement &statement : list) {
        const int index = int(statements.size());
        statements.append(StatementInfo{&statement, parent, -1, inRepeat});
        if (statement.kind == Statement::Kind::Repeat)
            indexStatements(statement.body, index, inRepeat || !statement.isScreen());
    }
}

void Layout::findShapes(const preview::ScreenRender &render, const QVector<int> &writers)
{
    // A flag a statement: a set would hash every pixel of the panel.
    std::vector<char> visible(std::size_t(statements.size()), 0);
    for (int writer : writers) {
        if (writer >= 0 && writer < statements.size())
            visible[std::size_t(writer)] = 1;
    }
    QVector<QRect> bounds(statements.size());
    for (int step = 0; step < shownSteps; ++step)
        bounds[render.statementOfStep(step)] |= render.writtenInStep(step);

    for (int index = 0; index < statements.size(); ++index) {
        const StatementInfo &info = statements.at(index);
        const std::optional<ShapeKind> kind = shapeKindOf(*info.statement);
        if (!kind || !visible[std::size_t(index)] || info.firstStep < 0)
            continue;
        Shape shape;
        shape.kind = *kind;
        shape.statement = index;
        shape.line = info.statement->pos.line;
        shape.bounds = bounds.at(index);
        shape.pen = render.penBefore(info.firstStep);
        shape.cursorAfter = render.penBefore(info.firstStep + 1).cursor;
        shape.extended = render.extendedIn(info.firstStep);
        if (info.inRepeat)
            shape.fixed = fixedReason(index);
        if (shape.kind != ShapeKind::Button)
            shape.position = sourceOf(index, cursorSetting);
        if (drawsInInk(*info.statement))
            shape.ink = sourceOf(index, inkSetting);
        if (shape.kind == ShapeKind::Text)
            shape.font = sourceOf(index, fontSetting);
        if (isCommand(*info.statement, Command::PrintStringBg))
            shape.paper = sourceOf(index, paperSetting);
        byStatement.insert(index, int(all.size()));
        all.append(shape);
    }
}

QString Layout::fixedReason(int statement) const
{
    int repeat = statements.at(statement).parent;
    while (repeat >= 0 && statements.at(repeat).statement->isScreen())
        repeat = statements.at(repeat).parent;
    // The outermost repeat names the lines to change by hand.
    while (repeat >= 0 && statements.at(repeat).parent >= 0 &&
           !statements.at(statements.at(repeat).parent).statement->isScreen())
        repeat = statements.at(repeat).parent;
    const int line = repeat >= 0 ? statements.at(repeat).statement->pos.line : 0;
    return QStringLiteral("Drawn inside the repeat at line %1, so it is drawn once per round: "
                          "change its numbers in the text.")
        .arg(line);
}

// The statement that sets what `shape` takes from the module's memory when
// it is the only one reading it: before it, the setter with nothing else
// reading or changing the setting in between; after it, nothing reading
// the setting before it is set again.
SettingSource Layout::sourceOf(int shape, const Setting &setting) const
{
    SettingSource source;
    const int block = statements.at(shape).parent;
    for (int index = shape - 1; index >= 0; --index) {
        const StatementInfo &info = statements.at(index);
        // A screen stands alone: what it draws takes nothing from the
        // statements before it, whose edits would change other screens.
        if (info.parent != block || info.statement->isScreen())
            break;
        if (isOpaque(info) || setting.reads(*info.statement) || setting.changes(*info.statement))
            break;
        if (isCommand(*info.statement, setting.setter)) {
            source.statement = index;
            break;
        }
    }
    for (int index = shape + 1; index < statements.size(); ++index) {
        const StatementInfo &info = statements.at(index);
        if (info.statement->isScreen())
            continue;
        if (isOpaque(info) || setting.reads(*info.statement)) {
            source.readLater = true;
            break;
        }
        if (isCommand(*info.statement, setting.setter) || setting.changes(*info.statement))
            break;
    }
    if (source.readLater)
        source.statement = -1;
    return source;
}

int Layout::shapeAtLine(int line) const
{
    for (int i = 0; i < all.size(); ++i) {
        const Shape &shape = all.at(i);
        if (shape.line == line ||
            (shape.position.statement >= 0 &&
             statements.at(shape.position.statement).statement->pos.line == line))
            return i;
    }
    return -1;
}

int Layout::shapeOfStatement(int statement) const
{
    return byStatement.value(statement, -1);
}

QPair<int, int> Layout::linesOf(const Shape &shape) const
{
    const int first = shape.position.statement >= 0
                          ? statements.at(shape.position.statement).statement->pos.line
                          : shape.line;
    return {first, shape.line};
}

} // namespace design
