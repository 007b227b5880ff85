#ifndef PREVIEW_RENDEREDSCREEN_H
#define PREVIEW_RENDEREDSCREEN_H

#include "sim/module.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QVector>

namespace preview {

// Which picture a pixel lookup reads: the layers as composed (what the
// glass shows), or one layer as stored.
enum class Layer
{
    Composed,
    Zero,
    One
};

// A touch button the script left defined, for the preview to outline.
struct ButtonOutline
{
    int number = 0;
    int state = 0; // as buttonDef and buttonState set it: 1 up, 2 down, 3 disabled, 4 invisible
    QRect area;    // panel pixels, as the images lay them out; it may reach past the screen
};

// The simulated module's screen at one point of a script's run, with the
// statement that last wrote each pixel. A value: copies share the pixels.
// Every picture is 320 x 240 and laid out as the panel is, whatever the
// orientation the script drew in.
class RenderedScreen
{
public:
    RenderedScreen() = default;
    RenderedScreen(const vxsim::Module::State &state, int steps) : module(state), done(steps) {}

    // How many steps of the run led here (0: the screen before the script).
    int steps() const { return done; }

    // What the glass shows, the backlight's level included: the picture
    // `vexelsim --snapshot` saves.
    QImage shown() const { return module.screen.shown(); }
    // The layers composed in full colour, whatever the backlight.
    QImage composed() const { return module.screen.composed(); }
    // One layer as stored, shown or not.
    QImage layer(int index) const { return module.screen.layerImage(index); }

    // The statement (numbered as ScreenRender numbers them) that last wrote
    // the panel pixel, or -1 when none did. For the composed view that is
    // the writer in the layer shown there; hiding a layer or changing the
    // colour key writes no pixel, so it is never the writer.
    int writer(QPoint panelPoint, Layer layer = Layer::Composed) const;
    // The same for every pixel, row by row (320 x 240).
    QVector<int> writerMap(Layer layer = Layer::Composed) const;

    QVector<ButtonOutline> buttons() const;
    const vxsim::Module::State &moduleState() const { return module; }

private:
    vxsim::Module::State module;
    int done = 0;
};

// A button's area in panel pixels: it stays where the orientation of its
// definition put it.
QRect panelArea(const vxsim::TouchButton &button);

} // namespace preview

#endif // PREVIEW_RENDEREDSCREEN_H
