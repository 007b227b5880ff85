#include "screen.h"

#include <algorithm>

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
    const QPoint panel = toPanel({x, y}, turned);
    return panel.y() * PanelWidth + panel.x();
}

QPoint Screen::toPanel(QPoint logicalPoint, Orientation orientation)
{
    const int x = logicalPoint.x();
    const int y = logicalPoint.y();
    switch (orientation) {
    case Orientation::North:
        return {x, y};
    case Orientation::East:
        return {PanelWidth - 1 - y, x};
    case Orientation::South:
        return {PanelWidth - 1 - x, PanelHeight - 1 - y};
    case Orientation::West:
        return {y, PanelHeight - 1 - x};
    }
    return {x, y};
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
    if (index < 0) {
        ++dropped;
        return;
    }
    layers[layerDrawn][index] = colour;
    if (tracksWriters()) {
        writers[layerDrawn][index] = tag;
        noteWritten(index);
    }
}

void Screen::plotRow(int x0, int x1, int y, quint16 colour)
{
    plotRun(y, true, std::min(x0, x1), std::max(x0, x1), colour);
}

void Screen::plotColumn(int x, int y0, int y1, quint16 colour)
{
    plotRun(x, false, std::min(y0, y1), std::max(y0, y1), colour);
}

// The points from `first` to `last` of logical row (or column) `line`,
// clipped once and written with the panel step that one logical step
// makes in the current orientation.
void Screen::plotRun(int line, bool alongX, int first, int last, quint16 colour)
{
    const qint64 total = qint64(last) - first + 1;
    const int from = std::max(first, 0);
    const int to = std::min(last, (alongX ? width() : height()) - 1);
    if (line < 0 || line >= (alongX ? height() : width()) || from > to) {
        dropped += total;
        return;
    }
    const int count = to - from + 1;
    dropped += total - count;
    const int start = alongX ? panelIndex(from, line) : panelIndex(line, from);
    const int next = alongX ? panelIndex(from + 1, line) : panelIndex(line, from + 1);
    const int stride = count > 1 ? next - start : 0;
    quint16 *pixels = layers[layerDrawn].data();
    for (int i = 0, at = start; i < count; ++i, at += stride)
        pixels[at] = colour;
    if (!tracksWriters())
        return;
    int *tags = writers[layerDrawn].data();
    for (int i = 0, at = start; i < count; ++i, at += stride)
        tags[at] = tag;
    noteWritten(start);
    noteWritten(start + (count - 1) * stride);
}

quint16 Screen::pixel(int layer, int x, int y) const
{
    const int index = panelIndex(x, y);
    return index < 0 ? 0 : layers[layer & 1].at(index);
}

void Screen::fillLayer(quint16 colour)
{
    layers[layerDrawn].fill(colour);
    if (!tracksWriters())
        return;
    writers[layerDrawn].fill(tag);
    noteWritten(0);
    noteWritten(PanelWidth * PanelHeight - 1);
}

void Screen::setWriteTag(int newTag)
{
    if (!tracksWriters()) {
        for (auto &map : writers)
            map.fill(-1, PanelWidth * PanelHeight);
    }
    tag = newTag;
    dropped = 0;
    left = PanelWidth;
    top = PanelHeight;
    right = -1;
    bottom = -1;
}

void Screen::noteWritten(int panelIndex)
{
    const int x = panelIndex % PanelWidth;
    const int y = panelIndex / PanelWidth;
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
}

QRect Screen::writtenSinceTag() const
{
    return left > right ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

int Screen::writer(int layer, int panelX, int panelY) const
{
    if (!tracksWriters() || panelX < 0 || panelY < 0 || panelX >= PanelWidth ||
        panelY >= PanelHeight)
        return -1;
    return writers[layer & 1].at(panelY * PanelWidth + panelX);
}

int Screen::shownLayer(int panelX, int panelY) const
{
    return shownLayerAt(panelY * PanelWidth + panelX);
}

int Screen::shownLayerAt(int index) const
{
    // Layer 1 lies over layer 0; its key colour lets layer 0 through.
    if (visible[1] && layers[1].at(index) != key)
        return 1;
    return visible[0] ? 0 : -1;
}

quint16 Screen::shownPixel(int index) const
{
    const int layer = shownLayerAt(index);
    return layer < 0 ? 0x0000 : layers[layer].at(index);
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

QImage Screen::layerImage(int layer) const
{
    QImage image(PanelWidth, PanelHeight, QImage::Format_RGB16);
    const quint16 *pixels = layers[layer & 1].constData();
    for (int y = 0; y < PanelHeight; ++y)
        std::copy_n(pixels + y * PanelWidth, PanelWidth,
                    reinterpret_cast<quint16 *>(image.scanLine(y)));
    return image;
}

} // namespace vxsim
