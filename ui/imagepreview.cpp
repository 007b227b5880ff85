#include "ui/imagepreview.h"

#include "assets/assetlists.h"
#include "assets/vxpimage.h"

#include <QLabel>
#include <QPixmap>

namespace {

// Small icons are enlarged by whole pixels so they stay sharp; anything
// larger than the preview is shrunk smoothly.
QPixmap fitted(const QImage &image, const QSize &room)
{
    if (image.width() <= room.width() && image.height() <= room.height()) {
        const int factor =
            qMax(1, qMin(room.width() / image.width(), room.height() / image.height()));
        return QPixmap::fromImage(
            image.scaled(image.size() * factor, Qt::KeepAspectRatio, Qt::FastTransformation));
    }
    return QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

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
    label->setPixmap(fitted(withCheckerboard(picture.image), label->size()));
}
