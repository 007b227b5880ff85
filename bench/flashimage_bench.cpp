// Builds a flash image from 255 fonts and 255 images of about 100 MB in all
// and sets its time beside `cat` copying the same files into one file, with
// the peak memory of the process; then unpacks a 254-image package beside
// `dd` cutting the same images out of it. Run by scripts/bench.sh, not a test.
#include "assets/esfpackage.h"
#include "assets/flashblocks.h"
#include "assets/flashimage.h"
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 totalBytes = 100 * megabyte;
constexpr int rounds = 3;

struct Asset
{
    QString path;
    quint32 size = 0;
};

// Mostly small files with a few large pictures, as a real card holds.
QVector<quint32> assetSizes(int count, qint64 bytes)
{
    QVector<quint64> weights;
    quint64 seed = 12345;
    for (int i = 0; i < count; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const quint64 weight = 20 + (seed >> 33) % 200;
        weights.append(i % 50 == 7 ? weight * 40 : weight);
    }
    const quint64 sum = std::accumulate(weights.begin(), weights.end(), quint64(0));
    QVector<quint32> sizes;
    for (quint64 weight : weights)
        sizes.append(quint32(weight * bytes / sum));
    return sizes;
}

bool writeAsset(const QString &path, quint32 size, QByteArray &buffer)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint64 left = size; left > 0; left -= buffer.size()) {
        const qint64 part = std::min<qint64>(left, buffer.size());
        if (file.write(buffer.constData(), part) != part)
            return false;
    }
    return true;
}

QVector<Asset> makeAssets(const QString &folder, const char *prefix, int count)
{
    QByteArray buffer(int(megabyte), '\0');
    for (int i = 0; i < buffer.size(); ++i)
        buffer[i] = char(i * 131 + 7);
    QVector<Asset> assets;
    const QVector<quint32> sizes = assetSizes(count, totalBytes / 2); // half fonts, half images
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/%2%3.bin").arg(folder, prefix).arg(i);
        if (!writeAsset(path, sizes.at(i), buffer))
            qFatal("cannot write %s", qPrintable(path));
        assets.append({path, sizes.at(i)});
    }
    return assets;
}

double catSeconds(const QStringList &paths, const QString &output)
{
    QProcess cat;
    cat.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    cat.start(QStringLiteral("cat"), paths);
    if (!cat.waitForFinished(-1) || cat.exitCode() != 0)
        qFatal("cat failed");
    return timer.nsecsElapsed() / 1e9;
}

double flashSeconds(const FlashBlocks &blocks, const QVector<FlashDataFile> &files,
                    const QString &output)
{
    QElapsedTimer timer;
    timer.start();
    const FlashImageReport report = writeFlashImage(output, blocks, files);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!report.written)
        qFatal("%s", qPrintable(report.error));
    return seconds;
}

// Both lists full, each entry listing its file's real size.
struct FullLists
{
    FlashBlocks blocks;
    QVector<FlashDataFile> files;
    QStringList paths;
    quint32 largest = 0;
    qint64 total = 0;
};

FullLists makeFullLists(const QTemporaryDir &dir)
{
    const QVector<Asset> fonts = makeAssets(dir.path(), "font", listCapacity);
    const QVector<Asset> images = makeAssets(dir.path(), "image", listCapacity);
    FontList fontTable;
    ImageList imageTable;
    for (int i = 0; i < listCapacity; ++i) {
        fontTable[i] = FontEntry{QStringLiteral("font%1.vxf").arg(i), 0, 0, 0, fonts[i].size, 0};
        imageTable[i] = ImageEntry{
            quint8(i), QStringLiteral("image%1.vxp").arg(i), 0, 0, 16, images[i].size, 0};
    }
    FullLists lists;
    for (const QVector<Asset> *list : {&fonts, &images}) {
        for (const Asset &asset : *list) {
            lists.files.append({asset.path, asset.size});
            lists.paths.append(asset.path);
            lists.largest = std::max(lists.largest, asset.size);
            lists.total += asset.size;
        }
    }
    lists.blocks =
        flashBlocks(StartupSettings{}, fontTable, listCapacity, imageTable, listCapacity);
    return lists;
}

// Returns true when the targets are met.
bool flashImageBenchmark(const QTemporaryDir &dir)
{
    const FullLists lists = makeFullLists(dir);
    const FlashBlocks &blocks = lists.blocks;
    const QVector<FlashDataFile> &files = lists.files;
    const QStringList &paths = lists.paths;
    const quint32 largest = lists.largest;
    const qint64 total = lists.total;
    const long peakBefore = peakRssKb();
    catSeconds(paths, dir.filePath("warm-up")); // both runs start from a warm cache
    double catBest = 1e9;
    double flashBest = 1e9;
    for (int round = 0; round < rounds; ++round) {
        catBest = std::min(catBest, catSeconds(paths, dir.filePath("cat.bin")));
        flashBest = std::min(flashBest, flashSeconds(blocks, files, dir.filePath("image.vxs")));
    }
    const long peak = peakRssKb();
    const double limitMb = 2.0 * largest / megabyte + 50;

    std::printf("assets:        %d files, %.1f MB, largest %.2f MB\n", int(files.size()),
                double(total) / megabyte, double(largest) / megabyte);
    std::printf("cat:           %.3f s (best of %d)\n", catBest, rounds);
    std::printf("flash image:   %.3f s (best of %d), %.2f x cat (target 1.5)\n", flashBest, rounds,
                flashBest / catBest);
    std::printf("peak memory:   %.1f MB (%.1f MB before writing), target under %.1f MB\n",
                peak / 1024.0, peakBefore / 1024.0, limitMb);
    const bool met = flashBest <= 1.5 * catBest && peak / 1024.0 < limitMb;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

// The package's offsets are 24 bits wide, so its 254 images share less than
// 16 MB: a real card's mix of sizes, scaled to fit.
QString makePackage(const QString &path, QVector<EsfSlot> &images)
{
    const QVector<quint32> sizes = assetSizes(EsfLayout::slotCount, 15 * megabyte);
    QByteArray table(EsfLayout::tableSize, '\0');
    QByteArray pixels;
    quint32 offset = EsfLayout::tableSize;
    for (int i = 0; i <= EsfLayout::slotCount; ++i) {
        for (int b = 0; b < EsfLayout::offsetSize; ++b)
            table[i * EsfLayout::offsetSize + b] = char(offset >> (8 * (2 - b)));
        if (i == EsfLayout::slotCount)
            break;
        images.append({i, offset, sizes.at(i)});
        QByteArray image(int(sizes.at(i)), Qt::Uninitialized);
        for (int k = 0; k < image.size(); ++k)
            image[k] = char(k * 17 + i);
        pixels += image;
        offset += sizes.at(i);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(table + pixels) != table.size() + pixels.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// One dd per image, as a shell script would split the package.
QString ddScript(const QString &package, const QVector<EsfSlot> &images, const QString &folder)
{
    QString script;
    for (const EsfSlot &slot : images)
        script += QStringLiteral("dd if='%1' of='%2' bs=64K iflag=skip_bytes,count_bytes "
                                 "skip=%3 count=%4 status=none\n")
                      .arg(package, esfImagePath(folder, slot.number))
                      .arg(slot.offset)
                      .arg(slot.length);
    return script;
}

QString freshFolder(const QTemporaryDir &dir, const QString &name)
{
    QDir(dir.filePath(name)).removeRecursively();
    QDir().mkpath(dir.filePath(name));
    return dir.filePath(name);
}

double ddSeconds(const QString &script)
{
    QProcess shell;
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("sh"), {QStringLiteral("-e"), QStringLiteral("-c"), script});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        qFatal("dd failed: %s", shell.readAllStandardError().constData());
    return timer.nsecsElapsed() / 1e9;
}

double importSeconds(const QString &package, const QString &folder, int &written)
{
    QElapsedTimer timer;
    timer.start();
    QString error;
    const std::optional<EsfPackage> opened = openEsfPackage(package, error);
    if (!opened)
        qFatal("%s", qPrintable(error));
    written = extractEsfImages(*opened, folder).written.size();
    return timer.nsecsElapsed() / 1e9;
}

bool sameFiles(const QString &a, const QString &b, const QVector<EsfSlot> &images)
{
    for (const EsfSlot &slot : images) {
        QFile one(esfImagePath(a, slot.number)), other(esfImagePath(b, slot.number));
        if (!one.open(QIODevice::ReadOnly) || !other.open(QIODevice::ReadOnly) ||
            one.size() != slot.length || one.readAll() != other.readAll())
            return false;
    }
    return true;
}

bool packageBenchmark(const QTemporaryDir &dir)
{
    QVector<EsfSlot> images;
    const QString package = makePackage(dir.filePath("package.esf"), images);
    const QString ddFolder = dir.filePath("dd");
    const QString script = ddScript(package, images, ddFolder);
    freshFolder(dir, "dd");
    ddSeconds(script); // warm-up
    double ddBest = 1e9, importBest = 1e9;
    int written = 0;
    for (int round = 0; round < rounds; ++round) {
        freshFolder(dir, "dd");
        ddBest = std::min(ddBest, ddSeconds(script));
        importBest =
            std::min(importBest, importSeconds(package, freshFolder(dir, "bench"), written));
    }
    const bool same =
        written == images.size() && sameFiles(dir.filePath("bench"), ddFolder, images);
    const double catWhole = catSeconds({package}, dir.filePath("package-copy.esf"));
    std::printf("package:       %d images, %.1f MB\n", int(images.size()),
                double(QFileInfo(package).size()) / megabyte);
    std::printf("dd split:      %.3f s (best of %d, one dd per image)\n", ddBest, rounds);
    std::printf("esf import:    %.3f s (best of %d), %.2f x dd (target 1.5); images %s\n",
                importBest, rounds, importBest / ddBest,
                same ? "identical to dd's" : "DIFFER FROM DD'S");
    std::printf("for scale:     cat of the whole package into one file %.3f s\n", catWhole);
    const bool met = same && importBest <= 1.5 * ddBest;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    std::printf("Flash image: 255 fonts and 255 images beside cat of the same files\n");
    const bool flash = flashImageBenchmark(dir);
    std::printf("ESF import: a 254-image package unpacked beside dd cutting out each image\n");
    const bool esf = packageBenchmark(dir);
    return flash && esf ? 0 : 1;
}
