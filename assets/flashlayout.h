#ifndef FLASHLAYOUT_H
#define FLASHLAYOUT_H

#include "assets/assetentries.h"

#include <QtGlobal>

// The .vxs flash image: header, font directory, image directory, then the
// bytes of every listed font and image back to back. Numbers are stored low
// byte first.
namespace FlashLayout {

constexpr int headerSize = 256;
constexpr int directoryEntrySize = 76;
constexpr int directorySize = listCapacity * directoryEntrySize;
constexpr int fontDirectoryOffset = headerSize;
constexpr int imageDirectoryOffset = fontDirectoryOffset + directorySize;
constexpr int dataOffset = imageDirectoryOffset + directorySize;

// Where the module maps the first byte of the data area.
constexpr quint32 assetBaseAddress = 0xD0300000;

// Header fields, by offset; bytes not named here are 0.
namespace Header {
constexpr int familySignature = 0; // 8 bytes
constexpr int backlight = 8;
constexpr int brightness = 9;
constexpr int touch = 10;
constexpr int startScreen = 11;
constexpr int startScreenColor = 76; // 16 bits, RGB 5-6-5
constexpr int startImageNumber = 78; // 16 bits
constexpr int startImageX = 80;      // 16 bits
constexpr int startImageY = 82;      // 16 bits
constexpr int baudRate = 84;         // 32 bits
constexpr int transmitter = 88;
constexpr int extendedMode = 108;
constexpr int usbMode = 109;
} // namespace Header

// One directory entry, by offset; bytes 73 to 75 are 0.
namespace Entry {
constexpr int name = 0;
constexpr int nameSize = 64;
constexpr int size = 64;    // 32 bits
constexpr int address = 68; // 32 bits
constexpr int type = 72;
} // namespace Entry

} // namespace FlashLayout

#endif // FLASHLAYOUT_H
