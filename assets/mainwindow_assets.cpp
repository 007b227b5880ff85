// "Fonts" and "Images" pages: the two lists and their tables.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "assets/assetfiles.h"

#include <QFileDialog>
#include <QHeaderView>

namespace {

void putRow(QTableWidget *table, int row, const QStringList &cells)
{
    table->setRowCount(row + 1);
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
}

// Moves what the view shows, never the list: the numbers, the Config.txt
// lines and the flash image all keep the order in which files were added.
void moveCurrentRowUp(QTableWidget *table)
{
    const int row = table->currentRow();
    if (row > 0)
        table->verticalHeader()->moveSection(row, row - 1);
}

} // namespace

bool MainWindow::addFont(const QString &path, EntryName naming, AddReport &report)
{
    if (fontCount >= listCapacity) {
        ++report.refused;
        return false;
    }
    FontFile font = readFontFile(path);
    if (!font.problem.isEmpty())
        report.problems.append(font.problem);
    QStringList cells = fontCells(fontCount, path, font.entry);
    if (naming == EntryName::WholePath) {
        // Fonts named in a Config.txt get no type: the entry keeps the old one
        // and the row shows no "Type" cell.
        font.entry.name = path;
        font.entry.type = fontList[fontCount].type;
        cells.removeLast();
    }
    putRow(ui->FontTable, fontCount, cells);
    appendEntry(fontList, fontCount, font.entry);
    ++report.added;
    return true;
}

bool MainWindow::addImage(const QString &path, EntryName naming, AddReport &report)
{
    if (imageCount >= listCapacity) {
        ++report.refused;
        return false;
    }
    ImageFile image = readImageFile(path);
    if (!image.problem.isEmpty())
        report.problems.append(image.problem);
    image.entry.number = imageCount;
    if (naming == EntryName::WholePath)
        image.entry.name = path;
    putRow(ui->ImageTable, imageCount, imageCells(path, image));
    appendEntry(imageList, imageCount, image.entry);
    ++report.added;
    return true;
}

void MainWindow::emptyFontList()
{
    ui->FontTable->clearContents();
    ui->FontTable->setRowCount(0);
    fontCount = 0;
}

void MainWindow::emptyImageList()
{
    ui->ImageTable->clearContents();
    ui->ImageTable->setRowCount(0);
    imageCount = 0;
}

// Asks for files and adds each with `add`, then sums up in the status bar.
void MainWindow::addChosenFiles(const QString &caption, const QString &filter, const QString &kind,
                                bool (MainWindow::*add)(const QString &, EntryName, AddReport &))
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, caption, QString(), filter);
    if (paths.isEmpty())
        return;
    AddReport report;
    for (const QString &path : paths)
        (this->*add)(path, EntryName::FileName, report);
    showStatus(report.text(kind));
}

void MainWindow::on_pushButton_6_clicked()
{
    addChosenFiles(tr("Open font File"), tr("Font Files (*.vxf *.ttf)"), QStringLiteral("font"),
                   &MainWindow::addFont);
}

void MainWindow::on_removeFontList_clicked()
{
    emptyFontList();
}

void MainWindow::on_upFontList_clicked()
{
    moveCurrentRowUp(ui->FontTable);
}

// The list has no order of its own to change, so "Down" is inert.
void MainWindow::on_downFontList_clicked() {}

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
    addImage(fileName, EntryName::FileName, report);
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
    emptyImageList();
    setImageColumnWidths();
}

void MainWindow::on_pushButton_2_clicked()
{
    moveCurrentRowUp(ui->ImageTable);
}

// Selecting an image has no action of its own yet; the rows are only shown.
void MainWindow::on_ImageTable_clicked(const QModelIndex &index)
{
    Q_UNUSED(index)
}

// The table is filled as images are added, so there is nothing to refresh.
void MainWindow::updateImageList() {}
