#include "ui/designcanvas.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr int handleSize = 7;  // widget pixels, whatever the zoom
constexpr int handleReach = 5; // how far from its centre a handle takes a press
constexpr int gridStep = 8;    // panel pixels, as the snapping grid
const QColor guideColour(255, 0, 200);
const QColor gridColour(128, 128, 128, 60);

} // namespace

DesignCanvas::DesignCanvas(QWidget *parent) : ScreenView(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
}

namespace {

QPoint dropPoint(const QDropEvent *event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return event->position().toPoint();
#else
    return event->pos();
#endif
}

} // namespace

void DesignCanvas::dragEnterEvent(QDragEnterEvent *event)
{
    if (ShapePalette::choiceOf(event->mimeData()))
        event->acceptProposedAction();
}

void DesignCanvas::dragMoveEvent(QDragMoveEvent *event)
{
    const bool onPicture = pixelAt(dropPoint(event)).x() >= 0;
    if (onPicture && ShapePalette::choiceOf(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DesignCanvas::dropEvent(QDropEvent *event)
{
    const std::optional<PaletteChoice> choice = ShapePalette::choiceOf(event->mimeData());
    const QPoint pixel = pixelAt(dropPoint(event));
    if (!choice || pixel.x() < 0)
        return;
    event->acceptProposedAction();
    emit shapeDropped(*choice, pixel);
}

void DesignCanvas::setHandles(const QVector<QPoint> &handles)
{
    handleSpots = handles;
    update();
}

void DesignCanvas::setGuides(const QVector<design::Guide> &guides)
{
    guideLines = guides;
    update();
}

void DesignCanvas::setGridShown(bool shown)
{
    gridShown = shown;
    update();
}

QPointF DesignCanvas::handleCentre(QPoint panel) const
{
    return widgetRect(QRect(panel, QSize(1, 1))).center();
}

int DesignCanvas::handleAt(QPoint widgetPoint) const
{
    for (int index = 0; index < handleSpots.size(); ++index) {
        const QPointF offset = QPointF(widgetPoint) - handleCentre(handleSpots.at(index));
        if (std::abs(offset.x()) <= handleReach && std::abs(offset.y()) <= handleReach)
            return index;
    }
    return -1;
}

void DesignCanvas::paintEvent(QPaintEvent *event)
{
    ScreenView::paintEvent(event);
    QPainter painter(this);
    if (gridShown)
        paintGrid(painter);
    paintGuides(painter);
    paintHandles(painter);
}

void DesignCanvas::paintGrid(QPainter &painter) const
{
    const QRectF picture = widgetRect(QRect(QPoint(0, 0), image().size()));
    painter.setPen(QPen(gridColour, 0));
    for (int x = gridStep; x < image().width(); x += gridStep) {
        const double at = picture.left() + x * scale();
        painter.drawLine(QPointF(at, picture.top()), QPointF(at, picture.bottom()));
    }
    for (int y = gridStep; y < image().height(); y += gridStep) {
        const double at = picture.top() + y * scale();
        painter.drawLine(QPointF(picture.left(), at), QPointF(picture.right(), at));
    }
}

// Guides cross the whole view, not just the picture: they are read against
// the shape being dragged, which may stand off the screen.
void DesignCanvas::paintGuides(QPainter &painter) const
{
    painter.setPen(QPen(guideColour, 1, Qt::DashLine));
    for (const design::Guide &guide : guideLines) {
        const QPointF at = handleCentre({guide.at, guide.at});
        if (guide.orientation == Qt::Vertical)
            painter.drawLine(QPointF(at.x(), 0), QPointF(at.x(), height()));
        else
            painter.drawLine(QPointF(0, at.y()), QPointF(width(), at.y()));
    }
}

void DesignCanvas::paintHandles(QPainter &painter) const
{
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    for (const QPoint &spot : handleSpots) {
        QRectF square(0, 0, handleSize, handleSize);
        square.moveCenter(handleCentre(spot));
        painter.drawRect(square);
    }
}

void DesignCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed = true;
    pressedAt = pixelBeyond(event->pos());
    emit grabbed(handleAt(event->pos()), pixelAt(event->pos()));
}

void DesignCanvas::mouseMoveEvent(QMouseEvent *event)
{
    ScreenView::mouseMoveEvent(event);
    if (pressed)
        emit dragged(pixelBeyond(event->pos()) - pressedAt,
                     !(event->modifiers() & Qt::AltModifier));
}

void DesignCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !pressed)
        return;
    pressed = false;
    emit released();
}

void DesignCanvas::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        emit historyStep(event->matches(QKeySequence::Redo));
        return;
    }
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        emit nudged({-step, 0});
        break;
    case Qt::Key_Right:
        emit nudged({step, 0});
        break;
    case Qt::Key_Up:
        emit nudged({0, -step});
        break;
    case Qt::Key_Down:
        emit nudged({0, step});
        break;
    case Qt::Key_Escape:
        // The press still ends with the button's release; until then, moves
        // do nothing.
        if (pressed)
            emit cancelled();
        pressed = false;
        break;
    default:
        ScreenView::keyPressEvent(event);
    }
}

void DesignCanvas::moveEvent(QMoveEvent *event)
{
    ScreenView::moveEvent(event);
    emit placementChanged();
}

void DesignCanvas::resizeEvent(QResizeEvent *event)
{
    ScreenView::resizeEvent(event);
    emit placementChanged();
}
