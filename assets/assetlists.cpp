#include "assets/assetlists.h"

#include <QFileInfo>

#include <algorithm>

namespace {

template <typename Entry>
bool appendEntry(std::array<Entry, listCapacity> &list, quint8 &count, const Entry &entry)
{
    if (count >= listCapacity)
        return false;
    list[count] = entry;
    ++count;
    return true;
}

template <typename Entry>
bool swapWithNeighbour(std::array<Entry, listCapacity> &list, int count, int row, int step)
{
    const int other = row + step;
    if ((step != 1 && step != -1) || row < 0 || row >= count || other < 0 || other >= count)
        return false;
    std::swap(list[row], list[other]);
    return true;
}

// Keeps the entries whose rows are not named, in their order.
template <typename Entry>
void removeRows(std::array<Entry, listCapacity> &list, quint8 &count, const QList<int> &rows)
{
    int kept = 0;
    for (int row = 0; row < count; ++row) {
        if (rows.contains(row))
            continue;
        if (kept != row)
            list[kept] = std::move(list[row]);
        ++kept;
    }
    count = quint8(kept);
}

template <typename Entry>
QStringList pathsOf(const std::array<Entry, listCapacity> &list, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i)
        paths.append(list[i].path);
    return paths;
}

} // namespace

AssetLists::AssetLists()
{
    rebuildFlashBlocks(StartupSettings{});
}

std::optional<FontFile> AssetLists::addFontFile(const QString &path, AddReport &report)
{
    if (fontCount >= listCapacity) {
        ++report.refused;
        return std::nullopt;
    }
    FontFile font = readFontFile(path);
    if (!font.problem.isEmpty())
        report.problems.append(font.problem);
    font.entry.path = path;
    appendEntry(fontList, fontCount, font.entry);
    ++report.added;
    return font;
}

std::optional<ImageFile> AssetLists::addImageFile(const QString &path, AddReport &report)
{
    if (imageCount >= listCapacity) {
        ++report.refused;
        return std::nullopt;
    }
    ImageFile image = readImageFile(path);
    if (!image.problem.isEmpty())
        report.problems.append(image.problem);
    image.entry.number = imageCount;
    image.entry.path = path;
    appendEntry(imageList, imageCount, image.entry);
    ++report.added;
    return image;
}

bool AssetLists::moveFont(int row, int step)
{
    return swapWithNeighbour(fontList, fontCount, row, step);
}

bool AssetLists::moveImage(int row, int step)
{
    if (!swapWithNeighbour(imageList, imageCount, row, step))
        return false;
    imageList[row].number = quint8(row);
    imageList[row + step].number = quint8(row + step);
    return true;
}

void AssetLists::removeFonts(const QList<int> &rows)
{
    removeRows(fontList, fontCount, rows);
}

void AssetLists::removeImages(const QList<int> &rows)
{
    removeRows(imageList, imageCount, rows);
    for (int i = 0; i < imageCount; ++i)
        imageList[i].number = quint8(i);
}

QStringList AssetLists::fontPaths() const
{
    return pathsOf(fontList, fontCount);
}

QStringList AssetLists::imagePaths() const
{
    return pathsOf(imageList, imageCount);
}

bool AssetLists::listsImage(const QString &path) const
{
    const QString wanted = QFileInfo(path).canonicalFilePath();
    if (wanted.isEmpty())
        return false;
    const QStringList paths = imagePaths();
    return std::any_of(paths.begin(), paths.end(), [&wanted](const QString &listed) {
        return QFileInfo(listed).canonicalFilePath() == wanted;
    });
}

void AssetLists::rebuildFlashBlocks(const StartupSettings &settings)
{
    const FlashBlocks built = flashBlocks(settings, fontList, fontCount, imageList, imageCount);
    flashHeader = built.header;
    fontDirectory = built.fontDirectory;
    imageDirectory = built.imageDirectory;
}

QVector<FlashDataFile> AssetLists::flashDataFiles() const
{
    QVector<FlashDataFile> files;
    for (int i = 0; i < fontCount; ++i)
        files.append({fontList[i].path, fontList[i].size});
    for (int j = 0; j < imageCount; ++j)
        files.append({imageList[j].path, imageList[j].size});
    return files;
}
