#include "commands/colors.h"

QColor textColor;
QColor backgroundColor;

quint16 rgb565(const QColor &color)
{
    // An invalid colour reports 0 for every component, hence black.
    const unsigned red = unsigned(color.red());
    const unsigned green = unsigned(color.green());
    const unsigned blue = unsigned(color.blue());
    return quint16(((red << 8) & 0xF800) | ((green << 3) & 0x07E0) | (blue >> 3));
}
