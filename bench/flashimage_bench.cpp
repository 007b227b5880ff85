// Builds a flash image from 255 fonts and 255 images of about 100 MB in all,
// in the bench and through `vexelctl pack`, and sets each time beside `cat`
// copying the same files into one file and `sync` of that file: the image is
// on the disk before it replaces the output, so the comparison must be too.
// Keeps an eye on the peak memory of the process. Then unpacks a 254-image
// package beside `dd` cutting the same images out of it. Run by
// scripts/bench.sh, not a test.
#include "assets/esfpackage.h"
#include "assets/flashblocks.h"
#include "assets/flashimage.h"
#include "benchassets.h"
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

namespace {

constexpr qint64 totalBytes = 100 * megabyte;
constexpr int rounds = 3;

// Where the build put vexelctl; empty when this build has none.
#ifdef VEXELCTL_PATH
const QString vexelctl = QStringLiteral(VEXELCTL_PATH);
#else
const QString vexelctl;
#endif

// Both lists full, each entry listing its file's real size, and a Config.txt
// beside the files naming them all.
struct FullLists
{
    FlashBlocks blocks;
    QVector<FlashDataFile> files;
    QStringList paths;
    QString config;
    quint32 largest = 0;
    qint64 total = 0;

    qint64 blocksSize() const
    {
        return blocks.header.size() + blocks.fontDirectory.size() + blocks.imageDirectory.size();
    }
};

QString section(const char *name, const QVector<Asset> &assets)
{
    QString text = QStringLiteral("[%1]\n").arg(QLatin1String(name));
    for (int i = 0; i < assets.size(); ++i)
        text += QStringLiteral("%1 = /%2\n")
                    .arg(i, 3, 10, QLatin1Char('0'))
                    .arg(QFileInfo(assets.at(i).path).fileName());
    return text;
}

// vexelctl takes the listed paths from the Config.txt's own folder.
QString writeConfig(const QString &folder, const QVector<Asset> &fonts,
                    const QVector<Asset> &images)
{
    const QString path = folder + QStringLiteral("/Config.txt");
    QFile file(path);
    const QByteArray text =
        (QStringLiteral("[Startup]\n") + section("Fonts", fonts) + section("Images", images))
            .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

FlashBlocks blocksFor(const QVector<Asset> &fonts, const QVector<Asset> &images)
{
    FontList fontTable;
    ImageList imageTable;
    for (int i = 0; i < listCapacity; ++i) {
        const QString font = fonts[i].path;
        const QString image = images[i].path;
        fontTable[i] =
            FontEntry{QFileInfo(font).fileName(), 0, 0, 0, fonts[i].size, fontTypeVxf, font};
        imageTable[i] = ImageEntry{
            quint8(i), QFileInfo(image).fileName(), 0, 0, 16, images[i].size, imageTypeVxp, image};
    }
    return flashBlocks(StartupSettings{}, fontTable, listCapacity, imageTable, listCapacity);
}

FullLists makeFullLists(const QString &folder)
{
    const QVector<Asset> fonts =
        makeAssets(folder, QStringLiteral("font"), QStringLiteral(".vxf"), listCapacity,
                   totalBytes / 2); // half fonts, half images
    const QVector<Asset> images = makeAssets(folder, QStringLiteral("image"),
                                             QStringLiteral(".vxp"), listCapacity, totalBytes / 2);
    FullLists lists;
    for (const QVector<Asset> *list : {&fonts, &images}) {
        for (const Asset &asset : *list) {
            lists.files.append({asset.path, asset.size});
            lists.largest = std::max(lists.largest, asset.size);
        }
        lists.paths += pathsOf(*list);
        lists.total += totalSize(*list);
    }
    lists.blocks = blocksFor(fonts, images);
    lists.config = writeConfig(folder, fonts, images);
    return lists;
}

// Every run starts without its output and with nothing left to write back.
template <typename Run> double freshRun(const QString &output, Run run)
{
    QFile::remove(output);
    settleDisk();
    return run();
}

// `cat` of the files into one file, and with `synced` then `sync` of that file.
double catSeconds(const QStringList &paths, const QString &output, bool synced)
{
    const QString cat = QStringLiteral("out=$1; shift; cat \"$@\" > \"$out\"");
    return shellSeconds(synced ? cat + QStringLiteral("; sync \"$out\"") : cat,
                        QStringList{output} + paths);
}

double flashSeconds(const FullLists &lists, const QString &output)
{
    QElapsedTimer timer;
    timer.start();
    const FlashImageReport report = writeFlashImage(output, lists.blocks, lists.files);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!report.written)
        qFatal("%s", qPrintable(report.error));
    return seconds;
}

// From the start of the process to its exit, as a build script sees it.
double packSeconds(const QString &config, const QString &output)
{
    QProcess pack;
    QElapsedTimer timer;
    timer.start();
    pack.start(vexelctl, {QStringLiteral("pack"), config, QStringLiteral("-o"), output});
    if (!pack.waitForFinished(-1) || pack.exitStatus() != QProcess::NormalExit ||
        pack.exitCode() != 0)
        qFatal("vexelctl pack failed: %s", pack.readAllStandardError().constData());
    return timer.nsecsElapsed() / 1e9;
}

struct FlashTimes
{
    double reference = 1e9;
    double flash = 1e9;
    double pack = 1e9;
    double unsynced = 1e9; // cat alone, for scale
};

struct FlashOutputs
{
    QString reference, flash, pack;
};

// Best of `rounds`, the contenders taking turns, after a run of cat and of
// vexelctl that reads the files and the tool into the cache.
FlashTimes timeFlashImages(const FullLists &lists, const FlashOutputs &out)
{
    const auto reference = [&] { return catSeconds(lists.paths, out.reference, true); };
    const auto unsynced = [&] { return catSeconds(lists.paths, out.reference, false); };
    const auto flash = [&] { return flashSeconds(lists, out.flash); };
    const auto pack = [&] { return packSeconds(lists.config, out.pack); };
    const bool packs = !vexelctl.isEmpty();
    reference();
    if (packs)
        pack();
    FlashTimes best;
    for (int round = 0; round < rounds; ++round) {
        best.reference = std::min(best.reference, freshRun(out.reference, reference));
        best.flash = std::min(best.flash, freshRun(out.flash, flash));
        if (packs)
            best.pack = std::min(best.pack, freshRun(out.pack, pack));
    }
    for (int round = 0; round < rounds; ++round)
        best.unsynced = std::min(best.unsynced, freshRun(out.reference, unsynced));
    return best;
}

// The blocks, then the very bytes `cat` wrote.
bool holdsData(const QString &image, const FullLists &lists, const QString &reference)
{
    return QFileInfo(image).size() == lists.blocksSize() + lists.total &&
           sameBytes(image, reference, lists.blocksSize());
}

const char *verdict(bool same)
{
    return same ? "data area identical to cat's" : "DATA AREA DIFFERS FROM CAT'S";
}

bool reportPack(const FullLists &lists, const FlashOutputs &out, const FlashTimes &best)
{
    if (vexelctl.isEmpty()) {
        std::printf("vexelctl pack: not measured, this build has no vexelctl target\n");
        return true;
    }
    const bool same = holdsData(out.pack, lists, out.reference);
    std::printf("vexelctl pack: %.3f s (best of %d, start to exit), %.2f x cat + sync "
                "(target 1.5); %s\n",
                best.pack, rounds, best.pack / best.reference, verdict(same));
    return same && best.pack <= 1.5 * best.reference;
}

// Returns true when the targets are met.
bool flashImageBenchmark(const QTemporaryDir &dir)
{
    const FullLists lists = makeFullLists(freshFolder(dir.filePath("assets")));
    const FlashOutputs out{dir.filePath("cat.bin"), dir.filePath("image.vxs"),
                           dir.filePath("pack.vxs")};
    const long peakBefore = peakRssKb();
    const FlashTimes best = timeFlashImages(lists, out);
    const long peak = peakRssKb();
    const double limitMb = 2.0 * lists.largest / megabyte + 50;
    const bool same = holdsData(out.flash, lists, out.reference);

    std::printf("assets:        %d files, %.1f MB, largest %.2f MB\n", int(lists.files.size()),
                double(lists.total) / megabyte, double(lists.largest) / megabyte);
    std::printf("cat + sync:    %.3f s (best of %d)\n", best.reference, rounds);
    std::printf("flash image:   %.3f s (best of %d), %.2f x cat + sync (target 1.5); %s\n",
                best.flash, rounds, best.flash / best.reference, verdict(same));
    const bool pack = reportPack(lists, out, best);
    std::printf("for scale:     cat without sync %.3f s (best of %d)\n", best.unsynced, rounds);
    std::printf("peak memory:   %.1f MB (%.1f MB before writing), target under %.1f MB\n",
                peak / 1024.0, peakBefore / 1024.0, limitMb);
    const bool met = same && pack && best.flash <= 1.5 * best.reference && peak / 1024.0 < limitMb;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    QDir(dir.filePath("assets")).removeRecursively();
    for (const QString &output : {out.reference, out.flash, out.pack})
        QFile::remove(output);
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

// One dd per image, as a shell script would split the package, each image
// synced as the import syncs it.
QString ddScript(const QString &package, const QVector<EsfSlot> &images, const QString &folder)
{
    QString script;
    for (const EsfSlot &slot : images)
        script += QStringLiteral("dd if='%1' of='%2' bs=64K iflag=skip_bytes,count_bytes "
                                 "skip=%3 count=%4 conv=fsync status=none\n")
                      .arg(package, esfImagePath(folder, slot.number))
                      .arg(slot.offset)
                      .arg(slot.length);
    return script;
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
    freshFolder(ddFolder);
    shellSeconds(script); // warm-up
    double ddBest = 1e9, importBest = 1e9;
    int written = 0;
    for (int round = 0; round < rounds; ++round) {
        settledEmptyFolder(ddFolder);
        ddBest = std::min(ddBest, shellSeconds(script));
        const QString folder = settledEmptyFolder(dir.filePath("bench"));
        importBest = std::min(importBest, importSeconds(package, folder, written));
    }
    const bool same =
        written == images.size() && sameFiles(dir.filePath("bench"), ddFolder, images);
    const double catWhole = shellSeconds(QStringLiteral("cat \"$1\" > \"$2\""),
                                         {package, dir.filePath("package-copy.esf")});
    std::printf("package:       %d images, %.1f MB\n", int(images.size()),
                double(QFileInfo(package).size()) / megabyte);
    std::printf("dd split:      %.3f s (best of %d, one dd per image, each synced)\n", ddBest,
                rounds);
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
    std::printf("Flash image: 255 fonts and 255 images, in the bench and by vexelctl pack, "
                "beside cat and sync of the same files\n");
    const bool flash = flashImageBenchmark(dir);
    std::printf("ESF import: a 254-image package unpacked beside dd cutting out and syncing each "
                "image\n");
    const bool esf = packageBenchmark(dir);
    return flash && esf ? 0 : 1;
}
