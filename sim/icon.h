#ifndef VXSIM_ICON_H
#define VXSIM_ICON_H

#include <QByteArray>
#include <QRgb>
#include <QVector>

#include <optional>

namespace vxsim {

// A picture ready to be put on the screen, in RGB565.
struct Icon
{
    int width = 0;
    int height = 0;
    std::optional<quint16> transparent; // pixels of this colour are not drawn
    QVector<quint16> pixels;            // row-major, top row first

    quint16 at(int x, int y) const { return pixels.at(y * width + x); }
};

constexpr int VxpHeaderSize = 6;

// A .vxp image: width (16 bits LE), height (one byte), one unused byte,
// transparent colour (16 bits LE), then width x height RGB565 pixels, each
// low byte first, row by row from the top. Files too short for their
// pixels are refused rather than drawn half.
std::optional<Icon> iconFromVxp(const QByteArray &bytes);
// A Windows bitmap, without transparency.
std::optional<Icon> iconFromBitmap(const QByteArray &bytes);

quint16 rgb565(QRgb colour);

} // namespace vxsim

#endif // VXSIM_ICON_H
