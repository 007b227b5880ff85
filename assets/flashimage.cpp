#include "assets/flashimage.h"

#include "assets/assetfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace {

constexpr qint64 chunkSize = 1024 * 1024;

class DataCopier
{
public:
    explicit DataCopier(QSaveFile &output) : output(output), buffer(chunkSize, '\0') {}

    // Copies up to `size` bytes of `path` and pads with zeros to `size`.
    // Returns false when the output could not take them.
    bool copy(const FlashDataFile &file, FlashImageReport &report)
    {
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
    bool copyFrom(QFile &input, qint64 &remaining)
    {
        while (remaining > 0) {
            const qint64 got = input.read(buffer.data(), qMin(remaining, chunkSize));
            if (got <= 0)
                return true;
            if (output.write(buffer.constData(), got) != got)
                return false;
            remaining -= got;
        }
        return true;
    }

    bool pad(qint64 remaining)
    {
        buffer.fill('\0');
        while (remaining > 0) {
            const qint64 part = qMin(remaining, chunkSize);
            if (output.write(buffer.constData(), part) != part)
                return false;
            remaining -= part;
        }
        return true;
    }

    QSaveFile &output;
    QByteArray buffer;
};

bool writeBlocks(QSaveFile &output, const FlashBlocks &blocks)
{
    for (const QByteArray *block :
         {&blocks.header, &blocks.fontDirectory, &blocks.imageDirectory}) {
        if (output.write(*block) != block->size())
            return false;
    }
    return true;
}

FlashImageReport failure(QSaveFile &output, const QString &what)
{
    FlashImageReport report;
    report.error = QStringLiteral("Cannot %1 %2: %3")
                       .arg(what, QFileInfo(output.fileName()).fileName(), output.errorString());
    output.cancelWriting();
    return report;
}

} // namespace

FlashImageReport writeFlashImage(const QString &outputPath, const FlashBlocks &blocks,
                                 const QVector<FlashDataFile> &files)
{
    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly))
        return failure(output, QStringLiteral("create"));
    FlashImageReport report;
    if (!writeBlocks(output, blocks))
        return failure(output, QStringLiteral("write"));
    DataCopier copier(output);
    for (const FlashDataFile &file : files) {
        if (!copier.copy(file, report))
            return failure(output, QStringLiteral("write"));
    }
    report.fileSize = output.size();
    if (!output.commit())
        return failure(output, QStringLiteral("write"));
    report.written = true;
    return report;
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
    original.save(QStringLiteral("orig.bmp"), "bmp");
    rgb565.save(QStringLiteral("test1.bmp"), "bmp");
    rgb565.mirrored(true, true).save(QStringLiteral("test2.bmp"), "bmp");
}
