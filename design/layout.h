#ifndef DESIGN_LAYOUT_H
#define DESIGN_LAYOUT_H

#include "preview/screenrender.h"

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

// The screen designer's view of a script: the shapes its statements draw,
// where their numbers stand in the text, and which statements place and
// colour them. The text stays the design; nothing here is kept apart from
// it. Widget-free.
namespace design {

enum class ShapeKind
{
    Box,            // boxH: a frame from the cursor to a corner
    FilledBox,      // boxHFill
    Circle,         // circleRH: around the cursor
    Arc,            // arcH
    Line,           // LINE_TO_XHY: from the cursor to a point
    HorizontalLine, // H_LINEH: from the cursor to an x
    VerticalLine,   // V_LINE: from the cursor to a y
    Text,           // printString, PRINT_STRING_BG: from the cursor
    Image,          // PUT_SF_ICON, sdPutIcon: at the cursor
    Button,         // buttonDef: its own area
};

// A statement's place in the script, as ScreenRender numbers statements
// (text order, a repeat before its body).
struct StatementInfo
{
    const script::Statement *statement = nullptr;
    int parent = -1;       // the repeat or screen holding it; -1 at the top
    int firstStep = -1;    // its first step in the run shown; -1 when it did not run
    bool inRepeat = false; // within a repeat's body, at any depth
    bool extended = false; // the mode it first ran in
};

// Where a shape gets a setting of the module's memory from: its position
// (the cursor), its ink or its font.
struct SettingSource
{
    // The statement that sets it for this shape alone; -1 when there is
    // none: an edit then gives the shape a statement of its own.
    int statement = -1;
    // Statements after the shape read the same setting, before anything
    // sets it again: an edit must leave it as it was for them.
    bool readLater = false;
};

struct Shape
{
    ShapeKind kind = ShapeKind::Box;
    int statement = -1; // the drawing statement
    int line = 0;
    QRect bounds;           // panel pixels it wrote in the steps shown; may be empty
    preview::Pen pen;       // as it began: its origin is pen.cursor
    QPoint cursorAfter;     // the cursor it left behind
    bool extended = false;  // the mode it ran in
    SettingSource position; // not for buttons, which carry their own
    SettingSource ink;
    SettingSource font;  // text only
    SettingSource paper; // text on its own background only
    // Non-empty when the shape is shown but cannot be moved: why.
    QString fixed;
};

struct Setting;

// Every shape whose pixels are still on the screen after the steps shown,
// in the order they were drawn.
class Layout
{
public:
    Layout() = default;
    // After every step of `render`.
    explicit Layout(const preview::ScreenRender &render);
    // `shown` is a screen of `render`, after some of its steps.
    Layout(const preview::ScreenRender &render, const preview::RenderedScreen &shown);

    const QVector<Shape> &shapes() const { return all; }
    const StatementInfo &info(int statement) const { return statements.at(statement); }
    const script::Statement &statement(int index) const { return *statements.at(index).statement; }
    int statementCount() const { return int(statements.size()); }
    int steps() const { return shownSteps; }
    // The pen after the steps shown: new shapes are drawn with it.
    const preview::Pen &penAtEnd() const { return endPen; }
    bool extendedAtEnd() const { return endExtended; }

    // The shape drawn by, or placed by, the statement on `line`; -1 if none.
    int shapeAtLine(int line) const;
    // The shape a statement draws; -1 if none is shown.
    int shapeOfStatement(int statement) const;
    // The lines a shape's statements stand on, first to last: its position
    // statement, when its own, and its drawing statement.
    QPair<int, int> linesOf(const Shape &shape) const;

private:
    void indexStatements(const QVector<script::Statement> &list, int parent, bool inRepeat);
    void findShapes(const preview::ScreenRender &render, const QVector<int> &writers);
    QString fixedReason(int statement) const;
    SettingSource sourceOf(int shape, const Setting &setting) const;

    QVector<StatementInfo> statements;
    QVector<Shape> all;
    QHash<int, int> byStatement;
    int shownSteps = 0;
    preview::Pen endPen;
    bool endExtended = false;
};

// The kind of shape a command statement draws, if any.
std::optional<ShapeKind> shapeKindOf(const script::Statement &statement);

} // namespace design

#endif // DESIGN_LAYOUT_H
