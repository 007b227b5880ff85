#include "ui/screenview.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
const QSize moduleScreen(320, 240);
const QColor buttonColour(0, 200, 255);
const QColor selectionColour(255, 200, 0);
} // namespace

ScreenView::ScreenView(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setZoom(zoomSetting);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ScreenView::setImage(const QImage &image)
{
    shown = image;
    update();
}

void ScreenView::setZoom(int zoom)
{
    zoomSetting = std::max(zoom, 0);
    // In a scroll area a zoomed picture keeps its size and scrolls; a fitted
    // one takes what the area gives.
    setMinimumSize(zoomSetting == fitZoom ? moduleScreen : moduleScreen * zoomSetting);
    updateGeometry();
    update();
}

void ScreenView::setOutlines(const QVector<QRect> &buttons, const QRect &selection)
{
    buttonOutlines = buttons;
    selectionOutline = selection;
    update();
}

QSize ScreenView::sizeHint() const
{
    const int factor = zoomSetting == fitZoom ? 2 : zoomSetting;
    return moduleScreen * factor;
}

// Whole steps when fitting too: a module pixel is always a square of screen
// pixels, so a one-pixel line never blurs or vanishes.
double ScreenView::scale() const
{
    if (zoomSetting != fitZoom)
        return zoomSetting;
    const double fits =
        std::min(double(width()) / moduleScreen.width(), double(height()) / moduleScreen.height());
    return fits >= 1 ? std::floor(fits) : fits;
}

QRectF ScreenView::pictureRect() const
{
    const QSizeF size = QSizeF(moduleScreen) * scale();
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPoint ScreenView::pixelAt(QPoint widgetPoint) const
{
    const QRectF picture = pictureRect();
    if (!picture.contains(widgetPoint))
        return {-1, -1};
    const QPointF inside = (QPointF(widgetPoint) - picture.topLeft()) / scale();
    return {std::min(int(inside.x()), moduleScreen.width() - 1),
            std::min(int(inside.y()), moduleScreen.height() - 1)};
}

QPoint ScreenView::pixelBeyond(QPoint widgetPoint) const
{
    const QPointF inside = (QPointF(widgetPoint) - pictureRect().topLeft()) / scale();
    return {int(std::floor(inside.x())), int(std::floor(inside.y()))};
}

QRectF ScreenView::widgetRect(const QRect &pixels) const
{
    const QRectF picture = pictureRect();
    const double factor = scale();
    return QRectF(picture.topLeft() + QPointF(pixels.topLeft()) * factor,
                  QSizeF(pixels.size()) * factor);
}

void ScreenView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRectF picture = pictureRect();
    painter.drawImage(picture, shown);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(buttonColour, 1, Qt::DashLine));
    for (const QRect &button : buttonOutlines)
        painter.drawRect(widgetRect(button).adjusted(0, 0, -1, -1));
    if (!selectionOutline.isEmpty()) {
        painter.setPen(QPen(selectionColour, 2));
        painter.drawRect(widgetRect(selectionOutline));
    }
}

void ScreenView::mouseMoveEvent(QMouseEvent *event)
{
    emit hovered(pixelAt(event->pos()));
}

void ScreenView::mousePressEvent(QMouseEvent *event)
{
    const QPoint pixel = pixelAt(event->pos());
    if (event->button() == Qt::LeftButton && pixel.x() >= 0)
        emit clicked(pixel);
}

void ScreenView::leaveEvent(QEvent *)
{
    emit hovered({-1, -1});
}
