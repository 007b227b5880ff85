#ifndef DESIGN_TEXTPLACE_H
#define DESIGN_TEXTPLACE_H

#include "design/edits.h"

#include <QString>
#include <QVector>

#include <optional>

// What the designer's edits share: places in the text, tokens, numbers
// written as the text writes them, and statements inserted around a shape.
namespace design::detail {

// Where each line of a text starts.
class TextLines
{
public:
    explicit TextLines(const QString &text);
    int count() const { return int(starts.size()); }
    // The offset of a line and column (both from 1); a line past the last
    // is the text's end.
    int offset(int line, int column = 1) const;
    QString line(int number) const;
    // The leading blanks of a line.
    QString indent(int number) const;

private:
    const QString &text;
    QVector<int> starts;
};

// The length of the token starting at `offset`: a quoted text up to its
// closing quote, anything else up to white space.
int tokenLength(const QString &text, int offset);

// `value` written as `token` was: in hex after 0x, as #rrggbb for a colour.
QString writtenLike(const QString &token, qint64 value);

// The values a statement's argument `index` takes.
struct Range
{
    qint64 lowest = 0;
    qint64 highest = 0;
    qint64 clamp(qint64 value) const { return std::clamp(value, lowest, highest); }
};
Range rangeOf(const script::Statement &statement, int index, bool extended);

// The change that gives argument `index` of a statement the value `value`,
// or nothing when it has it already.
std::optional<TextChange> valueChange(const script::Statement &statement, int index, qint64 value,
                                      const QString &text, const TextLines &lines);
// The change that replaces the quoted text of a statement.
TextChange textChange(const script::Statement &statement, const QString &quoted,
                      const QString &text, const TextLines &lines);

// A setting statement of the shape's own, `own`, inserted just before it,
// and `restore` (unless empty) just after it, for the later statements that
// read the old setting; the note says so.
void giveOwnSetter(Edit &edit, const Shape &shape, const QString &own, const QString &restore,
                   const TextLines &lines);

QString kindName(ShapeKind kind);

// A shape's origin (the cursor it draws from) set to a logical point.
Edit originEdit(const Layout &layout, const Shape &shape, QPoint origin, const QString &text);

} // namespace design::detail

#endif // DESIGN_TEXTPLACE_H
