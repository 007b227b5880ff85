#ifndef SHAPEDRAG_H
#define SHAPEDRAG_H

#include "design/edits.h"
#include "design/layout.h"
#include "design/snapping.h"
#include "preview/screenrender.h"

#include <QPoint>
#include <QString>
#include <QVector>

#include <memory>

class QTextDocument;

// The smallest replacement that turns one text into another: what lies
// between their common start and their common end.
struct TextSplice
{
    int start = 0;
    int removed = 0;
    QString inserted;

    bool isEmpty() const { return removed == 0 && inserted.isEmpty(); }
};

TextSplice spliceBetween(const QString &before, const QString &after);

// The changes one gesture makes to a document, as a single undo step: the
// first change opens an edit block, later ones join it. Only the range that
// differs is replaced, so the editor's cursor and scroll stay where they are.
class DocumentGesture
{
public:
    explicit DocumentGesture(QTextDocument *document) : document(document) {}

    // Makes the document's text `text`.
    void show(const QString &text);
    // Puts the text back as it was before the first change.
    void cancel();
    bool changed() const { return began; }

private:
    QTextDocument *document;
    bool began = false;
};

// A drag of one shape, body or handle, worked out from the text and layout
// it began with: every position of the mouse gives the edit from there, so
// moving back undoes what moving away did and rounding never accumulates.
// It keeps its own render of the starting text, which the layout points
// into, while the window renders the edited text.
class ShapeDrag
{
public:
    struct Step
    {
        QString text; // the whole script, edited
        QString note;
        QVector<design::Guide> guides;
    };

    // `shape` indexes the layout of `text` after `steps` steps (as the
    // window's own layout of the same text numbers it).
    ShapeDrag(const preview::RenderContext &context, const QString &text, const QString &baseDir,
              bool extendedAtStart, int steps, int shape, design::Handle handle);

    // The drag `panelDelta` panel pixels from where it started; snapped
    // unless `snapping` is null.
    Step at(QPoint panelDelta, const design::SnapSettings *snapping) const;

    const design::Shape &shape() const { return layout.shapes().at(shapeIndex); }
    bool isValid() const { return shapeIndex >= 0 && shapeIndex < layout.shapes().size(); }
    const QString &originalText() const { return original; }

private:
    std::unique_ptr<preview::ScreenRender> base;
    design::Layout layout;
    QString original;
    int shapeIndex;
    design::Handle handle;
    QPoint handleStart;    // where the dragged handle stood
    QVector<QRect> others; // what the shape snaps to
};

#endif // SHAPEDRAG_H
