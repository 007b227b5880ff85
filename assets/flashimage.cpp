#include "assets/flashimage.h"

#include "assets/assetfiles.h"
#include "files/bytecopy.h"
#include "files/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>

namespace {

constexpr qint64 chunkSize = 1024 * 1024;

class DataCopier
{
public:
    explicit DataCopier(QFileDevice &output) : output(output) {}

    // Copies up to `size` bytes of `path` and pads with zeros to `size`.
    // Returns false when the output could not take them.
    bool copy(const FlashDataFile &file, FlashImageReport &report)
    {
        if (file.size == 0)
            return true; // nothing to place, so nothing to open
        qint64 remaining = file.size;
        QFile input(file.path);
        const QString name = QFileInfo(file.path).fileName();
        if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            report.missing.append(name);
        else if (!copyFrom(input, remaining))
            return false;
        if (remaining > 0 && input.isOpen())
            report.shortened.append(name);
        return pad(remaining);
    }

private:
    // False when the output took no more; a file that ends early or stops
    // reading leaves the rest for padding.
    bool copyFrom(QFile &input, qint64 &remaining)
    {
        const CopyResult result = copier.copy(input, output, remaining);
        remaining -= result.copied;
        return !result.outputFailed;
    }

    bool pad(qint64 remaining)
    {
        if (remaining > 0 && zeros.isEmpty())
            zeros = QByteArray(int(chunkSize), '\0');
        while (remaining > 0) {
            const qint64 part = qMin(remaining, chunkSize);
            if (output.write(zeros.constData(), part) != part)
                return false;
            remaining -= part;
        }
        return true;
    }

    QFileDevice &output;
    ByteCopier copier;
    QByteArray zeros; // made when first needed
};

bool writeBlocks(SafeFile &output, const FlashBlocks &blocks)
{
    for (const QByteArray *block :
         {&blocks.header, &blocks.fontDirectory, &blocks.imageDirectory}) {
        if (!output.write(*block))
            return false;
    }
    return true;
}

// Truncating a listed file would destroy the bytes about to be copied.
bool isListed(const QString &outputPath, const QVector<FlashDataFile> &files)
{
    const QString output = QFileInfo(outputPath).canonicalFilePath();
    if (output.isEmpty())
        return false; // not there yet
    return std::any_of(files.begin(), files.end(), [&output](const FlashDataFile &file) {
        return QFileInfo(file.path).canonicalFilePath() == output;
    });
}

FlashImageReport failure(const QString &error)
{
    FlashImageReport report;
    report.error = error;
    return report;
}

void saveBitmap(const QImage &image, const QString &path)
{
    SafeFile file(path);
    if (file.open() && image.save(&file.device(), "bmp"))
        file.commit();
}

} // namespace

// The image goes to a temporary file that replaces the output only once it
// is whole and on the disk: an engineer may flash whatever carries the name.
FlashImageReport writeFlashImage(const QString &outputPath, const FlashBlocks &blocks,
                                 const QVector<FlashDataFile> &files, ShortFiles shortFiles)
{
    if (isListed(outputPath, files))
        return failure(QStringLiteral("Cannot write %1: it is one of the listed files")
                           .arg(QFileInfo(outputPath).fileName()));
    SafeFile output(outputPath);
    if (!output.open() || !writeBlocks(output, blocks))
        return failure(output.error());
    FlashImageReport report;
    DataCopier copier(output.device());
    for (const FlashDataFile &file : files) {
        if (!copier.copy(file, report)) {
            const QString why = output.device().errorString();
            output.discard();
            return failure(
                QStringLiteral("Cannot write %1: %2").arg(QFileInfo(outputPath).fileName(), why));
        }
        const QStringList gaps = report.missing + report.shortened;
        if (shortFiles == ShortFiles::Refuse && !gaps.isEmpty()) {
            output.discard();
            return failure(QStringLiteral("Cannot write %1: %2 is missing or shorter than listed")
                               .arg(QFileInfo(outputPath).fileName(), gaps.constFirst()));
        }
    }
    report.fileSize = output.device().size();
    if (!output.commit())
        return failure(output.error());
    report.written = true;
    return report;
}

QByteArray flashImageBytes(const FlashBlocks &blocks, const QVector<FlashDataFile> &files)
{
    QByteArray image = blocks.header + blocks.fontDirectory + blocks.imageDirectory;
    for (const FlashDataFile &file : files) {
        if (file.size == 0)
            continue; // nothing to place, so nothing to open
        const int start = int(image.size());
        QFile input(file.path);
        if (input.open(QIODevice::ReadOnly))
            image += input.read(file.size);
        image.append(int(file.size) - (int(image.size()) - start), '\0');
    }
    return image;
}

QString flashImageSummary(const QString &outputPath, const FlashImageReport &report)
{
    if (!report.written)
        return report.error;
    QString text = QStringLiteral("Wrote %1 (%2 bytes)")
                       .arg(QDir::toNativeSeparators(outputPath))
                       .arg(report.fileSize);
    if (!report.missing.isEmpty())
        text += QStringLiteral("; missing, filled with zeros: ") +
                report.missing.join(QStringLiteral(", "));
    if (!report.shortened.isEmpty())
        text += QStringLiteral("; shorter than listed, padded with zeros: ") +
                report.shortened.join(QStringLiteral(", "));
    return text;
}

void writeDiagnosticBitmaps(const QString &bitmapName)
{
    const QImage original = loadBitmap(bitmapName);
    if (original.isNull())
        return;
    const QImage rgb565 = original.convertToFormat(QImage::Format_RGB16);
    saveBitmap(original, QStringLiteral("orig.bmp"));
    saveBitmap(rgb565, QStringLiteral("test1.bmp"));
    saveBitmap(rgb565.mirrored(true, true), QStringLiteral("test2.bmp"));
}
