#ifndef PREVIEW_IMAGEDIFF_H
#define PREVIEW_IMAGEDIFF_H

#include <QImage>
#include <QRect>

namespace preview {

// How a rendered picture differs from the one it should be.
struct ImageDifference
{
    bool sameSize = true;
    int pixels = 0; // pixels whose colour differs (alpha is not compared)
    QRect box;      // around all of them
    // The rendered picture dimmed to a third, with every differing pixel
    // pure red: the places stand out whatever was drawn. Null when the
    // sizes differ or nothing does.
    QImage picture;

    bool same() const { return sameSize && pixels == 0; }
};

ImageDifference compareImages(const QImage &rendered, const QImage &expected);

// `image` with each pixel made a `scale` x `scale` square.
QImage scaledUp(const QImage &image, int scale);

} // namespace preview

#endif // PREVIEW_IMAGEDIFF_H
