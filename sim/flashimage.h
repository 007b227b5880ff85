#ifndef VXSIM_FLASHIMAGE_H
#define VXSIM_FLASHIMAGE_H

#include "icon.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vxsim {

// The start-up settings carried in the header of a .vxs flash image.
struct StartupSettings
{
    enum StartScreen : quint8
    {
        DefaultScreen = 0,
        ImageScreen = 1,
        ColourScreen = 2
    };

    bool backlightOn = true;
    quint8 brightness = 255;
    quint8 touchProtocol = 0x01;
    quint8 startScreen = DefaultScreen;
    quint16 startColour = 0x0000;
    quint16 startImage = 0;
    quint16 startX = 0;
    quint16 startY = 0;
    bool extendedMode = false;
};

// A .vxs flash image as the bench writes it: a 256-byte header, the font
// and image directories of 255 entries of 76 bytes, then the files' bytes.
// Directory addresses count from the module's flash base at the start of
// the data area.
class FlashImage
{
public:
    static constexpr int HeaderSize = 256;
    static constexpr int DirectoryEntries = 255;
    static constexpr int EntrySize = 76;
    static constexpr int DataStart = HeaderSize + 2 * DirectoryEntries * EntrySize;
    static constexpr quint32 FlashBase = 0xD0300000;

    // Refuses files without the family signature or too short for the directories.
    static std::optional<FlashImage> fromBytes(const QByteArray &bytes, QString *error);
    static std::optional<FlashImage> load(const QString &path, QString *error);

    StartupSettings startup() const;
    // The listed image's bytes, or nothing for an empty or damaged entry.
    std::optional<QByteArray> imageBytes(int number) const;
    std::optional<Icon> icon(int number) const;

private:
    explicit FlashImage(const QByteArray &bytes) : bytes(bytes) {}
    quint8 byte(int at) const { return quint8(bytes.at(at)); }
    quint16 littleEndian16(int at) const;
    quint32 littleEndian32(int at) const;

    QByteArray bytes;
};

} // namespace vxsim

#endif // VXSIM_FLASHIMAGE_H
