#ifndef SHAPEPALETTE_H
#define SHAPEPALETTE_H

#include "design/edits.h"

#include <QListWidget>

#include <optional>

class QMimeData;

// What a palette item stands for: a shape, or image `image` of the list.
struct PaletteChoice
{
    design::NewShape shape = design::NewShape::Box;
    int image = 0;
};

// The designer's palette: the shapes a screen is made of and the pictures
// of the image list, each dragged onto the preview to add the statements
// that draw it there. A double-click adds it in the middle of the screen.
class ShapePalette : public QListWidget
{
    Q_OBJECT

public:
    // What a drag from the palette carries.
    static const QString mimeType;

    explicit ShapePalette(QWidget *parent = nullptr);

    // The image list's entries: their names and thumbnails (thumbnailIcon()).
    void setImages(const QVector<QIcon> &thumbnails, const QStringList &names);

    static std::optional<PaletteChoice> choiceOf(const QMimeData *data);

signals:
    void chosen(const PaletteChoice &choice);

protected:
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
#else
    QMimeData *mimeData(const QList<QListWidgetItem *> items) const override;
#endif
    QStringList mimeTypes() const override;

private:
    void addShapes();
    static PaletteChoice choiceOf(const QListWidgetItem *item);

    int shapeCount = 0;
};

#endif // SHAPEPALETTE_H
