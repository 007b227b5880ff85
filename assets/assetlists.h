#ifndef ASSETLISTS_H
#define ASSETLISTS_H

#include "assets/assetentries.h"
#include "assets/assetfiles.h"
#include "assets/flashblocks.h"
#include "assets/flashimage.h"

#include <QList>
#include <QStringList>
#include <QVector>

#include <optional>

// The font and image lists and the flash image blocks built from them. The
// window owns one; the command-line tool makes its own. Entries 0 to
// count-1 are in use, in the order shown; emptying a list only resets its
// count, so nothing is allocated per entry.
class AssetLists
{
public:
    AssetLists();

    FontList fontList;
    quint8 fontCount = 0;
    ImageList imageList;
    quint8 imageCount = 0;

    // Rebuilt by every run of the Config.txt writer.
    QByteArray flashHeader;
    QByteArray fontDirectory;
    QByteArray imageDirectory;

    // Read `path` and append it; nothing when the list is full, which
    // `report` counts. Problems reading the file go into `report` too: the
    // file is listed all the same, as the module may get it later.
    std::optional<FontFile> addFontFile(const QString &path, AddReport &report);
    std::optional<ImageFile> addImageFile(const QString &path, AddReport &report);

    void clearFonts() { fontCount = 0; }
    void clearImages() { imageCount = 0; }

    // Swap entry `row` with its neighbour above or below. False, and nothing
    // moves, at the ends or for a row not in use.
    bool moveFont(int row, int step);
    bool moveImage(int row, int step);

    // Take out the given rows; the rest close up and are renumbered.
    void removeFonts(const QList<int> &rows);
    void removeImages(const QList<int> &rows);

    QStringList fontPaths() const;
    QStringList imagePaths() const;
    // Whether the file at `path` is listed as an image, under any spelling of its path.
    bool listsImage(const QString &path) const;

    void rebuildFlashBlocks(const StartupSettings &settings);
    FlashBlocks blocks() const { return {flashHeader, fontDirectory, imageDirectory}; }
    // The files of the data area in the order of the directories, each with
    // the size its directory entry gives.
    QVector<FlashDataFile> flashDataFiles() const;
};

#endif // ASSETLISTS_H
