#include "ui/ruler.h"

#include "ui/screenview.h"

#include <QPainter>

namespace {

constexpr int thickness = 18;
constexpr int tickEvery = 10;
constexpr int labelEvery = 50;

} // namespace

Ruler::Ruler(Qt::Orientation orientation, const ScreenView *view, QWidget *parent)
    : QWidget(parent), orientation(orientation), view(view)
{
    if (orientation == Qt::Horizontal)
        setFixedHeight(thickness);
    else
        setFixedWidth(thickness);
}

QSize Ruler::sizeHint() const
{
    return {thickness, thickness};
}

void Ruler::setMark(int pixel)
{
    if (pixel == marked)
        return;
    marked = pixel;
    update();
}

double Ruler::along(QPoint point) const
{
    return orientation == Qt::Horizontal ? point.x() : point.y();
}

double Ruler::placeOf(int pixel) const
{
    // Through global coordinates: the view sits in a scroll area, the
    // ruler beside it.
    const QPoint viewOrigin = mapFromGlobal(view->mapToGlobal(QPoint(0, 0)));
    const QRectF shown = view->widgetRect(QRect(pixel, pixel, 1, 1));
    return along(viewOrigin) + (orientation == Qt::Horizontal ? shown.left() : shown.top());
}

void Ruler::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    const QSize screen = view->image().isNull() ? QSize(320, 240) : view->image().size();
    const int last = orientation == Qt::Horizontal ? screen.width() : screen.height();
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    painter.setFont(small);
    for (int pixel = 0; pixel <= last; pixel += tickEvery) {
        const double at = placeOf(pixel);
        const int length = pixel % labelEvery == 0 ? thickness : thickness / 3;
        if (orientation == Qt::Horizontal) {
            painter.drawLine(QPointF(at, thickness - length), QPointF(at, thickness));
            if (pixel % labelEvery == 0)
                painter.drawText(QPointF(at + 2, thickness / 2.0 + 1), QString::number(pixel));
        } else {
            painter.drawLine(QPointF(thickness - length, at), QPointF(thickness, at));
            if (pixel % labelEvery == 0) {
                painter.save();
                painter.translate(2, at + 2); // glyphs rise towards the view
                painter.rotate(90);
                painter.drawText(QPointF(0, 0), QString::number(pixel));
                painter.restore();
            }
        }
    }
    if (marked < 0)
        return;
    const double from = placeOf(marked);
    const double to = placeOf(marked + 1);
    const QRectF markArea = orientation == Qt::Horizontal
                                ? QRectF(from, 0, std::max(to - from, 1.0), thickness)
                                : QRectF(0, from, thickness, std::max(to - from, 1.0));
    painter.fillRect(markArea, QColor(255, 0, 0, 160));
}
