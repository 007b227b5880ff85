#ifndef DESIGN_SNAPPING_H
#define DESIGN_SNAPPING_H

#include <QPoint>
#include <QRect>
#include <QVector>

// Where a dragged shape or handle settles: on another shape's edge or
// centre when one is near, else on the grid. Panel pixels throughout.
namespace design {

// A line to draw while dragging: the shape lines up with another there.
struct Guide
{
    Qt::Orientation orientation = Qt::Vertical; // vertical: x == at
    int at = 0;
    int from = 0; // its extent along the other axis
    int to = 0;
};

struct SnapSettings
{
    int grid = 8;  // 0: no grid
    int reach = 4; // how near an edge must come to take hold, in panel pixels
    bool toShapes = true;
};

struct Snap
{
    QPoint delta; // or the point, for snapPoint()
    QVector<Guide> guides;
};

// A shape with bounds `moving` dragged by `delta`: the delta that lines its
// left, centre or right (top, middle, bottom) up with one of `others`, or
// its top-left corner with the grid.
Snap snapMove(const QRect &moving, QPoint delta, const QVector<QRect> &others,
              const SnapSettings &settings);
// A handle dragged to `point`.
Snap snapPoint(QPoint point, const QVector<QRect> &others, const SnapSettings &settings);

} // namespace design

#endif // DESIGN_SNAPPING_H
