#ifndef RULER_H
#define RULER_H

#include <QWidget>

class ScreenView;

// Module pixels along one edge of a ScreenView: a tick every 10, a number
// every 50, and the mouse's place marked. Read from where the view shows
// the picture now, so it follows zoom and scrolling.
class Ruler : public QWidget
{
    Q_OBJECT

public:
    Ruler(Qt::Orientation orientation, const ScreenView *view, QWidget *parent = nullptr);

    // The module pixel under the mouse along this ruler; -1: none.
    void setMark(int pixel);
    int mark() const { return marked; }
    // Where module pixel `pixel` begins along the ruler, in its own pixels.
    double placeOf(int pixel) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double along(QPoint point) const;

    Qt::Orientation orientation;
    const ScreenView *view;
    int marked = -1;
};

#endif // RULER_H
