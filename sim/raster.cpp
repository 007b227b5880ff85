#include "raster.h"

#include "bitmapfont.h"

#include <QtMath>

#include <algorithm>
#include <cstdlib>

namespace vxsim {

namespace {

// Keeps tall boxes cheap: of the rows off the screen only the nearest one
// on each side is visited, so that the box is still seen to reach past it.
int clampTo(int value, int size)
{
    return std::clamp(value, -1, size);
}

bool angleInArc(int turn, int begin, int end)
{
    if (end - begin >= TurnUnitsPerCircle)
        return true;
    begin %= TurnUnitsPerCircle;
    end %= TurnUnitsPerCircle;
    if (begin <= end)
        return turn >= begin && turn <= end;
    return turn >= begin || turn <= end;
}

int turnOf(int dx, int dy)
{
    double angle = qAtan2(dy, dx);
    if (angle < 0)
        angle += 2 * M_PI;
    return qRound(angle * TurnUnitsPerCircle / (2 * M_PI)) % TurnUnitsPerCircle;
}

// Visits the points of a midpoint circle, each once per octant.
template <typename Visit> void forEachCirclePoint(int radius, Visit visit)
{
    int x = radius;
    int y = 0;
    int error = 1 - radius;
    while (x >= y) {
        for (const QPoint p : {QPoint(x, y), QPoint(y, x), QPoint(-y, x), QPoint(-x, y),
                               QPoint(-x, -y), QPoint(-y, -x), QPoint(y, -x), QPoint(x, -y)})
            visit(p);
        ++y;
        if (error < 0) {
            error += 2 * y + 1;
        } else {
            --x;
            error += 2 * (y - x) + 1;
        }
    }
}

} // namespace

void drawHorizontalLine(Screen &screen, int x0, int x1, int y, quint16 colour)
{
    screen.plotRow(x0, x1, y, colour);
}

void drawVerticalLine(Screen &screen, int x, int y0, int y1, quint16 colour)
{
    screen.plotColumn(x, y0, y1, colour);
}

void drawLine(Screen &screen, QPoint from, QPoint to, quint16 colour)
{
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int stepX = from.x() < to.x() ? 1 : -1;
    const int stepY = from.y() < to.y() ? 1 : -1;
    int error = dx + dy;
    QPoint p = from;
    for (;;) {
        screen.plot(p.x(), p.y(), colour);
        if (p == to)
            return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.rx() += stepX;
        }
        if (twice <= dx) {
            error += dx;
            p.ry() += stepY;
        }
    }
}

void drawBox(Screen &screen, QPoint corner, QPoint opposite, quint16 colour)
{
    drawHorizontalLine(screen, corner.x(), opposite.x(), corner.y(), colour);
    drawHorizontalLine(screen, corner.x(), opposite.x(), opposite.y(), colour);
    drawVerticalLine(screen, corner.x(), corner.y(), opposite.y(), colour);
    drawVerticalLine(screen, opposite.x(), corner.y(), opposite.y(), colour);
}

void fillBox(Screen &screen, QPoint corner, QPoint opposite, quint16 colour)
{
    const int from = clampTo(std::min(corner.y(), opposite.y()), screen.height());
    const int to = clampTo(std::max(corner.y(), opposite.y()), screen.height());
    for (int y = from; y <= to; ++y)
        drawHorizontalLine(screen, corner.x(), opposite.x(), y, colour);
}

void drawCircle(Screen &screen, QPoint centre, int radius, quint16 colour)
{
    forEachCirclePoint(
        radius, [&](QPoint p) { screen.plot(centre.x() + p.x(), centre.y() + p.y(), colour); });
}

void drawArc(Screen &screen, QPoint centre, int radius, int beginTurn, int endTurn, quint16 colour)
{
    forEachCirclePoint(radius, [&](QPoint p) {
        if (angleInArc(turnOf(p.x(), p.y()), beginTurn, endTurn))
            screen.plot(centre.x() + p.x(), centre.y() + p.y(), colour);
    });
}

int drawText(Screen &screen, QPoint at, const QByteArray &text, const TextStyle &style)
{
    const int scale = std::max(1, style.scale);
    const int cellWidth = BitmapFont::CellWidth * scale;
    for (int i = 0; i < text.size(); ++i) {
        const QPoint cell(at.x() + i * cellWidth, at.y());
        for (int row = 0; row < BitmapFont::CellHeight * scale; ++row) {
            for (int column = 0; column < cellWidth; ++column) {
                const bool ink = BitmapFont::isInk(quint8(text.at(i)), column / scale, row / scale);
                if (ink || style.paper)
                    screen.plot(cell.x() + column, cell.y() + row, ink ? style.ink : *style.paper);
            }
        }
    }
    return int(text.size()) * cellWidth;
}

void drawIcon(Screen &screen, QPoint at, const Icon &icon, QSize limit)
{
    const int width = limit.isValid() ? std::min(icon.width, limit.width()) : icon.width;
    const int height = limit.isValid() ? std::min(icon.height, limit.height()) : icon.height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const quint16 colour = icon.at(x, y);
            if (colour != icon.transparent)
                screen.plot(at.x() + x, at.y() + y, colour);
        }
    }
}

} // namespace vxsim
