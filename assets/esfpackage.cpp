#include "assets/esfpackage.h"

#include "assets/assetfiles.h"
#include "files/plainfile.h"
#include "files/safefile.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Whole or not at all: a half-written image would be listed as a good one.
bool writeImage(const QString &path, const QByteArray &bytes)
{
    QString error;
    return writeFileSafely(path, bytes, error);
}

} // namespace

EsfOffsets esfOffsets(const QByteArray &table)
{
    EsfOffsets offsets{};
    for (int i = 0; i < EsfLayout::offsetCount; ++i) {
        quint32 offset = 0;
        for (int b = 0; b < EsfLayout::offsetSize; ++b) {
            const int at = i * EsfLayout::offsetSize + b;
            offset = offset << 8 | (at < table.size() ? quint8(table.at(at)) : 0u);
        }
        offsets[i] = offset;
    }
    return offsets;
}

EsfContents esfContents(const EsfOffsets &offsets, qint64 packageSize)
{
    EsfContents contents;
    for (int i = 0; i < EsfLayout::slotCount; ++i) {
        const quint32 length = offsets[i + 1] - offsets[i];
        if (length == 0 || length >= packageSize)
            continue;
        if (qint64(offsets[i]) + length > packageSize)
            ++contents.skipped;
        else
            contents.images.append({i, offsets[i], length});
    }
    return contents;
}

QString esfImagePath(const QString &folder, int slot)
{
    return folder + QLatin1Char('/') + QString::number(slot) + QLatin1String(".vxp");
}

std::optional<EsfPackage> openEsfPackage(const QString &path, QString &error)
{
    QFile file(path);
    QString why;
    if (!openPlainFile(file, why)) {
        error = QStringLiteral("Cannot open %1: %2").arg(QFileInfo(path).fileName(), why);
        return std::nullopt;
    }
    const EsfOffsets offsets = esfOffsets(file.read(EsfLayout::tableSize));
    return EsfPackage{path, esfContents(offsets, file.size())};
}

EsfExtraction extractEsfImages(const EsfPackage &package, const QString &folder)
{
    EsfExtraction extraction;
    QFile file(package.path);
    const bool opened = file.open(QIODevice::ReadOnly);
    for (const EsfSlot &slot : package.contents.images) {
        const QString path = esfImagePath(folder, slot.number);
        // The table may list images in any order or with gaps between them.
        const bool read = opened && file.seek(slot.offset);
        const QByteArray bytes = read ? file.read(slot.length) : QByteArray();
        if (bytes.size() == qint64(slot.length) && writeImage(path, bytes))
            extraction.written.append(path);
        else
            extraction.failures.append(QFileInfo(path).fileName());
    }
    return extraction;
}

QString esfImportSummary(const EsfPackage &package, const EsfExtraction &extraction, int refused)
{
    const auto counted = [](int count, const char *noun) {
        return countedNoun(count, QLatin1String(noun));
    };
    QStringList parts{QStringLiteral("%1: wrote %2, skipped %3 past the end of the package")
                          .arg(QFileInfo(package.path).fileName(),
                               counted(extraction.written.size(), "image"),
                               counted(package.contents.skipped, "slot"))};
    if (!extraction.failures.isEmpty())
        parts.append(QStringLiteral("could not write ") +
                     extraction.failures.join(QStringLiteral(", ")));
    if (refused > 0)
        parts.append(refusedText(refused, QStringLiteral("image")));
    return parts.join(QStringLiteral("; "));
}
