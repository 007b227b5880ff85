#ifndef DESIGNCANVAS_H
#define DESIGNCANVAS_H

#include "design/snapping.h"
#include "ui/screenview.h"
#include "ui/shapepalette.h"

#include <QPoint>
#include <QVector>

// The preview as the place the design is edited: the selected shape with
// its handles, the guides of a snap, the grid; presses, drags and arrow
// keys reported in panel pixels. What they do to the script is the pane's.
class DesignCanvas : public ScreenView
{
    Q_OBJECT

public:
    explicit DesignCanvas(QWidget *parent = nullptr);

    // Handles in panel pixels, drawn as squares of a constant size.
    void setHandles(const QVector<QPoint> &handles);
    const QVector<QPoint> &handles() const { return handleSpots; }
    void setGuides(const QVector<design::Guide> &guides);
    const QVector<design::Guide> &guides() const { return guideLines; }
    void setGridShown(bool shown);
    // The handle drawn around `widgetPoint`, or -1.
    int handleAt(QPoint widgetPoint) const;

signals:
    // The left button went down on handle `handle` (-1: none) over `pixel`
    // ((-1, -1) off the picture).
    void grabbed(int handle, QPoint pixel);
    // The mouse moved `panelDelta` whole panel pixels from where it went down.
    void dragged(QPoint panelDelta, bool snapping);
    void released();
    void cancelled();
    void nudged(QPoint panelDelta);
    // The picture moved or changed scale in the widget: rulers follow.
    void placementChanged();
    // Undo (false) or redo (true) asked for with the editor's keys.
    void historyStep(bool redo);
    // A palette item was dropped on `pixel`.
    void shapeDropped(const PaletteChoice &choice, QPoint pixel);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointF handleCentre(QPoint panel) const;
    void paintGrid(QPainter &painter) const;
    void paintGuides(QPainter &painter) const;
    void paintHandles(QPainter &painter) const;

    QVector<QPoint> handleSpots;
    QVector<design::Guide> guideLines;
    bool gridShown = false;
    bool pressed = false;
    QPoint pressedAt; // the panel pixel, unclamped
};

#endif // DESIGNCANVAS_H
