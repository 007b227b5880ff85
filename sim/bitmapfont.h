#ifndef VXSIM_BITMAPFONT_H
#define VXSIM_BITMAPFONT_H

#include <QtGlobal>

namespace vxsim {

// The built-in 5 by 7 font for printable ASCII, drawn in a 6 by 8 cell so
// that neighbouring characters and lines keep one pixel apart.
namespace BitmapFont {
constexpr int GlyphWidth = 5;
constexpr int GlyphHeight = 7;
constexpr int CellWidth = 6;
constexpr int CellHeight = 8;

// Bytes outside printable ASCII are drawn as '?'.
bool isInk(quint8 character, int column, int row);
} // namespace BitmapFont

} // namespace vxsim

#endif // VXSIM_BITMAPFONT_H
