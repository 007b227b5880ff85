#include "preview/imagediff.h"

namespace preview {

namespace {

QRgb dimmed(QRgb colour)
{
    return qRgb(qRed(colour) / 3, qGreen(colour) / 3, qBlue(colour) / 3);
}

} // namespace

ImageDifference compareImages(const QImage &rendered, const QImage &expected)
{
    ImageDifference difference;
    if (rendered.size() != expected.size()) {
        difference.sameSize = false;
        return difference;
    }
    const QImage ours = rendered.convertToFormat(QImage::Format_RGB32);
    const QImage theirs = expected.convertToFormat(QImage::Format_RGB32);
    QImage picture(ours.size(), QImage::Format_RGB32);
    for (int y = 0; y < ours.height(); ++y) {
        const auto *mine = reinterpret_cast<const QRgb *>(ours.constScanLine(y));
        const auto *wanted = reinterpret_cast<const QRgb *>(theirs.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < ours.width(); ++x) {
            const bool differs = (mine[x] & RGB_MASK) != (wanted[x] & RGB_MASK);
            out[x] = differs ? qRgb(255, 0, 0) : dimmed(mine[x]);
            if (differs) {
                ++difference.pixels;
                difference.box |= QRect(x, y, 1, 1);
            }
        }
    }
    if (difference.pixels > 0)
        difference.picture = picture;
    return difference;
}

QImage scaledUp(const QImage &image, int scale)
{
    if (scale <= 1)
        return image;
    return image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace preview
