#ifndef FLASHBLOCKS_H
#define FLASHBLOCKS_H

#include "assets/assetlists.h"
#include "config/startupsettings.h"

#include <QByteArray>
#include <QVector>

// Every flash image starts with these 8 ASCII bytes (no terminating zero).
constexpr char familySignature[] = "Vexel9xx";

// The three blocks at the start of the flash image, rebuilt by every run of
// the Config.txt writer and written out by the flash image generator.
extern QByteArray flashHeader;
extern QByteArray fontDirectory;
extern QByteArray imageDirectory;

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

QByteArray headerBlock(const StartupSettings &settings);

// 255 entries; the files are placed back to back from `firstAddress`, which
// afterwards holds the address that follows the last of them.
QByteArray directoryBlock(const QVector<DirectoryItem> &items, quint32 &firstAddress);

// The fonts' data comes first, then the images'.
FlashBlocks flashBlocks(const StartupSettings &settings, const FontList &fonts, int fontCount,
                        const ImageList &images, int imageCount);

// Rebuilds flashHeader, fontDirectory and imageDirectory from `settings`
// and the bench's two lists.
void rebuildFlashBlocks(const StartupSettings &settings);

#endif // FLASHBLOCKS_H
