#ifndef BENCHASSETS_H
#define BENCHASSETS_H

#include <QString>
#include <QStringList>
#include <QVector>

// Shared by the file benchmarks: a card's worth of font and image files, the
// shell commands they are measured against, and byte-for-byte checks.

constexpr qint64 megabyte = 1024 * 1024;

struct Asset
{
    QString path;
    quint32 size = 0;
};

// Sizes of `count` files of `bytes` in all: mostly small files with a few
// large pictures, as a real card holds.
QVector<quint32> assetSizes(int count, qint64 bytes);

// Writes `count` files "<prefix><n><suffix>" of `bytes` in all into `folder`.
// Each file's bytes differ from every other's, so a file copied to the wrong
// name does not pass a comparison.
QVector<Asset> makeAssets(const QString &folder, const QString &prefix, const QString &suffix,
                          int count, qint64 bytes);

QStringList pathsOf(const QVector<Asset> &assets);
qint64 totalSize(const QVector<Asset> &assets);

// Runs `script` with `sh -e`, `arguments` as $1, $2, ...; the seconds from
// start to exit. Stops the benchmark when the script fails.
double shellSeconds(const QString &script, const QStringList &arguments = {});

// `path` as an empty folder, whatever was there.
QString freshFolder(const QString &path);

// Writes every dirty page back, so that no measurement pays for the
// write-back of the files made before it.
void settleDisk();

// freshFolder() and then settleDisk(): where every timed write starts.
QString settledEmptyFolder(const QString &path);

// Whether `path` holds exactly the bytes of `reference`, read from
// `offset` in `path` to its end.
bool sameBytes(const QString &path, const QString &reference, qint64 offset = 0);

#endif // BENCHASSETS_H
