#include "ui/assettables.h"
#include "ui_mainwindow.h"

#include "assets/assetlists.h"
#include "assets/droppedfiles.h"
#include "assets/esfpackage.h"
#include "assets/pictureconversion.h"
#include "ui/convertdialog.h"
#include "ui/filedrops.h"
#include "ui/imagepreview.h"
#include "ui/listtable.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QShortcut>
#include <QTableWidget>

namespace {

const char *const chooseRowsHint =
    "Nothing removed: select rows first (click a row, Ctrl+click or Shift+click for more, "
    "Ctrl+A for all)";

const QStringList fontSuffixes{QStringLiteral("vxf"), QStringLiteral("ttf")};
const QStringList imageSuffixes{QStringLiteral("vxp"), QStringLiteral("bmp")};

QString ignoredText(const QStringList &ignored, const QString &kinds)
{
    return QStringLiteral("not %1, not added: %2").arg(kinds, ignored.join(QStringLiteral(", ")));
}

template <std::size_t Count>
void setColumnWidths(QTableWidget *table, const std::array<int, Count> &widths)
{
    for (int column = 0; column < int(Count); ++column)
        table->setColumnWidth(column, widths.at(std::size_t(column)));
}

// The Delete key on a table does what its "Remove" button does.
void deleteKeyClicks(QTableWidget *table, QAbstractButton *remove)
{
    auto *shortcut = new QShortcut(QKeySequence::Delete, table);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(shortcut, &QShortcut::activated, remove, &QAbstractButton::click);
}

} // namespace

AssetTables::AssetTables(Ui::MainWindow &form, AssetLists &lists, QWidget *window)
    : QObject(window), widgets{form.FontTable, form.ImageTable, form.removeFontList,
                               form.removeImageList, form.imagePreview},
      lists(lists), window(window)
{
    setObjectName(QStringLiteral("assetTables"));
    widgets.fonts->setAcceptDrops(true);
    widgets.fonts->setDragEnabled(true);
    widgets.fonts->setDragDropMode(QAbstractItemView::DropOnly);
    // The style's minimum section width would round the number columns up.
    widgets.fonts->horizontalHeader()->setMinimumSectionSize(0);
    widgets.images->horizontalHeader()->setMinimumSectionSize(0);
    setColumnWidths(widgets.fonts, fontColumnWidths);
    setImageColumnWidths();
    // The lists hold the paths; an edited cell would only disagree with them.
    widgets.fonts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    deleteKeyClicks(widgets.fonts, widgets.removeFonts);
    deleteKeyClicks(widgets.images, widgets.removeImages);
    connect(widgets.images->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showPreview(current.row()); });
    connect(new FileDropTarget(widgets.fonts), &FileDropTarget::filesDropped, this,
            &AssetTables::addDroppedFonts);
    connect(new FileDropTarget(widgets.images), &FileDropTarget::filesDropped, this,
            &AssetTables::addDroppedImages);
    connectButtons(form);
}

void AssetTables::connectButtons(Ui::MainWindow &form)
{
    const std::pair<QAbstractButton *, std::function<void()>> actions[] = {
        {form.pushButton_6, [this] { addChosenFonts(); }},
        {form.removeFontList, [this] { removeFonts(); }},
        {form.upFontList, [this] { moveFont(-1); }},
        {form.downFontList, [this] { moveFont(+1); }},
        {form.pushButton_3, [this] { addChosenImages(); }},
        {form.removeImageList, [this] { removeImages(); }},
        {form.pushButton_2, [this] { moveImage(-1); }},
        {form.pushButton, [this] { moveImage(+1); }},
        {form.convertImage, [this] { convertChosenPictures(); }},
        {form.importESF, [this] { importPackage(); }},
    };
    for (const auto &[button, action] : actions)
        connect(button, &QAbstractButton::clicked, this, action);
}

bool AssetTables::addFont(const QString &path, Listing listing, AddReport &report)
{
    const std::optional<FontFile> font = lists.addFontFile(path, report);
    if (!font)
        return false;
    const int row = lists.fontCount - 1;
    QStringList cells = fontCells(row, path, font->entry);
    if (listing == Listing::FromConfig)
        cells.removeLast();
    ListTable::putRow(widgets.fonts, row, cells);
    return true;
}

bool AssetTables::addImage(const QString &path, Listing listing, AddReport &report)
{
    Q_UNUSED(listing)
    const std::optional<ImageFile> image = lists.addImageFile(path, report);
    if (!image)
        return false;
    ListTable::putRow(widgets.images, lists.imageCount - 1, imageCells(path, *image));
    return true;
}

void AssetTables::emptyFonts()
{
    widgets.fonts->clearContents();
    widgets.fonts->setRowCount(0);
    lists.clearFonts();
}

void AssetTables::emptyImages()
{
    widgets.images->clearContents();
    widgets.images->setRowCount(0);
    lists.clearImages();
    showPreview(-1);
}

void AssetTables::addChosenFonts()
{
    addChosen(tr("Open font File"), tr("Font Files (*.vxf *.ttf)"), QStringLiteral("font"),
              &AssetTables::addFont);
}

void AssetTables::addChosenImages()
{
    addChosen(tr("Open Image File"), tr("Image Files (*.bmp *.vxp)"), QStringLiteral("image"),
              &AssetTables::addImage);
}

// Asks for files and adds each with `add`, then sums up in the status bar.
void AssetTables::addChosen(const QString &caption, const QString &filter, const QString &kind,
                            Add add)
{
    const QStringList paths = QFileDialog::getOpenFileNames(window, caption, QString(), filter);
    if (paths.isEmpty())
        return;
    AddReport report;
    for (const QString &path : paths)
        (this->*add)(path, Listing::Chosen, report);
    emit status(report.text(kind));
}

void AssetTables::moveFont(int step)
{
    moveSelectedRow(widgets.fonts, &AssetLists::moveFont, step);
}

void AssetTables::moveImage(int step)
{
    moveSelectedRow(widgets.images, &AssetLists::moveImage, step);
}

void AssetTables::removeFonts()
{
    removeSelectedRows(widgets.fonts, &AssetLists::removeFonts, QStringLiteral("font"));
}

void AssetTables::removeImages()
{
    removeSelectedRows(widgets.images, &AssetLists::removeImages, QStringLiteral("image"));
    setImageColumnWidths();
}

// The entry and its row move together, so the numbers, Config.txt and the
// flash image all follow the order shown.
void AssetTables::moveSelectedRow(QTableWidget *table, bool (AssetLists::*move)(int, int), int step)
{
    const int row = ListTable::selectedCurrentRow(table);
    if (row < 0 || !(lists.*move)(row, step))
        return;
    ListTable::swapRows(table, row, row + step);
    ListTable::selectOnly(table, row + step);
}

void AssetTables::removeSelectedRows(QTableWidget *table,
                                     void (AssetLists::*remove)(const QList<int> &),
                                     const QString &kind)
{
    const QList<int> rows = ListTable::selectedRows(table);
    if (rows.isEmpty()) {
        emit status(QString::fromLatin1(chooseRowsHint));
        return;
    }
    (lists.*remove)(rows);
    ListTable::removeRows(table, rows);
    table->clearSelection();
    // The table reports the current row while rows are still going, so the
    // preview is shown again once the list and the rows agree.
    if (table == widgets.images)
        showPreview(table->currentRow());
    emit status(QStringLiteral("Removed ") + countedNoun(rows.size(), kind));
}

void AssetTables::addDroppedFonts(const QStringList &paths)
{
    const DroppedFiles dropped = droppedFiles(paths, fontSuffixes, fontSuffixes);
    AddReport report;
    for (const QString &path : dropped.accepted)
        addFont(path, Listing::Chosen, report);
    if (!dropped.ignored.isEmpty())
        report.problems << ignoredText(dropped.ignored, QStringLiteral(".vxf or .ttf fonts"));
    emit status(report.text(QStringLiteral("font")));
}

// .vxp and .bmp files are listed as they are; other pictures are converted
// beside themselves first, with the conversion's defaults. A folder gives
// only its .vxp and .bmp files: it often holds the pictures they came from.
void AssetTables::addDroppedImages(const QStringList &paths)
{
    const DroppedFiles dropped =
        droppedFiles(paths, imageSuffixes + pictureSuffixes(), imageSuffixes);
    AddReport report;
    for (const QString &path : dropped.accepted) {
        if (needsConversion(path))
            convertAndAdd(path, ConvertChoice{}, report);
        else
            addImage(path, Listing::Chosen, report);
    }
    if (!dropped.ignored.isEmpty())
        report.problems << ignoredText(dropped.ignored, QStringLiteral("pictures"));
    emit status(report.text(QStringLiteral("image")));
}

void AssetTables::convertChosenPictures()
{
    const QStringList pictures =
        QFileDialog::getOpenFileNames(window, tr("Convert Pictures"), QString(), pictureFilter());
    if (pictures.isEmpty())
        return;
    ConvertDialog dialog(window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ConvertChoice choice = dialog.choice();
    AddReport report;
    for (const QString &picture : pictures)
        convertAndAdd(picture, choice, report);
    emit status(report.text(QStringLiteral("image")));
}

void AssetTables::convertAndAdd(const QString &picture, const ConvertChoice &choice,
                                AddReport &report)
{
    // A full list takes nothing more, so nothing more is written for it.
    if (lists.imageCount >= listCapacity) {
        ++report.refused;
        return;
    }
    // Replacing a listed file would leave its entry with the old size, and the
    // flash image with the wrong bytes in its place.
    const QString output = vxpPathFor(picture, choice.outputFolder);
    if (lists.listsImage(output)) {
        report.problems << QStringLiteral("Cannot convert %1: %2 is listed already")
                               .arg(QFileInfo(picture).fileName(), QFileInfo(output).fileName());
        return;
    }
    const PictureFileConversion conversion = convertPictureFile(picture, output, choice.options);
    if (!conversion.error.isEmpty()) {
        report.problems << conversion.error;
        return;
    }
    if (!conversion.warning.isEmpty())
        report.problems << conversion.warning;
    addImage(conversion.output, Listing::Chosen, report);
}

void AssetTables::addImageFile(const QString &path)
{
    AddReport report;
    addImage(path, Listing::Chosen, report);
    if (report.refused > 0 || !report.problems.isEmpty())
        emit status(report.text(QStringLiteral("image")));
}

void AssetTables::importPackage()
{
    const QString packagePath = QFileDialog::getOpenFileName(window, tr("Open esf File"), QString(),
                                                             tr("esf Files (*.esf)"));
    if (packagePath.isEmpty())
        return;
    QString error;
    const std::optional<EsfPackage> package = openEsfPackage(packagePath, error);
    if (!package) {
        emit status(error);
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        window, tr("Open Temp Directory To Save Files"), QString(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    const EsfExtraction extraction = extractEsfImages(*package, folder);
    int refused = 0;
    for (const QString &path : extraction.written) {
        const quint8 before = lists.imageCount;
        addImageFile(path);
        if (lists.imageCount == before)
            ++refused;
    }
    emit status(esfImportSummary(*package, extraction, refused));
}

void AssetTables::showPreview(int row)
{
    showImagePreview(widgets.preview, lists, row);
}

void AssetTables::setImageColumnWidths()
{
    setColumnWidths(widgets.images, imageColumnWidths);
}
