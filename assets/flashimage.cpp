#include "assets/flashimage.h"

#include "assets/assetfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

constexpr qint64 chunkSize = 1024 * 1024;

class DataCopier
{
public:
    explicit DataCopier(QFile &output) : output(output) {}

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
    bool copyFrom(QFile &input, qint64 &remaining)
    {
        const qint64 size = remaining;
        if (!kernelCopy(input, remaining))
            return false;
        if (remaining == 0 || (remaining < size && !input.seek(size - remaining)))
            return true;
        while (remaining > 0) {
            if (buffer.isEmpty())
                buffer.resize(int(chunkSize));
            const qint64 got = input.read(buffer.data(), qMin(remaining, chunkSize));
            if (got <= 0)
                return true;
            if (output.write(buffer.constData(), got) != got)
                return false;
            remaining -= got;
        }
        return true;
    }

    // Lets the kernel move the bytes from file to file, as `cat` does, so
    // they never pass through the bench. Stops early where it cannot; the
    // buffer then carries the rest.
    bool kernelCopy(QFile &input, qint64 &remaining)
    {
#ifdef Q_OS_LINUX
        if (!output.flush())
            return false;
        while (remaining > 0) {
            const ssize_t copied = ::copy_file_range(input.handle(), nullptr, output.handle(),
                                                     nullptr, size_t(remaining), 0);
            if (copied <= 0)
                break;
            remaining -= copied;
        }
#else
        Q_UNUSED(input)
        Q_UNUSED(remaining)
#endif
        return true;
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

    QFile &output;
    QByteArray buffer; // made when first needed, as are the zeros
    QByteArray zeros;
};

bool writeBlocks(QFile &output, const FlashBlocks &blocks)
{
    for (const QByteArray *block :
         {&blocks.header, &blocks.fontDirectory, &blocks.imageDirectory}) {
        if (output.write(*block) != block->size())
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

// An image cut short must not pass for a good one: what was written goes.
FlashImageReport failure(QFile &output, const QString &what)
{
    FlashImageReport report;
    report.error = QStringLiteral("Cannot %1 %2: %3")
                       .arg(what, QFileInfo(output.fileName()).fileName(), output.errorString());
    if (output.isOpen()) {
        output.close();
        if (QFileInfo(output.fileName()).isFile()) // never a device
            output.remove();
    }
    return report;
}

} // namespace

FlashImageReport writeFlashImage(const QString &outputPath, const FlashBlocks &blocks,
                                 const QVector<FlashDataFile> &files)
{
    QFile output(outputPath);
    if (isListed(outputPath, files)) {
        FlashImageReport report;
        report.error = QStringLiteral("Cannot write %1: it is one of the listed files")
                           .arg(QFileInfo(outputPath).fileName());
        return report;
    }
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failure(output, QStringLiteral("create"));
    FlashImageReport report;
    if (!writeBlocks(output, blocks))
        return failure(output, QStringLiteral("write"));
    DataCopier copier(output);
    for (const FlashDataFile &file : files) {
        if (!copier.copy(file, report))
            return failure(output, QStringLiteral("write"));
    }
    if (!output.flush())
        return failure(output, QStringLiteral("write"));
    report.fileSize = output.size();
    output.close();
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
