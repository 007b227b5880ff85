#ifndef ESFPACKAGE_H
#define ESFPACKAGE_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <optional>

// An .esf package: a table of 255 offsets (24 bits, most significant byte
// first), then the images. Image i runs from offset i to offset i+1, so the
// last entry only closes image 253.
namespace EsfLayout {
constexpr int offsetCount = 255;
constexpr int offsetSize = 3;
constexpr int tableSize = offsetCount * offsetSize;
constexpr int slotCount = offsetCount - 1;
} // namespace EsfLayout

using EsfOffsets = std::array<quint32, EsfLayout::offsetCount>;

struct EsfSlot
{
    int number = 0;
    quint32 offset = 0;
    quint32 length = 0;
};

struct EsfContents
{
    QVector<EsfSlot> images; // in slot order
    int skipped = 0;         // slots whose bytes would lie past the end of the package
};

// The offsets in `table`; entries that the table is too short to hold read as 0.
EsfOffsets esfOffsets(const QByteArray &table);

// The images of a package of `packageSize` bytes. A slot is empty when its
// length (next offset minus its own, in 32-bit arithmetic) is 0 or not
// smaller than the package, as after the last image, when the next offset is 0.
EsfContents esfContents(const EsfOffsets &offsets, qint64 packageSize);

// Slot 7 in folder "C:/tmp" is "C:/tmp/7.vxp".
QString esfImagePath(const QString &folder, int slot);

struct EsfPackage
{
    QString path;
    EsfContents contents;
};

struct EsfExtraction
{
    QStringList written;  // paths of the files written, in slot order
    QStringList failures; // files that could not be written
};

// Reads the package's table, or returns nothing and sets `error`.
std::optional<EsfPackage> openEsfPackage(const QString &path, QString &error);

// Writes each image of the package into `folder` as "<slot>.vxp", reading it
// from its own offset.
EsfExtraction extractEsfImages(const EsfPackage &package, const QString &folder);

// The status bar text after an import: images written, slots skipped, files
// that could not be written and images the full list turned away.
QString esfImportSummary(const EsfPackage &package, const EsfExtraction &extraction, int refused);

#endif // ESFPACKAGE_H
