#ifndef COLORS_H
#define COLORS_H

#include <QColor>

// The colours the "Color Selector" dialogs pick. They start invalid, which
// the module receives as black (0x0000) until a colour is chosen.
extern QColor textColor;
extern QColor backgroundColor;

// The module's 16-bit colour: 5 bits red, 6 green, 5 blue; alpha is dropped.
quint16 rgb565(const QColor &color);

#endif // COLORS_H
