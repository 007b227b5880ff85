#ifndef VXSIM_SCREEN_H
#define VXSIM_SCREEN_H

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QVector>

#include <array>

namespace vxsim {

enum class Orientation
{
    North,
    East,
    South,
    West
};

// The module's panel: two RGB565 layers of 320 by 240 pixels, composed into
// what the glass shows. Drawing happens in logical coordinates, which the
// orientation turns on the panel; the panel itself never turns.
class Screen
{
public:
    static constexpr int PanelWidth = 320;
    static constexpr int PanelHeight = 240;

    Screen();

    int width() const;
    int height() const;
    Orientation orientation() const { return turned; }
    void setOrientation(Orientation orientation) { turned = orientation; }

    int drawLayer() const { return layerDrawn; }
    void setDrawLayer(int layer) { layerDrawn = layer & 1; }
    bool isLayerVisible(int layer) const { return visible[layer & 1]; }
    void setLayerVisible(int layer, bool shown) { visible[layer & 1] = shown; }
    quint16 colorKey() const { return key; }
    void setColorKey(quint16 colour) { key = colour; }

    bool isBacklightOn() const { return backlightOn; }
    void setBacklightOn(bool on) { backlightOn = on; }
    quint8 brightness() const { return level; }
    void setBrightness(quint8 value) { level = value; }

    // Logical coordinates on the drawing layer; points off the screen are dropped.
    void plot(int x, int y, quint16 colour);
    // The same for every point from x0 to x1 of row y, or y0 to y1 of
    // column x, ends included, in either order; long runs cost only their
    // part on the screen.
    void plotRow(int x0, int x1, int y, quint16 colour);
    void plotColumn(int x, int y0, int y1, quint16 colour);
    quint16 pixel(int layer, int x, int y) const;
    void fillLayer(quint16 colour);

    QPoint toLogical(QPoint panelPoint) const { return toLogical(panelPoint, turned); }
    static QPoint toLogical(QPoint panelPoint, Orientation orientation);
    static QPoint toPanel(QPoint logicalPoint, Orientation orientation);
    // The composed layers as RGB565, before the backlight.
    QImage composed() const;
    // What an observer sees: the composed layers dimmed by the backlight.
    QImage shown() const;
    // One layer as it is stored, RGB565 in panel pixels, shown or not.
    QImage layerImage(int layer) const;
    // The layer a panel pixel of composed() comes from, or -1 for neither
    // (both hidden, or only layer 1 shown and keyed out there).
    int shownLayer(int panelX, int panelY) const;

    // Who drew what, for a viewer of the panel. From the first tag set on,
    // each pixel written remembers the tag current at the time, and the
    // panel area written and the points dropped off the screen are counted
    // anew from each tag. Until then nothing is kept beyond the layers, so
    // the module alone pays nothing for it.
    void setWriteTag(int tag);
    bool tracksWriters() const { return !writers[0].isEmpty(); }
    // The tag that last wrote a panel pixel of `layer`; -1 when none did
    // since tracking began.
    int writer(int layer, int panelX, int panelY) const;
    // Row-major panel pixels of `layer`; empty until tracking begins.
    const QVector<int> &writerMap(int layer) const { return writers[layer & 1]; }
    QRect writtenSinceTag() const; // panel pixels
    qint64 droppedSinceTag() const { return dropped; }

private:
    int panelIndex(int x, int y) const; // -1 when off the screen
    quint16 shownPixel(int panelIndex) const;
    int shownLayerAt(int panelIndex) const;
    void plotRun(int line, bool alongX, int first, int last, quint16 colour);
    void noteWritten(int panelIndex);

    std::array<QVector<quint16>, 2> layers;
    std::array<QVector<int>, 2> writers;
    int tag = -1;
    qint64 dropped = 0;
    // Bounds of the panel pixels written since the tag, empty while left > right.
    int left = PanelWidth, top = PanelHeight, right = -1, bottom = -1;
    std::array<bool, 2> visible{{true, false}};
    Orientation turned = Orientation::North;
    int layerDrawn = 0;
    quint16 key = 0x0000;
    bool backlightOn = true;
    quint8 level = 255;
};

QRgb rgbFrom565(quint16 colour);

} // namespace vxsim

#endif // VXSIM_SCREEN_H
