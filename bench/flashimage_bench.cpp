// Builds a flash image from 255 fonts and 255 images of about 100 MB in all
// and sets its time beside `cat` copying the same files into one file, with
// the peak memory of the process. Not a test: run it by hand on a quiet machine.
#include "assets/flashblocks.h"
#include "assets/flashimage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

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

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    const QVector<Asset> fonts = makeAssets(dir.path(), "font", listCapacity);
    const QVector<Asset> images = makeAssets(dir.path(), "image", listCapacity);
    FontList fontTable;
    ImageList imageTable;
    QVector<FlashDataFile> files;
    QStringList paths;
    quint32 largest = 0;
    qint64 total = 0;
    for (int i = 0; i < listCapacity; ++i) {
        fontTable[i] = FontEntry{QStringLiteral("font%1.vxf").arg(i), 0, 0, 0, fonts[i].size, 0};
        imageTable[i] = ImageEntry{
            quint8(i), QStringLiteral("image%1.vxp").arg(i), 0, 0, 16, images[i].size, 0};
    }
    for (const QVector<Asset> *list : {&fonts, &images}) {
        for (const Asset &asset : *list) {
            files.append({asset.path, asset.size});
            paths.append(asset.path);
            largest = std::max(largest, asset.size);
            total += asset.size;
        }
    }
    const FlashBlocks blocks =
        flashBlocks(StartupSettings{}, fontTable, listCapacity, imageTable, listCapacity);

    const long peakBefore = peakKilobytes();
    catSeconds(paths, dir.filePath("warm-up")); // both runs start from a warm cache
    double catBest = 1e9;
    double flashBest = 1e9;
    for (int round = 0; round < rounds; ++round) {
        catBest = std::min(catBest, catSeconds(paths, dir.filePath("cat.bin")));
        flashBest = std::min(flashBest, flashSeconds(blocks, files, dir.filePath("image.vxs")));
    }
    const long peak = peakKilobytes();
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
    return met ? 0 : 1;
}
