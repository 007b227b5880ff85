#include "ui/shapepalette.h"

#include "ui/imagepreview.h"

#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

using design::NewShape;

const QString ShapePalette::mimeType = QStringLiteral("application/x-vexel-shape");

namespace {

constexpr int iconSide = thumbnailSide;
constexpr int shapeRole = Qt::UserRole;
constexpr int imageRole = Qt::UserRole + 1;

struct ShapeItem
{
    NewShape shape;
    const char *label;
};

const ShapeItem shapeItems[] = {
    {NewShape::Text, "Text"},           {NewShape::Box, "Box"}, {NewShape::FilledBox, "Filled box"},
    {NewShape::Circle, "Circle"},       {NewShape::Arc, "Arc"}, {NewShape::Line, "Line"},
    {NewShape::Button, "Touch button"},
};

// A small drawing of the shape, in the palette's text colour.
QIcon shapeIcon(NewShape shape, const QColor &ink)
{
    QPixmap pixmap(iconSide, iconSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(ink, 2));
    const QRect box(5, 8, 22, 16);
    switch (shape) {
    case NewShape::Text:
        painter.setFont(QFont(QStringLiteral("Sans"), 14, QFont::Bold));
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("T"));
        break;
    case NewShape::Box:
        painter.drawRect(box);
        break;
    case NewShape::FilledBox:
        painter.fillRect(box, ink);
        break;
    case NewShape::Circle:
        painter.drawEllipse(QPoint(16, 16), 11, 11);
        break;
    case NewShape::Arc:
        painter.drawArc(QRect(5, 5, 22, 22), 0, 180 * 16);
        break;
    case NewShape::Line:
        painter.drawLine(5, 26, 27, 6);
        break;
    case NewShape::Button:
        painter.drawRoundedRect(QRect(3, 9, 26, 14), 4, 4);
        painter.drawLine(10, 16, 22, 16);
        break;
    case NewShape::Image:
        break;
    }
    return QIcon(pixmap);
}

} // namespace

ShapePalette::ShapePalette(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("shapePalette"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(iconSide, iconSide));
    setGridSize(QSize(80, 70)); // room for a label of two lines
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWordWrap(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setToolTip(tr("Drag a shape onto the preview to add the statements that draw it there"));
    addShapes();
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { emit chosen(choiceOf(item)); });
}

void ShapePalette::addShapes()
{
    const QColor ink = palette().color(QPalette::Text);
    for (const ShapeItem &entry : shapeItems) {
        auto *item = new QListWidgetItem(shapeIcon(entry.shape, ink), tr(entry.label), this);
        item->setData(shapeRole, int(entry.shape));
        item->setData(imageRole, 0);
    }
    shapeCount = count();
}

void ShapePalette::setImages(const QVector<QIcon> &thumbnails, const QStringList &names)
{
    while (count() > shapeCount)
        delete takeItem(count() - 1);
    for (int i = 0; i < names.size(); ++i) {
        auto *item = new QListWidgetItem(thumbnails.value(i),
                                         QStringLiteral("%1: %2").arg(i).arg(names.at(i)), this);
        item->setData(shapeRole, int(NewShape::Image));
        item->setData(imageRole, i);
        item->setToolTip(tr("Image %1 of the image list: PUT_SF_ICON %1").arg(i));
    }
}

PaletteChoice ShapePalette::choiceOf(const QListWidgetItem *item)
{
    return PaletteChoice{NewShape(item->data(shapeRole).toInt()), item->data(imageRole).toInt()};
}

QStringList ShapePalette::mimeTypes() const
{
    return {mimeType};
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
QMimeData *ShapePalette::mimeData(const QList<QListWidgetItem *> &items) const
#else
QMimeData *ShapePalette::mimeData(const QList<QListWidgetItem *> items) const
#endif
{
    if (items.isEmpty())
        return nullptr;
    const PaletteChoice choice = choiceOf(items.first());
    auto *data = new QMimeData;
    data->setData(mimeType,
                  QByteArray::number(int(choice.shape)) + ' ' + QByteArray::number(choice.image));
    return data;
}

std::optional<PaletteChoice> ShapePalette::choiceOf(const QMimeData *data)
{
    if (!data || !data->hasFormat(mimeType))
        return std::nullopt;
    const QList<QByteArray> words = data->data(mimeType).split(' ');
    bool shapeOk = false;
    bool imageOk = false;
    const int shape = words.value(0).toInt(&shapeOk);
    const int image = words.value(1).toInt(&imageOk);
    if (!shapeOk || !imageOk || shape < int(NewShape::Text) || shape > int(NewShape::Button) ||
        image < 0 || image > 0xFF)
        return std::nullopt;
    return PaletteChoice{NewShape(shape), image};
}
