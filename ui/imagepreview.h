#ifndef IMAGEPREVIEW_H
#define IMAGEPREVIEW_H

class AssetLists;
class QLabel;

// Shows in `label` the picture of image list entry `row`, transparent pixels
// as a checkerboard, or a one-line reason when it cannot be shown. Empty
// for a row not in use.
void showImagePreview(QLabel *label, const AssetLists &lists, int row);

#endif // IMAGEPREVIEW_H
