#ifndef ASSETLISTS_H
#define ASSETLISTS_H

#include <QString>

#include <array>

// Both lists hold at most 255 entries: their counts are 8 bits wide and the
// module's directories have 255 slots.
constexpr int listCapacity = 255;

struct FontEntry
{
    QString name; // file name without folder (the whole path when loaded from Config.txt)
    quint8 height = 0;
    quint8 firstCharacter = 0;
    quint8 lastCharacter = 0;
    quint32 size = 0;
    quint8 type = 0; // 0 .vxf font, 1 any other file
};

struct ImageEntry
{
    quint8 number = 0;
    QString name; // file name without folder (the whole path when loaded from Config.txt)
    quint16 width = 0;
    quint16 height = 0;
    quint8 depth = 0;
    quint32 size = 0;
    quint8 type = 0; // 0 .vxp image, 1 .bmp bitmap
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

// The bench's two lists. Entries 0 to count-1 are in use, in the order added;
// emptying a list only resets its count.
extern FontList fontList;
extern quint8 fontCount;
extern ImageList imageList;
extern quint8 imageCount;

// Puts `entry` after the entries in use. A full list refuses it (returns
// false) rather than wrapping the count onto entry 0.
template <typename Entry>
bool appendEntry(std::array<Entry, listCapacity> &list, quint8 &count, const Entry &entry)
{
    if (count >= listCapacity)
        return false;
    list[count] = entry;
    ++count;
    return true;
}

#endif // ASSETLISTS_H
