#include "ui/shapedrag.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

TextSplice spliceBetween(const QString &before, const QString &after)
{
    const int shorter = int(std::min(before.size(), after.size()));
    int head = 0;
    while (head < shorter && before.at(head) == after.at(head))
        ++head;
    // The common end may not reach into the common start: "aa" to "aaa"
    // inserts one character, it does not overlap two.
    int tail = 0;
    while (tail < shorter - head &&
           before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
        ++tail;
    return {head, int(before.size()) - head - tail, after.mid(head, after.size() - head - tail)};
}

void DocumentGesture::show(const QString &text)
{
    const TextSplice splice = spliceBetween(document->toPlainText(), text);
    if (splice.isEmpty())
        return;
    QTextCursor cursor(document);
    if (began)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    cursor.setPosition(splice.start);
    cursor.setPosition(splice.start + splice.removed, QTextCursor::KeepAnchor);
    cursor.insertText(splice.inserted);
    cursor.endEditBlock();
    began = true;
}

// The gesture is one undo step, so undoing it is exactly the text before.
void DocumentGesture::cancel()
{
    if (!began)
        return;
    document->undo();
    began = false;
}

ShapeDrag::ShapeDrag(const preview::RenderContext &context, const QString &text,
                     const QString &baseDir, bool extendedAtStart, int steps, int shape,
                     design::Handle handle)
    : base(std::make_unique<preview::ScreenRender>(context)), original(text), shapeIndex(shape),
      handle(handle)
{
    base->setText(text, baseDir, extendedAtStart);
    layout = design::Layout(*base, base->screenAfter(steps));
    if (!isValid())
        return;
    for (const design::HandleSpot &spot : design::handlesOf(layout, this->shape()))
        if (spot.handle == handle)
            handleStart = spot.panel;
    for (int index = 0; index < layout.shapes().size(); ++index) {
        const QRect &bounds = layout.shapes().at(index).bounds;
        if (index != shapeIndex && !bounds.isEmpty())
            others << bounds;
    }
}

ShapeDrag::Step ShapeDrag::at(QPoint panelDelta, const design::SnapSettings *snapping) const
{
    Step step;
    if (!isValid())
        return {original, {}, {}};
    design::Edit edit;
    if (handle == design::Handle::Body) {
        if (snapping) {
            const design::Snap snap =
                design::snapMove(shape().bounds, panelDelta, others, *snapping);
            panelDelta = snap.delta;
            step.guides = snap.guides;
        }
        edit = design::moveShape(layout, shape(), panelDelta, original);
    } else {
        QPoint point = handleStart + panelDelta;
        if (snapping) {
            const design::Snap snap = design::snapPoint(point, others, *snapping);
            point = snap.delta;
            step.guides = snap.guides;
        }
        edit = design::dragHandle(layout, shape(), handle, point, original);
    }
    step.text = design::applied(original, edit);
    step.note = edit.note;
    return step;
}
