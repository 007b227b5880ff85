#ifndef DESIGN_EDITS_H
#define DESIGN_EDITS_H

#include "design/layout.h"
#include "design/screens.h"

#include <QPoint>
#include <QString>
#include <QVector>

#include <optional>

// Changes the designer makes, as edits of the script's text: the numbers a
// move must change and nothing else, or whole statements added. Every edit
// is computed against the text and layout it starts from, so a drag is the
// edit from where it began to where the mouse is now.
namespace design {

// Replaces `length` characters at a place of the text; lines and columns
// count from 1. An insertion of whole lines has column 1, length 0, and text
// ending in a line break.
struct TextChange
{
    int line = 0;
    int column = 0;
    int length = 0;
    QString text;
};

struct Edit
{
    QVector<TextChange> changes;
    QString note; // for the status bar: what the edit did besides the numbers

    bool isEmpty() const { return changes.isEmpty(); }
};

// The text with the edit made. Changes may come in any order.
QString applied(const QString &text, const Edit &edit);

// What the mouse can take hold of on a selected shape.
enum class Handle
{
    Body,    // the whole shape: a move
    Start,   // a line's first point: the cursor it starts from
    End,     // a line's last point
    TopLeft, // the corners of a box or a button
    TopRight,
    BottomLeft,
    BottomRight,
    Radius, // a circle's or an arc's edge
};

struct HandleSpot
{
    Handle handle = Handle::Body;
    QPoint panel; // where it is drawn, in panel pixels
};

// The handles a shape offers besides its body; none when it is fixed.
QVector<HandleSpot> handlesOf(const Layout &layout, const Shape &shape);

// The shape moved by `panelDelta` panel pixels, every number kept inside
// its field (the move is cut short instead). `text` is the script the
// layout was made from.
Edit moveShape(const Layout &layout, const Shape &shape, QPoint panelDelta, const QString &text);
// A handle dragged to `panelPoint`.
Edit dragHandle(const Layout &layout, const Shape &shape, Handle handle, QPoint panelPoint,
                const QString &text);

// One value the inspector shows and edits.
struct Field
{
    enum class Kind
    {
        Number,   // a plain number within lowest..highest
        Degrees,  // an angle, in degrees
        Colour,   // a colour word, shown as the colour it gives
        Font,     // a font number: one of the font list's
        Image,    // an image number: one of the image list's
        Text,     // text sent as the statement's text
        CardName, // a file name on the card
        Name,     // a button's name, sent nowhere
    };
    QString label;
    Kind kind = Kind::Number;
    qint64 value = 0;
    QString text; // Text, CardName, Name
    qint64 lowest = 0;
    qint64 highest = 0;
};

QVector<Field> fieldsOf(const Layout &layout, const Shape &shape);
// The field at `index` of fieldsOf() set to `value` (numbers) or `given`
// (texts and names). Values beyond the field are kept at its edge. `text`
// is the script the layout was made from.
Edit setField(const Layout &layout, const Shape &shape, int index, qint64 value,
              const QString &given, const QString &text);

// What the palette adds.
enum class NewShape
{
    Text,
    Box,
    FilledBox,
    Circle,
    Arc,
    Line,
    Image,
    Button,
};

struct Insertion
{
    NewShape shape = NewShape::Box;
    QPoint panelPoint;    // where it was dropped
    quint16 ink = 0xFFFF; // its colour word
    int image = 0;        // Image: its number in the image list
};

// Statements that draw a new shape at the drop point, inserted before line
// `beforeLine` (past the last line: at the end), with that line's indent.
Edit insertShape(const Layout &layout, const Insertion &insertion, const QString &text,
                 int beforeLine);
// Where the palette's statements go for a cursor on `cursorLine`: before
// the `end` of the screen holding it, or after the script's last line.
int insertionLine(const QVector<ScreenBlock> &screens, const QString &text, int cursorLine);

// A colour word that shows against the panel pixel `below` (RGB565).
quint16 contrastingInk(quint16 below);

} // namespace design

#endif // DESIGN_EDITS_H
