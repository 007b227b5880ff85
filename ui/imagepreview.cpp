#include "ui/imagepreview.h"

#include "assets/assetlists.h"
#include "assets/vxpimage.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

QPixmap fittedPreview(const QImage &image, const QSize &room, qreal ratio)
{
    const QSize pixels = room * ratio;
    QImage scaled;
    if (image.width() <= pixels.width() && image.height() <= pixels.height()) {
        const int factor =
            qMax(1, qMin(pixels.width() / image.width(), pixels.height() / image.height()));
        scaled = image.scaled(image.size() * factor, Qt::KeepAspectRatio, Qt::FastTransformation);
    } else {
        scaled = image.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QPixmap pixmap = QPixmap::fromImage(scaled);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

void showImagePreview(QLabel *label, const AssetLists &lists, int row)
{
    label->clear();
    if (row < 0 || row >= lists.imageCount)
        return;
    const VxpPicture picture = previewImage(lists.imageList[row].path);
    if (picture.image.isNull()) {
        label->setText(picture.problem);
        return;
    }
    label->setPixmap(
        fittedPreview(withCheckerboard(picture.image), label->size(), label->devicePixelRatioF()));
}

QIcon thumbnailIcon(const QImage &picture, int side, qreal ratio)
{
    if (picture.isNull())
        return {};
    return QIcon(fittedPreview(withCheckerboard(picture), QSize(side, side), ratio));
}
