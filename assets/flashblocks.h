#ifndef FLASHBLOCKS_H
#define FLASHBLOCKS_H

#include "assets/assetentries.h"
#include "config/startupsettings.h"

#include <QByteArray>
#include <QVector>

#include <optional>

// Every flash image starts with these 8 ASCII bytes (no terminating zero).
constexpr char familySignature[] = "Vexel9xx";

// The three blocks at the start of the flash image.
struct FlashBlocks
{
    QByteArray header;
    QByteArray fontDirectory;
    QByteArray imageDirectory;
};

// What a directory entry says about one listed file.
struct DirectoryItem
{
    QString name;
    quint32 size = 0;
    quint8 type = 0;
};

// The name as stored in a directory entry: its UTF-8 form, cut at a
// character boundary so that it fits the 64-byte field.
QByteArray directoryName(const QString &name);

// The header's code for each start-up choice, and the choice a code stands
// for: nothing for a code the module does not define.
quint8 touchCode(TouchMode mode);
std::optional<TouchMode> touchModeOfCode(quint8 code);
quint8 startScreenCode(StartScreen screen);
std::optional<StartScreen> startScreenOfCode(quint8 code);
quint8 transmitterCode(Transmitter transmitter);
std::optional<Transmitter> transmitterOfCode(quint8 code);
quint8 usbModeCode(UsbMode mode);
std::optional<UsbMode> usbModeOfCode(quint8 code);

QByteArray headerBlock(const StartupSettings &settings);

// 255 entries; the files are placed back to back from `firstAddress`, which
// afterwards holds the address that follows the last of them.
QByteArray directoryBlock(const QVector<DirectoryItem> &items, quint32 &firstAddress);

// The fonts' data comes first, then the images'.
FlashBlocks flashBlocks(const StartupSettings &settings, const FontList &fonts, int fontCount,
                        const ImageList &images, int imageCount);

#endif // FLASHBLOCKS_H
