#ifndef IMAGEPREVIEW_H
#define IMAGEPREVIEW_H

#include <QIcon>
#include <QPixmap>

class AssetLists;
class QImage;
class QLabel;
class QSize;

// Shows in `label` the picture of image list entry `row`, transparent pixels
// as a checkerboard, or a one-line reason when it cannot be shown. Empty
// for a row not in use.
void showImagePreview(QLabel *label, const AssetLists &lists, int row);

// `image` fitted into `room` (logical pixels) on a screen of `ratio` device
// pixels per logical pixel: drawn at the screen's resolution, small pictures
// enlarged by whole device pixels so they stay sharp, larger ones shrunk
// smoothly.
QPixmap fittedPreview(const QImage &image, const QSize &room, qreal ratio);

// The side of the palette's and the choosers' thumbnails.
constexpr int thumbnailSide = 32;

// A list entry's picture as a square icon of `side` logical pixels, over a
// checkerboard; an empty icon for a picture that cannot be shown.
QIcon thumbnailIcon(const QImage &picture, int side, qreal ratio);

#endif // IMAGEPREVIEW_H
