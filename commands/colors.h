#ifndef COLORS_H
#define COLORS_H

#include <QColor>

// The module's 16-bit colour: 5 bits red, 6 green, 5 blue; alpha is dropped.
quint16 rgb565(const QColor &color);
// The same from 8-bit channels, for loops over whole pictures.
quint16 rgb565(int red, int green, int blue);

// The colour a word stands for, each component widened to 8 bits by
// repeating its top bits, so that rgb565() gives the word back.
QColor colorOfWord(quint16 word);

#endif // COLORS_H
