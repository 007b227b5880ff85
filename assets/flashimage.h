#ifndef FLASHIMAGE_H
#define FLASHIMAGE_H

#include "assets/flashblocks.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One listed file for the data area: `size` bytes are placed for it, whatever
// the file holds now.
struct FlashDataFile
{
    QString path;
    quint32 size = 0;
};

struct FlashImageReport
{
    bool written = false;
    QString error;         // why no flash image was written
    qint64 fileSize = 0;   // bytes in the written file
    QStringList missing;   // files that could not be opened: zeros in their place
    QStringList shortened; // files shorter than their listed size: padded with zeros
};

// What becomes of a listed file that is missing or shorter than listed.
enum class ShortFiles
{
    Pad,    // zeros in its place, so that later files keep their addresses
    Refuse, // no image at all: the output keeps what it held
};

// Writes the flash image to `outputPath`: the three blocks, then each file's
// listed number of bytes. Files are streamed, never held whole. The output is
// replaced only by a whole image.
FlashImageReport writeFlashImage(const QString &outputPath, const FlashBlocks &blocks,
                                 const QVector<FlashDataFile> &files,
                                 ShortFiles shortFiles = ShortFiles::Pad);

// The same image in memory, for a reader that takes it whole (the script
// preview's simulated module): the blocks, then each file's listed number
// of bytes, a missing or short file padded with zeros as writeFlashImage
// pads it. Meant for the lists the window keeps, which fit in memory.
QByteArray flashImageBytes(const FlashBlocks &blocks, const QVector<FlashDataFile> &files);

// The status bar text for a report.
QString flashImageSummary(const QString &outputPath, const FlashImageReport &report);

// Saves "orig.bmp", the bitmap as loaded from `bitmapName` (the working
// directory unless the name has a folder), "test1.bmp", that bitmap in
// RGB 5-6-5, and "test2.bmp", the latter turned upside down and mirrored,
// into the working directory. They let the engineer see what the module's
// 16-bit colour does to a picture. Does nothing when the bitmap does not load.
void writeDiagnosticBitmaps(const QString &bitmapName);

#endif // FLASHIMAGE_H
