#ifndef ASSETFILES_H
#define ASSETFILES_H

#include "assets/assetentries.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>

// .vxf font file: the three bytes the bench shows. Nothing else is interpreted.
namespace VxfFont {
constexpr int heightOffset = 0;
constexpr int firstCharacterOffset = 34;
constexpr int lastCharacterOffset = 35;
constexpr int bytesRead = lastCharacterOffset + 1;
} // namespace VxfFont

// .vxp image header, numbers low byte first; the pixels follow at `size`.
namespace VxpHeader {
constexpr int widthOffset = 0;       // 16 bits
constexpr int heightOffset = 2;      // 8 bits; byte 3 is not read
constexpr int transparentOffset = 4; // 16-bit colour
constexpr int size = 6;
constexpr int depth = 16;       // a .vxp image is always RGB 5-6-5
constexpr int maxWidth = 65535; // what the header's fields can hold
constexpr int maxHeight = 255;
} // namespace VxpHeader

struct FontFile
{
    FontEntry entry;
    QString problem;     // why nothing could be read from the file; empty when read
    bool opened = false; // false: missing, unreadable, or not a plain file
};

struct ImageFile
{
    ImageEntry entry; // `number` is left for the list to set
    quint16 transparentColor = 0;
    bool dimensionsShown = false;     // width, height and depth cells have text
    bool hasTransparentColor = false; // only a .vxp header carries one
    QString problem;                  // why the dimensions are missing or 0
    bool opened = false;              // false: missing, unreadable, or not a plain file
};

// Size, type and the .vxf bytes of a font file; bytes past its end read as 0.
FontFile readFontFile(const QString &path);

// Size, type and dimensions of an image: from the .vxp header, or from the
// platform image reader for a bitmap (0 x 0 x 0 when it does not load).
ImageFile readImageFile(const QString &path);

// A bitmap decoded from `path`, or a null image when it does not load or
// claims more pixels than any bitmap meant for the module could have.
QImage loadBitmap(const QString &path);

// Widths of the tables' first columns, set when the window is built (and the
// image table's again whenever its list is emptied).
constexpr std::array<int, 2> fontColumnWidths{25, 512};
constexpr std::array<int, 6> imageColumnWidths{25, 256, 75, 75, 75, 75};

// Cell texts of a table row, column by column.
QStringList fontCells(int number, const QString &path, const FontEntry &entry);
QStringList imageCells(const QString &path, const ImageFile &file);

// "1 image", "3 images".
QString countedNoun(int count, const QString &noun);

// "2 images not added: the image list holds 255".
QString refusedText(int refused, const QString &noun);

// "Added 3 images" or, with what went wrong:
// "Added 2 images; 1 image not added: the image list holds 255; cannot open a.vxp (...)".
struct AddReport
{
    int added = 0;
    int refused = 0; // turned away because the list was full
    QStringList problems;
    QString text(const QString &noun) const; // noun in the singular: "font"
};

#endif // ASSETFILES_H
