#ifndef VXSIM_RASTER_H
#define VXSIM_RASTER_H

#include "icon.h"
#include "screen.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>

#include <optional>

namespace vxsim {

// Angles in turn units: 16384 to the full circle, 0 pointing right and
// growing clockwise on the screen.
constexpr int TurnUnitsPerCircle = 16384;

// Lines and box edges include both end points.
void drawHorizontalLine(Screen &screen, int x0, int x1, int y, quint16 colour);
void drawVerticalLine(Screen &screen, int x, int y0, int y1, quint16 colour);
void drawLine(Screen &screen, QPoint from, QPoint to, quint16 colour);
void drawBox(Screen &screen, QPoint corner, QPoint opposite, quint16 colour);
void fillBox(Screen &screen, QPoint corner, QPoint opposite, quint16 colour);
void drawCircle(Screen &screen, QPoint centre, int radius, quint16 colour);
void drawArc(Screen &screen, QPoint centre, int radius, int beginTurn, int endTurn, quint16 colour);

struct TextStyle
{
    int scale = 1; // each font pixel becomes scale x scale pixels
    quint16 ink = 0xFFFF;
    std::optional<quint16> paper; // fills the character cells when set
};

// Draws from the top-left corner `at` and returns the width drawn.
int drawText(Screen &screen, QPoint at, const QByteArray &text, const TextStyle &style);
// Draws at most `limit` of the icon when the limit is valid.
void drawIcon(Screen &screen, QPoint at, const Icon &icon, QSize limit = {});

} // namespace vxsim

#endif // VXSIM_RASTER_H
