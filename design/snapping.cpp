#include "design/snapping.h"

#include <array>
#include <cstdlib>
#include <limits>

namespace design {

namespace {

// A rectangle's lines along one axis: its low edge, middle and high edge.
std::array<int, 3> linesOf(const QRect &rect, Qt::Orientation orientation)
{
    if (orientation == Qt::Vertical) // lines where x is constant
        return {rect.left(), rect.left() + rect.width() / 2, rect.right()};
    return {rect.top(), rect.top() + rect.height() / 2, rect.bottom()};
}

// The extent of a guide: across both rectangles.
QPair<int, int> spanOf(const QRect &a, const QRect &b, Qt::Orientation orientation)
{
    if (orientation == Qt::Vertical)
        return {std::min(a.top(), b.top()), std::max(a.bottom(), b.bottom())};
    return {std::min(a.left(), b.left()), std::max(a.right(), b.right())};
}

struct AxisSnap
{
    int shift = 0;
    QVector<Guide> guides;
};

// The smallest shift within reach that puts one of `mine` on a line of
// another rectangle, with a guide for every line it then meets.
AxisSnap snapAxis(const std::array<int, 3> &mine, const QRect &moving, const QVector<QRect> &others,
                  Qt::Orientation orientation, const SnapSettings &settings)
{
    AxisSnap best;
    int bestDistance = std::numeric_limits<int>::max();
    if (settings.toShapes) {
        for (const QRect &other : others) {
            for (int theirs : linesOf(other, orientation)) {
                for (int line : mine) {
                    const int shift = theirs - line;
                    if (std::abs(shift) <= settings.reach && std::abs(shift) < bestDistance) {
                        bestDistance = std::abs(shift);
                        best.shift = shift;
                    }
                }
            }
        }
    }
    if (bestDistance == std::numeric_limits<int>::max()) {
        if (settings.grid > 0) {
            const int low = mine.front();
            const int below = low - ((low % settings.grid) + settings.grid) % settings.grid;
            best.shift =
                (low - below) * 2 < settings.grid ? below - low : below + settings.grid - low;
        }
        return best;
    }
    const QRect placed = orientation == Qt::Vertical ? moving.translated(best.shift, 0)
                                                     : moving.translated(0, best.shift);
    for (const QRect &other : others) {
        for (int theirs : linesOf(other, orientation)) {
            for (int line : mine) {
                if (line + best.shift != theirs)
                    continue;
                const auto [from, to] = spanOf(placed, other, orientation);
                best.guides.append(Guide{orientation, theirs, from, to});
            }
        }
    }
    return best;
}

} // namespace

Snap snapMove(const QRect &moving, QPoint delta, const QVector<QRect> &others,
              const SnapSettings &settings)
{
    const QRect placed = moving.translated(delta);
    const AxisSnap x =
        snapAxis(linesOf(placed, Qt::Vertical), placed, others, Qt::Vertical, settings);
    const AxisSnap y = snapAxis(linesOf(placed, Qt::Horizontal), placed.translated(x.shift, 0),
                                others, Qt::Horizontal, settings);
    Snap snap{delta + QPoint(x.shift, y.shift), x.guides + y.guides};
    // The vertical guides were spanned before the vertical shift.
    for (Guide &guide : snap.guides) {
        if (guide.orientation == Qt::Vertical) {
            guide.from = std::min(guide.from, placed.top() + y.shift);
            guide.to = std::max(guide.to, placed.bottom() + y.shift);
        }
    }
    return snap;
}

Snap snapPoint(QPoint point, const QVector<QRect> &others, const SnapSettings &settings)
{
    const QRect dot(point, QSize(1, 1));
    const AxisSnap x =
        snapAxis({point.x(), point.x(), point.x()}, dot, others, Qt::Vertical, settings);
    const AxisSnap y = snapAxis({point.y(), point.y(), point.y()}, dot.translated(x.shift, 0),
                                others, Qt::Horizontal, settings);
    QVector<Guide> guides = x.guides + y.guides;
    // A point meets a line once, however many of its three "lines" it has.
    QVector<Guide> unique;
    for (const Guide &guide : guides) {
        const bool seen = std::any_of(unique.begin(), unique.end(), [&](const Guide &other) {
            return other.orientation == guide.orientation && other.at == guide.at &&
                   other.from == guide.from && other.to == guide.to;
        });
        if (!seen)
            unique.append(guide);
    }
    return Snap{point + QPoint(x.shift, y.shift), unique};
}

} // namespace design
