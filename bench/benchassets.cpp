#include "benchassets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unistd.h>

namespace {

constexpr int patternShifts = 65536;

// Noise with a long period, so that files cut from it at different places differ.
QByteArray noise(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    quint64 state = 0x2545F4914F6CDD1DULL;
    for (char &byte : bytes) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        byte = char(state >> 56);
    }
    return bytes;
}

bool writeAsset(const QString &path, quint32 size, const QByteArray &pattern, int shift)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const qint64 chunk = pattern.size() - patternShifts;
    for (qint64 left = size; left > 0; left -= chunk) {
        const qint64 part = std::min(left, chunk);
        if (file.write(pattern.constData() + shift, part) != part)
            return false;
    }
    return true;
}

} // namespace

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
        sizes.append(quint32(weight * quint64(bytes) / sum));
    return sizes;
}

QVector<Asset> makeAssets(const QString &folder, const QString &prefix, const QString &suffix,
                          int count, qint64 bytes)
{
    static const QByteArray pattern = noise(megabyte + patternShifts);
    const QVector<quint32> sizes = assetSizes(count, bytes);
    const int salt = int(qHash(prefix) % patternShifts);
    QVector<Asset> assets;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/%2%3%4").arg(folder, prefix).arg(i).arg(suffix);
        const int shift = (salt + i * 4111) % patternShifts;
        if (!writeAsset(path, sizes.at(i), pattern, shift))
            qFatal("cannot write %s", qPrintable(path));
        assets.append({path, sizes.at(i)});
    }
    return assets;
}

QStringList pathsOf(const QVector<Asset> &assets)
{
    QStringList paths;
    for (const Asset &asset : assets)
        paths.append(asset.path);
    return paths;
}

qint64 totalSize(const QVector<Asset> &assets)
{
    return std::accumulate(assets.begin(), assets.end(), qint64(0),
                           [](qint64 sum, const Asset &asset) { return sum + asset.size; });
}

double shellSeconds(const QString &script, const QStringList &arguments)
{
    QProcess shell;
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("sh"), QStringList{QStringLiteral("-e"), QStringLiteral("-c"),
                                                  script, QStringLiteral("sh")} +
                                          arguments);
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit ||
        shell.exitCode() != 0)
        qFatal("shell script failed: %s", shell.readAllStandardError().constData());
    return timer.nsecsElapsed() / 1e9;
}

QString freshFolder(const QString &path)
{
    QDir(path).removeRecursively();
    if (!QDir().mkpath(path))
        qFatal("cannot make %s", qPrintable(path));
    return path;
}

void settleDisk()
{
    ::sync();
}

QString settledEmptyFolder(const QString &path)
{
    freshFolder(path);
    settleDisk();
    return path;
}

bool sameBytes(const QString &path, const QString &reference, qint64 offset)
{
    QFile file(path);
    QFile expected(reference);
    if (!file.open(QIODevice::ReadOnly) || !expected.open(QIODevice::ReadOnly) ||
        file.size() - offset != expected.size() || !file.seek(offset))
        return false;
    QByteArray left(int(megabyte), Qt::Uninitialized);
    QByteArray right(int(megabyte), Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(left.data(), left.size());
        if (got < 0 || expected.read(right.data(), right.size()) != got)
            return false;
        if (got == 0)
            return true;
        if (std::memcmp(left.constData(), right.constData(), size_t(got)) != 0)
            return false;
    }
}
