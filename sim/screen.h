#ifndef VXSIM_SCREEN_H
#define VXSIM_SCREEN_H

#include <QImage>
#include <QPoint>
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
    quint16 pixel(int layer, int x, int y) const;
    void fillLayer(quint16 colour);

    QPoint toLogical(QPoint panelPoint) const { return toLogical(panelPoint, turned); }
    static QPoint toLogical(QPoint panelPoint, Orientation orientation);
    // The composed layers as RGB565, before the backlight.
    QImage composed() const;
    // What an observer sees: the composed layers dimmed by the backlight.
    QImage shown() const;

private:
    int panelIndex(int x, int y) const; // -1 when off the screen
    quint16 shownPixel(int panelIndex) const;

    std::array<QVector<quint16>, 2> layers;
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
