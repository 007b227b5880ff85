#include "preview/renderedscreen.h"

#include <algorithm>

namespace preview {

using vxsim::Screen;

int RenderedScreen::writer(QPoint panelPoint, Layer layer) const
{
    const Screen &screen = module.screen;
    const int x = panelPoint.x();
    const int y = panelPoint.y();
    if (x < 0 || y < 0 || x >= Screen::PanelWidth || y >= Screen::PanelHeight)
        return -1;
    switch (layer) {
    case Layer::Zero:
        return screen.writer(0, x, y);
    case Layer::One:
        return screen.writer(1, x, y);
    case Layer::Composed:
        break;
    }
    const int shown = screen.shownLayer(x, y);
    return shown < 0 ? -1 : screen.writer(shown, x, y);
}

QVector<int> RenderedScreen::writerMap(Layer layer) const
{
    const Screen &screen = module.screen;
    const int size = Screen::PanelWidth * Screen::PanelHeight;
    if (!screen.tracksWriters())
        return QVector<int>(size, -1);
    if (layer != Layer::Composed)
        return screen.writerMap(layer == Layer::One ? 1 : 0);
    QVector<int> map(size);
    for (int y = 0; y < Screen::PanelHeight; ++y) {
        for (int x = 0; x < Screen::PanelWidth; ++x) {
            const int shown = screen.shownLayer(x, y);
            map[y * Screen::PanelWidth + x] = shown < 0 ? -1 : screen.writer(shown, x, y);
        }
    }
    return map;
}

QRect panelArea(const vxsim::TouchButton &button)
{
    if (button.area.isEmpty())
        return {};
    const QPoint corner = Screen::toPanel(button.area.topLeft(), button.orientation);
    const QPoint opposite = Screen::toPanel(button.area.bottomRight(), button.orientation);
    // Not QRect::normalized(): Qt 5 and 6 disagree on an inclusive rectangle given backwards.
    return QRect(QPoint(std::min(corner.x(), opposite.x()), std::min(corner.y(), opposite.y())),
                 QPoint(std::max(corner.x(), opposite.x()), std::max(corner.y(), opposite.y())));
}

QVector<ButtonOutline> RenderedScreen::buttons() const
{
    QVector<ButtonOutline> outlines;
    for (const vxsim::TouchButton &button : module.buttons)
        outlines.append(ButtonOutline{button.number, button.state, panelArea(button)});
    return outlines;
}

} // namespace preview
