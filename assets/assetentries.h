#ifndef ASSETENTRIES_H
#define ASSETENTRIES_H

#include <QString>

#include <array>

// Both lists hold at most 255 entries: their counts are 8 bits wide and the
// module's directories have 255 slots.
constexpr int listCapacity = 255;

struct FontEntry
{
    QString name; // file name without folder, as the flash image's directory names it
    quint8 height = 0;
    quint8 firstCharacter = 0;
    quint8 lastCharacter = 0;
    quint32 size = 0;
    quint8 type = 0; // 0 .vxf font, 1 any other file
    QString path;    // where the file is read from, as the table shows it
};

struct ImageEntry
{
    quint8 number = 0; // the entry's own index in the list
    QString name;      // file name without folder, as the flash image's directory names it
    quint16 width = 0;
    quint16 height = 0;
    quint8 depth = 0;
    quint32 size = 0;
    quint8 type = 0; // 0 .vxp image, 1 .bmp bitmap
    QString path;    // where the file is read from, as the table shows it
};

enum : quint8
{
    fontTypeVxf = 0,
    fontTypeOther = 1
};
enum : quint8
{
    imageTypeVxp = 0,
    imageTypeBmp = 1
};

using FontList = std::array<FontEntry, listCapacity>;
using ImageList = std::array<ImageEntry, listCapacity>;

#endif // ASSETENTRIES_H
