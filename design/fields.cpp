// The inspector's fields: each names one number or text of the script that
// the selected shape is drawn with, and setting it edits that statement.
#include "design/edits.h"

#include "design/textplace.h"
#include "script/statementtext.h"

namespace design {

using detail::TextLines;
using script::Statement;

namespace {

// Where a field's value lives.
struct Target
{
    enum class Where
    {
        Argument, // of the drawing statement
        OriginX,
        OriginY,
        Ink,
        Paper,
        Font,
        Name,
    };
    Where where = Where::Argument;
    int index = 0;
};

struct Entry
{
    Field field;
    Target target;
};

class FieldList
{
public:
    FieldList(const Layout &layout, const Shape &shape)
        : shape(shape), statement(layout.statement(shape.statement))
    {
    }

    void argument(const QString &label, int index, Field::Kind kind = Field::Kind::Number)
    {
        const detail::Range range = detail::rangeOf(statement, index, shape.extended);
        add(label, kind, statement.values.value(index), range, {Target::Where::Argument, index});
    }
    void text(const QString &label, Field::Kind kind)
    {
        Field field;
        field.label = label;
        field.kind = kind;
        field.text = QString::fromLocal8Bit(statement.text);
        entries.append({field, {Target::Where::Argument, -1}});
    }
    void origin()
    {
        add(QStringLiteral("x"), Field::Kind::Number, shape.pen.cursor.x(), {0, 0xFFFF},
            {Target::Where::OriginX, 0});
        add(QStringLiteral("y"), Field::Kind::Number, shape.pen.cursor.y(),
            {0, shape.extended ? 0xFFFF : 0xFF}, {Target::Where::OriginY, 0});
    }
    void ink()
    {
        add(QStringLiteral("colour"), Field::Kind::Colour, shape.pen.ink, {0, 0xFFFF},
            {Target::Where::Ink, 0});
    }
    void paper()
    {
        add(QStringLiteral("background"), Field::Kind::Colour, shape.pen.paper, {0, 0xFFFF},
            {Target::Where::Paper, 0});
    }
    void font()
    {
        add(QStringLiteral("font"), Field::Kind::Font, shape.pen.font, {0, 0xFF},
            {Target::Where::Font, 0});
    }
    void name()
    {
        Field field;
        field.label = QStringLiteral("name");
        field.kind = Field::Kind::Name;
        field.text = statement.name;
        entries.append({field, {Target::Where::Name, 0}});
    }

    QVector<Entry> entries;

private:
    void add(const QString &label, Field::Kind kind, qint64 value, detail::Range range,
             Target target)
    {
        Field field;
        field.label = label;
        field.kind = kind;
        field.value = value;
        field.lowest = range.lowest;
        field.highest = range.highest;
        entries.append({field, target});
    }

    const Shape &shape;
    const Statement &statement;
};

void buttonFields(FieldList &list)
{
    list.argument(QStringLiteral("button"), 0);
    list.argument(QStringLiteral("state"), 1);
    list.argument(QStringLiteral("up image"), 2, Field::Kind::Image);
    list.argument(QStringLiteral("down image"), 3, Field::Kind::Image);
    list.argument(QStringLiteral("disabled image"), 4, Field::Kind::Image);
    list.argument(QStringLiteral("x"), 5);
    list.argument(QStringLiteral("y"), 6);
    list.argument(QStringLiteral("width"), 7);
    list.argument(QStringLiteral("height"), 8);
    list.name();
}

void shapeFields(FieldList &list, const Shape &shape, const Statement &statement)
{
    list.origin();
    switch (shape.kind) {
    case ShapeKind::Box:
    case ShapeKind::FilledBox:
    case ShapeKind::Line:
        list.argument(QStringLiteral("to x"), 0);
        list.argument(QStringLiteral("to y"), 1);
        break;
    case ShapeKind::HorizontalLine:
        list.argument(QStringLiteral("to x"), 0);
        break;
    case ShapeKind::VerticalLine:
        list.argument(QStringLiteral("to y"), 0);
        break;
    case ShapeKind::Circle:
        list.argument(QStringLiteral("radius"), 0);
        break;
    case ShapeKind::Arc:
        list.argument(QStringLiteral("radius"), 0);
        list.argument(QStringLiteral("from"), 1, Field::Kind::Degrees);
        list.argument(QStringLiteral("to"), 2, Field::Kind::Degrees);
        break;
    case ShapeKind::Text:
        list.text(QStringLiteral("text"), Field::Kind::Text);
        list.font();
        if (statement.command == Command::PrintStringBg)
            list.paper();
        break;
    case ShapeKind::Image:
        if (statement.command == Command::PutSfIcon)
            list.argument(QStringLiteral("image"), 0, Field::Kind::Image);
        else
            list.text(QStringLiteral("file"), Field::Kind::CardName);
        return; // an image brings its own colours
    case ShapeKind::Button:
        break;
    }
    list.ink();
}

QVector<Entry> entriesOf(const Layout &layout, const Shape &shape)
{
    FieldList list(layout, shape);
    if (shape.kind == ShapeKind::Button)
        buttonFields(list);
    else
        shapeFields(list, shape, layout.statement(shape.statement));
    return list.entries;
}

// A setting (ink, font) changed for this shape alone: its own setter edited,
// or one inserted before it, with the old value set again after it for the
// statements that read it later.
Edit settingEdit(const Layout &layout, const Shape &shape, const SettingSource &source,
                 Command setter, qint64 value, qint64 old, const QString &text)
{
    const TextLines lines(text);
    Edit edit;
    if (source.statement >= 0) {
        if (const auto change =
                detail::valueChange(layout.statement(source.statement), 0, value, text, lines))
            edit.changes.append(*change);
        return edit;
    }
    if (value == old)
        return edit;
    detail::giveOwnSetter(edit, shape, script::statementText(setter, {value}, {}),
                          source.readLater ? script::statementText(setter, {old}, {}) : QString(),
                          lines);
    return edit;
}

QString quotedName(const QString &name)
{
    return script::quotedText(name.toUtf8());
}

// ` as "Name"` added, changed or taken away.
Edit nameEdit(const Statement &statement, const QString &name, const QString &text)
{
    const TextLines lines(text);
    const QString wanted = name.trimmed();
    Edit edit;
    if (statement.name.isEmpty()) {
        if (!wanted.isEmpty())
            edit.changes.append(TextChange{statement.pos.line,
                                           statement.pos.column + int(statement.source.size()), 0,
                                           QStringLiteral(" as ") + quotedName(wanted)});
        return edit;
    }
    if (wanted == statement.name)
        return edit;
    const script::SourcePos at = statement.namePos;
    const int nameLength = detail::tokenLength(text, lines.offset(at.line, at.column));
    if (!wanted.isEmpty()) {
        edit.changes.append(TextChange{at.line, at.column, nameLength, quotedName(wanted)});
        return edit;
    }
    // From the end of the last number to the end of the name.
    const script::SourcePos last = statement.valuePos.last();
    const int lastEnd =
        last.column + detail::tokenLength(text, lines.offset(last.line, last.column));
    edit.changes.append(TextChange{at.line, lastEnd, at.column + nameLength - lastEnd, {}});
    return edit;
}

Edit argumentEdit(const Layout &layout, const Shape &shape, const Field &field, int index,
                  qint64 value, const QString &text)
{
    const Statement &statement = layout.statement(shape.statement);
    const TextLines lines(text);
    Edit edit;
    const qint64 clamped = std::clamp(value, field.lowest, field.highest);
    if (const auto change = detail::valueChange(statement, index, clamped, text, lines))
        edit.changes.append(*change);
    return edit;
}

} // namespace

QVector<Field> fieldsOf(const Layout &layout, const Shape &shape)
{
    QVector<Field> fields;
    for (const Entry &entry : entriesOf(layout, shape))
        fields.append(entry.field);
    return fields;
}

Edit setField(const Layout &layout, const Shape &shape, int index, qint64 value,
              const QString &given, const QString &text)
{
    const QVector<Entry> entries = entriesOf(layout, shape);
    if (index < 0 || index >= entries.size())
        return {};
    const Entry &entry = entries.at(index);
    const Field &field = entry.field;
    const qint64 clamped = std::clamp(value, field.lowest, field.highest);
    switch (entry.target.where) {
    case Target::Where::Argument:
        if (entry.target.index < 0) {
            if (given == field.text)
                return {};
            QString wanted = given;
            wanted.remove(QChar(0));
            const TextLines lines(text);
            return Edit{{detail::textChange(layout.statement(shape.statement),
                                            script::quotedText(wanted.toLocal8Bit()), text, lines)},
                        {}};
        }
        return argumentEdit(layout, shape, field, entry.target.index, clamped, text);
    case Target::Where::OriginX:
        return detail::originEdit(layout, shape, QPoint(int(clamped), shape.pen.cursor.y()), text);
    case Target::Where::OriginY:
        return detail::originEdit(layout, shape, QPoint(shape.pen.cursor.x(), int(clamped)), text);
    case Target::Where::Ink:
        return settingEdit(layout, shape, shape.ink, Command::SetColorH, clamped, shape.pen.ink,
                           text);
    case Target::Where::Paper:
        return settingEdit(layout, shape, shape.paper, Command::SetBgColorH, clamped,
                           shape.pen.paper, text);
    case Target::Where::Font:
        return settingEdit(layout, shape, shape.font, Command::SelectFont, clamped, shape.pen.font,
                           text);
    case Target::Where::Name:
        return nameEdit(layout.statement(shape.statement), given, text);
    }
    return {};
}

} // namespace design
