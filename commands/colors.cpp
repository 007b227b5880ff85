#include "commands/colors.h"

quint16 rgb565(const QColor &color)
{
    // An invalid colour reports 0 for every component, hence black.
    return rgb565(color.red(), color.green(), color.blue());
}

quint16 rgb565(int red, int green, int blue)
{
    return quint16(((unsigned(red) << 8) & 0xF800) | ((unsigned(green) << 3) & 0x07E0) |
                   (unsigned(blue) >> 3));
}

QColor colorOfWord(quint16 word)
{
    const int red = word >> 11;
    const int green = (word >> 5) & 0x3F;
    const int blue = word & 0x1F;
    return QColor((red << 3) | (red >> 2), (green << 2) | (green >> 4), (blue << 3) | (blue >> 2));
}
