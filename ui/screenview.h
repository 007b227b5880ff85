#ifndef SCREENVIEW_H
#define SCREENVIEW_H

#include <QImage>
#include <QRect>
#include <QVector>
#include <QWidget>

// The module's screen as a picture, in whole-pixel zoom steps or fitted to
// the widget, with outlines drawn over it (touch buttons, what a statement
// drew). Reports the module pixel under the mouse and the one clicked.
class ScreenView : public QWidget
{
    Q_OBJECT

public:
    // 0 fits the picture into the widget, keeping whole module pixels square.
    static constexpr int fitZoom = 0;

    explicit ScreenView(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    const QImage &image() const { return shown; }
    void setZoom(int zoom);
    int zoom() const { return zoomSetting; }
    // Outlines in module pixels: `buttons` in one colour, `selection` in another.
    void setOutlines(const QVector<QRect> &buttons, const QRect &selection);

    // The module pixel under a point of the widget, or (-1, -1) off the picture.
    QPoint pixelAt(QPoint widgetPoint) const;
    // The same, continued beyond the picture's edges: a drag may leave it.
    QPoint pixelBeyond(QPoint widgetPoint) const;
    // The widget's rectangle that shows the module pixel rectangle `pixels`.
    QRectF widgetRect(const QRect &pixels) const;

    QSize sizeHint() const override;

signals:
    void hovered(QPoint pixel); // (-1, -1) when the mouse leaves the picture
    void clicked(QPoint pixel);

protected:
    double scale() const;
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QRectF pictureRect() const;

    QImage shown;
    int zoomSetting = 2;
    QVector<QRect> buttonOutlines;
    QRect selectionOutline;
};

#endif // SCREENVIEW_H
