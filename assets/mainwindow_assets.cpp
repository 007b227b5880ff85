// "Fonts" and "Images" pages: the two lists and their tables.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/filedrops.h"
#include "assets/imagepreview.h"
#include "assets/listtable.h"

#include <QFileDialog>
#include <QShortcut>

namespace {

const char *const chooseRowsHint =
    "Nothing removed: select rows first (click a row, Ctrl+click or Shift+click for more, "
    "Ctrl+A for all)";

} // namespace

bool MainWindow::addFont(const QString &path, Listing listing, AddReport &report)
{
    const std::optional<FontFile> font = lists.addFontFile(path, report);
    if (!font)
        return false;
    const int row = lists.fontCount - 1;
    QStringList cells = fontCells(row, path, font->entry);
    if (listing == Listing::FromConfig)
        cells.removeLast(); // fonts named in a Config.txt show no "Type"
    ListTable::putRow(ui->FontTable, row, cells);
    return true;
}

bool MainWindow::addImage(const QString &path, Listing listing, AddReport &report)
{
    Q_UNUSED(listing)
    const std::optional<ImageFile> image = lists.addImageFile(path, report);
    if (!image)
        return false;
    ListTable::putRow(ui->ImageTable, lists.imageCount - 1, imageCells(path, *image));
    return true;
}

void MainWindow::emptyFontList()
{
    ui->FontTable->clearContents();
    ui->FontTable->setRowCount(0);
    lists.clearFonts();
}

void MainWindow::emptyImageList()
{
    ui->ImageTable->clearContents();
    ui->ImageTable->setRowCount(0);
    lists.clearImages();
    showImagePreview(ui->imagePreview, lists, -1);
}

// Asks for files and adds each with `add`, then sums up in the status bar.
void MainWindow::addChosenFiles(const QString &caption, const QString &filter, const QString &kind,
                                AddFunction add)
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, caption, QString(), filter);
    if (paths.isEmpty())
        return;
    AddReport report;
    for (const QString &path : paths)
        (this->*add)(path, Listing::Chosen, report);
    showStatus(report.text(kind));
}

// The entry and its row move together, so the numbers, Config.txt and the
// flash image all follow the order shown.
void MainWindow::moveSelectedRow(QTableWidget *table, bool (AssetLists::*move)(int, int), int step)
{
    const int row = ListTable::selectedCurrentRow(table);
    if (row < 0 || !(lists.*move)(row, step))
        return;
    ListTable::swapRows(table, row, row + step);
    ListTable::selectOnly(table, row + step);
}

void MainWindow::removeSelectedRows(QTableWidget *table,
                                    void (AssetLists::*remove)(const QList<int> &),
                                    const QString &kind)
{
    const QList<int> rows = ListTable::selectedRows(table);
    if (rows.isEmpty()) {
        showStatus(QString::fromLatin1(chooseRowsHint));
        return;
    }
    (lists.*remove)(rows);
    ListTable::removeRows(table, rows);
    table->clearSelection();
    // The table reports the current row while rows are still going, so the
    // preview is shown again once the list and the rows agree.
    if (table == ui->ImageTable)
        showImagePreview(ui->imagePreview, lists, table->currentRow());
    showStatus(QStringLiteral("Removed ") + countedNoun(rows.size(), kind));
}

// The Delete key on a table does what its "Remove" button does.
void MainWindow::startListPages()
{
    const auto deleteKeyClicks = [this](QTableWidget *table, QAbstractButton *remove) {
        auto *shortcut = new QShortcut(QKeySequence::Delete, table);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, remove, &QAbstractButton::click);
    };
    // The lists hold the paths; an edited cell would only disagree with them.
    ui->FontTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    deleteKeyClicks(ui->FontTable, ui->removeFontList);
    deleteKeyClicks(ui->ImageTable, ui->removeImageList);
    connect(ui->ImageTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                showImagePreview(ui->imagePreview, lists, current.row());
            });
    // Files dropped on a table are added to its list.
    connect(new FileDropTarget(ui->FontTable), &FileDropTarget::filesDropped, this,
            &MainWindow::addDroppedFonts);
    connect(new FileDropTarget(ui->ImageTable), &FileDropTarget::filesDropped, this,
            &MainWindow::addDroppedImages);
    setTableColumnWidths();
}

void MainWindow::on_pushButton_6_clicked()
{
    addChosenFiles(tr("Open font File"), tr("Font Files (*.vxf *.ttf)"), QStringLiteral("font"),
                   &MainWindow::addFont);
}

void MainWindow::on_removeFontList_clicked()
{
    removeSelectedRows(ui->FontTable, &AssetLists::removeFonts, QStringLiteral("font"));
}

void MainWindow::on_upFontList_clicked()
{
    moveSelectedRow(ui->FontTable, &AssetLists::moveFont, -1);
}

void MainWindow::on_downFontList_clicked()
{
    moveSelectedRow(ui->FontTable, &AssetLists::moveFont, +1);
}

void MainWindow::reDraw_FontTable()
{
    ui->FontTable->clearContents();
}

void MainWindow::on_pushButton_4_clicked()
{
    reDraw_FontTable();
}

void MainWindow::AddToImageList(QString fileName)
{
    AddReport report;
    addImage(fileName, Listing::Chosen, report);
    if (report.refused > 0 || !report.problems.isEmpty())
        showStatus(report.text(QStringLiteral("image")));
}

void MainWindow::on_pushButton_3_clicked()
{
    addChosenFiles(tr("Open Image File"), tr("Image Files (*.bmp *.vxp)"), QStringLiteral("image"),
                   &MainWindow::addImage);
}

void MainWindow::setTableColumnWidths()
{
    for (int column = 0; column < int(fontColumnWidths.size()); ++column)
        ui->FontTable->setColumnWidth(column, fontColumnWidths.at(column));
    setImageColumnWidths();
}

void MainWindow::setImageColumnWidths()
{
    for (int column = 0; column < int(imageColumnWidths.size()); ++column)
        ui->ImageTable->setColumnWidth(column, imageColumnWidths.at(column));
}

void MainWindow::on_removeImageList_clicked()
{
    removeSelectedRows(ui->ImageTable, &AssetLists::removeImages, QStringLiteral("image"));
    setImageColumnWidths();
}

void MainWindow::on_pushButton_2_clicked()
{
    moveSelectedRow(ui->ImageTable, &AssetLists::moveImage, -1);
}

void MainWindow::on_pushButton_clicked()
{
    moveSelectedRow(ui->ImageTable, &AssetLists::moveImage, +1);
}

// The preview follows the current row, so a click needs nothing more.
void MainWindow::on_ImageTable_clicked(const QModelIndex &index)
{
    Q_UNUSED(index)
}

// The table is filled as images are added, so there is nothing to refresh.
void MainWindow::updateImageList() {}
