#include "screen.h"

namespace vxsim {

QRgb rgbFrom565(quint16 colour)
{
    // Replicate the top bits into the bottom so white stays 255 and black 0.
    const int red = (colour >> 11) & 0x1F;
    const int green = (colour >> 5) & 0x3F;
    const int blue = colour & 0x1F;
    return qRgb(red << 3 | red >> 2, green << 2 | green >> 4, blue << 3 | blue >> 2);
}

Screen::Screen()
{
    for (auto &layer : layers)
        layer.fill(0x0000, PanelWidth * PanelHeight);
}

static bool isUpright(Orientation orientation)
{
    return orientation == Orientation::North || orientation == Orientation::South;
}

int Screen::width() const
{
    return isUpright(turned) ? PanelWidth : PanelHeight;
}

int Screen::height() const
{
    return isUpright(turned) ? PanelHeight : PanelWidth;
}

int Screen::panelIndex(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return -1;
    int panelX = x;
    int panelY = y;
    switch (turned) {
    case Orientation::North:
        break;
    case Orientation::East:
        panelX = PanelWidth - 1 - y;
        panelY = x;
        break;
    case Orientation::South:
        panelX = PanelWidth - 1 - x;
        panelY = PanelHeight - 1 - y;
        break;
    case Orientation::West:
        panelX = y;
        panelY = PanelHeight - 1 - x;
        break;
    }
    return panelY * PanelWidth + panelX;
}

QPoint Screen::toLogical(QPoint panelPoint, Orientation orientation)
{
    const int x = panelPoint.x();
    const int y = panelPoint.y();
    switch (orientation) {
    case Orientation::North:
        return {x, y};
    case Orientation::East:
        return {y, PanelWidth - 1 - x};
    case Orientation::South:
        return {PanelWidth - 1 - x, PanelHeight - 1 - y};
    case Orientation::West:
        return {PanelHeight - 1 - y, x};
    }
    return {x, y};
}

void Screen::plot(int x, int y, quint16 colour)
{
    const int index = panelIndex(x, y);
    if (index >= 0)
        layers[layerDrawn][index] = colour;
}

quint16 Screen::pixel(int layer, int x, int y) const
{
    const int index = panelIndex(x, y);
    return index < 0 ? 0 : layers[layer & 1].at(index);
}

void Screen::fillLayer(quint16 colour)
{
    layers[layerDrawn].fill(colour);
}

quint16 Screen::shownPixel(int index) const
{
    const quint16 top = layers[1].at(index);
    // Layer 1 lies over layer 0; its key colour lets layer 0 through.
    if (visible[1] && top != key)
        return top;
    return visible[0] ? layers[0].at(index) : 0x0000;
}

QImage Screen::composed() const
{
    QImage image(PanelWidth, PanelHeight, QImage::Format_RGB16);
    for (int y = 0; y < PanelHeight; ++y) {
        auto *line = reinterpret_cast<quint16 *>(image.scanLine(y));
        for (int x = 0; x < PanelWidth; ++x)
            line[x] = shownPixel(y * PanelWidth + x);
    }
    return image;
}

QImage Screen::shown() const
{
    QImage image(PanelWidth, PanelHeight, QImage::Format_RGB32);
    const int scale = backlightOn ? level : 0;
    for (int y = 0; y < PanelHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < PanelWidth; ++x) {
            const QRgb full = rgbFrom565(shownPixel(y * PanelWidth + x));
            line[x] = qRgb(qRed(full) * scale / 255, qGreen(full) * scale / 255,
                           qBlue(full) * scale / 255);
        }
    }
    return image;
}

} // namespace vxsim
